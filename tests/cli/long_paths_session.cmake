# Paths beyond Windows' MAX_PATH (260 characters) through the built program: extract creates a
# destination folder whose path is longer than that and writes the entries below it, and list,
# test and extract read an archive kept there. Variables: VEXA, EMULATOR (empty, or wine), WORK.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/script_checks.cmake)

file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/pkg/readme.txt "Tarnwick sample\n")
string(REPEAT "0123456789abcdef" 3000 long_content)
file(WRITE ${WORK}/pkg/sub/b.txt "${long_content}")

function(expect_extracted dir)
  foreach(file readme.txt sub/b.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/pkg/${file}
                            ${WORK}/${dir}/pkg/${file} RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${dir}/pkg/${file} is missing or differs from its source")
    endif()
  endforeach()
endfunction()

run_vexa(0 create -q a.vexa pkg)

# Three levels of 96 characters: the destination alone, relative to WORK, is past the limit.
string(REPEAT "level-of-a-long-path-" 4 level)
string(APPEND level "0123456789ab")
set(dest "deep/${level}1/${level}2/${level}3")
string(LENGTH "${dest}" length)
if(length LESS_EQUAL 260)
  message(FATAL_ERROR "the destination is ${length} characters, not past MAX_PATH")
endif()

run_vexa(0 extract -q a.vexa -o ${dest})
expect_extracted(${dest})

# The archive kept in that folder: listed, tested and extracted next to itself.
file(COPY_FILE ${WORK}/a.vexa ${WORK}/${dest}/a.vexa)
run_vexa(0 list ${dest}/a.vexa)
expect_contains("${OUT}" "pkg\\sub\\b.txt")
expect_contains("${OUT}" "2 files")
run_vexa(0 test ${dest}/a.vexa)
expect_contains("${ERR}" "All 2 entries OK")
run_vexa(0 extract -q ${dest}/a.vexa -o ${dest}/again)
expect_extracted(${dest}/again)

# Replacing and skipping work there too.
run_vexa(0 extract ${dest}/a.vexa -o ${dest}/again)
expect_contains("${ERR}" "skipped, file exists")
run_vexa(0 extract -q -y ${dest}/a.vexa -o ${dest}/again)
expect_extracted(${dest}/again)

file(REMOVE_RECURSE ${WORK})
