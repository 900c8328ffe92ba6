#!/usr/bin/env bash
# The one test command: installs what is missing, builds natively (with sanitizers) and for
# Windows, and runs every test. The 64-bit Windows build runs its whole suite under 64-bit Wine;
# the 32-bit one (the shipped self-extractor) is checked as built, and runs its suite under
# 32-bit Wine where this machine executes 32-bit code. The reader's 32-bit code paths run under
# qemu user emulation, so they stay tested on any machine.
#
#   scripts/test.sh [STEP...]      no step: all of them, in this order
#
#   native    native build with AddressSanitizer and UBSan, its tests
#   release   native Release build (no sanitizers), the same tests
#   fuzz      libFuzzer, 60 s per target
#   linux32   the reader and writer built for 32-bit Linux, tests under qemu
#   win64     64-bit Windows build, its whole suite under 64-bit Wine
#   win32     32-bit Windows build: static checks; its suite under 32-bit Wine where it runs
#   install   install into a temporary prefix; vexa sfx from there; the library as users take it
#   stubs     self-extractors of both widths branded by the Linux vexa, read back
#   packages  the .debs and zips; lintian on every .deb
#   demo      the run command, end to end
#
# The closing line is made of counted figures only: tests that a runner (CTest, GoogleTest,
# libFuzzer) reported as passed or failed, summed over the steps that ran; a test that runs in
# two builds counts in each, and the line before says so. A step that checks without counting
# says "ok", and when it fails it adds one failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)
all_steps=(native release fuzz linux32 win64 win32 install stubs packages demo)

passed=0 failed=0 skipped=0
counted=()      # "step figure", for the line that says where the figures come from
failed_steps=()
started=$SECONDS

# Adds a runner's figures for a step.
record() {
  local step=$1 pass=$2 fail=$3
  passed=$((passed + pass))
  failed=$((failed + fail))
  counted+=("$step $pass")
  [ "$fail" -eq 0 ] || failed_steps+=("$step")
}

# Runs a command in a subshell set up for Wine of a width (win32 or win64): a private prefix, one
# server for the run, stopped at the end.
in_wine() {
  local width=$1
  shift
  (
    source "$root/scripts/wine-env.sh" "$build/wineprefix" null "$width"
    trap stop_wine EXIT
    "$@"
  )
}

# Runs CTest in a build folder and records what its summary counted; a run that found no test
# is a failure. The step goes on after failing tests, so that every figure gets counted.
# With --wine WIDTH first, CTest runs under that Wine.
run_ctest() {
  local step=$1 dir=$2 log total="" fail="" wine=()
  shift 2
  [ "${1:-}" = --wine ] && { wine=(in_wine "$2"); shift 2; }
  log=$(mktemp)
  "${wine[@]}" ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log" || true
  read -r fail total < <(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$log") || true
  rm -f "$log"
  if [ -z "$total" ]; then
    echo "test: CTest ran no test in $dir $*" >&2
    record "$step" 0 1
  else
    record "$step" $((total - fail)) "$fail"
  fi
}

# How many tests CTest would run in a build folder with these options, without running them.
count_ctest() {
  local dir=$1
  shift
  ctest --test-dir "$dir" -N "$@" | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p'
}

summary() {
  local joined="" entry
  for entry in "${counted[@]}"; do joined+="${joined:+, }$entry"; done
  echo
  echo "passed, as the runners counted them: ${joined:-nothing}"
  case " ${counted[*]} " in
    *" native "*" release "*) echo "(the native tests run in two builds, sanitizers and Release, and count in each)" ;;
  esac
  case " ${counted[*]} " in
    *" linux32 "*) echo "(linux32 counts its tests on each of its two emulated processors)" ;;
  esac
  [ ${#failed_steps[@]} -eq 0 ] || echo "failed in: ${failed_steps[*]}"
  echo "time: $(((SECONDS - started) / 60)) min"
  local tail=""
  [ "$skipped" -eq 0 ] || tail=", $skipped skipped"
  echo "tests: $passed passed, $failed failed$tail"
}

# A step that stops the script (a build that fails, a check that exits) counts as one failure.
current_step=""
on_exit() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -n "$current_step" ]; then
    failed_steps+=("$current_step")
    failed=$((failed + 1))
    echo "test: step $current_step stopped (exit $status)" >&2
    summary
  fi
}
trap on_exit EXIT

# A dialog driven under Wine in a prefix made moments before has, rarely, not appeared within
# its driver's wait: the Windows suites run a failed test once more, and say so in their log
# (CTest prints each try). A test that fails twice fails the run.
gui_retry=(--repeat until-pass:2)

# Prints how long the step that started at $1 took.
took() { echo "   ($((SECONDS - $1)) s)"; }

