# find_package(vexa): the Vexa archive reader. Target vexa::reader (the shared library, vexa.dll
# on Windows); elsewhere also vexa::reader_static. Header: #include <vexa_reader.h>.
include(${CMAKE_CURRENT_LIST_DIR}/vexaTargets.cmake)
