#!/usr/bin/env bash
# Makes the packages, in build/packages:
#   vexa_VERSION-REVISION_amd64.deb   the Linux vexa (built with Debian's hardening flags), both
#                                     stubs in /usr/share/vexa, the man page, the documents
#   libvexa1_VERSION-REVISION_amd64.deb     the reader library libvexa.so.1, in
#                                           /usr/lib/x86_64-linux-gnu (the multiarch directory)
#   libvexa-dev_VERSION-REVISION_amd64.deb  its headers, libvexa.so link, libvexa.a, pkg-config
#                                           file and CMake package
#   vexa-VERSION-win32.zip            the 32-bit vexa.exe, sfxstub.exe, sfxstub64.exe,
#                                     README.txt, LICENSE.txt and the runtime notices
#   vexa-VERSION-win64.zip            the same with the 64-bit vexa.exe
# Each stub is built once, by the Windows build of its width; the others take it through
# VEXA_STUB and VEXA_STUB64. Nothing here runs a Windows program, so no Wine is needed. Build
# trees that scripts/test.sh already made are reused.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VEXA_BUILD_DIR:-$root/build}
jobs=$(nproc)
out=$build/packages
stub32=$build/win32/sfx/sfxstub.exe
stub64=$build/win64/sfx/sfxstub.exe
# One fixed time for every file in the zips and the .deb: the last commit's, so that two runs
# give the same bytes.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH

"$root/scripts/install-package-deps.sh"
mkdir -p "$out"
launcher=()
command -v ccache >/dev/null &&
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure_windows() {
  local width=$1 toolchain=$2
  cmake -S "$root" -B "$build/$width" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$toolchain.cmake" \
    -DVEXA_STUB="$stub32" -DVEXA_STUB64="$stub64" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
}
# Runs a command quietly; its output is shown only when it fails.
quietly() {
  local log status=0
  log=$(mktemp)
  "$@" >"$log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return "$status"
}
build() { quietly cmake --build "$@" -j "$jobs"; }

echo "== Windows: both stubs, then vexa.exe and the zip of each width"
configure_windows win32 i686
configure_windows win64 x86_64
build "$build/win32" --target sfxstub
build "$build/win64" --target sfxstub
for width in win32 win64; do
  build "$build/$width" --target vexa vexa_dll vexa_msvc_import_library
  (cd "$build/$width" && quietly cpack -G ZIP -B "$out")
done

echo "== Linux: vexa with Debian's hardening flags, both stubs, the .deb"
# bench/hardening.sh measured what the flags cost the decoder (docs/figures.md).
mapfile -t debian_flags < <("$root/scripts/debian-flags.sh")
# The library, its pkg-config file and CMake package go in the multiarch directory
# (usr/lib/x86_64-linux-gnu), so that the packages of two architectures install side by side.
cmake -S "$root" -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_TESTS=OFF \
  "${launcher[@]}" "${debian_flags[@]}" -DVEXA_STUB="$stub32" -DVEXA_STUB64="$stub64" \
  -DCMAKE_INSTALL_LIBDIR="lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
build "$build/release" --target vexa vexa_man_page vexa_package_docs vexa_shared vexa_static
rm -f "$out"/*.deb
(cd "$build/release" && quietly cpack -G DEB -B "$out")

# Finishes what CPack (3.25) leaves undone, as debhelper would: no maintainer scripts calling
# ldconfig; the Multi-Arch field ("foreign" for vexa, which serves packages of any architecture
# alike; "same" for the library packages); no .comment section (compiler versions) in the
# programs and the shared library, and the static library without debugging information, as
# dh_strip leaves them; the md5sums made again. dpkg-deb rebuilds the package with root owning
# every file.
finish_deb() {
  local deb=$1 multi_arch=$2 tree
  tree=$(mktemp -d)
  rmdir "$tree"
  dpkg-deb -R "$deb" "$tree"
  chmod 0755 "$tree"
  sed -i "/^Architecture:/a Multi-Arch: $multi_arch" "$tree/DEBIAN/control"
  # CPack's postinst and postrm only run ldconfig; the library package's ldconfig trigger
  # (cmake/Packaging.cmake) does that job now. Anything else in them stops the build.
  for script in postinst postrm; do
    [ -f "$tree/DEBIAN/$script" ] || continue
    if grep -vqE '^(#!/bin/sh|set -e|if \[ "\$1" = "(configure|remove)" \]; then|\s*ldconfig|fi|)$' \
      "$tree/DEBIAN/$script"; then
      echo "package: $(basename "$deb"): $script does more than run ldconfig" >&2
      exit 1
    fi
    rm "$tree/DEBIAN/$script"
  done
  find "$tree/usr" -type f -exec sh -c 'case $(file -b "$1") in
      ELF*) objcopy --remove-section=.comment "$1" ;;
      "current ar archive"*) strip --strip-debug --remove-section=.comment \
        --remove-section=.note --enable-deterministic-archives "$1" ;;
    esac' _ {} \;
  (cd "$tree" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$tree/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zxz -z9 --build "$tree" "$deb" >/dev/null
  rm -rf "$tree"
}
for deb in "$out"/*.deb; do
  case $(dpkg-deb -f "$deb" Package) in
    vexa) finish_deb "$deb" foreign ;;
    libvexa*) finish_deb "$deb" same ;;
  esac
done

rm -rf "$out/_CPack_Packages"
made=()
for file in "$out"/*.deb "$out"/*.zip; do
  made+=("$(basename "$file") ($(($(stat -c %s "$file") / 1024)) KiB)")
done
echo "package: made in $out: $(IFS=,; echo "${made[*]}" | sed 's/,/, /g')"
