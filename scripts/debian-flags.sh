#!/usr/bin/env bash
# Prints, one a line, the CMake arguments that build with Debian's compiler and linker flags
# with every hardening feature on (dpkg-buildflags): stack protector, fortified string and
# memory functions, read-only relocations resolved at start (relro, bind-now), format checks.
# The build type's own optimisation (-O3 for Release) still comes after them and wins.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Run from the sources: -ffile-prefix-map then maps their path to "." in the debug data.
flags() { (cd "$root" && dpkg-buildflags --get "$1"); }
echo "-DCMAKE_C_FLAGS=$(flags CPPFLAGS) $(flags CFLAGS)"
echo "-DCMAKE_CXX_FLAGS=$(flags CPPFLAGS) $(flags CXXFLAGS)"
echo "-DCMAKE_EXE_LINKER_FLAGS=$(flags LDFLAGS)"
echo "-DCMAKE_SHARED_LINKER_FLAGS=$(flags LDFLAGS)"
