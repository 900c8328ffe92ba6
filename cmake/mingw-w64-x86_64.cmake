# Cross-build for 64-bit Windows (the 64-bit self-extractor and the test twin), run under
# 64-bit Wine.
set(VEXA_MINGW_ARCH x86_64)
set(VEXA_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
