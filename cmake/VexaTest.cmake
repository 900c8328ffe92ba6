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
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
