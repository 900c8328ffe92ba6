#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine.
# Idempotent: when everything is present it returns in a moment.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev zlib1g-dev
          g++-mingw-w64-i686 wine wine32:i386 xvfb xauth imagemagick
          python3-pefile clang-format clang libclang-rt-14-dev
          help2man man-db osslsigncode openssl dpkg-dev file)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
