#!/usr/bin/env bash
# The reader library as its users take it: installs BUILD (a native build without sanitizers,
# all targets built) into a temporary prefix, builds examples/list_extract.c from there with
# CMake (find_package(vexa): shared and static) and with pkg-config (shared and static), and
# has each, and examples/list_extract.py through ctypes, list and extract an archive made by
# the installed vexa; the files must come back equal.
#
#     scripts/test-installed-library.sh BUILD
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/vexa-library.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name vexa.pc)")/..
for file in include/vexa_reader.h include/vexa_records.h; do
  [ -f "$prefix/$file" ] || { echo "installed library: $file is missing" >&2; exit 1; }
done

# As a user would: CMake with the package, and the compiler with pkg-config.
cmake -S "$root/examples" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake" >/dev/null
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc -std=c89 -pedantic -Wall -Wextra -Werror $(pkg-config --cflags vexa) \
  "$root/examples/list_extract.c" -o "$work/pc_shared" $(pkg-config --libs vexa)
# The static library alone, then what it needs (pkg-config --static lists it).
cc -std=c89 -pedantic -Wall -Wextra -Werror $(pkg-config --cflags vexa) \
  "$root/examples/list_extract.c" -o "$work/pc_static" \
  "$(pkg-config --variable=libdir vexa)/libvexa.a" $(pkg-config --static --libs-only-l vexa | sed 's/-lvexa//')
if readelf -d "$work/pc_static" | grep -q 'libvexa\.so'; then
  echo "installed library: the static build took libvexa.so" >&2
  exit 1
fi

mkdir -p "$work/data/sub"
seq 1 900000 >"$work/data/numbers.txt"
head -c 30000 /dev/urandom >"$work/data/sub/noise.bin"
(cd "$work" && "$prefix/bin/vexa" create -q sample.vexa data)
export LD_LIBRARY_PATH=$prefix/${libdir#"$prefix"/}
for program in "$work/cmake/list_extract" "$work/cmake/list_extract_static" "$work/pc_shared" \
  "$work/pc_static"; do
  rm -rf "$work/out"
  (cd "$work" && "$program" sample.vexa out >/dev/null)
  diff -r "$work/data" "$work/out/data" ||
    { echo "installed library: $(basename "$program") extracted other files" >&2; exit 1; }
done
ldd "$work/cmake/list_extract" | grep -q "$prefix" ||
  { echo "installed library: the CMake build did not take the installed libvexa.so" >&2; exit 1; }

VEXA_LIBRARY=$(ls "$LD_LIBRARY_PATH"/libvexa.so.1) python3 "$root/examples/list_extract.py" \
  "$work/sample.vexa" 'data\sub\noise.bin' "$work/noise.bin" >"$work/py.txt"
grep -qF 'data\numbers.txt' "$work/py.txt" && cmp "$work/noise.bin" "$work/data/sub/noise.bin" ||
  { echo "installed library: the ctypes example failed" >&2; cat "$work/py.txt" >&2; exit 1; }
echo "installed library: CMake package and pkg-config, shared and static, and ctypes: ok"
