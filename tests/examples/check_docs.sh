#!/usr/bin/env bash
# Checks that every example shown in a document is exactly a file of the
# repository, so that the examples the test suite runs are the ones readers
# see.
#
#   check_docs.sh ROOT DOCUMENT...
#
# A Markdown document (*.md) marks an example with a comment on the line
# right before its fenced block; a manual page (roff) with a comment line
# right before its .EX line:
#
#   <!-- check: PATH -->          .\" check: PATH
#   <!-- check: PATH tail -->     .\" check: PATH tail
#
# PATH is relative to ROOT. Without "tail" the block must equal the whole
# file; with it, the block must equal the file's last lines (the file's
# trailing empty lines left out), which shows the result part of an expected
# output. Every ```text block of a Markdown document and every .EX block of a
# manual page must be marked; fenced blocks of other kinds (```sh: commands)
# need not be. In a manual page, the block is decoded first: \(aq, \(dq,
# \(ga, \-, \e and \& stand for ' " ` - \ and nothing; any other escape,
# and any line that roff would take as a request, is an error.
set -uo pipefail

if (($# < 2)); then
  echo "usage: $0 ROOT DOCUMENT..." >&2
  exit 2
fi
root=$1
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
checked=0

# The awk functions both extractors share: a problem, the start of a marked
# block (its output file, and the manifest line), and skipping an unmarked one.
common_awk='
    function fail(msg) { print "ERROR " FILENAME ":" NR ": " msg; }
    function openBlock() {
      n++
      out = prefix "." n
      printf "" > out
      print n, NR, pending
      pending = ""
      inblock = 1
    }
    function skipBlock(end,    line) {
      while ((getline line) > 0) {
        if (line ~ end) break
      }
    }
'

# extract DOC PREFIX: writes each marked block to PREFIX.N and prints one
# line "N LINE PATH MODE" per block; problems are printed as "ERROR ...".
extract_markdown() {
  awk -v prefix="$2" "$common_awk"'
    inblock {
      if ($0 ~ /^```[ \t]*$/) { inblock = 0; close(out); next }
      print > out
      next
    }
    /^<!-- check: .* -->[ \t]*$/ {
      if (pending != "") fail("check comment not followed by a fenced block")
      pending = $0
      sub(/^<!-- check: */, "", pending)
      sub(/ *-->[ \t]*$/, "", pending)
      pendingLine = NR
      next
    }
    /^```/ {
      info = $0
      sub(/^```/, "", info)
      gsub(/[ \t]/, "", info)
      if (pending != "" && pendingLine == NR - 1) { openBlock(); next }
      if (pending != "") { fail("check comment not right before the fenced block"); pending = "" }
      if (info == "text") fail("```text block without a check comment")
      skipBlock("^```[ \t]*$")
      next
    }
    pending != "" && NR > pendingLine { fail("check comment not followed by a fenced block"); pending = "" }
    END {
      if (inblock) fail("fenced block not closed")
      if (pending != "") fail("check comment at the end of the document")
    }
  ' "$1"
}

extract_roff() {
  awk -v prefix="$2" "$common_awk"'
    function decode(s,    r, c, name) {
      r = ""
      while (length(s) > 0) {
        c = substr(s, 1, 1)
        if (c != "\\") { r = r c; s = substr(s, 2); continue }
        c = substr(s, 2, 1)
        if (c == "e") { r = r "\\"; s = substr(s, 3); continue }
        if (c == "-") { r = r "-"; s = substr(s, 3); continue }
        if (c == "&") { s = substr(s, 3); continue }
        if (c == "(") {
          name = substr(s, 3, 2)
          if (name == "aq") { r = r "\047"; s = substr(s, 5); continue }
          if (name == "dq") { r = r "\""; s = substr(s, 5); continue }
          if (name == "ga") { r = r "`"; s = substr(s, 5); continue }
        }
        fail("escape the check does not decode: " substr(s, 1, 4))
        return r s
      }
      return r
    }
    inblock {
      if ($0 ~ /^\.EE[ \t]*$/) { inblock = 0; close(out); next }
      if ($0 ~ /^[.\047]/) fail("request inside an example: " $0)
      print decode($0) > out
      next
    }
    /^\.\\" check: / {
      if (pending != "") fail("check comment not followed by .EX")
      pending = $0
      sub(/^\.\\" check: */, "", pending)
      sub(/[ \t]*$/, "", pending)
      pendingLine = NR
      next
    }
    /^\.EX[ \t]*$/ {
      if (pending != "" && pendingLine == NR - 1) { openBlock(); next }
      fail(".EX block without a check comment right before it")
      pending = ""
      skipBlock("^\\.EE[ \t]*$")
      next
    }
    pending != "" && NR > pendingLine { fail("check comment not followed by .EX"); pending = "" }
    END {
      if (inblock) fail(".EX block not closed")
      if (pending != "") fail("check comment at the end of the document")
    }
  ' "$1"
}

for doc in "$@"; do
  prefix="$work/$(basename "$doc")"
  case $doc in
    *.md) manifest=$(extract_markdown "$doc" "$prefix") ;;
    *) manifest=$(extract_roff "$doc" "$prefix") ;;
  esac
  blocks=0
  while read -r n line path mode extra; do
    if [[ $n == ERROR ]]; then
      echo "FAIL $line $path $mode $extra"
      failures=$((failures + 1))
      continue
    fi
    blocks=$((blocks + 1))
    checked=$((checked + 1))
    where="$doc:$line"
    block="$prefix.$n"
    file="$root/$path"
    if [[ -n $extra || ( -n $mode && $mode != tail ) ]]; then
      echo "FAIL $where: bad check comment: $path $mode $extra"
      failures=$((failures + 1))
      continue
    fi
    if [[ ! -f $file ]]; then
      echo "FAIL $where: no file $path"
      failures=$((failures + 1))
      continue
    fi
    if [[ ! -s $block ]]; then
      echo "FAIL $where: empty example"
      failures=$((failures + 1))
      continue
    fi
    want="$work/want"
    if [[ $mode == tail ]]; then
      # The file without its trailing empty lines, then as many last lines
      # as the block has.
      awk '{ line[NR] = $0 } END { n = NR; while (n > 0 && line[n] == "") n--; for (i = 1; i <= n; i++) print line[i] }' \
        "$file" | tail -n "$(wc -l <"$block")" >"$want"
    else
      cp "$file" "$want"
    fi
    if diff -u --label "$path${mode:+ ($mode)}" --label "$where" "$want" "$block"; then
      echo "ok   $where shows $path${mode:+ ($mode)}"
    else
      echo "FAIL $where: the example is not $path${mode:+ ($mode)}"
      failures=$((failures + 1))
    fi
  done <<<"$manifest"
  if ((blocks == 0)); then
    echo "FAIL $doc: no checked example"
    failures=$((failures + 1))
  fi
done

echo "$checked examples checked, $failures failed"
((failures == 0))
