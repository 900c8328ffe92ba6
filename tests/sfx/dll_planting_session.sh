#!/usr/bin/env bash
# The attacker's test: a web page may drop a DLL into the Downloads folder beside a
# self-extractor. Every DLL the self-extractor loads during a whole run through its dialog
# (Browse included) and during a silent run that opens a file through the shell (--run of a
# file that is no program), and every DLL vexa.exe loads for list, test, extract and sfx, is planted
# beside the program in turn, under its own name and with Wine told to prefer a DLL from the
# program's folder for that name (Windows' order for a DLL that is not a KnownDLL). None may be
# loaded from there (the planted DLL writes NAME.planted when it is), and every run must still
# extract equal files.
#
# dll_planting_session.sh --wine LOADER --objdump OBJDUMP --drive sfx_drive.exe
#   --planted planted.dll --baseline dll_search_baseline.exe --stub sfxstub.exe --vexa vexa.exe
#   --work DIR
#
# The names come from Wine's loader trace (WINEDEBUG=+pid,+loaddll). A calibration program that
# imports only kernel32, user32 and the C runtime and restricts the search first is traced the
# same way: what it loads too, Wine loads before any program's first instruction; those names
# are listed and left out of the verdict.
set -euo pipefail
while [ $# -gt 0 ]; do
  case $1 in
    --wine) wine=$2 ;;
    --objdump) objdump=$2 ;;
    --drive) drive=$2 ;;
    --planted) planted=$2 ;;
    --baseline) baseline=$2 ;;
    --stub) stub=$2 ;;
    --vexa) vexa=$2 ;;
    --work) work=$2 ;;
    *) echo "dll_planting_session: unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done
for file in drive planted baseline stub vexa; do
  [ -f "${!file}" ] || { echo "dll_planting_session: no file ${!file} for --$file"; exit 2; }
  printf -v "$file" '%s' "$(realpath "${!file}")"
done
export LC_ALL=C.UTF-8
base_overrides=${WINEDLLOVERRIDES:-}
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
cd "$work"

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The DLLs a program image imports, lower case, one line.
imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | xargs; }

# The id of the process that loaded the program EXE (a file name) in a trace.
process_of() { grep -a ":trace:loaddll:.*Loaded L\".*\\\\$2\"" "$1" | head -n 1 | cut -d: -f1; }

# The DLL names (file names, lower case) that process PID loaded in a trace, programs left out.
names_loaded() {
  grep -a "^$2:[0-9a-f]*:trace:loaddll:" "$1" | sed -n 's/.*Loaded L"\([^"]*\)".*/\1/p' |
    sed 's/.*\\//' | tr 'A-Z' 'a-z' | grep -v '\.exe$' | sort -u || true
}

# Names in the first list that are not in the second.
without() { comm -23 <(printf '%s\n' $1 | sort -u) <(printf '%s\n' $2 | sort -u) | xargs; }

# Runs with Wine's loader trace on; its trace goes to FILE.
traced() {
  local file=$1
  shift
  WINEDEBUG=+pid,+loaddll "$@" 2>"$file"
}

# WINEDLLOVERRIDES that make Wine prefer a DLL from the program's folder for each NAME.
overrides_for() {
  local overrides=$base_overrides name
  for name in "$@"; do overrides="${overrides:+$overrides;}${name%.dll}=n,b"; done
  echo "$overrides"
}

