# Checks shared by the test scripts that run the built programs.

# expect_contains(TEXT PART): fails the script unless PART occurs in TEXT.
function(expect_contains text part)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected '${part}' in:\n${text}")
  endif()
endfunction()
