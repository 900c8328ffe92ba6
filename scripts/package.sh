#!/usr/bin/env bash
# Makes the packages, in build/packages:
#   vexa_VERSION_amd64.deb     the Linux vexa, both stubs (share/vexa/sfxstub.exe, 32-bit, and
#                              share/vexa/sfxstub64.exe), README, man page
#   vexa-VERSION-win32.zip     the 32-bit vexa.exe, sfxstub.exe, sfxstub64.exe and README.md
#   vexa-VERSION-win64.zip     the same with the 64-bit vexa.exe
# Each stub is built once, by the Windows build of its width; the others take it through
# VEXA_STUB and VEXA_STUB64. Nothing here runs a Windows program, so no Wine is needed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)
out=$build/packages
stub32=$build/win32/sfx/sfxstub.exe
stub64=$build/win64/sfx/sfxstub.exe

"$root/scripts/install-deps.sh"
mkdir -p "$out"

configure_windows() {
  local width=$1 toolchain=$2
  cmake -S "$root" -B "$build/$width" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$toolchain.cmake" \
    -DVEXA_STUB="$stub32" -DVEXA_STUB64="$stub64" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
}

echo "== Windows: both stubs"
configure_windows win32 i686
configure_windows win64 x86_64
cmake --build "$build/win32" -j "$jobs" --target sfxstub
cmake --build "$build/win64" -j "$jobs" --target sfxstub

for width in win32 win64; do
  echo "== Windows: vexa.exe ($width) and its zip"
  cmake --build "$build/$width" -j "$jobs" --target vexa vexa_dll vexa_msvc_import_library
  (cd "$build/$width" && cpack -G ZIP -B "$out" >/dev/null)
done

echo "== Linux: vexa with both stubs"
cmake -S "$root" -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF \
  -DVEXA_STUB="$stub32" -DVEXA_STUB64="$stub64" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build/release" -j "$jobs" --target vexa vexa_man_page vexa_shared vexa_static
(cd "$build/release" && cpack -G DEB -B "$out" >/dev/null)

rm -rf "$out/_CPack_Packages"
ls -l "$out"/*.deb "$out"/*.zip
