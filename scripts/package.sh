#!/usr/bin/env bash
# Makes the packages, in build/packages:
#   vexa_VERSION_amd64.deb     the Linux vexa, the stub (share/vexa/sfxstub.exe), README, man page
#   vexa-VERSION-win32.zip     vexa.exe, sfxstub.exe and README.md side by side
# The stub is built once, by the Windows build; the Linux build takes it through VEXA_STUB.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)
out=$build/packages

"$root/scripts/install-deps.sh"
mkdir -p "$out"

echo "== Windows: vexa.exe and the stub"
(
  source "$root/scripts/wine-env.sh" "$build/wineprefix"
  trap stop_wine EXIT
  cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
  cmake --build "$build/win32" -j "$jobs" --target vexa sfxstub
  (cd "$build/win32" && cpack -G ZIP -B "$out" >/dev/null)
)

echo "== Linux: vexa with the Windows build's stub"
cmake -S "$root" -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF \
  -DVEXA_STUB="$build/win32/sfx/sfxstub.exe" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build/release" -j "$jobs" --target vexa vexa_man_page
(cd "$build/release" && cpack -G DEB -B "$out" >/dev/null)

rm -rf "$out/_CPack_Packages"
ls -l "$out"/*.deb "$out"/*.zip
