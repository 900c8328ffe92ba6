#!/usr/bin/env bash
# The benchmark command: bench/run.sh
# Builds what it needs (optimised, no sanitizers; the Windows parts in build/win64 and, where
# this machine executes 32-bit code, build/win32), installs the peers it lacks (Debian's 7zip,
# unzip, zip, time, libz-mingw-w64-dev for both widths), measures every figure
# next to its peer in this one run and prints a table: the figure, its peer and the ratio.
#   decode      in-process decode with its CRC check, vexa speed / zlib speed (gzip -6, CRC)
#   extract     whole process, vexa time / peer time (best of 5, the programs taking turns)
#   stub dialog whole process under Wine, dialog (driven by tests/sfx's sfx_drive) time /
#               `vexa.exe extract` time
#   5-byte blocks  in-process, seconds per MB of content; ratio: ordinary blocks / 5-byte blocks
#   peak memory    maximum resident set of the whole process, vexa / peer
# Data sets (26 MB of man pages, of x86-64 shared libraries, and the two interleaved 1 MiB at a
# time) are built once into $build/bench-data. Set BENCH_SKIP_WINE=1 to leave out the Wine rows.
# Rows that cannot be measured on this machine are printed with the reason.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
data=$build/bench-data
work=$build/bench-work
shm=${BENCH_TMPFS:-/dev/shm}/vexa-bench-$$
rows=$work/rows.tsv
jobs=$(nproc)

need=()
for pair in 7zz:7zip unzip:unzip zip:zip /usr/bin/time:time; do
  command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
done
[ -f /usr/x86_64-w64-mingw32/lib/libz.a ] || need+=(libz-mingw-w64-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "== installing ${need[*]}"
  apt-get install -y -q "${need[@]}" >/dev/null 2>&1 ||
    { apt-get update -q >/dev/null && apt-get install -y -q "${need[@]}" >/dev/null; }
fi

echo "== building (native Release)"
cmake -S "$root" -B "$build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF >/dev/null
cmake --build "$build/bench" -j "$jobs" --target vexa_bench vexa >/dev/null
bench=$build/bench/bench/vexa_bench
vexa=$build/bench/cli/vexa

rm -rf "$work" && mkdir -p "$work" "$shm"
trap 'rm -rf "$shm"' EXIT
: >"$rows"
row() { printf 'row:\t%s\t%s\t%s\t%s\n' "$@" >>"$rows"; }

echo "== data sets"
"$root/bench/datasets.sh" "$data"
"$bench" prepare "$data" text binaries mix
sync  # the files just written go to disk now, not during the first measurements

echo "== in-process decode, 64-bit"
"$bench" decode "$data" text binaries mix | tee -a "$rows"

echo "== 5-byte blocks"
"$bench" tiny "$work" | tee -a "$rows"

# Best elapsed seconds of a command over $tries tries (3 unless set); `prepare` (not timed)
# runs before each try.
best_time() {
  local prepare=$1 best="" t
  shift
  for ((try = 0; try < ${tries:-3}; ++try)); do
    eval "$prepare"
    /usr/bin/time -f '%e' -o "$work/time.out" "$@" >/dev/null 2>&1
    t=$(tail -1 "$work/time.out")
    best=$(echo "$t ${best:-$t}" | awk '{print ($1 < $2) ? $1 : $2}')
  done
  echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

echo "== 10,000 small files: archives"
files=$work/files
"$bench" files "$files/set" 10000 "$data/text.bin"
(cd "$files" && "$vexa" create -q "$work/set.vexa" set &&
  7zz a -bso0 -bsp0 "$work/set.7z" set && zip -qr "$work/set.zip" set &&
  tar -czf "$work/set.tar.gz" set)

echo "== 10,000 small files: extraction"
# Seconds one run of a command takes, to the millisecond.
elapsed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
for place in tmpfs disk; do
  out=$work/out
  [ "$place" = tmpfs ] && out=$shm/out
  clean="rm -rf '$out'; mkdir -p '$out'; sync"
  # On disk the last try's folder is moved aside, not deleted: file creation right after a
  # large delete spends most of its time on the freed inodes, for every program alike, and
  # the figures then swing from run to run. The folders go once all tries are done.
  [ "$place" = disk ] && clean="[ ! -e '$out' ] || mv '$out' \$(mktemp -u '$out.old.XXXXXX'); mkdir -p '$out'; sync"
  # The programs take turns, try after try, so that a slow spell of the machine or of the file
  # system falls on all of them alike; each keeps its best time.
  declare -A best=()
  for ((try = 0; try < ${tries:-5}; ++try)); do
    for program in vexa "7zz x" unzip "tar -xzf"; do
      eval "$clean"
      case $program in
        vexa) t=$(elapsed "$vexa" extract -q -o "$out" "$work/set.vexa") ;;
        "7zz x") t=$(elapsed 7zz x -y -bso0 -bsp0 "-o$out" "$work/set.7z") ;;
        unzip) t=$(elapsed unzip -q "$work/set.zip" -d "$out") ;;
        *) t=$(elapsed tar -xzf "$work/set.tar.gz" -C "$out") ;;
      esac
      best[$program]=$(awk -v a="$t" -v b="${best[$program]:-$t}" 'BEGIN { print (a < b) ? a : b }')
    done
  done
  for peer in "7zz x" unzip "tar -xzf"; do
    row "extract 10,000 files, $place, vs $peer" "vexa ${best[vexa]} s" "$peer ${best[$peer]} s" \
      "$(ratio "${best[vexa]}" "${best[$peer]}")"
  done
  unset best
