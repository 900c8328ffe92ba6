# Signed self-extractors. A self-extractor signed after `vexa sfx` verifies, lists, tests and
# extracts through its own dialog; a stub signed before `vexa sfx` is used without its
# signature, with a warning, and gives the same unsigned self-extractor as the stub as built.
# Variables: VEXA, EMULATOR (empty, or wine), STUB, DRIVE (extracts a self-extractor through
# its dialog), OSSLSIGNCODE, OPENSSL, WORK (a scratch directory).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/pkg/sub)
file(WRITE ${WORK}/pkg/readme.txt "Signed sample\n")
string(REPEAT "signed content, twice compressed never " 3000 long)
file(WRITE ${WORK}/pkg/sub/data.txt "${long}")
file(COPY_FILE ${STUB} ${WORK}/stub.exe)

include(${CMAKE_CURRENT_LIST_DIR}/script_checks.cmake)

# Extracts a self-extractor through its dialog and compares the files with their sources.
function(extract_through_dialog exe into)
  run(${EMULATOR} ${DRIVE} ${WORK}/${exe} ${WORK}/${into} -)
  expect_contains("${OUT}" "Extracted files completed: 2 of 2")
  foreach(file readme.txt sub/data.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/pkg/${file}
                            ${WORK}/${into}/pkg/${file} RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${into}/pkg/${file} differs from its source")
    endif()
  endforeach()
endfunction()

function(sign in out)
  run(${OSSLSIGNCODE} sign -certs cert.pem -key key.pem -n "Vexa signing test"
      -in ${in} -out ${out})
endfunction()

# A throw-away self-signed certificate.
run(${OPENSSL} req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2
    -subj /CN=Vexa-test-signer)

# Sign after vexa sfx: the order that works.
run(${EMULATOR} ${VEXA} sfx -q setup.exe --stub stub.exe pkg)
sign(setup.exe signed.exe)
run(${OSSLSIGNCODE} verify -CAfile cert.pem -in signed.exe)
expect_contains("${OUT}" "Signature verification: ok")
run(${EMULATOR} ${VEXA} list signed.exe)
expect_contains("${OUT}" "2 files")
run(${EMULATOR} ${VEXA} test signed.exe)
expect_contains("${OUT}" "All 2 entries OK")
extract_through_dialog(signed.exe from-signed)

# Sign the stub first: vexa sfx takes the signature off and says so.
sign(stub.exe signed-stub.exe)
run(${OSSLSIGNCODE} verify -CAfile cert.pem -in signed-stub.exe)
run(${EMULATOR} ${VEXA} sfx -q from-signed-stub.exe -s signed-stub.exe pkg)
expect_contains("${OUT}" "warning: signed-stub.exe carries an Authenticode signature")
expect_contains("${OUT}" "sign it after 'vexa sfx'")
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/setup.exe
                        ${WORK}/from-signed-stub.exe RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the signed stub did not give the self-extractor of the stub as built")
endif()
execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile cert.pem -in from-signed-stub.exe
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE unsigned OUTPUT_QUIET ERROR_QUIET)
if(NOT unsigned)
  message(FATAL_ERROR "from-signed-stub.exe still verifies as signed")
endif()
run(${EMULATOR} ${VEXA} test from-signed-stub.exe)
expect_contains("${OUT}" "All 2 entries OK")
extract_through_dialog(from-signed-stub.exe from-signed-stub)

# And the unsigned result signs and verifies as any self-extractor does.
sign(from-signed-stub.exe resigned.exe)
run(${OSSLSIGNCODE} verify -CAfile cert.pem -in resigned.exe)
expect_contains("${OUT}" "Signature verification: ok")

file(REMOVE_RECURSE ${WORK})
