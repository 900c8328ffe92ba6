#!/usr/bin/env bash
# Interrupts the built program part way through a large entry and checks what is left on disk:
# nothing under the final names and no temporary files; a second run then completes.
# Usage: interrupt_session.sh VEXA WORK STUB [EMULATOR [SIGNALS]]
# Under Wine only SIGINT is sent: Wine hands it to the program as Ctrl+C.
set -euo pipefail
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

# Waits until a file matching the pattern exists and holds some bytes, while the job runs. A
# pattern in a folder also matches a file the job holds open there without a name (Linux
# extracts into a file made with O_TMPFILE, named only once complete).
wait_for_partial() {
  local pid=$1 pattern=$2 folder fd
  folder=$(dirname "$pattern")
  for _ in $(seq 1 600); do
    for f in $pattern; do
      if [ -s "$f" ]; then return 0; fi
    done
    if [ "$folder" != . ]; then
      for fd in /proc/"$pid"/fd/*; do
        case $(readlink "$fd" 2>/dev/null) in
          "$PWD/$folder/"*) if [ -s "$fd" ]; then return 0; fi ;;
        esac
      done
    fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# Interrupts a command once its file is part written; returns the command's status.
interrupt() {
  local signal=$1 pattern=$2
  shift 2
  # exec: the job's pid must be the program's, not that of a subshell waiting for it
  (exec env --default-signal=INT $emulator "$vexa" "$@") &
  local pid=$!
  wait_for_partial "$pid" "$pattern" || fail "$* finished or wrote nothing before the signal"
  kill "-$signal" "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -ne 0 ] || fail "$* exited 0 after SIG$signal"
}

# Incompressible content keeps the encoder and the decoder busy long enough to interrupt.
head -c 24000000 /dev/urandom >big.bin
run create -q whole.vexa big.bin

for signal in $signals; do
  rm -rf out
  interrupt "$signal" 'out/.vexa-*.part' extract -q whole.vexa -o out
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
