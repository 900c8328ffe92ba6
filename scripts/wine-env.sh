# Sourced, with the prefix folder as $1: a private, quiet, display-free Wine prefix and one
# persistent wineserver for the whole run (stopped by stop_wine, which callers put in a trap).
# With "x11" as $2 the prefix uses the X11 driver instead, for pictures under Xvfb.
# An absolute path: Wine ignores a relative WINEPREFIX part way through the set-up below.
wine_prefix_dir=$(realpath -m "$1")
wine_graphics=${2:-null}
export WINEPREFIX=$wine_prefix_dir
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="

_wine_reg() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }

if [ ! -f "$WINEPREFIX/.vexa-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  _wine_reg 'HKCU\Software\Wine\Drivers' Graphics "$wine_graphics"
  _wine_reg 'HKCU\Software\Wine\X11 Driver' Managed N
  _wine_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' Debugger ''
  _wine_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' Auto 1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  touch "$WINEPREFIX/.vexa-ready"
fi

# Keep one server alive; its helpers inherit stdout, so warm it with output sent away.
wineserver -p >/dev/null 2>&1 || true  # one may already serve this prefix
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
