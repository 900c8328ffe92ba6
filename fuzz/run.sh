#!/usr/bin/env bash
# Fuzzes the reader, `vexa extract` and the branding of Windows programs with libFuzzer (clang,
# ASan + UBSan) for SECONDS per target:
#   fuzz/run.sh [SECONDS]
# Fails when a target finds a crash, a leak or an input slower than 10 s (libFuzzer then saves
# it as crash-*, leak-* or timeout-* in build/fuzz-artifacts/). New inputs land in
# build/fuzz-corpus/; copy interesting ones into fuzz/corpus/ to keep them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S "$root" -B "$build/fuzz" -G Ninja -DVEXA_FUZZ=ON -DVEXA_TESTS=OFF \
  -DVEXA_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
build_log=$(mktemp)
cmake --build "$build/fuzz" --target fuzz_block_decoder fuzz_archive fuzz_extract fuzz_pe_image \
  >"$build_log" 2>&1 ||
  { tail -n 40 "$build_log"; rm -f "$build_log"; exit 1; }
rm -f "$build_log"
mkdir -p "$build/fuzz-artifacts"
# Target, corpus folder, longest input, dictionary: program images need room for their headers
# and a few sections. Every target runs, also after one found something; the closing line counts.
ran=0
clean=0
for line in fuzz_block_decoder:block:4096:vexa fuzz_archive:archive:4096:vexa \
  fuzz_extract:extract:4096:vexa fuzz_pe_image:pe:16384:pe; do
  IFS=: read -r target corpus max_len dict <<<"$line"
  mkdir -p "$build/fuzz-corpus/$corpus"
  echo "== $target, $seconds s"
  log=$(mktemp)
  status=0
  "$build/fuzz/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -dict="$root/fuzz/$dict.dict" -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/" \
    "$build/fuzz-corpus/$corpus" "$root/fuzz/corpus/$corpus" >"$log" 2>&1 || status=$?
  grep -E 'DONE|^stat::(number_of_executed_units|average_exec_per_sec|slowest_unit)' "$log" || true
  ran=$((ran + 1))
  if [ "$status" -eq 0 ]; then
    clean=$((clean + 1))
  else
    tail -n 60 "$log"
    echo "fuzz: $target found something (exit $status)"
  fi
  rm -f "$log"
done
echo "fuzz targets: $ran ran, $clean clean"
[ "$clean" -eq "$ran" ]
