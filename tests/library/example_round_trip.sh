#!/usr/bin/env bash
# Packs a folder with VEXA, then has each EXAMPLE (examples/list_extract.c built against one
# form of the library) list and extract it; what comes out must equal what went in, and the
# listing must name every entry. EMULATOR runs Windows programs (empty natively).
#
#     example_round_trip.sh EMULATOR VEXA WORK EXAMPLE...
set -euo pipefail
emulator=$1
vexa=$2
work=$3
shift 3
# Wine needs a UTF-8 locale for names beyond ASCII; there are none here, but keep it certain.
export LC_ALL=C.UTF-8
run() { if [ -n "$emulator" ]; then "$emulator" "$@"; else "$@"; fi; }

rm -rf "$work"
mkdir -p "$work/data/guide/deeper"
cd "$work"
# Two 4 MiB blocks and a piece, an empty file, binary bytes, folders three deep.
seq 1 1200000 >data/numbers.txt
: >data/empty.txt
head -c 100000 /dev/urandom >data/guide/noise.bin
printf 'one\r\ntwo\n' >data/guide/deeper/lines.txt
run "$vexa" create -q sample.vexa data

for example in "$@"; do
  name=$(basename "$example")
  rm -rf out
  run "$example" sample.vexa out >listing.txt ||
    { echo "$name: failed" >&2; cat listing.txt >&2; exit 1; }
  tr -d '\r' <listing.txt >listing.unix
  for entry in 'data\numbers.txt' 'data\empty.txt' 'data\guide\noise.bin' \
    'data\guide\deeper\lines.txt'; do
    grep -qF "$entry" listing.unix || { echo "$name: $entry not listed" >&2; exit 1; }
  done
  diff -r data out/data || { echo "$name: extracted files differ" >&2; exit 1; }
  echo "$name: listed and extracted $(wc -l <listing.unix) entries, equal to the originals"
done
# A file that holds no archive is refused with exit status 2.
set +e
run "$1" data/numbers.txt >/dev/null 2>&1
status=$?
set -e
[ "$status" = 2 ] || { echo "a file without an archive gave status $status, not 2" >&2; exit 1; }
