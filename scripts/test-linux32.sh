#!/usr/bin/env bash
# test-linux32.sh BUILD_DIR: builds the reader and the writer with their unit tests for 32-bit
# Linux (-m32) and runs them under qemu user emulation twice: on an emulated processor with the
# carry-less multiply and on one without, so that the decoder's 32-bit loop and both 32-bit CRC
# paths run on any machine, also one that cannot execute 32-bit code.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
qemu=$(command -v qemu-i386-static) ||
  { echo "test-linux32: qemu-i386-static is missing (Debian package qemu-user-static)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/linux-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target archive_tests pack_tests
file -b "$build/tests/archive/archive_tests" | grep -q '^ELF 32-bit.*80386' ||
  { echo "test-linux32: the tests were not built for 32-bit x86" >&2; exit 1; }

total=0
# cpu, whether it has the carry-less multiply, and what to call it
for run in "max 1 with" "coreduo 0 without"; do
  read -r cpu carryless words <<<"$run"
  count=0
  for test in tests/archive/archive_tests tests/pack/pack_tests; do
    log=$(QEMU_CPU=$cpu VEXA_EXPECT_CARRYLESS=$carryless "$qemu" "$build/$test" --gtest_brief=1 2>&1) || {
      echo "$log"
      echo "test-linux32: $(basename "$test") failed on the emulated $cpu processor" >&2
      exit 1
    }
    count=$((count + $(echo "$log" | sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p')))
  done
  echo "32-bit reader and writer under qemu (cpu $cpu, $words carry-less multiply): $count tests passed"
  total=$((total + count))
done
echo "$total" >"$build/.passed"
