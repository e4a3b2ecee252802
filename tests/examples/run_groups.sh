#!/usr/bin/env bash
# Runs every example group of groups.txt on a program through
# run_examples.sh; exits 1 when any group fails.
#
#   run_groups.sh PROGRAM SOURCE_DIR
set -uo pipefail
program=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
status=0
while read -r kind first rest; do
  [[ -z $kind || $kind == \#* ]] && continue
  case $kind in
    files)
      dirs=()
      for dir in $first $rest; do dirs+=("$source_dir/$dir"); done
      bash "$here/run_examples.sh" "$program" files "${dirs[@]}" || status=1
      ;;
    queries)
      bash "$here/run_examples.sh" "$program" queries "$here/$first" "$source_dir/$rest" ||
        status=1
      ;;
    *)
      echo "FAIL groups.txt: no kind $kind"
      status=1
      ;;
  esac
done <"$here/groups.txt"
exit $status
