#!/usr/bin/env bash
# Memory and time of `vexa create` on many small files, against `tar -czf` in the same run:
#   bench/many_files.sh VEXA [WORK_DIR]
# Makes (once) 10,000 files of 0.1 to 19 KB (about 96 MB) and 100,000 files of 0 to 2 KB
# (about 100 MB) of word-like text, a fifth of them part noise, then prints wall time and peak
# resident memory of each command (GNU time) and the ratios to tar.
set -euo pipefail
vexa=$(realpath "$1")
work=${2:-${TMPDIR:-/tmp}/vexa-many-files}
mkdir -p "$work"
cd "$work"

if [ ! -f .made ]; then
  python3 - <<'PY'
import os, random
random.seed(1998)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 10)))
         for _ in range(3000)]
def text(n):
    out, size = [], 0
    while size < n:
        w = words[min(int(3000 ** random.random()) - 1, 2999)]
        out.append(w)
        size += len(w) + 1
    return ' '.join(out)[:n].encode()
def make(root, count, lo, hi, per_dir):
    for i in range(count):
        d = os.path.join(root, 'd%03d' % (i // per_dir))
        if i % per_dir == 0:
            os.makedirs(d, exist_ok=True)
        n = random.randint(lo, hi)
        data = text(n) if i % 5 else bytes(random.getrandbits(8) for _ in range(n // 4)) + text(n - n // 4)
        with open(os.path.join(d, 'f%06d.txt' % i), 'wb') as f:
            f.write(data)
make('tenk', 10000, 100, 19000, 500)
make('hundredk', 100000, 0, 2000, 1000)
PY
  touch .made
fi

# measure LABEL COMMAND...: prints seconds and peak KiB; leaves them in SECONDS_ and KIB_.
measure() {
  local label=$1
  shift
  /usr/bin/time -v -o time.txt "$@" >/dev/null 2>&1
  SECONDS_=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0;
                for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' time.txt)
  KIB_=$(awk -F': ' '/Maximum resident set size/ {print $2}' time.txt)
  printf '%-34s %8.2f s %10d KiB (%.1f MiB)\n' "$label" "$SECONDS_" "$KIB_" "$(echo "$KIB_/1024" | bc -l)"
}

tar -cf /dev/null tenk hundredk  # the files in the page cache for every command alike
for set in tenk hundredk; do
  echo "== $set: $(find $set -type f | wc -l) files, $(du -sb $set | cut -f1) bytes"
  measure "tar -czf" tar -czf "$set.tgz" "$set"
  tar_s=$SECONDS_ tar_kib=$KIB_
  measure "vexa create" "$vexa" create -q "$set.vexa" "$set"
  printf 'vexa / tar: time %.2fx, memory %.2fx; sizes: vexa %d, tar.gz %d\n' \
    "$(echo "$SECONDS_/$tar_s" | bc -l)" "$(echo "$KIB_/$tar_kib" | bc -l)" \
    "$(stat -c %s "$set.vexa")" "$(stat -c %s "$set.tgz")"
  rm -f "$set.vexa" "$set.tgz"
done
