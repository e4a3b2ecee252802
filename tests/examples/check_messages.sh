#!/usr/bin/env bash
# Checks that every text raeval can report is documented: each line that
# LIST_MESSAGES prints (the program's own list of messages) must appear in
# every DOCUMENT given, but for its blanks and colons at either end. A
# message that ends in a letter or digit counts only where it is not
# followed by more of a word or by a blank and a digit.
# In a manual page, font escapes (\fB, \fI, \fR, \fP) and \& are dropped and
# \- \(aq \(dq \e read as - ' " \ before the search.
#
#   check_messages.sh LIST_MESSAGES DOCUMENT...
set -uo pipefail

if (($# < 2)); then
  echo "usage: $0 LIST_MESSAGES DOCUMENT..." >&2
  exit 2
fi
list=$1
shift

if ! raw=$("$list"); then
  echo "FAIL: $list did not run"
  exit 1
fi
messages=$(sed -e 's/^[: ]*//' -e 's/[: ]*$//' <<<"$raw" | sort -u)
if [[ $(wc -l <<<"$messages") -lt 30 ]]; then
  echo "FAIL: the list holds too few messages"
  echo "$messages"
  exit 1
fi

failures=0
for doc in "$@"; do
  case $doc in
    *.md) text=$(cat "$doc") ;;
    *) text=$(sed -e 's/\\f[BIRP]//g' -e 's/\\f(..//g' -e 's/\\&//g' -e 's/\\-/-/g' \
      -e "s/\\\\(aq/'/g" -e 's/\\(dq/"/g' -e 's/\\e/\\/g' "$doc") ;;
  esac
  while IFS= read -r message; do
    # A message that ends in a letter or digit must not run on into more
    # of a word or a number: "End of string reached 2" does not document
    # "End of string reached".
    pattern=$(sed 's/[][\\.*^$+?(){}|/]/\\&/g' <<<"$message")
    if [[ $message =~ [A-Za-z0-9]$ ]]; then
      pattern="$pattern(\$|[^0-9A-Za-z ]| [^0-9]| \$)"
    fi
    if ! grep -qE -- "$pattern" <<<"$text"; then
      echo "FAIL $doc does not mention \"$message\""
      failures=$((failures + 1))
    fi
  done <<<"$messages"
  echo "$doc: $(wc -l <<<"$messages") messages looked for"
done

echo "$failures missing"
((failures == 0))
