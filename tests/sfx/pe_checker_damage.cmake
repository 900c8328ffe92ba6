# Shows that check_pe_image.py catches a fault: damaged copies of the built stub, each with one
# fault, must fail exactly the check that covers it (and an intact copy must pass).
# Variables: PYTHON (with pefile), CHECKER, DAMAGER (damage_pe_image.py), STUB, WIDTH, WORK.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cli/script_checks.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Damage | the one check that must fail (none for the intact copy) | part of its message.
foreach(case "intact||0 failed"
             "signature_in_image|signature|found at offset"
             "foreign_import|imports|not allowed: libgcc_s.dll"
             "plantable_import|imports|not allowed: COMCTL32.dll"
             "startup_import|startup|found __p___argv"
             "console_subsystem|subsystem|found IMAGE_SUBSYSTEM_WINDOWS_CUI"
             "oversized|size|expected at most 73728 bytes"
             "windows10_unnamed|manifest|lacking supportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
             "dpi_unaware|manifest|lacking dpiAware true/pm (found ['false'])")
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 damage)
  list(GET parts 1 check)
  list(GET parts 2 message)
  set(copy ${WORK}/${damage}.exe)
  execute_process(COMMAND ${PYTHON} ${DAMAGER} ${damage} ${STUB} ${copy}
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  if(status)
    message(FATAL_ERROR "damage_pe_image.py ${damage} failed:\n${err}")
  endif()
  execute_process(COMMAND ${PYTHON} ${CHECKER} stub --width ${WIDTH} ${copy}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX MATCHALL "FAIL [a-z]+:" failed "${out}")
  if(check)
    set(expected_status 1)
    set(expected_failed "FAIL ${check}:")
  else()
    set(expected_status 0)
    set(expected_failed "")
  endif()
  if(NOT status STREQUAL expected_status OR NOT failed STREQUAL expected_failed)
    message(FATAL_ERROR "${damage}: exit ${status} with '${failed}', expected exit "
                        "${expected_status} with '${expected_failed}':\n${out}${err}")
  endif()
  expect_contains("${out}" "${message}")
endforeach()
file(REMOVE_RECURSE ${WORK})
