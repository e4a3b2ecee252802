#!/usr/bin/env bash
# raeval against the sqlite3 shell on generated tables; prints the comparison
# table (also kept in build/bench/results.txt).
#
#   bench/run.sh            N = 1,000 to 1,000,000, 7 runs each, 1,000 small files
#   bench/run.sh --quick    N up to 100,000, 3 runs each, 200 small files
#
# Further options go to bench/bench.py (--sizes, --reps, --only, --small-runs).
# Generated inputs are kept under build/bench/data and reused while
# bench/gen.py is unchanged.
set -euo pipefail
cd "$(dirname "$0")/.."

args=()
for a in "$@"; do
  if [[ $a == --quick ]]; then
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
cmake --build --preset default -j2 --target raeval >/dev/null

work=build/bench
mkdir -p "$work"
for tool in floor measure; do
  if [[ ! -x $work/$tool || bench/$tool.cpp -nt $work/$tool ]]; then
    g++ -O2 -std=c++20 -o "$work/$tool" "bench/$tool.cpp"
  fi
done

exec python3 bench/bench.py --raeval build/default/raeval --floor "$work/floor" \
  --measure "$work/measure" --work "$work" "${args[@]}"
