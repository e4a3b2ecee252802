#!/usr/bin/env bash
# The page's engine gives the command line's bytes: every end-to-end case
# (but those in e2e_skip.txt, which are about the process itself) and every
# example (but the pipes of troubleshooting/, which are about files), run
# through build/web/cli.mjs under node with its default stack.
#
#   check_identity.sh E2E_RUNNER SOURCE_DIR
#
# Exits 77 (skipped) when node or the built folder is missing, unless
# RAEVAL_WEB_REQUIRED is set.
set -uo pipefail
runner=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
export RAEVAL_WEB_DIR=${RAEVAL_WEB_DIR:-$source_dir/build/web}

if ! command -v node >/dev/null || [[ ! -f $RAEVAL_WEB_DIR/cli.mjs ]]; then
  echo "node or $RAEVAL_WEB_DIR/cli.mjs missing (make web)"
  [[ -n ${RAEVAL_WEB_REQUIRED:-} ]] && exit 1
  exit 77
fi

program=$here/raeval_node.sh
status=0
"$runner" --skip "$here/e2e_skip.txt" "$program" "$source_dir"/tests/e2e/*.test || status=1
bash "$source_dir/tests/examples/run_groups.sh" "$program" "$source_dir" || status=1
exit $status
