# Makes the man page from the program's own help: help2man reads `vexa --help` and
# `vexa --version`; each command's help (`vexa help COMMAND`) becomes a part of COMMANDS.
# Variables: VEXA (the program), HELP2MAN, WORK (a folder for the include file), OUTPUT.
cmake_minimum_required(VERSION 3.25)

set(include_file ${WORK}/vexa.h2m)
set(text "[NAME]\nvexa \\- create, list, test and extract Vexa archives; make Windows self-extractors\n\n[COMMANDS]\n")
foreach(command create list test extract sfx info)
  execute_process(COMMAND ${VEXA} help ${command} OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "vexa help ${command}: exit ${status}")
  endif()
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
