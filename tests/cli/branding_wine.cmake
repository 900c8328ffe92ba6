# A branded self-extractor made by the Windows vexa and run: its dialog shows the given title and
# extracts every file, and vexa info reads back what was given.
# Variables: VEXA, EMULATOR (empty, or wine), STUB, DRIVE (extracts a self-extractor through its
# dialog), CONVERT (ImageMagick, for the test icon), WORK (a scratch directory).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/pkg/sub)
file(WRITE ${WORK}/pkg/readme.txt "Acme sample\n")
string(REPEAT "Acme content " 5000 long)
file(WRITE ${WORK}/pkg/sub/data.txt "${long}")
file(COPY_FILE ${STUB} ${WORK}/stub.exe)

include(${CMAKE_CURRENT_LIST_DIR}/script_checks.cmake)

run(${CONVERT} -size 64x64 gradient:orange-navy -define icon:auto-resize=256,48,32,16 app.ico)
run(${EMULATOR} ${VEXA} sfx -q --stub stub.exe --icon app.ico --title "Acme Setup"
    --version-info CompanyName=Acme --version-info FileVersion=2.1 out.exe pkg)
run(${EMULATOR} ${VEXA} info out.exe)
foreach(line "Title: Acme Setup" "Icon: 256x256, 32 bits" "Icon: 16x16" "CompanyName: Acme"
             "FileVersion: 2.1" "File version: 2.1.0.0" "Entries: 2")
  expect_contains("${OUT}" "${line}")
endforeach()

# The dialog is found by its new title, and extracts.
run(${EMULATOR} ${DRIVE} ${WORK}/out.exe ${WORK}/into - "Acme Setup")
expect_contains("${OUT}" "Extracted files completed: 2 of 2")
foreach(file readme.txt sub/data.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/pkg/${file}
                          ${WORK}/into/pkg/${file} RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "into/pkg/${file} differs from its source")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
