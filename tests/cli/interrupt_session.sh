#!/usr/bin/env bash
# Interrupts the built program part way through a large entry and checks what is left on disk:
# nothing under the final names and no temporary files; a second run then completes.
# Usage: interrupt_session.sh VEXA WORK STUB [EMULATOR [SIGNALS]]
# Under Wine only SIGINT is sent: Wine hands it to the program as Ctrl+C.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
vexa=$1
work=$2
stub=$3
emulator=${4:-}
signals=${5:-INT TERM}
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# A background job of a script starts with SIGINT ignored, and a program keeps what it
# inherits ignored (as it should, for nohup and the like): give it the default back.
run() { env --default-signal=INT $emulator "$vexa" "$@"; }
fail() {
  echo "interrupt_session: $*" >&2
  ls -laR "$work" >&2
  exit 1
}

# The job is held right after its first write into its output (pause_after_first_write.c,
# preloaded; under Wine into the Windows program's loader), so the signal always arrives part way
# through, whatever the machine's speed. The shim is built here with the system's C compiler, of
# the class of the process it goes into: 32-bit Wine runs a Windows program in a 32-bit process.
shim_loader=${emulator:-$vexa}
shim_bits=$("$here/build_pause_shim.sh" "${shim_loader%% *}" pause.so) || fail "no shim to hold the job"
echo "interrupt_session: holding the job with a $shim_bits-bit shim preloaded into ${shim_loader%% *}"
mkfifo paused.fifo
exec 3<>paused.fifo  # held open both ways: neither side blocks on opening it

# Waits until the job reports its first write to a file matching the pattern, or has ended.
wait_for_pause() {
  local pid=$1 token
  until read -r -t 1 -n 1 token <&3; do
    kill -0 "$pid" 2>/dev/null || return 1
  done
}

# Interrupts a command once its file is part written; returns the command's status.
interrupt() {
  local signal=$1 pattern=$2
  shift 2
  # exec: the job's pid must be the program's, not that of a subshell waiting for it. The
  # preloaded shim is not instrumented, so AddressSanitizer must not insist on coming first.
  (exec env --default-signal=INT LD_PRELOAD="$PWD/pause.so" VEXA_TEST_PAUSE_PATH="$PWD/$pattern" \
    VEXA_TEST_PAUSE_FIFO="$PWD/paused.fifo" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    $emulator "$vexa" "$@") &
  local pid=$!
  wait_for_pause "$pid" || fail "$* ended before writing its output"
  kill "-$signal" "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -ne 0 ] || fail "$* exited 0 after SIG$signal"
}

# Several blocks of incompressible content: the first write leaves every output incomplete.
head -c 24000000 /dev/urandom >big.bin
run create -q whole.vexa big.bin

for signal in $signals; do
  rm -rf out
  interrupt "$signal" 'out/*' extract -q whole.vexa -o out
  [ -z "$(ls -A out)" ] || fail "extract left files after SIG$signal: $(ls -A out)"
done
run extract -q whole.vexa -o out
cmp big.bin out/big.bin || fail "the rerun of extract did not give the whole file"

for signal in $signals; do
  interrupt "$signal" 'part.vexa.tmp*' create -q part.vexa big.bin
  leftovers=$(ls -A | grep '^part' || true)
  [ -z "$leftovers" ] || fail "create left $leftovers after SIG$signal"
done
run create -q part.vexa big.bin
cmp whole.vexa part.vexa || fail "the rerun of create did not give the whole archive"

for signal in $signals; do
  interrupt "$signal" 'setup.exe.tmp*' sfx -q --stub "$stub" setup.exe big.bin
  leftovers=$(ls -A | grep '^setup' || true)
  [ -z "$leftovers" ] || fail "sfx left $leftovers after SIG$signal"
done
run sfx -q --stub "$stub" setup.exe big.bin
run test -q setup.exe || fail "the rerun of sfx did not give a whole self-extractor"

cd /
rm -rf "$work"
