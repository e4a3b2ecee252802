#!/usr/bin/env bash
# Checks that every query of a folder of checked examples is shown, exactly,
# in each document: in a Markdown document as inline code (`QUERY`), in a
# manual page somewhere on one line once font escapes (\fB, \fI, \fR, \fP)
# and \& are dropped and \- \(aq \(dq \e read as - ' " \.
# The queries' results are checked by run_examples.sh; this check keeps the
# documents from showing a query that the test suite does not run.
#
#   check_inline.sh DIR DOCUMENT...
set -uo pipefail

if (($# < 2)); then
  echo "usage: $0 DIR DOCUMENT..." >&2
  exit 2
fi
dir=$1
shift

failures=0
checked=0
for doc in "$@"; do
  case $doc in
    *.md) text=$(cat "$doc") ;;
    *) text=$(sed -e 's/\\f[BIRP]//g' -e 's/\\&//g' -e 's/\\-/-/g' \
      -e "s/\\\\(aq/'/g" -e 's/\\(dq/"/g' -e 's/\\e/\\/g' "$doc") ;;
  esac
  for query_file in "$dir"/*.query; do
    [[ -e $query_file ]] || continue
    query=$(cat "$query_file")
    case $doc in
      *.md) shown="\`$query\`" ;;
      *) shown=$query ;;
    esac
    checked=$((checked + 1))
    if grep -qF -- "$shown" <<<"$text"; then
      echo "ok   $doc shows $query_file"
    else
      echo "FAIL $doc does not show $shown ($query_file)"
      failures=$((failures + 1))
    fi
  done
done

echo "$checked looked for, $failures missing"
((checked > 0 && failures == 0))
