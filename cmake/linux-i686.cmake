# 32-bit Linux build of the reader and writer and their tests, run under qemu user emulation:
# it keeps the 32-bit code paths (the decoder's one-token refill, the 32-bit CRC paths, 64-bit
# sizes in 32-bit code) tested on machines that cannot execute 32-bit code.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE2 doubles round like the native build's (the x87 unit keeps extra precision).
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# Only 64-bit zlib is installed; the tests use it merely as a second CRC reference.
set(CMAKE_DISABLE_FIND_PACKAGE_ZLIB TRUE)
find_program(VEXA_QEMU_I386 qemu-i386-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VEXA_QEMU_I386})
