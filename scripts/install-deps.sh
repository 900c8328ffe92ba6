#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine.
# Idempotent: when everything is present it returns in a moment.
# 32-bit Wine is installed only where the machine executes 32-bit x86 code; elsewhere the 64-bit
# Windows build runs under 64-bit Wine and the 32-bit reader under qemu user emulation.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(cmake ninja-build g++ googletest libgtest-dev zlib1g-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth imagemagick
          g++-multilib qemu-user-static
          python3-pefile clang-format clang libclang-rt-14-dev
          help2man man-db osslsigncode openssl dpkg-dev file icoutils lintian pkg-config)
can_run_32bit=0
"$root/scripts/probe-32bit.sh" >/dev/null && can_run_32bit=1
[ "$can_run_32bit" -eq 1 ] && packages+=(wine32:i386)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# With 32-bit Wine installed, `wine` always starts its 32-bit loader: where that cannot run, take
# it away so that `wine` is the 64-bit loader.
if [ "$can_run_32bit" -eq 0 ] && installed wine32:i386; then
  echo "install-deps: removing wine32:i386, which this machine cannot execute"
  "${sudo_cmd[@]}" apt-get remove -y -qq wine32:i386 >/dev/null
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$can_run_32bit" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
