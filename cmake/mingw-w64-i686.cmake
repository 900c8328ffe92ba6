# Cross-build for 32-bit Windows (the shipped self-extractor), run under 32-bit Wine.
set(VEXA_MINGW_ARCH i686)
set(VEXA_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
