#!/usr/bin/env bash
# Checks that the case files in the working tree hold the same cases as at a
# git revision: e2e_runner --expand prints every case of both versions with
# the input and expected output it runs, and the two prints must be the same
# byte for byte. A file that a generator now makes (generate_NAME.py) is
# compared as generated. Prints, for each file, its cases, how many are in
# the short form and its lines before and after.
#
#   compare_expanded.sh E2E_RUNNER REV
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 E2E_RUNNER REV" >&2
  exit 2
fi
runner=$(realpath "$1")
rev=$2
cd "$(dirname "$0")"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

differ=0
total_cases=0 total_short=0 total_before=0 total_after=0
printf '%-20s %6s %6s %7s %7s\n' file cases short before after
for old in $(git ls-tree --name-only "$rev" -- . | grep '\.test$'); do
  file=$(basename "$old")
  git show "$rev:./$file" >"$work/$file"
  "$runner" --expand "$work/$file" >"$work/old"
  new=$file
  if [[ -f generate_${file%.test}.py ]]; then
    new=$work/generated.$file
    python3 "generate_${file%.test}.py" >"$new"
  elif [[ ! -f $file ]]; then
    echo "$file: gone from the working tree"
    differ=1
    continue
  fi
  "$runner" --expand "$new" >"$work/new"
  if ! cmp -s "$work/old" "$work/new"; then
    echo "$file: the cases differ"
    diff "$work/old" "$work/new" | head -20
    differ=1
  fi
  cases=$(grep -c '^=== ' "$work/new" || true)
  short=$(grep -c '^--- query' "$new" || true)
  before=$(wc -l <"$work/$file")
  after=$(wc -l <"$new")
  printf '%-20s %6d %6d %7d %7d\n' "$file" "$cases" "$short" "$before" "$after"
  total_cases=$((total_cases + cases)) total_short=$((total_short + short))
  total_before=$((total_before + before)) total_after=$((total_after + after))
done
printf '%-20s %6d %6d %7d %7d\n' total "$total_cases" "$total_short" "$total_before" "$total_after"
if ((differ)); then
  echo "FAIL: some cases differ"
  exit 1
fi
echo "every case expands to the same input and expected output"
