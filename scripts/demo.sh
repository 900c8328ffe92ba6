#!/usr/bin/env bash
# The run command: scripts/demo.sh [FOLDER]
# Installs what is missing, builds everything, packs FOLDER (the sample folder by default) into a
# self-extractor with `vexa sfx`, runs it under Wine (inside Xvfb when there is no display),
# extracts through its dialog into a temporary folder, checks the files and says where all is.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}

# Inside the display: drive the self-extractor through its dialog in an X11 Wine prefix.
if [ "${1:-}" = "--drive" ]; then
  sfx=$2 dest=$3 picture=$4
  source "$root/scripts/wine-env.sh" "$build/wineprefix-x11" x11
  trap stop_wine EXIT
  wine "$build/win32/tests/sfx/sfx_drive.exe" "$sfx" "$dest/" "$picture" </dev/null
  exit
fi

folder=$(realpath "${1:-$root/samples/welcome}")
[ -d "$folder" ] || { echo "demo: $folder is not a folder" >&2; exit 2; }
jobs=$(nproc)

"$root/scripts/install-deps.sh"

echo "== building vexa (Linux) and the self-extractor stub (Windows)"
cmake -S "$root" -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF >/dev/null
cmake --build "$build/release" -j "$jobs" --target vexa >/dev/null
(
  source "$root/scripts/wine-env.sh" "$build/wineprefix"
  trap stop_wine EXIT
  cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
  cmake --build "$build/win32" -j "$jobs" --target sfxstub sfx_drive >/dev/null
)

out=$build/demo
rm -rf "$out"
mkdir -p "$out"
sfx=$out/setup.exe
echo "== packing $folder"
"$build/release/cli/vexa" sfx "$sfx" --stub "$build/win32/sfx/sfxstub.exe" "$folder"
"$build/release/cli/vexa" list "$sfx"

dest=$(mktemp -d "${TMPDIR:-/tmp}/vexa-demo.XXXXXX")
echo "== extracting with the self-extractor's dialog into $dest"
if [ -n "${DISPLAY:-}" ]; then
  "$0" --drive "$sfx" "$dest" "$out/dialog.bmp"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --drive "$sfx" "$dest" "$out/dialog.bmp"
fi
convert "$out/dialog.bmp" "$out/dialog.png"

echo "== checking the extracted files"
diff -r "$folder" "$dest/$(basename "$folder")"
echo "all $(find "$folder" -type f | wc -l) files match"
echo
echo "self-extractor:  $sfx"
echo "extracted files: $dest/$(basename "$folder")"
echo "screenshot:      $out/dialog.png"
