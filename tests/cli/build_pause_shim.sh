#!/usr/bin/env bash
# build_pause_shim.sh LOADER OUTPUT: builds pause_after_first_write.c as a shared object of the
# ELF class of LOADER, the program whose process the shim is preloaded into (the tool itself
# natively, Wine's loader for a Windows program), and checks the class of what it built.
# The dynamic loader ignores a preloaded object of the other class with a mere warning, so a
# shim of the wrong class would let the job run through and the test fail for the wrong reason:
# the check here says so at once instead.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
loader=$1
output=$2

# The fifth byte of an ELF file: 1 for 32-bit, 2 for 64-bit; nothing for other files.
elf_class() {
  [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = '177ELF' ] || return 0
  od -An -tu1 -j4 -N1 "$1" | tr -d ' '
}

# A loader named without a path (`wine`) is looked up; a launcher script stands for the ELF
# program it starts, which Wine names in WINELOADER.
path=$(command -v "$loader" || true)
[ -n "$path" ] || { echo "build_pause_shim: no program $loader" >&2; exit 1; }
path=$(readlink -f "$path")
class=$(elf_class "$path")
if [ -z "$class" ] && [ -n "${WINELOADER:-}" ]; then
  path=$(readlink -f "$WINELOADER")
  class=$(elf_class "$path")
fi
case $class in
  1) bits=32 ;;
  2) bits=64 ;;
  *) echo "build_pause_shim: cannot tell whether $path is a 32- or 64-bit program" >&2; exit 1 ;;
esac

cc -m$bits -shared -fPIC -O2 -o "$output" "$here/pause_after_first_write.c" -ldl || {
  echo "build_pause_shim: cannot build a $bits-bit shim for $path (the $bits-bit C library" \
    "for development is missing: Debian package g++-multilib)" >&2
  exit 1
}
built=$(elf_class "$output")
[ "$built" = "$class" ] || {
  echo "build_pause_shim: built a shim of ELF class $built for $path, of class $class" >&2
  exit 1
}
echo "$bits"
