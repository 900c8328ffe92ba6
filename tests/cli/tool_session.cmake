# Runs the built vexa program the way a user does: create, list, test, extract, sfx, and the
# exit status of failures. Variables: VEXA (the program), EMULATOR (empty, or wine), STUB (a
# stub file), WORK (a scratch directory), and DRIVE (optional: a program that extracts a
# self-extractor through its dialog, given the self-extractor and a destination).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/pkg/sub/deeper)
file(WRITE ${WORK}/pkg/readme.txt "Tarnwick sample\n")
file(WRITE ${WORK}/pkg/sub/b.txt "second file, a little longer: abcabcabcabcabcabcabc\n")
string(REPEAT "0123456789abcdef" 5000 long)
file(WRITE ${WORK}/pkg/sub/deeper/c.txt "${long}")
file(COPY_FILE ${STUB} ${WORK}/stub.exe)

# vexa(EXPECT status ARGS...): run_vexa with named arguments; leaves its output in OUT and ERR.
function(vexa)
  cmake_parse_arguments(V "" "EXPECT" "ARGS" ${ARGN})
  run_vexa(${V_EXPECT} ${V_ARGS})
  set(OUT "${OUT}" PARENT_SCOPE)
  set(ERR "${ERR}" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/script_checks.cmake)

function(expect_same_tree extracted)
  foreach(file readme.txt sub/b.txt sub/deeper/c.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/pkg/${file}
                            ${WORK}/${extracted}/pkg/${file} RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${extracted}/pkg/${file} differs from its source")
    endif()
  endforeach()
endfunction()

vexa(EXPECT 0 ARGS create a.vexa pkg)
expect_contains("${ERR}" "Created a.vexa: 3 files")
vexa(EXPECT 0 ARGS create -q -j 1 b.vexa ./pkg/)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a.vexa ${WORK}/b.vexa
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the same inputs gave different archives")
endif()

vexa(EXPECT 0 ARGS list a.vexa)
expect_contains("${OUT}" "pkg\\sub\\deeper\\c.txt")
expect_contains("${OUT}" "80000")
expect_contains("${OUT}" "3 files")
vexa(EXPECT 0 ARGS test a.vexa)
expect_contains("${ERR}" "All 3 entries OK")
vexa(EXPECT 0 ARGS extract a.vexa -o out)
expect_same_tree(out)

vexa(EXPECT 0 ARGS sfx setup.exe --stub stub.exe --default-dest "C:\\Tarnwick" pkg)
vexa(EXPECT 0 ARGS list setup.exe)
expect_contains("${OUT}" "3 files")
vexa(EXPECT 0 ARGS extract setup.exe -o from-sfx)
expect_same_tree(from-sfx)
if(DRIVE)
  # The same self-extractor, run and extracted through its own dialog.
  execute_process(COMMAND ${EMULATOR} ${DRIVE} ${WORK}/setup.exe ${WORK}/from-stub -
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status)
    message(FATAL_ERROR "extracting setup.exe through its dialog failed:\n${out}\n${err}")
  endif()
  expect_contains("${out}" "Extracted files completed: 3 of 3")
  expect_same_tree(from-stub)
endif()

vexa(EXPECT 0 ARGS extract a.vexa -o out)
expect_contains("${ERR}" "skipped, file exists")
vexa(EXPECT 1 ARGS extract a.vexa -o out -y pkg/readme.txt pkg/nothing)
expect_contains("${ERR}" "pkg\\nothing: not found in the archive")
vexa(EXPECT 2 ARGS)
expect_contains("${ERR}" "Usage: vexa COMMAND")
vexa(EXPECT 2 ARGS list missing.vexa)
expect_contains("${ERR}" "missing.vexa: Not found")
vexa(EXPECT 2 ARGS test pkg/readme.txt)
expect_contains("${ERR}" "not a Vexa archive (no signature found)")
vexa(EXPECT 0 ARGS --help)
expect_contains("${OUT}" "Usage: vexa COMMAND")

file(REMOVE_RECURSE ${WORK})
