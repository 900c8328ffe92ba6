#!/usr/bin/env bash
# screenshot.sh SCREENSHOT-PROGRAM STUB WORK-FOLDER OUTPUT.png [DPI]
# Runs the screenshot program under Xvfb in a Wine prefix of its own that uses the X11 driver
# (the test prefix has no display driver; a 64-bit program gets a 64-bit prefix) and the given
# DPI (96 by default), converts the capture to PNG and keeps the dialog's layout beside it
# (OUTPUT.layout).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

if [ "${1:-}" = "--inside-display" ]; then
  program=$2 stub=$3 work=$4 dpi=$5
  width=$("$root/scripts/pe-width.sh" "$program")
  source "$root/scripts/wine-env.sh" "$work/wineprefix-x11" x11 "$width"
  trap stop_wine EXIT
  # Wine 8 takes the system DPI from HKCU\Control Panel\Desktop LogPixels when a process starts;
  # the server and the desktop are started again so that nothing keeps the old value.
  key='HKCU\Control Panel\Desktop'
  if ! "$wine" reg query "$key" /v LogPixels 2>/dev/null | grep -qi "0x$(printf %x "$dpi")\b"; then
    "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    stop_wine
    wineserver -w
    source "$root/scripts/wine-env.sh" "$work/wineprefix-x11" x11 "$width"
  fi
  "$wine" "$program" "$stub" "$work/run" "$work/sfx-dialog.bmp" </dev/null >"$work/sfx-dialog.layout"
  exit
fi

program=$1 stub=$2 work=$3 output=$4 dpi=${5:-96}
mkdir -p "$work" "$(dirname "$output")"
rm -f "$work/sfx-dialog.bmp" "$work/sfx-dialog.layout"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-display "$program" "$stub" "$work" "$dpi"
convert "$work/sfx-dialog.bmp" "$output"
cp "$work/sfx-dialog.layout" "${output%.png}.layout"
echo "screenshot: $output"
cat "${output%.png}.layout"
