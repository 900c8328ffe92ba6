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
      set(labels wine)
    endif()
    if(wine IN_LIST labels)
      vexa_run_under_wine(${test})
    endif()
  endforeach()
endfunction()

# Wine for the Windows tests, whoever starts CTest (scripts/test.sh, a preset, a plain `ctest`):
# the private, quiet, display-free prefix that scripts/wine-env.sh makes for this build's width,
# set up by the fixture test wine_prefix before the first test that needs it and its server
# stopped after the last. The test's own environment comes after, so it may set any of these.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VEXA_WINE_ARCH win64)
    set(VEXA_WINE_SUFFIX -win64)
  else()
    set(VEXA_WINE_ARCH win32)
    set(VEXA_WINE_SUFFIX "")
  endif()
  cmake_path(SET VEXA_WINE_PREFIX_BASE NORMALIZE "${PROJECT_BINARY_DIR}/../wineprefix")
  set(VEXA_WINE_ENVIRONMENT
    "WINEPREFIX=${VEXA_WINE_PREFIX_BASE}${VEXA_WINE_SUFFIX}" WINEDEBUG=-all
    "WINEARCH=${VEXA_WINE_ARCH}" "WINELOADER=${CMAKE_CROSSCOMPILING_EMULATOR}"
    "WINEDLLOVERRIDES=mscoree,mshtml=" LC_ALL=C.UTF-8)
endif()

function(vexa_run_under_wine test)
  get_test_property(${test} ENVIRONMENT own)
  if(NOT own)
    set(own "")
  endif()
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${VEXA_WINE_ENVIRONMENT};${own}")
  if(NOT test MATCHES "^wine_prefix(_stop)?$")
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()

# The fixture itself, once in the build's tests folder.
function(vexa_add_wine_prefix_fixture)
  if(NOT WIN32)
    return()
  endif()
  set(env ${PROJECT_SOURCE_DIR}/scripts/wine-env.sh)
  add_test(NAME wine_prefix
    COMMAND bash -c "source \"$0\" \"$1\" null $2" ${env} ${VEXA_WINE_PREFIX_BASE} ${VEXA_WINE_ARCH})
  add_test(NAME wine_prefix_stop COMMAND wineserver -k)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix LABELS wine)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix LABELS wine)
  vexa_run_under_wine(wine_prefix)
  vexa_run_under_wine(wine_prefix_stop)
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
