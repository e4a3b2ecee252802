#!/usr/bin/env bash
# Fuzzes raeval in-process for SECONDS (default 60) per target: builds the
# fuzz preset, seeds the corpus from every end-to-end case's input, checks
# deep nesting under the sanitizers, then runs one libFuzzer process on a
# working copy of the corpus, one of the target that knows the grammar
# (fuzz_raeval_grammar, grammar.h), and one of the exercise-sheet reader's
# target (fuzz_sheet), seeded with tests/fuzz/sheets and the bundled sheets.
# Exits non-zero on any finding (crash, sanitizer report, leak, broken output
# layout, a join that differs from its model, a sheet refused at no line of
# its own or a reference that is not right, timeout or memory limit); the
# reproducers are kept in build/fuzz/findings/.
#
#   tests/fuzz/run.sh [SECONDS]
#
# Environment: FUZZ_CORPUS=DIR fuzzes on DIR itself (kept, grown) instead of
# a temporary copy of the seeds, for long runs spread over several calls;
# FUZZ_GRAMMAR_CORPUS=DIR does the same for the grammar target, and
# FUZZ_SHEET_CORPUS=DIR for the sheet reader's target (fuzz_sheet).
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: tests/fuzz/run.sh [SECONDS]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

build=build/fuzz
fuzzer="$build/tests/fuzz/fuzz_raeval"
findings="$build/findings"
mkdir -p "$findings"

work="$(mktemp -d "${TMPDIR:-/tmp}/raeval-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT

export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# --- Deep nesting: 1000 levels must work, 1001 must fail with the nesting
# message, forms and conditions alike, in the sanitizer build (whose frames
# are larger than the release build's).
repeat() { local i; for ((i = 0; i < $2; ++i)); do printf '%s' "$1"; done; }
nested_forms() { # LEVELS: UNION(UNION(...T,T),T)
  repeat 'UNION(' "$1"; printf 'T'; repeat ',T)' "$1"
  printf '\n\nT(a int)\n1\n'
}
nested_conditions() { # LEVELS: SELECT(T, NOT(NOT(...EQ(a,1)...))), true for the row
  local leaf='EQ(a,1)'
  (($1 % 2 == 0)) && leaf='NEQ(a,1)'
  printf 'SELECT(T, '; repeat 'NOT(' $(($1 - 1)); printf '%s' "$leaf"; repeat ')' $(($1 - 1))
  printf ')\n\nT(a int)\n1\n'
}
nested_forms 1000 >"$work/forms-1000"
nested_forms 1001 >"$work/forms-1001"
nested_conditions 1000 >"$work/conditions-1000"
nested_conditions 1001 >"$work/conditions-1001"

deep_ok=1
expect_last_line() { # FILE LINE
  local out="$work/out"
  if ! "$build/raeval" "$1" "$out" 2>"$work/err"; then
    echo "deep nesting: raeval failed on $(basename "$1")" >&2
    cat "$work/err" >&2
    deep_ok=0
    return
  fi
  local last
  last="$(grep -v '^$' "$out" | tail -n 1)"
  if [[ "$last" != "$2" ]]; then
    echo "deep nesting: $(basename "$1") ends with '$last', expected '$2'" >&2
    deep_ok=0
  fi
}
expect_last_line "$work/forms-1000" "1"
expect_last_line "$work/forms-1001" "ERROR: Query nested too deeply"
expect_last_line "$work/conditions-1000" "1"
expect_last_line "$work/conditions-1001" "ERROR: Construct error: nested too deeply"
# The same inputs through the fuzz target, with its output checks.
if ! "$fuzzer" "$work"/forms-* "$work"/conditions-* >"$work/deep.log" 2>&1; then
  echo "deep nesting: the fuzz target failed" >&2
  tail -n 40 "$work/deep.log" >&2
  deep_ok=0
fi
if ((!deep_ok)); then
  exit 1
fi
echo "deep nesting: 1000 levels pass, 1001 fail, forms and conditions"

# --- Seed corpus: every case's input.
"$build/tests/fuzz/fuzz_seed_extractor" --extract "$work/seeds" tests/e2e/*.test
if [[ -n "${FUZZ_CORPUS:-}" ]]; then
  corpus="$FUZZ_CORPUS"
  mkdir -p "$corpus"
  cp -n "$work/seeds"/* "$corpus"/ 2>/dev/null || true
else
  corpus="$work/corpus"
  cp -r "$work/seeds" "$corpus"
fi
echo "seed corpus: $(ls "$work/seeds" | wc -l) inputs"

# --- The runs: the byte-level target on the seeds, then the target that
# knows the grammar, each one process for SECONDS. Inputs up to 4 KiB (the
# grammar target's bytes are choices: 512 are plenty); the target budgets
# memory itself (a PRODUCT blow-up ends in std::bad_alloc, which it
# expects), so the RSS limit and the timeout are there for real faults only.
# -entropic=0: the grammar target's many small inputs run twice as fast.
before="$(ls "$findings" | wc -l)"
status=0
run_fuzzer() { # TARGET CORPUS LOG OPTIONS...
  local target="$1" dir="$2" log="$3"
  shift 3
  "$target" "$dir" "$@" \
    -timeout=30 \
    -rss_limit_mb=2560 \
    -max_total_time="$seconds" \
    -print_final_stats=1 \
    -artifact_prefix="$findings/" \
    2>&1 | tee "$log" | grep -a --line-buffered -v -E '^#[0-9]+.*(NEW|REDUCE) ' || status=${PIPESTATUS[0]}
}
run_fuzzer "$fuzzer" "$corpus" "$work/fuzz.log" -dict=tests/fuzz/raeval.dict -max_len=4096
grammar_corpus="${FUZZ_GRAMMAR_CORPUS:-$work/grammar-corpus}"
mkdir -p "$grammar_corpus"
if ((status == 0)); then
  run_fuzzer "$build/tests/fuzz/fuzz_raeval_grammar" "$grammar_corpus" "$work/grammar.log" \
    -max_len=512 -entropic=0
fi
# The exercise-sheet reader, seeded with the sheets of tests/fuzz/sheets and
# the bundled ones under examples/, for as long again.
sheet_corpus="${FUZZ_SHEET_CORPUS:-$work/sheet-corpus}"
mkdir -p "$sheet_corpus"
for seed in tests/fuzz/sheets/* examples/*.sheet examples/sheets/*.sheet; do
  [[ -f "$seed" ]] && cp -n "$seed" "$sheet_corpus"/
done
if ((status == 0)); then
  run_fuzzer "$build/tests/fuzz/fuzz_sheet" "$sheet_corpus" "$work/sheet.log" -max_len=4096
fi
after="$(ls "$findings" | wc -l)"

if ((status != 0 || after != before)); then
  echo "fuzzing found a fault (libFuzzer status $status); reproducers in $findings/:" >&2
  for f in "$findings"/*; do
    [[ -f "$f" ]] || continue
    echo "  $f: $(od -An -c -v "$f" | tr -s ' \n' ' ' | head -c 400)" >&2
  done
  echo "reproduce: $fuzzer FILE (fuzz_raeval_grammar for a finding of the grammar run, fuzz_sheet for one of the sheet run)" >&2
  echo "minimise:  $fuzzer -minimize_crash=1 -max_total_time=60 -artifact_prefix=DIR/ FILE" >&2
  exit 1
fi
echo "fuzzing: no finding in ${seconds}s of each target"
