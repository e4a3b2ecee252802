#!/usr/bin/env bash
# Prints the path of every case file, one a line: the *.test files of this
# folder, and those its generators make (generate_NAME.py prints NAME.test),
# which are written into DIR first.
#
#   case_files.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
mkdir -p "$dir"
for file in "$here"/*.test; do
  echo "$file"
done
for generator in "$here"/generate_*.py; do
  name=$(basename "$generator" .py)
  python3 "$generator" >"$dir/${name#generate_}.test"
  echo "$dir/${name#generate_}.test"
done
