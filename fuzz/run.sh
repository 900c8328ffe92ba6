#!/usr/bin/env bash
# Fuzzes the reader with libFuzzer (clang, ASan + UBSan): fuzz/run.sh [SECONDS]
# New inputs land in build/fuzz-corpus/; copy interesting ones into fuzz/corpus/ to keep them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}/fuzz
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DVEXA_FUZZ=ON -DVEXA_TESTS=OFF \
  -DVEXA_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_block_decoder fuzz_archive >/dev/null
for pair in fuzz_block_decoder:block fuzz_archive:archive; do
  target=${pair%%:*} corpus=${pair##*:}
  mkdir -p "$build/../fuzz-corpus/$corpus"
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len=4096 \
    "$build/../fuzz-corpus/$corpus" "$root/fuzz/corpus/$corpus"
done
