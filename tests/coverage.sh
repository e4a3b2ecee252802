#!/usr/bin/env bash
# Which lines of src/ no test runs: builds the coverage preset (gcc's
# --coverage), runs every test but the package ones, and lists each line of
# src/ that was never executed, as FILE:LINE: SOURCE, with gcov alone.
#
#   tests/coverage.sh                the list, then one summary line per file
#   tests/coverage.sh --report-only  the same from the counts of the last run
#
# Exits 0 whatever it finds; the list is for reading (build/coverage/uncovered.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build/coverage

# --report-only reads the counts the last run left, without building or testing.
if [[ ${1:-} != --report-only ]]; then
  cmake --preset coverage >/dev/null
  cmake --build --preset coverage -j2 >/dev/null
  find "$build" -name '*.gcda' -delete
  if ! ctest --preset coverage -j2 -E '^package\.' >"$build/ctest.log"; then
    tail -20 "$build/ctest.log"
    echo "coverage: tests failed; see $build/ctest.log" >&2
    exit 1
  fi
fi

work="$build/gcov"
rm -rf "$work"
mkdir -p "$work"
# One gcov call over every object, so that a header's lines count as run when
# any object ran them; -p keeps each report's source path in its name.
find "$root/$build" -name '*.gcda' >"$work/objects"
(cd "$work" && xargs gcov -p <objects >/dev/null 2>&1) || true

report="$build/uncovered.txt"
: >"$report"
summary=""
for gcov_file in "$work"/*.gcov; do
  source=$(sed -n 's/^ *-: *0:Source://p' "$gcov_file")
  case "$source" in
    "$root"/src/*) ;;
    *) continue ;;
  esac
  relative=${source#"$root"/}
  # "#####" marks a line never run, "=====" one reached only by an exception
  # that never came. The per-copy listings that follow an inline or template
  # function (a dashed line, then its mangled name) repeat lines already
  # counted in the merged listing, and are skipped.
  awk -v file="$relative" -F: '
    /^-+$/ { dashed = 1; next }
    dashed { dashed = 0; copy = ($0 ~ /^[^ ].*:$/); if (copy) next }
    copy { next }
    $1 ~ /#####|=====/ { line = $2; gsub(/ /, "", line); text = $0; sub(/^[^:]*:[^:]*:/, "", text);
                         print file ":" line ":" text; missed++ }
    $1 ~ /^ *[0-9]+\*?$/ { run++ }
    END { printf "%s %d %d\n", file, run, missed > "/dev/stderr" }' "$gcov_file" \
    >>"$report" 2>>"$work/summary"
done
sort -t: -k1,1 -k2,2n -u "$report" -o "$report"
cat "$report"
echo
sort -u "$work/summary" | awk '{ total = $2 + $3; printf "%-28s %5d of %5d lines run\n", $1, $2, total }'
echo "coverage: $(wc -l <"$report") lines of src/ run by no test (list in $report)"