# Fails when a planted DLL left a marker in FOLDER, naming it and the program that loaded it.
expect_no_marker() {
  local what=$1 folder=$2 marker loaded=""
  for marker in "$folder"/*.planted; do
    [ -e "$marker" ] && loaded+=" $(basename "$marker" .planted) by $(cat "$marker");"
  done
  [ -z "$loaded" ] && echo "ok   $what: none loaded, the run completed" ||
    fail "$what: loaded$loaded"
}

# Plants each NAME in turn beside a program: PREPARE FOLDER lays the folder out, RUN FOLDER runs
# the program there and must succeed with equal files; no planted DLL may be loaded.
plant_each() {
  local program=$1 prepare=$2 run=$3 name folder
  shift 3
  for name in "$@"; do
    folder=$program-$name
    $prepare "$folder"
    cp "$planted" "$folder/$name"
    WINEDLLOVERRIDES=$(overrides_for "$name") $run "$folder" ||
      fail "$program with $name planted: the run did not complete with equal files"
    expect_no_marker "$program, $name planted" "$folder"
  done
}

# The files to extract: a few sizes and a folder.
mkdir -p src/docs
printf 'hello\n' >src/readme.txt
head -c 300000 /dev/urandom >src/docs/data.bin
printf 'a name with spaces\n' >"src/docs/two words.txt"
mkdir clean
cp "$stub" clean/sfxstub.exe
"$wine" "$vexa" sfx -q -s clean/sfxstub.exe clean/setup.exe src >/dev/null 2>&1 ||
  { echo "dll_planting_session: vexa.exe sfx could not make the self-extractor"; exit 1; }

# --- Calibration -------------------------------------------------------------------------
found=$(imports "$baseline")
if [ "$found" != "kernel32.dll msvcrt.dll user32.dll" ]; then
  echo "dll_planting_session: the calibration program imports $found, expected kernel32.dll" \
    "msvcrt.dll user32.dll"
  exit 1
fi
traced calibration.log "$wine" "$baseline" ||
  { echo "dll_planting_session: the calibration program failed:"; untraced calibration.log; exit 1; }
wine_own=$(names_loaded calibration.log "$(process_of calibration.log "$(basename "$baseline")")")
[ -n "$wine_own" ] || { echo "dll_planting_session: no trace of the calibration program"; exit 1; }
echo "Wine's own (any program loads them, left out): $(echo $wine_own)"

# --- The self-extractor ------------------------------------------------------------------
# Drives a whole extraction with a Browse of the self-extractor in FOLDER into FOLDER-out.
drive_in() {
  local folder=$1
  rm -rf "$folder-out"
  timeout 300 "$wine" "$drive" --browse --show-pid "$work/$folder/setup.exe" "$work/$folder-out" - \
    >"$folder.drive" || return 1
  diff -r src "$folder-out/src" >/dev/null
}

stub_folder() {
  mkdir "$1"
  cp clean/setup.exe "$1/"
}

stub_folder traced-stub
# What a traced run said besides the trace, when it failed.
untraced() { grep -ahv ":trace:" "$@" | tail -n 20; }

traced traced-stub.log drive_in traced-stub || {
  echo "dll_planting_session: the traced run of the self-extractor failed:"
  untraced traced-stub.log
  exit 1
}
stub_process=$(sed -n 's/^process //p' traced-stub.drive | tr -d '\r')
stub_names=$(names_loaded traced-stub.log "$stub_process")
echo "The self-extractor loads: $(echo $stub_names)"
stub_planted=$(without "$stub_names" "$wine_own")
echo "Planted beside it in turn: $stub_planted"
plant_each sfxstub stub_folder drive_in $stub_planted

# --- The self-extractor, silent, opening a file that is no program through the shell ------
# Made with --run "setup.msi /qn": the shell (shell32, and ole32 through its delayed imports)
# starts whatever opens the file. The run's exit code is that program's; the extracted file
# must be there and no planted DLL loaded.
mkdir -p src-shell shell-clean
printf 'not really a package\n' >src-shell/setup.msi
"$wine" "$vexa" sfx -q -s clean/sfxstub.exe --switches --run "setup.msi /qn" \
  shell-clean/setup.exe src-shell/. >/dev/null 2>&1 ||
  { echo "dll_planting_session: vexa.exe sfx could not make the --run self-extractor"; exit 1; }
shell_in() {
  local folder=$1
  rm -rf "$folder-out"
  (cd "$folder" && timeout 300 "$wine" ./setup.exe /S "/D=Z:${work//\//\\}\\$folder-out") || true
  cmp -s src-shell/setup.msi "$folder-out/setup.msi"
}
shell_folder() {
  mkdir "$1"
  cp shell-clean/setup.exe "$1/"
}
shell_folder traced-shell
traced traced-shell.log shell_in traced-shell || {
  echo "dll_planting_session: the traced silent run with --run failed:"
  untraced traced-shell.log
  exit 1
}
shell_names=$(names_loaded traced-shell.log "$(process_of traced-shell.log setup.exe)")
echo "The silent self-extractor opening setup.msi loads: $(echo $shell_names)"
shell_planted=$(without "$shell_names" "$wine_own")
echo "Planted beside it in turn: $shell_planted"
plant_each sfxstub-shell shell_folder shell_in $shell_planted

# --- vexa.exe ----------------------------------------------------------------------------
# Lists, tests, extracts and makes a self-extractor with vexa.exe from FOLDER, as its current
# directory; the extracted files must equal the originals. With TRACE, each command's loader
# trace goes to TRACE.N.
vexa_in() {
  local folder=$1 trace=${2:-} n=0 command
  rm -rf "$folder/out" "$folder/made.exe"
  for command in "list setup.exe" "test setup.exe" "extract -q -o out setup.exe" \
                 "sfx -q -s sfxstub.exe made.exe ../src"; do
    n=$((n + 1))
    if [ -n "$trace" ]; then
      (cd "$folder" && traced "$trace.$n" "$wine" ./vexa.exe $command >/dev/null) || return 1
    else
      (cd "$folder" && "$wine" ./vexa.exe $command >/dev/null 2>&1) || return 1
    fi
  done
  diff -r src "$folder/out/src" >/dev/null && [ -s "$folder/made.exe" ]
}

vexa_folder() {
  mkdir "$1"
  cp "$vexa" "$1/vexa.exe"
  cp clean/sfxstub.exe clean/setup.exe "$1/"
}

vexa_folder traced-vexa
vexa_in traced-vexa "$work/traced-vexa.log" || {
  echo "dll_planting_session: the traced runs of vexa.exe failed:"
  untraced traced-vexa.log.*
  exit 1
}
vexa_names=$(for log in traced-vexa.log.*; do names_loaded "$log" "$(process_of "$log" vexa.exe)"; done |
  sort -u)
echo "vexa.exe loads: $(echo $vexa_names)"
vexa_planted=$(without "$vexa_names" "$wine_own")
echo "Planted beside it in turn: ${vexa_planted:-none, it loads no DLL beyond those}"
plant_each vexa vexa_folder vexa_in $vexa_planted
# And all the self-extractor's names at once, which a console program has no reason to load.
if [ -n "$stub_planted" ]; then
  vexa_folder vexa-all
  for name in $stub_planted; do cp "$planted" "vexa-all/$name"; done
  WINEDLLOVERRIDES=$(overrides_for $stub_planted) vexa_in vexa-all ||
    fail "vexa with every name planted: the run did not complete with equal files"
  expect_no_marker "vexa, every name above planted at once" vexa-all
fi

if [ "$failures" -gt 0 ]; then
  echo "dll_planting_session: $failures failures"
  exit 1
fi
echo "dll_planting_session: no planted DLL was loaded"
