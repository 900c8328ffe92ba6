# vexa_add_gtest(NAME SOURCES... LIBS ...): a GoogleTest binary registered with CTest.
# Natively each test case becomes a CTest test; under Wine the binary is one CTest test
# (one Wine process per binary keeps the run fast).
function(vexa_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE VEXA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES LABELS wine)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# The Windows build's tests fall in two labels that together hold all of them: `static` ones read
# the built files and need no Wine (ctest -L static runs where Windows programs cannot), `wine`
# ones run a Windows program under Wine. A test folder calls vexa_label_wine_tests() first: at the
# end of the folder, even one left early, every test of it without a label is labelled wine.
function(vexa_label_wine_tests)
  if(WIN32)
    cmake_language(DEFER CALL vexa_label_unlabelled_tests_wine)
  endif()
endfunction()

function(vexa_label_unlabelled_tests_wine)
  get_directory_property(tests TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} LABELS labels)
    if(NOT labels)
      set_tests_properties(${test} PROPERTIES LABELS wine)
    endif()
  endforeach()
endfunction()

# vexa_add_pe_image_test(NAME KIND TARGET): the built program TARGET checked as a file by
# tests/sfx/check_pe_image.py (KIND stub or tool) for this build's width; label static.
set(VEXA_PE_PYTHON /usr/bin/python3 CACHE FILEPATH
  "Python with pefile (Debian's python3-pefile) for the checks of the built Windows programs")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VEXA_PE_WIDTH 64)
else()
  set(VEXA_PE_WIDTH 32)
endif()
set(VEXA_PE_CHECKER ${PROJECT_SOURCE_DIR}/tests/sfx/check_pe_image.py)
function(vexa_add_pe_image_test name kind target)
  add_test(NAME ${name}
    COMMAND ${VEXA_PE_PYTHON} ${VEXA_PE_CHECKER} ${kind} --width ${VEXA_PE_WIDTH}
            $<TARGET_FILE:${target}>)
  set_tests_properties(${name} PROPERTIES LABELS static)
endfunction()
