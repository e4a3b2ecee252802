#!/usr/bin/env bash
# raeval against the sqlite3 shell on generated tables; prints the comparison
# table (also kept in build/bench/results.txt).
#
#   bench/run.sh            N = 1,000 to 1,000,000, 7 runs each, 1,000 small files
#   bench/run.sh --quick    N up to 100,000, 3 runs each, 200 small files
#   bench/run.sh --checker  only raeval-check: 300 answers x 3 instances, and
#                           the shrinking of a 10,000-row instance
#
# Both runs end with the checker's figures (bench/check.py).
#
# Further options go to bench/bench.py (--sizes, --reps, --only, --small-runs).
# Generated inputs are kept under build/bench/data and reused while
# bench/gen.py is unchanged.
set -euo pipefail
cd "$(dirname "$0")/.."

args=()
checker_only=0
for a in "$@"; do
  if [[ $a == --checker ]]; then
    checker_only=1
  elif [[ $a == --quick ]]; then
    args+=(--sizes 1000,10000,100000 --reps 3 --small-runs 200)
  else
    args+=("$a")
  fi
done

if ! command -v sqlite3 >/dev/null 2>&1; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends sqlite3
fi

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target raeval raeval-check >/dev/null

work=build/bench
mkdir -p "$work"
for tool in floor measure; do
  if [[ ! -x $work/$tool || bench/$tool.cpp -nt $work/$tool ]]; then
    g++ -O2 -std=c++20 -o "$work/$tool" "bench/$tool.cpp"
  fi
done

if ((!checker_only)); then
  python3 bench/bench.py --raeval build/default/raeval --floor "$work/floor" \
    --measure "$work/measure" --work "$work" "${args[@]}"
fi
exec python3 bench/check.py --check build/default/raeval-check --work "$work"
