# Names outside ASCII through the built program: a table of names per Windows code page through
# create, list and extract (natively, and vexa.exe under Wine), names a code page cannot hold,
# and a self-extractor made by the Linux vexa from UTF-8 names, extracted through the stub's
# dialog under Wine. Variables: VEXA, EMULATOR (empty, or wine), WORK, and optionally STUB,
# DRIVE (see tool_session.cmake) and NATIVE_VEXA (the Linux program, when it has been built).
cmake_minimum_required(VERSION 3.25)

# Wine turns the ANSI code page's bytes into Unix names through its locale: with C.UTF-8 its
# ANSI code page is 1252 and the names it creates are UTF-8.
set(ENV{LC_ALL} C.UTF-8)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

include(${CMAKE_CURRENT_LIST_DIR}/script_checks.cmake)

# expect_files(DIR NAMES...): DIR holds exactly these files (relative, '/' between levels).
function(expect_files dir)
  file(GLOB_RECURSE found RELATIVE ${dir} ${dir}/*)
  list(SORT found)
  set(wanted ${ARGN})
  list(SORT wanted)
  if(NOT found STREQUAL wanted)
    message(FATAL_ERROR "${dir} holds '${found}', expected '${wanted}'")
  endif()
endfunction()

# One case: a code page and the files (levels joined by '/') that pass through it unchanged.
set(case_1252 "café.txt" "Grüße/naïve.txt" "ß €.txt")
set(case_1251 "Привет/мир.txt")
set(case_932 "日本語/テスト.txt" "ｶﾀｶﾅ.txt")
foreach(codepage 1252 1251 932)
  set(in ${WORK}/in${codepage})
  foreach(name IN LISTS case_${codepage})
    file(WRITE ${in}/${name} "${codepage} ${name}\n")
  endforeach()
  run_vexa(0 create -q --codepage ${codepage} a${codepage}.vexa in${codepage})
  run_vexa(0 list --codepage ${codepage} a${codepage}.vexa)
  set(expected "")
  foreach(name IN LISTS case_${codepage})
    string(REPLACE "/" "\\" shown "in${codepage}/${name}")
    expect_contains("${OUT}" "${shown}")
    list(APPEND expected "in${codepage}/${name}")
  endforeach()
  run_vexa(0 test --codepage ${codepage} a${codepage}.vexa)
  run_vexa(0 extract -q --codepage ${codepage} a${codepage}.vexa -o out${codepage})
  expect_files(${WORK}/out${codepage} ${expected})
  foreach(name IN LISTS case_${codepage})
    file(READ ${WORK}/out${codepage}/in${codepage}/${name} content)
    if(NOT content STREQUAL "${codepage} ${name}\n")
      message(FATAL_ERROR "out${codepage}/in${codepage}/${name} holds '${content}'")
    endif()
  endforeach()
endforeach()

# A name each code page cannot hold: refused with the character and the code page, nothing
# written.
foreach(refusal "1252|日.txt|'日' cannot be stored in code page 1252"
                "1251|é.txt|'é' cannot be stored in code page 1251"
                "932|ไทย.txt|'ไ' cannot be stored in code page 932"
                "932|表.txt|'表' is stored in code page 932 as the bytes 95 5C")
  string(REPLACE "|" ";" parts "${refusal}")
  list(GET parts 0 codepage)
  list(GET parts 1 name)
  list(GET parts 2 message)
  file(REMOVE_RECURSE ${WORK}/bad)
  file(WRITE ${WORK}/bad/${name} "x")
  run_vexa(2 create --codepage ${codepage} bad.vexa bad)
  expect_contains("${ERR}" "${message}")
  if(EXISTS ${WORK}/bad.vexa)
    message(FATAL_ERROR "bad.vexa was written although ${name} was refused")
  endif()
endforeach()

if(DRIVE AND STUB)
  # The self-extractor is made on Linux when the Linux program is at hand.
  set(maker ${EMULATOR} ${VEXA})
  if(NATIVE_VEXA AND EXISTS ${NATIVE_VEXA})
    set(maker ${NATIVE_VEXA})
  endif()
  file(WRITE ${WORK}/pkg/café.txt "café\n")
  file(WRITE ${WORK}/pkg/Grüße/naïve.txt "naïve\n")
  execute_process(COMMAND ${maker} sfx -q --stub ${STUB} setup.exe pkg WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  if(status)
    message(FATAL_ERROR "vexa sfx (${maker}) failed:\n${err}")
  endif()
  execute_process(COMMAND ${EMULATOR} ${DRIVE} ${WORK}/setup.exe ${WORK}/from-stub -
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status)
    message(FATAL_ERROR "extracting setup.exe through its dialog failed:\n${out}\n${err}")
  endif()
  expect_contains("${out}" "Extracted files completed: 2 of 2")
  expect_files(${WORK}/from-stub "pkg/café.txt" "pkg/Grüße/naïve.txt")
endif()

file(REMOVE_RECURSE ${WORK})
