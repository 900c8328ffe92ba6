# Cross-build for Windows with MinGW-w64 (posix thread model), run under Wine. Included by the
# toolchain file of each architecture after it set VEXA_MINGW_ARCH and VEXA_WINE_LOADER.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VEXA_MINGW_ARCH})
set(CMAKE_C_COMPILER ${VEXA_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXA_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${VEXA_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VEXA_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The loader of the matching width, called directly: with 32-bit Wine installed, plain `wine`
# always starts the 32-bit loader.
if(EXISTS ${VEXA_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEXA_WINE_LOADER})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
