#!/usr/bin/env bash
# screenshot.sh SCREENSHOT-PROGRAM STUB WORK-FOLDER OUTPUT.png
# Runs the screenshot program under Xvfb in a Wine prefix of its own that uses the X11 driver
# (the test prefix has no display driver; a 64-bit program gets a 64-bit prefix), and converts
# the capture to PNG.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

if [ "${1:-}" = "--inside-display" ]; then
  program=$2 stub=$3 work=$4
  source "$root/scripts/wine-env.sh" "$work/wineprefix-x11" x11 "$("$root/scripts/pe-width.sh" "$program")"
  trap stop_wine EXIT
  "$wine" "$program" "$stub" "$work/run" "$work/sfx-dialog.bmp" </dev/null
  exit
fi

program=$1 stub=$2 work=$3 output=$4
mkdir -p "$work" "$(dirname "$output")"
rm -f "$work/sfx-dialog.bmp"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-display "$program" "$stub" "$work"
convert "$work/sfx-dialog.bmp" "$output"
echo "screenshot: $output"
