# Checks shared by the test scripts that run the built programs.

# expect_contains(TEXT PART): fails the script unless PART occurs in TEXT.
function(expect_contains text part)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected '${part}' in:\n${text}")
  endif()
endfunction()

# run(COMMAND...): runs a command in WORK that must succeed; leaves its output in OUT.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status)
    message(FATAL_ERROR "${ARGN}: exit ${status}\n${out}\n${err}")
  endif()
  set(OUT "${out}${err}" PARENT_SCOPE)
endfunction()

# run_vexa(EXPECTED-STATUS ARGS...): runs the built program (${EMULATOR} ${VEXA}) in WORK; it must
# exit with EXPECTED-STATUS. Leaves its output in OUT and ERR.
function(run_vexa expect)
  execute_process(COMMAND ${EMULATOR} ${VEXA} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL expect)
    message(FATAL_ERROR "vexa ${ARGN}: exit ${status}, expected ${expect}\n${out}\n${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
  set(ERR "${err}" PARENT_SCOPE)
endfunction()