configure_native() {
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEXA_SANITIZE=ON >/dev/null
}
configure_windows() {
  local width=$1 toolchain=$2
  cmake -S "$root" -B "$build/$width" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$toolchain.cmake" >/dev/null
}
# The Linux vexa, which some Windows tests use to make self-extractors from the stub they built.
native_vexa() {
  configure_native
  cmake --build "$build/native" -j "$jobs" --target vexa
}
# Both stubs, and the native build that takes them (the steps install and stubs need them).
native_with_stubs() {
  configure_windows win32 i686
  configure_windows win64 x86_64
  cmake --build "$build/win32" -j "$jobs" --target sfxstub
  cmake --build "$build/win64" -j "$jobs" --target sfxstub
  configure_native
  cmake -S "$root" -B "$build/native" -DVEXA_STUB="$build/win32/sfx/sfxstub.exe" \
    -DVEXA_STUB64="$build/win64/sfx/sfxstub.exe" >/dev/null
  cmake --build "$build/native" -j "$jobs"
}

step_native() {
  echo "== native build (AddressSanitizer + UBSan)"
  configure_native
  cmake --build "$build/native" -j "$jobs"
  # The tests labelled stubs need the stubs the Windows builds make; the step stubs runs them.
  run_ctest native "$build/native" -j "$jobs" -LE stubs
}

step_release() {
  echo "== native Release build (no sanitizers): the same tests where the programs run fastest"
  # A test that only passes while the sanitizers slow the programs down fails here.
  cmake -S "$root" -B "$build/native-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build/native-release" -j "$jobs"
  run_ctest release "$build/native-release" -j "$jobs" -LE stubs
}

step_fuzz() {
  echo "== bounded fuzz run (libFuzzer, 60 s per target)"
  local log ran="" clean=""
  log=$(mktemp)
  "$root/fuzz/run.sh" 60 2>&1 | tee "$log" || true
  # run.sh closes with "fuzz targets: R ran, C clean"; a target that found something failed.
  read -r ran clean < <(sed -n 's/^fuzz targets: \([0-9]*\) ran, \([0-9]*\) clean$/\1 \2/p' "$log") || true
  rm -f "$log"
  if [ -z "$ran" ]; then
    record fuzz 0 1
  else
    record fuzz "$clean" $((ran - clean))
  fi
}

step_linux32() {
  echo "== 32-bit Linux build of the reader and writer, tests under qemu user emulation"
  "$root/scripts/test-linux32.sh" "$build/linux32"
  record linux32 "$(cat "$build/linux32/.passed")" 0
}

step_win64() {
  echo "== 64-bit Windows build, every Windows test under 64-bit Wine"
  native_vexa
  configure_windows win64 x86_64
  # Building the tests may run a Windows program (the fake stub of a build without the stub).
  in_wine win64 cmake --build "$build/win64" -j "$jobs"
  run_ctest win64 "$build/win64" --wine win64 "${gui_retry[@]}"
}

step_win32() {
  local why=""
  native_vexa
  configure_windows win32 i686
  if why=$("$root/scripts/probe-32bit.sh"); then
    echo "== 32-bit Windows build (the shipped files): checked as built; its suite under 32-bit Wine"
  else
    echo "== 32-bit Windows build (the shipped files): checked as built; its suite under 32-bit Wine left out: $why"
  fi
  cmake --build "$build/win32" -j "$jobs"
  run_ctest win32-static "$build/win32" -L static
  if [ -z "$why" ]; then
    run_ctest win32-wine "$build/win32" --wine win32 -L wine "${gui_retry[@]}"
  else
    skipped=$((skipped + $(count_ctest "$build/win32" -L wine)))
  fi
}

step_install() {
  echo "== install into a temporary prefix, then vexa sfx (either width) from there without --stub"
  native_with_stubs
  cmake --build "$build/native" -j "$jobs" --target vexa vexa_man_page vexa_package_docs \
    vexa_shared vexa_static
  "$root/scripts/test-install.sh" "$build/native"
  # The reader library from an install, built by CMake and pkg-config as a user would (no
  # sanitizers).
  cmake -S "$root" -B "$build/native-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build/native-release" -j "$jobs"
  "$root/scripts/test-installed-library.sh" "$build/native-release"
  echo "install: ok"
}

step_stubs() {
  echo "== self-extractors of either width branded by the Linux vexa, read back by pefile and icoutils"
  native_with_stubs
  run_ctest stubs "$build/native" -L stubs
}

step_packages() {
  echo "== the packages (the Windows trees above reused); lintian on every .deb: no error, no warning"
  "$root/scripts/package.sh"
  lintian --fail-on error,warning --display-info "$build"/packages/*.deb
  echo "packages: ok"
}

step_demo() {
  echo "== the run command, end to end"
  "$root/scripts/demo.sh"
  echo "demo: ok"
}

steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=("${all_steps[@]}")
for step in "${steps[@]}"; do
  declare -F "step_$step" >/dev/null ||
    { echo "test: no step '$step' (steps: ${all_steps[*]})" >&2; exit 2; }
done

"$root/scripts/install-deps.sh"
for step in "${steps[@]}"; do
  current_step=$step
  began=$SECONDS
  "step_$step"
  took "$began"
done
current_step=""

echo
echo "Windows suites: 32-bit under Wine: $("$root/scripts/probe-32bit.sh" >/dev/null && echo ran || echo "left out (this machine cannot execute 32-bit code)")"
summary
[ "$failed" -eq 0 ]
