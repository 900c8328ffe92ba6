#!/usr/bin/env bash
# The one test command: installs what is missing, builds natively (with sanitizers) and for
# 32-bit Windows, and runs every test, the Windows ones under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)

"$root/scripts/install-deps.sh"

echo "== native build (AddressSanitizer + UBSan)"
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_SANITIZE=ON >/dev/null
cmake --build "$build/native" -j "$jobs"
(cd "$build/native" && ctest --output-on-failure -j "$jobs")

echo "== 32-bit Windows build, tests under Wine"
source "$root/scripts/wine-env.sh" "$build/wineprefix"
trap stop_wine EXIT
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"
(cd "$build/win32" && ctest --output-on-failure)

echo "== the run command, end to end"
stop_wine
"$root/scripts/demo.sh"
