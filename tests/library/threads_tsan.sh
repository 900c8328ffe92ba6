#!/usr/bin/env bash
# The reader's thread promises under ThreadSanitizer: builds threads_test.cpp with the reader's
# own sources and -fsanitize=thread in WORK (a build of its own, whatever the calling build's
# sanitizers), packs a folder with VEXA and runs the test on it. A race report fails it.
#
#     threads_tsan.sh VEXA WORK
set -euo pipefail
vexa=$1
work=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
cxx=${CXX:-g++}
launcher=()
command -v ccache >/dev/null && launcher=(ccache)

rm -rf "$work"
mkdir -p "$work/objects" "$work/source/data/docs" "$work/out"
flags=(-std=c++20 -O1 -g -fsanitize=thread -I"$root/archive" -I"$root/archive/include"
  -I"$root/win32")
sources=("$here/threads_test.cpp" "$root/archive/c_interface.cpp")
for source in "$root"/archive/*.cpp; do
  case $source in */platform_win32.cpp | */c_interface.cpp) ;; *) sources+=("$source") ;; esac
done
# Two compilers at a time: the machine is shared.
for source in "${sources[@]}"; do
  "${launcher[@]}" "$cxx" "${flags[@]}" -c "$source" -o "$work/objects/$(basename "$source").o" &
  while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
done
wait
"$cxx" -fsanitize=thread "$work"/objects/*.o -o "$work/threads_test" -pthread

# A text of two 4 MiB blocks, and small files beside it.
seq 1 700000 >"$work/source/data/numbers.txt"
printf 'one\n' >"$work/source/data/docs/one.txt"
head -c 70000 /dev/urandom >"$work/source/data/docs/noise.bin"
"$vexa" create -q "$work/threads.vexa" "$work/source/data"
TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}" \
  "$work/threads_test" "$work/threads.vexa" "$work/source" "$work/out" 'data\numbers.txt'
