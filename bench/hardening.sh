#!/usr/bin/env bash
# What Debian's hardening flags (scripts/debian-flags.sh, used for the packaged vexa) cost the
# decoder: the in-process decode of bench/run.sh, from a Release build without and one with the
# flags, in one run. The two take turns ROUNDS times (5 unless given) and each keeps its best
# figure per data set, so that other work on the machine weighs on both alike.
# Usage: bench/hardening.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
rounds=${1:-5}
data=$build/bench-data
sets=(text binaries mix)

mapfile -t debian_flags < <("$root/scripts/debian-flags.sh")
for variant in plain hardened; do
  args=()
  [ "$variant" = hardened ] && args=("${debian_flags[@]}")
  cmake -S "$root" -B "$build/bench-$variant" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVEXA_TESTS=OFF "${args[@]}" >/dev/null
  cmake --build "$build/bench-$variant" -j "$(nproc)" --target vexa_bench >/dev/null
done

"$root/bench/datasets.sh" "$data"
"$build/bench-plain/bench/vexa_bench" prepare "$data" "${sets[@]}"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((round = 1; round <= rounds; round++)); do
  for variant in plain hardened; do
    "$build/bench-$variant/bench/vexa_bench" decode "$data" "${sets[@]}" |
      sed "s/^row:/$variant/" >>"$results"
  done
done
# Lines: VARIANT <tab> decode SET <tab> N MB/s <tab> zlib ... ; best MB/s per variant and set.
awk -F'\t' '{ split($3, f, " "); key = $2; v = f[1] + 0
              if (v > best[$1, key]) best[$1, key] = v; names[key] = 1 }
     END { printf "%-16s %12s %12s %8s\n", "data set", "plain MB/s", "hardened", "ratio"
           for (k in names)
             printf "%-16s %12.1f %12.1f %8.3f\n", k, best["plain", k], best["hardened", k],
                    best["hardened", k] / best["plain", k] }' "$results"
