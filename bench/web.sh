#!/usr/bin/env bash
# The page's engine against the native command line on generated tables, the
# page's sizes and its time to a first result (bench/web.py).
#
#   bench/web.sh [--rows N] [--reps R]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target raeval >/dev/null
make web >/dev/null
[[ -d node_modules/playwright-core ]] || npm ci --no-audit --no-fund >/dev/null
exec python3 bench/web.py "$@"
