#!/usr/bin/env bash
# The run command: scripts/demo.sh [FOLDER]
# Installs what is missing, builds everything, packs FOLDER (the sample folder by default) into a
# self-extractor with `vexa sfx`, runs it under Wine (inside Xvfb when there is no display),
# extracts through its dialog into a temporary folder, checks the files and says where all is.
# The self-extractor is the 32-bit one where this machine executes 32-bit code, else the 64-bit
# one (64-bit Wine runs everywhere).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}

# Inside the display: drive the self-extractor through its dialog in an X11 Wine prefix.
if [ "${1:-}" = "--drive" ]; then
  width=$2 sfx=$3 dest=$4 picture=$5
  source "$root/scripts/wine-env.sh" "$build/wineprefix-x11" x11 "$width"
  trap stop_wine EXIT
  "$wine" "$build/$width/tests/sfx/sfx_drive.exe" "$sfx" "$dest/" "$picture" </dev/null
  exit
fi

folder=$(realpath "${1:-$root/samples/welcome}")
[ -d "$folder" ] || { echo "demo: $folder is not a folder" >&2; exit 2; }
jobs=$(nproc)

"$root/scripts/install-deps.sh"

if why=$("$root/scripts/probe-32bit.sh"); then
  width=win32 sfx_options=()
  echo "== the 32-bit self-extractor (this machine executes 32-bit code)"
else
  width=win64 sfx_options=(--x64)
  echo "== the 64-bit self-extractor: $why"
fi

echo "== building both self-extractor stubs (Windows) and vexa (Linux), the stubs beside it"
# Both widths build on any machine (only running them differs), so `vexa sfx` and
# `vexa sfx --x64` both work with the demo's vexa. Building runs no Windows program.
for stub_width in win32 win64; do
  toolchain=i686
  [ "$stub_width" = win64 ] && toolchain=x86_64
  targets=(sfxstub)
  [ "$stub_width" = "$width" ] && targets+=(sfx_drive)
  cmake -S "$root" -B "$build/$stub_width" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$toolchain.cmake" >/dev/null
  cmake --build "$build/$stub_width" -j "$jobs" --target "${targets[@]}" >/dev/null
done
cmake -S "$root" -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF \
  -DVEXA_STUB="$build/win32/sfx/sfxstub.exe" -DVEXA_STUB64="$build/win64/sfx/sfxstub.exe" >/dev/null
cmake --build "$build/release" -j "$jobs" --target vexa >/dev/null
vexa=$build/release/cli/vexa
for stub in sfxstub.exe sfxstub64.exe; do
  [ -f "$build/release/cli/$stub" ] || { echo "demo: $stub is not beside $vexa" >&2; exit 1; }
done

out=$build/demo
rm -rf "$out"
mkdir -p "$out"
sfx=$out/setup.exe
echo "== packing $folder"
"$vexa" sfx "${sfx_options[@]}" "$sfx" "$folder"  # the stub beside the program, as a user runs it
"$vexa" list "$sfx"

dest=$(mktemp -d "${TMPDIR:-/tmp}/vexa-demo.XXXXXX")
echo "== extracting with the self-extractor's dialog into $dest"
if [ -n "${DISPLAY:-}" ]; then
  "$0" --drive "$width" "$sfx" "$dest" "$out/dialog.bmp"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --drive "$width" "$sfx" "$dest" "$out/dialog.bmp"
fi
convert "$out/dialog.bmp" "$out/dialog.png"

echo "== checking the extracted files"
# Folders without any file below them are not stored; say which, then compare the files.
while IFS= read -r dir; do
  [ -n "$(find "$folder/$dir" -type f -print -quit)" ] || echo "not stored (no files inside): $dir/"
done < <(cd "$folder" && find . -mindepth 1 -type d | sed 's|^\./||' | sort)
extracted=$dest/$(basename "$folder")
if ! diff <(cd "$folder" && find . -type f | sort) <(cd "$extracted" && find . -type f | sort); then
  echo "demo: the extracted files are not the packed ones" >&2
  exit 1
fi
count=0
while IFS= read -r -d '' file; do
  cmp "$folder/$file" "$extracted/$file"
  count=$((count + 1))
done < <(cd "$folder" && find . -type f -print0)
echo "all $count files match"
echo
echo "self-extractor:  $sfx"
echo "extracted files: $dest/$(basename "$folder")"
echo "screenshot:      $out/dialog.png"
echo "vexa:            $vexa (sfxstub.exe and sfxstub64.exe beside it; or install them all: cmake --install $build/release --prefix DIR)"
