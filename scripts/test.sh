#!/usr/bin/env bash
# The one test command: installs what is missing, builds natively (with sanitizers) and for
# Windows, and runs every test. The 64-bit Windows build runs its whole suite under 64-bit Wine;
# the 32-bit one (the shipped self-extractor) is checked as built, and runs its suite under
# 32-bit Wine where this machine executes 32-bit code. The reader's 32-bit code paths run under
# qemu user emulation, so they stay tested on any machine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)
passed=0
started=$SECONDS

# Runs CTest in a build folder and adds its count of passed tests to the total.
run_ctest() {
  local dir=$1 log
  shift
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure "$@") | tee "$log"
  passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")))
  rm -f "$log"
}
# Prints how long the step that started at $1 took.
took() { echo "   ($((SECONDS - $1)) s)"; }

"$root/scripts/install-deps.sh"
if why_no_32bit=$("$root/scripts/probe-32bit.sh"); then
  wine32_suite="ran"
else
  wine32_suite="left out: $why_no_32bit"
fi

step=$SECONDS
echo "== native build (AddressSanitizer + UBSan)"
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_SANITIZE=ON >/dev/null
cmake --build "$build/native" -j "$jobs"
# The tests labelled stubs need the stubs the Windows builds make; they run after those.
run_ctest "$build/native" -j "$jobs" -LE stubs
took $step

step=$SECONDS
echo "== native Release build (no sanitizers): the same tests where the programs run fastest"
# A test that only passes while the sanitizers slow the programs down fails here.
cmake -S "$root" -B "$build/native-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/native-release" -j "$jobs"
run_ctest "$build/native-release" -j "$jobs" -LE stubs
took $step

step=$SECONDS
echo "== bounded fuzz run (libFuzzer, 60 s per target)"
"$root/fuzz/run.sh" 60
passed=$((passed + 3))
took $step

step=$SECONDS
echo "== 32-bit Linux build of the reader and writer, tests under qemu user emulation"
"$root/scripts/test-linux32.sh" "$build/linux32"
passed=$((passed + $(cat "$build/linux32/.passed")))
took $step

step=$SECONDS
echo "== 64-bit Windows build, every Windows test under 64-bit Wine"
(
  source "$root/scripts/wine-env.sh" "$build/wineprefix" null win64
  trap stop_wine EXIT
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$build/win64" -j "$jobs"
  run_ctest "$build/win64"
  echo "$passed" >"$build/.passed"
)
passed=$(cat "$build/.passed")
took $step

step=$SECONDS
echo "== 32-bit Windows build (the shipped files): checked as built; its suite under 32-bit Wine: $wine32_suite"
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"
run_ctest "$build/win32" -L static
if [ "$wine32_suite" = ran ]; then
  (
    source "$root/scripts/wine-env.sh" "$build/wineprefix" null win32
    trap stop_wine EXIT
    run_ctest "$build/win32" -L wine
    echo "$passed" >"$build/.passed"
  )
  passed=$(cat "$build/.passed")
fi
took $step

step=$SECONDS
echo "== install into a temporary prefix, then vexa sfx (either width) from there without --stub"
# The native build takes the stubs that the Windows builds made.
cmake -S "$root" -B "$build/native" -DVEXA_STUB="$build/win32/sfx/sfxstub.exe" \
  -DVEXA_STUB64="$build/win64/sfx/sfxstub.exe" >/dev/null
cmake --build "$build/native" -j "$jobs" --target vexa vexa_man_page vexa_package_docs vexa_shared vexa_static
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vexa-install.XXXXXX")
cmake --install "$build/native" --prefix "$prefix" >/dev/null
for file in bin/vexa share/vexa/sfxstub.exe share/vexa/sfxstub64.exe share/man/man1/vexa.1.gz \
  share/doc/vexa/README.md.gz share/doc/vexa/copyright; do
  [ -f "$prefix/$file" ] || { echo "install: $file is missing" >&2; exit 1; }
done
for width in win32 win64; do
  option=()
  [ "$width" = win64 ] && option=(--x64)
  "$prefix/bin/vexa" sfx -q "${option[@]}" "$prefix/setup.exe" "$root/samples/welcome"
  "$prefix/bin/vexa" test -q "$prefix/setup.exe"
  [ "$("$root/scripts/pe-width.sh" "$prefix/setup.exe")" = "$width" ] ||
    { echo "install: vexa sfx ${option[*]} did not make a $width self-extractor" >&2; exit 1; }
  rm "$prefix/setup.exe"
done
man_page=$(man -l "$prefix/share/man/man1/vexa.1.gz" 2>/dev/null)
for option in --x64 --icon --version-info; do
  grep -q -- "$option" <<<"$man_page" ||
    { echo "install: the man page lacks the sfx option $option" >&2; exit 1; }
done
for command in create list test extract sfx info; do
  zgrep -qx "\.SS $command" "$prefix/share/man/man1/vexa.1.gz" ||
    { echo "install: the man page lacks the command $command" >&2; exit 1; }
done
rm -rf "$prefix"
# The reader library from an install, built by CMake and pkg-config as a user would (no sanitizers).
"$root/scripts/test-installed-library.sh" "$build/native-release"
passed=$((passed + 1))
took $step

step=$SECONDS
echo "== self-extractors of either width branded by the Linux vexa, read back by pefile and icoutils"
run_ctest "$build/native" -L stubs
took $step

step=$SECONDS
echo "== the packages (the Windows trees above reused); lintian on every .deb: no error, no warning"
"$root/scripts/package.sh"
lintian --fail-on error,warning --display-info "$build"/packages/*.deb
passed=$((passed + 1))
took $step

step=$SECONDS
echo "== the run command, end to end"
"$root/scripts/demo.sh"
passed=$((passed + 1))
took $step

echo
echo "Windows suites: 64-bit under Wine: ran; 32-bit as built (static checks): ran;" \
  "32-bit under Wine: $wine32_suite. 32-bit reader under qemu: ran"
echo "tests: $passed passed, 0 failed ($(((SECONDS - started) / 60)) min)"
