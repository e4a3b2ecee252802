#!/usr/bin/env bash
# Runs the checker's documented sessions: for each NAME.args of a folder,
# raeval-check with the arguments of its one line (split at blanks, paths
# relative to SOURCE_DIR, from where it runs), and compares its standard
# output with NAME.expected and its exit status with NAME.status (0 where
# there is none). Standard error must stay empty.
#
#   run_check_examples.sh RAEVAL_CHECK FOLDER SOURCE_DIR
set -uo pipefail

if (($# != 3)); then
  echo "usage: $0 RAEVAL_CHECK FOLDER SOURCE_DIR" >&2
  exit 2
fi
program=$(realpath "$1")
folder=$(realpath "$2")
source=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
checked=0
for args_file in "$folder"/*.args; do
  [[ -f $args_file ]] || continue
  name=${args_file%.args}
  checked=$((checked + 1))
  read -r -a arguments <"$args_file"
  (cd "$source" && "$program" "${arguments[@]}") >"$work/stdout" 2>"$work/stderr" </dev/null
  status=$?
  want_status=0
  [[ -f $name.status ]] && want_status=$(<"$name.status")
  ok=1
  if ((status != want_status)); then
    echo "FAIL $(basename "$name"): exit status $status, expected $want_status"
    ok=0
  fi
  if ! diff -u --label "$(basename "$name").expected" --label "raeval-check" "$name.expected" \
    "$work/stdout"; then
    echo "FAIL $(basename "$name"): standard output differs"
    ok=0
  fi
  if [[ -s $work/stderr ]]; then
    echo "FAIL $(basename "$name"): standard error:"
    cat "$work/stderr"
    ok=0
  fi
  if ((ok)); then
    echo "ok   $(basename "$name")"
  else
    failures=$((failures + 1))
  fi
done
if ((checked == 0)); then
  echo "FAIL no session in $folder"
  failures=1
fi
echo "$((checked - failures)) passed, $failures failed"
((failures == 0))
