#!/usr/bin/env bash
# Installs what scripts/package.sh needs on a Debian machine, and nothing else (no Wine, no test
# tools), and removes nothing. Idempotent: when everything is present it returns in a moment.
set -euo pipefail

# Only the posix-thread MinGW-w64 compilers, the ones the toolchain files name: the
# g++-mingw-w64-* metapackages would add the win32-thread ones too (about 450 MiB). They bring
# mingw-w64-common and gcc-mingw-w64-base, whose copyright files the Windows zips ship as the
# notices of the runtime linked into the programs. dpkg-dev: dpkg-buildflags and dpkg-shlibdeps;
# file: CPack's dependency scan.
packages=(cmake ninja-build g++ g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix help2man
          dpkg-dev file lintian)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
echo "install-package-deps: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
