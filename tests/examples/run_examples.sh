#!/usr/bin/env bash
# Runs raeval on example inputs and compares each output file, byte for byte,
# with the expected output kept beside the input. Every run must also exit
# with status 0 and write nothing to standard output or standard error.
#
#   run_examples.sh RAEVAL files DIR...
#       every DIR/NAME.txt against DIR/NAME.expected
#   run_examples.sh RAEVAL queries DIR BASE
#       every DIR/NAME.query (one line: a query) against DIR/NAME.expected;
#       the input is that query followed by lines 2 and on of the file BASE,
#       so that several queries share BASE's tables
set -uo pipefail

if (($# < 3)); then
  echo "usage: $0 RAEVAL files DIR... | $0 RAEVAL queries DIR BASE" >&2
  exit 2
fi
raeval=$1
mode=$2
shift 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
checked=0

# check NAME INPUT EXPECTED: runs raeval on INPUT and compares with EXPECTED.
check() {
  local name=$1 input=$2 expected=$3
  local out="$work/out.txt"
  rm -f "$out"
  checked=$((checked + 1))
  if [[ ! -f $expected ]]; then
    echo "FAIL $name: no expected output $expected"
    failures=$((failures + 1))
    return
  fi
  "$raeval" "$input" "$out" >"$work/stdout" 2>"$work/stderr"
  local status=$?
  local ok=1
  if ((status != 0)); then
    echo "FAIL $name: exit status $status"
    ok=0
  fi
  if [[ -s $work/stdout || -s $work/stderr ]]; then
    echo "FAIL $name: unexpected standard output or error:"
    cat "$work/stdout" "$work/stderr"
    ok=0
  fi
  if ! diff -u --label "$expected" --label "output of $name" "$expected" "$out"; then
    echo "FAIL $name: output differs from $expected"
    ok=0
  fi
  if ((ok)); then
    echo "ok   $name"
  else
    failures=$((failures + 1))
  fi
}

case $mode in
  files)
    for dir in "$@"; do
      found=0
      for input in "$dir"/*.txt; do
        [[ -e $input ]] || continue
        found=1
        check "$input" "$input" "${input%.txt}.expected"
      done
      if ((!found)); then
        echo "FAIL $dir: no *.txt example"
        failures=$((failures + 1))
      fi
    done
    ;;
  queries)
    if (($# != 2)); then
      echo "usage: $0 RAEVAL queries DIR BASE" >&2
      exit 2
    fi
    dir=$1
    base=$2
    found=0
    for query in "$dir"/*.query; do
      [[ -e $query ]] || continue
      found=1
      if [[ $(wc -l <"$query") -ne 1 ]]; then
        echo "FAIL $query: a query file holds exactly one line"
        failures=$((failures + 1))
        continue
      fi
      input="$work/$(basename "${query%.query}").txt"
      { cat "$query"; tail -n +2 "$base"; } >"$input"
      check "$query" "$input" "${query%.query}.expected"
    done
    if ((!found)); then
      echo "FAIL $dir: no *.query example"
      failures=$((failures + 1))
    fi
    ;;
  *)
    echo "unknown mode: $mode" >&2
    exit 2
    ;;
esac

echo "$checked checked, $failures failed"
((failures == 0))
