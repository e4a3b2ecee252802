#!/usr/bin/env bash
# Runs a shell example of the documentation and compares what it prints with
# its expected output. The script runs with bash in an empty temporary folder
# that holds a link to the repository's examples/, with the folder of RAEVAL
# first on the PATH, so that it calls raeval by name as a user does. Its
# standard output goes through a pipe, as on a terminal, and not into a file
# that a run writing to /dev/stdout would truncate.
#
#   run_script.sh RAEVAL SCRIPT EXPECTED SOURCE_DIR
set -uo pipefail

if (($# != 4)); then
  echo "usage: $0 RAEVAL SCRIPT EXPECTED SOURCE_DIR" >&2
  exit 2
fi
raeval=$(realpath "$1")
script=$(realpath "$2")
expected=$(realpath "$3")
source=$(realpath "$4")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/bin"
ln -s "$source/examples" "$work/run/examples"
ln -s "$raeval" "$work/bin/raeval"

(cd "$work/run" && PATH="$work/bin:$PATH" bash -e "$script" </dev/null 2>"$work/stderr" | cat >"$work/stdout")
status=$?
failures=0
if ((status != 0)) || [[ -s $work/stderr ]]; then
  echo "FAIL $script: status $status"
  cat "$work/stderr"
  failures=1
fi
if ! diff -u --label "$expected" --label "output of $script" "$expected" "$work/stdout"; then
  echo "FAIL $script: output differs from $expected"
  failures=1
fi
((failures == 0)) && echo "ok   $script"
((failures == 0))
