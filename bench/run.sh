#!/usr/bin/env bash
# Builds the benchmark optimised (no sanitizers) and runs it: bench/run.sh [TEXT_MIB]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}/bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF >/dev/null
cmake --build "$build" --target vexa_bench >/dev/null
"$build/bench/vexa_bench" "$@"
