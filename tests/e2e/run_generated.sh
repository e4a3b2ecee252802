#!/usr/bin/env bash
# Writes a generated case file and runs its cases.
#
#   run_generated.sh GENERATOR CASE_FILE E2E_RUNNER RAEVAL
set -euo pipefail
mkdir -p "$(dirname "$2")"
python3 "$1" >"$2"
exec "$3" "$4" "$2"
