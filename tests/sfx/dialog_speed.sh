#!/usr/bin/env bash
# tests/sfx/dialog_speed.sh [COUNT...]   (default: 2000; REPEAT=3 runs of each, the best counts)
# Times the self-extractor extracting COUNT small files through its dialog under Wine against
# `vexa.exe extract` of the same exe, in one run, and prints both times and their ratio. The
# two take turns, so that a busy machine slows both alike. The files lie in 20 folders; each
# extraction goes into a fresh folder on disk. WIDTH=win32 or win64 picks the Windows build
# (build/WIDTH: sfxstub, sfx_drive, vexa); the default is win32 where this machine runs 32-bit
# code, else win64.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
counts=("${@:-2000}")
repeat=${REPEAT:-3}

width=${WIDTH:-$("$root/scripts/probe-32bit.sh" >/dev/null && echo win32 || echo win64)}
win=$build/$width
source "$root/scripts/wine-env.sh" "$build/wineprefix" null "$width"
trap 'stop_wine; rm -rf "$work"' EXIT
cmake --build "$win" -j 2 --target sfxstub sfx_drive vexa >/dev/null
work=$(mktemp -d "$build/dialog-speed.XXXXXX")

seconds() { date +%s.%N; }
# The smaller of the best time so far (empty at first) and a new one.
best() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

for count in "${counts[@]}"; do
  files=$work/files-$count
  for ((i = 0; i < count; i++)); do
    dir=$files/folder$((i % 20))
    [ -d "$dir" ] || mkdir -p "$dir"
    printf 'file %d of %d\n%*s\n' "$i" "$count" $((i % 700)) x >"$dir/f$i.txt"
  done
  exe=$work/setup-$count.exe
  "$wine" "$win/cli/vexa.exe" sfx -q -s "$win/sfx/sfxstub.exe" "$exe" "$files" \
    >/dev/null

  cli=
  dialog=
  for ((run = 0; run < repeat; run++)); do
    # Each goes first in turn, after the disk has settled from removing the last run's files.
    for tool in $([ $((run % 2)) = 0 ] && echo "cli dialog" || echo "dialog cli"); do
      rm -rf "${work:?}/$tool-$count"
      sync
      start=$(seconds)
      if [ "$tool" = cli ]; then
        "$wine" "$win/cli/vexa.exe" extract -q -o "$work/cli-$count" "$exe" >/dev/null
        cli=$(best "$cli" "$(echo "$(seconds) - $start" | bc)")
      else
        "$wine" "$win/tests/sfx/sfx_drive.exe" "$exe" "$work/dialog-$count" - >/dev/null
        dialog=$(best "$dialog" "$(echo "$(seconds) - $start" | bc)")
      fi
    done
    diff -r "$work/cli-$count" "$work/dialog-$count"
  done
  printf '%6d files: dialog %6.2f s, vexa.exe extract %6.2f s (best of %d), ratio %.2f\n' \
    "$count" "$dialog" "$cli" "$repeat" "$(echo "$dialog / $cli" | bc -l)"
  rm -rf "$files" "$work/cli-$count" "$work/dialog-$count" "$exe"
done
