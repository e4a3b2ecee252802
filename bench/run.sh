#!/usr/bin/env bash
# raeval against the sqlite3 shell on generated tables; prints the comparison
# table (also kept in build/bench/results.txt).
#
#   bench/run.sh            N = 1,000 to 1,000,000, 7 runs each, 1,000 small files
#   bench/run.sh --quick    N up to 100,000, 3 runs each, 200 small files
#   bench/run.sh --checker  only raeval-check: 300 answers x 3 instances, and
#                           the shrinking of a 10,000-row instance
#   bench/run.sh --raeval PATH   measures the raeval binary PATH instead of
#                           this tree's (another build, an older commit's),
#                           on the same data, sqlite3 beside it in the same run
#   bench/run.sh --no-checker    leaves out the checker's figures
#
# Both runs end with the checker's figures (bench/check.py), unless
# --no-checker is given.
#
# Further options go to bench/bench.py (--sizes, --reps, --only, --small-runs,
# --results).
# Generated inputs are kept under build/bench/data and reused while
# bench/gen.py is unchanged.
set -euo pipefail
called_from=$PWD
cd "$(dirname "$0")/.."

args=()
checker_only=0
checker=1
raeval=build/default/raeval
while (($#)); do
  case $1 in
    --checker) checker_only=1 ;;
    --no-checker) checker=0 ;;
    --quick) args+=(--sizes "1000,10000,100000" --reps 3 --small-runs 200) ;;
    --raeval)
      if (($# < 2)); then
        echo "bench/run.sh: --raeval needs a path" >&2
        exit 2
      fi
      raeval=$2
      [[ $raeval == /* ]] || raeval=$called_from/$raeval
      shift
      ;;
    *) args+=("$1") ;;
  esac
  shift
done

if ! command -v sqlite3 >/dev/null 2>&1; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends sqlite3
fi

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target raeval raeval-check >/dev/null

work=build/bench
mkdir -p "$work"
for tool in floor measure copy; do
  if [[ ! -x $work/$tool || bench/$tool.cpp -nt $work/$tool ]]; then
    # copy is start-up's peer: linked statically, as raeval is.
    static=()
    [[ $tool == copy ]] && static=(-static)
    g++ -O2 "${static[@]}" -std=c++20 -o "$work/$tool" "bench/$tool.cpp"
  fi
done

if ((!checker_only)); then
  python3 bench/bench.py --raeval "$raeval" --floor "$work/floor" --measure "$work/measure" \
    --copy "$work/copy" --work "$work" "${args[@]}"
fi
if ((checker)); then
  exec python3 bench/check.py --check build/default/raeval-check --work "$work"
fi
