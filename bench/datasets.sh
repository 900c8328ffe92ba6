#!/usr/bin/env bash
# Builds the three real-file sets of about 26 MB each into DIR (kept between runs):
#   text.bin      man pages, decompressed and concatenated
#   binaries.bin  x86-64 shared libraries
#   mix.bin       the two interleaved 1 MiB at a time
# Usage: bench/datasets.sh DIR
set -euo pipefail
dir=$1
size=$((26 * 1000 * 1000))
mkdir -p "$dir"

# Concatenates the files named on stdin, each through the command given, (sorted, so every run picks the same) up to $size bytes.
fill() {
  local out=$1 tmp=$1.part
  : >"$tmp"
  while IFS= read -r file; do
    "${@:2}" "$file" >>"$tmp" 2>/dev/null || true
    [ "$(stat -c %s "$tmp")" -ge "$size" ] && break
  done
  truncate -s "$size" "$tmp"
  mv "$tmp" "$out"
}

if [ ! -s "$dir/text.bin" ]; then
  fill "$dir/text.bin" zcat < <(find /usr/share/man/man[1-8] -name '*.gz' -type f | LC_ALL=C sort)
fi
if [ ! -s "$dir/binaries.bin" ]; then
  fill "$dir/binaries.bin" cat < <(find /usr/lib/x86_64-linux-gnu -maxdepth 1 -name '*.so*' \
    -type f -size +16k | LC_ALL=C sort)
fi
if [ ! -s "$dir/mix.bin" ]; then
  mib=$((1 << 20))
  chunks=$(((size + mib - 1) / mib))
  : >"$dir/mix.part"
  for ((i = 0; i < chunks; i += 2)); do
    dd if="$dir/text.bin" bs=$mib skip=$((i / 2)) count=1 status=none >>"$dir/mix.part"
    dd if="$dir/binaries.bin" bs=$mib skip=$((i / 2)) count=1 status=none >>"$dir/mix.part"
  done
  truncate -s "$size" "$dir/mix.part"
  mv "$dir/mix.part" "$dir/mix.bin"
fi