done
rm -rf "$work"/out "$work"/out.old.* "$shm/out"

echo "== peak memory, 100 MB archive"
"$bench" archive "$work" big 100000000
(cd "$work" && mkdir -p bigset && mv big.bin bigset/big.bin &&
  7zz a -bso0 -bsp0 big.7z bigset && zip -qr big.zip bigset && tar -czf big.tar.gz bigset)
# Maximum resident set in MB of one run, its output removed afterwards.
peak() {
  local kb
  rm -rf "$work/out" && mkdir -p "$work/out"
  /usr/bin/time -f '%M' -o "$work/time.out" "$@" >/dev/null 2>&1
  kb=$(tail -1 "$work/time.out")
  rm -rf "$work/out"
  awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }'
}
mv=$(peak "$vexa" extract -q -o "$work/out" "$work/big.vexa")
for peer in "7zz x" unzip "tar -xzf"; do
  case $peer in
    "7zz x") p=$(peak 7zz x -y -bso0 -bsp0 "-o$work/out" "$work/big.7z") ;;
    unzip) p=$(peak unzip -q "$work/big.zip" -d "$work/out") ;;
    *) p=$(peak tar -xzf "$work/big.tar.gz" -C "$work/out") ;;
  esac
  row "peak memory, 100 MB archive, vs $peer" "vexa ${mv} MB" "$peer ${p} MB" "$(ratio "$mv" "$p")"
done

# Windows rows, for each width: in-process decode under Wine against zlib built for Windows of
# that width, and the stub's dialog against vexa.exe extract. A width this machine cannot run is
# named in the table with the reason.
windows_rows() {
  local width=$1 bits toolchain win
  case $width in
    win32) bits=32 toolchain=i686 ;;
    *) bits=64 toolchain=x86_64 ;;
  esac
  echo "== Windows build (build/$width) and $bits-bit Wine"
  (
    source "$root/scripts/wine-env.sh" "$build/wineprefix-bench" null "$width"
    trap stop_wine EXIT
    cmake -S "$root" -B "$build/$width" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$toolchain.cmake" >/dev/null
    cmake --build "$build/$width" -j "$jobs" --target vexa_bench sfx_drive sfxstub vexa >/dev/null
    win=$build/$width

    echo "== in-process decode, $bits-bit under Wine"
    "$wine" "$win/bench/vexa_bench.exe" decode "$("$wine" winepath -w "$data")" text binaries mix </dev/null |
      tr -d '\r' | sed "s/^row:\tdecode /row:\tdecode $bits-bit under Wine, /" | tee -a "$rows"

    echo "== the $bits-bit stub's dialog under Wine"
    # Both whole Wine processes: sfx_drive starts the self-extractor, types the destination,
    # presses Extract, answers its questions and closes it; vexa.exe extracts the same file.
    for count in 2000 10000; do
      dir=$work/sfx$count-$width
      mkdir -p "$dir"
      if [ "$count" = 10000 ]; then
        src=$files
        label="10,000 files"
      else
        src=$work/files$count
        label="2,000 files"
        [ -d "$src/set" ] || "$bench" files "$src/set" "$count" "$data/text.bin"
      fi
      (cd "$src" && "$vexa" sfx -q --stub "$win/sfx/sfxstub.exe" "$dir/setup.exe" set)
      d=$(tries=1 best_time "rm -rf '$dir/dialog'; sync" \
        "$wine" "$win/tests/sfx/sfx_drive.exe" "$dir/setup.exe" "$dir/dialog/" -)
      t=$(tries=1 best_time "rm -rf '$dir/tool'; sync" \
        "$wine" "$win/cli/vexa.exe" extract -q -o "$("$wine" winepath -w "$dir/tool")" "$("$wine" winepath -w "$dir/setup.exe")")
      if [ -d "$dir/dialog/set" ]; then
        row "$bits-bit stub dialog, $label" "dialog ${d} s" "vexa.exe extract ${t} s" "$(ratio "$d" "$t")"
      else
        row "$bits-bit stub dialog, $label" "dialog failed after ${d} s" "vexa.exe extract ${t} s" "-"
      fi
      rm -rf "$dir"
    done
  )
}
not_measured() { row "$1" "not measured here: $2" "-" "-"; }

if [ "${BENCH_SKIP_WINE:-0}" = 1 ]; then
  not_measured "Windows rows (decode under Wine, stub dialog)" "BENCH_SKIP_WINE=1"
else
  windows_rows win64
  if why=$("$root/scripts/probe-32bit.sh"); then
    windows_rows win32
  else
    not_measured "decode 32-bit under Wine; 32-bit stub dialog" "$why"
  fi
fi

echo
echo "== results (ratio: see the head of bench/run.sh)"
{
  printf 'figure\tvexa\tpeer\tratio\n'
  sed 's/^row:\t//' "$rows"
} | column -t -s $'\t'
