#!/usr/bin/env bash
# Checks each bundled exercise sheet: it is read without fault, every one of
# its references is right on it (as the answers of a submission: the first
# references of its exercises, then the second ones where there are, and so
# on), its audit is clean (no mutant of a reference survives every
# instance, the possibly equivalent ones aside), and every other mutant is
# caught by a hidden instance (hidden_catches.py reads the audit's JSON): a
# mistake must not pass the grader because only the visible tables, which
# the students see, tell it from the reference.
#
#   check_sheets.sh RAEVAL_CHECK SHEET...
set -uo pipefail

if (($# < 2)); then
  echo "usage: $0 RAEVAL_CHECK SHEET..." >&2
  exit 2
fi
program=$1
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
for sheet in "$@"; do
  name=$(basename "$sheet")
  # answers K: for each exercise its K-th reference, or its last one.
  most=$(awk '/^=== exercise /{n=0} /^--- reference /{n++; if (n > m) m = n} END {print m + 0}' "$sheet")
  if ((most == 0)); then
    echo "FAIL $name: no reference"
    failures=$((failures + 1))
    continue
  fi
  for ((k = 1; k <= most; k++)); do
    awk -v k="$k" '
      function flush() { if (id != "") { print "=== " id; print (n >= k ? ref[k] : ref[n]) } }
      /^=== / { flush(); id = ""; n = 0 }
      /^=== exercise / { id = $3 }
      /^--- reference / && id != "" { ref[++n] = substr($0, 15) }
      END { flush() }' "$sheet" >"$work/references-$k.answers"
    if "$program" "$sheet" "$work/references-$k.answers" >"$work/report" 2>&1; then
      echo "ok   $name: references $k are right"
    else
      echo "FAIL $name: references $k are not all right:"
      cat "$work/report"
      failures=$((failures + 1))
    fi
  done
  "$program" --audit "$sheet" >"$work/audit" 2>&1
  status=$?
  if ((status == 0)) && grep -q ', 0 survive, ' "$work/audit"; then
    echo "ok   $name: $(tail -1 "$work/audit")"
  else
    echo "FAIL $name: the audit (status $status):"
    cat "$work/audit"
    failures=$((failures + 1))
  fi
  "$program" --audit --json "$sheet" >"$work/audit.json" 2>&1
  python3 "$(dirname "$0")/hidden_catches.py" "$sheet" "$work/audit.json" >"$work/unseen" 2>&1
  status=$?
  if ((status == 0)); then
    echo "ok   $name: every mutant but the possibly equivalent ones is caught by a hidden instance"
  else
    echo "FAIL $name: mutants that no hidden instance catches (status $status):"
    cat "$work/unseen"
    failures=$((failures + 1))
  fi
done
echo "$# sheets checked, $failures failed"
((failures == 0))
