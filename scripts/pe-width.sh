#!/usr/bin/env bash
# pe-width.sh PROGRAM.exe: prints win32 or win64, the Wine prefix width that runs the program
# (from the machine field of its PE header).
set -euo pipefail
file=$1
[ "$(head -c 2 "$file")" = MZ ] || { echo "pe-width.sh: $file: not a Windows program" >&2; exit 2; }
pe=$(od -An -t u4 -j 60 -N 4 "$file" | tr -d ' ')
machine=$(od -An -t x2 -j $((pe + 4)) -N 2 "$file" | tr -d ' ')
case $machine in
  014c) echo win32 ;;
  8664) echo win64 ;;
  *) echo "pe-width.sh: $file: not an x86 or x64 Windows program (machine $machine)" >&2; exit 2 ;;
esac
