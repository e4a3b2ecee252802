#!/usr/bin/env bash
# Every end-to-end case's trace against the command line, node by node
# (trace_check.cpp says how).
#
#   check_nodes.sh TRACE_CHECK RAEVAL E2E_RUNNER SOURCE_DIR
set -euo pipefail
trace_check=$1
raeval=$2
runner=$3
source_dir=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t cases < <(bash "$source_dir/tests/e2e/case_files.sh" "$work/generated")
"$runner" --extract "$work/inputs" "${cases[@]}" >/dev/null
# With inputs of its own whose nodes have more rows than the trace keeps.
# The cases about memory running out only mean something under their limit.
grep -l '^PRODUCT(PRODUCT(PRODUCT(PRODUCT(PRODUCT(PRODUCT(A, A), A), A), A), A), A)$' \
  "$work"/inputs/* 2>/dev/null | xargs -r rm --
# Nor do the ones where a result written as it is found meets a product of
# eight factors, whose nodes would print a hundred million rows without it.
grep -lF 'PRODUCT(PRODUCT(PRODUCT(PRODUCT(PRODUCT(PRODUCT(PRODUCT(A, A), A), A), A), A), A), A)' \
  "$work"/inputs/* 2>/dev/null | xargs -r rm --
cp "$source_dir"/tests/trace/inputs/* "$work/inputs"
"$trace_check" nodes "$raeval" "$work/inputs"
