#!/usr/bin/env bash
# Tells whether this machine executes 32-bit x86 programs natively: runs a tiny 32-bit Linux
# program (a hand-made ELF image, so that no 32-bit tool chain is needed to ask) that exits
# with 42. Exit status 0 when it ran; otherwise 1 and the reason on standard output.
# A machine may refuse every 32-bit program ("Exec format error") although its kernel was built
# with 32-bit emulation, so the answer comes from a run, never from the kernel's configuration.
set -euo pipefail
probe=$(mktemp "${TMPDIR:-/tmp}/vexa-probe32.XXXXXX")
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment, then: mov eax, 1; mov ebx, 42; int 0x80 (exit(42)).
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
chmod +x "$probe"
# A 32-bit program handed to qemu through binfmt_misc runs, but 32-bit Wine does not run that way.
for entry in /proc/sys/fs/binfmt_misc/*; do
  if [ -f "$entry" ] && grep -q '^interpreter .*qemu-i386' "$entry" 2>/dev/null &&
    grep -q '^enabled' "$entry"; then
    echo "this machine cannot execute 32-bit x86 code (32-bit programs are handed to qemu)"
    exit 1
  fi
done
status=0
"$probe" 2>/dev/null || status=$?
if [ "$status" -eq 42 ]; then
  exit 0
fi
echo "this machine cannot execute 32-bit x86 code"
exit 1
