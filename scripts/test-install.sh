#!/usr/bin/env bash
# test-install.sh BUILD: installs the native build BUILD (configured with both stubs) into a
# temporary prefix and checks what a user gets: the files, `vexa sfx` of either width from there
# without --stub, and the man page's options and commands.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vexa-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/vexa share/vexa/sfxstub.exe share/vexa/sfxstub64.exe share/man/man1/vexa.1.gz \
  share/doc/vexa/README.md.gz share/doc/vexa/copyright; do
  [ -f "$prefix/$file" ] || fail "$file is missing"
done
for width in win32 win64; do
  option=()
  [ "$width" = win64 ] && option=(--x64)
  "$prefix/bin/vexa" sfx -q "${option[@]}" "$prefix/setup.exe" "$root/samples/welcome"
  "$prefix/bin/vexa" test -q "$prefix/setup.exe"
  [ "$("$root/scripts/pe-width.sh" "$prefix/setup.exe")" = "$width" ] ||
    fail "vexa sfx ${option[*]} did not make a $width self-extractor"
  rm "$prefix/setup.exe"
done
man_page=$(man -l "$prefix/share/man/man1/vexa.1.gz" 2>/dev/null)
for option in --x64 --icon --version-info; do
  grep -q -- "$option" <<<"$man_page" || fail "the man page lacks the sfx option $option"
done
for command in create list test extract sfx info; do
  zgrep -qx "\.SS $command" "$prefix/share/man/man1/vexa.1.gz" ||
    fail "the man page lacks the command $command"
done
