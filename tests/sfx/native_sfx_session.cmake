# A self-extractor formed from the built stub by the Linux vexa, then opened, tested, listed
# and extracted by it: the stub is carried unchanged and its archive is found behind it. Needs
# no Wine. Variables: NATIVE_VEXA (the Linux program), STUB, WORK.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cli/script_checks.cmake)
if(NOT EXISTS "${NATIVE_VEXA}")
  message(FATAL_ERROR "the Linux vexa is not at ${NATIVE_VEXA}: build it beside this build "
                      "(cmake -S . -B build/native -G Ninja && cmake --build build/native --target vexa)")
endif()
file(REMOVE_RECURSE ${WORK})

function(run_vexa)
  execute_process(COMMAND ${NATIVE_VEXA} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status)
    message(FATAL_ERROR "vexa ${ARGN}: exit ${status}\n${out}\n${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
  set(ERR "${err}" PARENT_SCOPE)
endfunction()

# Files in two levels; one spans several blocks of a repeating pattern, one is empty.
string(REPEAT "0123456789abcdef" 20000 large)
set(files "pkg/readme.txt|Read me first.\n" "pkg/docs/notes.txt|notes\n"
          "pkg/docs/large.bin|${large}" "pkg/empty.txt|")
set(names "")
foreach(file IN LISTS files)
  string(FIND "${file}" "|" bar)
  string(SUBSTRING "${file}" 0 ${bar} name)
  math(EXPR bar "${bar} + 1")
  string(SUBSTRING "${file}" ${bar} -1 content)
  file(WRITE ${WORK}/${name} "${content}")
  list(APPEND names ${name})
endforeach()

run_vexa(sfx -q --stub ${STUB} setup.exe pkg)

# The self-extractor begins with the stub, byte for byte, and the archive follows it.
file(SIZE ${STUB} stub_size)
file(SIZE ${WORK}/setup.exe sfx_size)
file(READ ${STUB} stub HEX)
file(READ ${WORK}/setup.exe head HEX LIMIT ${stub_size})
if(NOT head STREQUAL stub OR NOT sfx_size GREATER stub_size)
  message(FATAL_ERROR "setup.exe (${sfx_size} bytes) does not begin with the stub "
                      "(${stub_size} bytes) followed by an archive")
endif()

run_vexa(test setup.exe)
expect_contains("${ERR}" "All 4 entries OK")
run_vexa(list setup.exe)
expect_contains("${OUT}" "4 files")
foreach(name IN LISTS names)
  string(REPLACE "/" "\\" shown "${name}")
  expect_contains("${OUT}" "${shown}")
endforeach()

run_vexa(extract -q setup.exe -o out)
foreach(name IN LISTS names)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${WORK}/out/${name}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "out/${name} differs from ${name}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
