#!/usr/bin/env bash
# The one test command: installs what is missing, builds natively (with sanitizers) and for
# 32-bit Windows, and runs every test, the Windows ones under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)
passed=0

# Runs CTest in a build folder and adds its count of passed tests to the total.
run_ctest() {
  local dir=$1 log
  shift
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure "$@") | tee "$log"
  passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")))
  rm -f "$log"
}

"$root/scripts/install-deps.sh"

echo "== native build (AddressSanitizer + UBSan)"
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_SANITIZE=ON >/dev/null
cmake --build "$build/native" -j "$jobs"
run_ctest "$build/native" -j "$jobs"

echo "== bounded fuzz run (libFuzzer, 60 s per target)"
"$root/fuzz/run.sh" 60
passed=$((passed + 3))

echo "== 32-bit Windows build, tests under Wine"
source "$root/scripts/wine-env.sh" "$build/wineprefix"
trap stop_wine EXIT
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"
run_ctest "$build/win32"

echo "== install into a temporary prefix, then vexa sfx from there without --stub"
# The native build takes the stub that the Windows build made.
cmake -S "$root" -B "$build/native" -DVEXA_STUB="$build/win32/sfx/sfxstub.exe" >/dev/null
cmake --build "$build/native" -j "$jobs" --target vexa vexa_man_page
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vexa-install.XXXXXX")
cmake --install "$build/native" --prefix "$prefix" >/dev/null
for file in bin/vexa share/vexa/sfxstub.exe share/man/man1/vexa.1 share/doc/vexa/README.md; do
  [ -f "$prefix/$file" ] || { echo "install: $file is missing" >&2; exit 1; }
done
"$prefix/bin/vexa" sfx -q "$prefix/setup.exe" "$root/samples/welcome"
"$prefix/bin/vexa" test -q "$prefix/setup.exe"
man -l "$prefix/share/man/man1/vexa.1" 2>/dev/null | grep -q "default-dest" ||
  { echo "install: the man page lacks the sfx options" >&2; exit 1; }
rm -rf "$prefix"
passed=$((passed + 1))

echo "== the run command, end to end"
stop_wine
"$root/scripts/demo.sh"
passed=$((passed + 1))

echo
echo "tests: $passed passed, 0 failed"
