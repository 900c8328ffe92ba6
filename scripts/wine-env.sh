# Sourced, with the prefix folder as $1: a private, quiet, display-free Wine prefix and one
# persistent wineserver for the whole run (stopped by stop_wine, which callers put in a trap),
# under a UTF-8 locale.
# With "x11" as $2 the prefix uses the X11 driver instead, for pictures under Xvfb.
# $3 is the width of the Windows programs to run: win32 (the default) or win64. Each width has
# its own prefix folder (the name gets a "-win64" suffix), and every Wine call goes through the
# loader of that width, $wine: with 32-bit Wine installed, plain `wine` always starts the 32-bit
# loader, and settings written by it would land in a 64-bit prefix's 32-bit registry view.
wine_arch=${3:-win32}
wine_suffix=""
[ "$wine_arch" = win64 ] && wine_suffix=-win64
# An absolute path: Wine ignores a relative WINEPREFIX part way through the set-up below.
wine_prefix_dir=$(realpath -m "$1$wine_suffix")
wine_graphics=${2:-null}
case $wine_arch in
  win32) wine=/usr/lib/wine/wine ;;
  win64) wine=/usr/lib/wine/wine64 ;;
  *) echo "wine-env.sh: unknown width $wine_arch (win32 or win64)" >&2; return 2 ;;
esac
[ -x "$wine" ] || wine=$(command -v wine)
# Wine turns ANSI names into Unix ones through the locale: under C or POSIX a name with a byte
# above 0x7F cannot be created ("Invalid argument"). C.UTF-8 is part of Debian's libc (no locale
# package needed), and gives the ANSI code page 1252. Everything started from here inherits it,
# the builds and CTest included, whatever the caller's locale.
export LC_ALL=C.UTF-8
export WINEPREFIX=$wine_prefix_dir
export WINEDEBUG=-all
export WINEARCH=$wine_arch
export WINELOADER=$wine
export WINEDLLOVERRIDES="mscoree,mshtml="

_wine_reg() { "$wine" reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }

if [ ! -f "$WINEPREFIX/.vexa-ready" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 </dev/null
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
"$wine" cmd /c exit >/dev/null 2>&1 </dev/null || true

stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
