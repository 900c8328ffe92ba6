# Makes the man page from the program's own help: help2man reads `vexa --help` and
# `vexa --version`; each command's help (`vexa help COMMAND`) becomes a part of COMMANDS. The
# commands are taken from the "Commands:" list of `vexa --help`, so a new command cannot be left
# out of the page.
# Variables: VEXA (the program), HELP2MAN, WORK (a folder for the include file), OUTPUT.
cmake_minimum_required(VERSION 3.25)

function(run_vexa output)
  execute_process(COMMAND ${VEXA} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "vexa ${ARGN}: exit ${status}")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

# The names in the "Commands:" list: lines indented by two spaces, up to the blank line.
run_vexa(usage --help)
string(REGEX MATCH "\nCommands:\n.*" commands_block "${usage}")
string(REGEX REPLACE "\n\n.*" "" commands_block "${commands_block}")
string(REGEX MATCHALL "\n  [a-z]+" commands "${commands_block}")
list(TRANSFORM commands REPLACE "^\n  " "")
if(NOT commands)
  message(FATAL_ERROR "vexa --help lists no commands")
endif()

set(include_file ${WORK}/vexa.h2m)
set(text "[NAME]\nvexa \\- create, list, test and extract Vexa archives; make Windows self-extractors\n\n[COMMANDS]\n")
foreach(command IN LISTS commands)
  run_vexa(help help ${command})
  # Shown as written: roff's escape character and leading dots made literal.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${include_file} "${text}")

execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --include=${include_file}
                        --output=${OUTPUT} ${VEXA}
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(status)
  message(FATAL_ERROR "help2man: ${err}")
endif()
