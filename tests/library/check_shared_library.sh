#!/usr/bin/env bash
# libvexa.so: its soname is libvexa.so.MAJOR, its file carries the project's version, and it
# exports the eight C functions and nothing else.
#
#     check_shared_library.sh LIBRARY VERSION
set -euo pipefail
library=$1
version=$2
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libvexa.so.${version%%.*}" ] || { echo "soname is '$soname'" >&2; exit 1; }
[ "$(basename "$(readlink -f "$library")")" = "libvexa.so.$version" ] ||
  { echo "the library file is not libvexa.so.$version" >&2; exit 1; }
exported=$(nm -D --defined-only "$library" | awk '{print $3}' | sort | tr '\n' ' ')
expected="vexa_CancelOperation vexa_CloseStream vexa_DecompressToFile vexa_EnumerateFiles \
vexa_GetErrorString vexa_GetFileInfo vexa_GetNumFiles vexa_OpenStream "
[ "$exported" = "$expected" ] || { echo "exports: $exported" >&2; exit 1; }
echo "$soname exports the eight C functions only"
