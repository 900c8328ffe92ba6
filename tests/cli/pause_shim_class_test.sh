#!/usr/bin/env bash
# The interrupt test's shim is built of the class of the process it is preloaded into, on any
# machine: a 32-bit loader (here a tiny 32-bit ELF image, which need not run), a 64-bit one, and
# a launcher script standing for the loader that WINELOADER names.
# Usage: pause_shim_class_test.sh WORK
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$1
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "pause_shim_class: $*" >&2; exit 1; }

# ELF header of a 32-bit x86 executable (class 1), padded: only its identification is read.
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' >loader32
head -c 64 /dev/zero >>loader32
cp "$(readlink -f /bin/sh)" loader64
printf '#!/bin/sh\nexec "$WINELOADER" "$@"\n' >launcher
chmod +x loader32 loader64 launcher

class_of() { od -An -tu1 -j4 -N1 "$1" | tr -d ' '; }

# loader, WINELOADER, expected width, expected ELF class of the shim
while read -r loader wineloader bits class; do
  [ "$wineloader" = - ] && wineloader=""
  rm -f shim.so
  got=$(WINELOADER=${wineloader:+$PWD/$wineloader} "$here/build_pause_shim.sh" "$PWD/$loader" shim.so) ||
    fail "no shim built for $loader"
  [ "$got" = "$bits" ] || fail "$loader: said $got-bit, expected $bits-bit"
  [ "$(class_of shim.so)" = "$class" ] || fail "$loader: the shim has ELF class $(class_of shim.so)"
done <<'CASES'
loader32 - 32 1
loader64 - 64 2
launcher loader32 32 1
launcher loader64 64 2
CASES

# A loader of no known class is refused with a message, not guessed.
if WINELOADER= "$here/build_pause_shim.sh" "$PWD/launcher" shim.so 2>err.txt; then
  fail "a script with no WINELOADER was taken for a loader"
fi
grep -q "cannot tell whether" err.txt || fail "unclear refusal: $(cat err.txt)"
echo "pause_shim_class: 5 cases passed"
