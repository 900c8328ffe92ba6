#!/usr/bin/env bash
# The runner of the documents' examples fails a document whose command fails or whose shown
# output differs, and passes one that is right: a table of small documents, each with the
# runner's expected exit status.
#
#     run_examples_test.sh PYTHON RUNNER WORK
set -euo pipefail
python=$1 runner=$2 work=$3
rm -rf "$work"
mkdir -p "$work/source/samples" "$work/source/examples" "$work/source/scripts" "$work/bin"
fence='```'
# name|expected status|document text (\n for new lines)
cases=(
  "passes|0|${fence}sh run\ntest -d samples && echo hi >made.txt\n${fence}\n${fence}console run\n\$ cat made.txt\nhi\n\$ seq 1 3\n1\n...\n${fence}"
  "sh block fails|1|${fence}sh run\ntrue\nfalse\necho never\n${fence}"
  "command fails|1|${fence}console run\n\$ ls no-such-file >/dev/null 2>&1\n${fence}"
  "output differs|1|${fence}console run\n\$ echo one\ntwo\n${fence}"
  "output missing|1|${fence}console run\n\$ echo one\n${fence}"
  "other tag only|2|${fence}sh run=library\nfalse\n${fence}\n${fence}sh\nfalse\n${fence}"
)
failed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name expected text <<<"$entry"
  printf '%b\n' "$text" >"$work/doc.md"
  status=0
  "$python" "$runner" --tag vexa --bin "$work/bin" --build "$work" --source "$work/source" \
    "$work/doc.md" >"$work/out.txt" 2>&1 || status=$?
  if [ "$status" != "$expected" ]; then
    echo "run_examples: '$name' exited $status, expected $expected:" >&2
    cat "$work/out.txt" >&2
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "run_examples: ${#cases[@]} documents gave the expected verdicts"
exit "$failed"
