#!/usr/bin/env bash
# Renders the manual page and fails on any warning: groff with every warning
# on, and mandoc's checker at the warning level when mandoc is installed.
# Exits 77 (the test is skipped) when groff is not installed.
#
#   check_man.sh MANPAGE [SECTION...]
#
# The SECTIONs are those the page must have; raeval's own by default.
set -uo pipefail

if (($# < 1)); then
  echo "usage: $0 MANPAGE [SECTION...]" >&2
  exit 2
fi
page=$1
shift
sections=("$@")
if ((${#sections[@]} == 0)); then
  sections=(NAME SYNOPSIS DESCRIPTION "INPUT FILE" "QUERY LANGUAGE" "OUTPUT FILE" DIAGNOSTICS
    "EXIT STATUS" EXAMPLES CAVEATS TROUBLESHOOTING)
fi

if ! command -v groff >/dev/null; then
  echo "groff is not installed: skipped"
  exit 77
fi

failures=0
messages=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
status=$?
if ((status != 0)) || [[ -n $messages ]]; then
  echo "FAIL groff -man -Tutf8 -ww (status $status):"
  echo "$messages"
  failures=$((failures + 1))
else
  echo "ok   groff -man -Tutf8 -ww: no warning"
fi

# The rendered page must hold every section a reader looks for.
rendered=$(groff -man -Tutf8 -P-c -P-b -P-u "$page" 2>/dev/null)
for section in "${sections[@]}"; do
  if grep -qx "$section" <<<"$rendered"; then
    echo "ok   section $section"
  else
    echo "FAIL no section $section"
    failures=$((failures + 1))
  fi
done

if command -v mandoc >/dev/null; then
  messages=$(mandoc -Tlint -W warning "$page" 2>&1)
  status=$?
  if ((status != 0)) || [[ -n $messages ]]; then
    echo "FAIL mandoc -Tlint -W warning (status $status):"
    echo "$messages"
    failures=$((failures + 1))
  else
    echo "ok   mandoc -Tlint -W warning: no warning"
  fi
fi

((failures == 0))
