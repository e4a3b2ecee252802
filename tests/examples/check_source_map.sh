#!/usr/bin/env bash
# The README's map of the source tree matches the tree: every folder of src/
# and web/ has its row, and every path in the map exists.
#
#   check_source_map.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
readme=$source_dir/README.md
# The first column of the table under "## The source tree".
map=$(awk '/^## The source tree/ {inside = 1; next} /^## / {inside = 0}
  inside && /^\| `/ {split($0, cells, "`"); print cells[2]}' "$readme")
failures=0
while IFS= read -r folder; do
  if ! grep -qxF "$folder/" <<<"$map"; then
    echo "FAIL the source map of README.md has no row for $folder/"
    failures=$((failures + 1))
  fi
done < <(cd "$source_dir" && { find src -mindepth 1 -type d; find web -type d; } | sort)
while IFS= read -r path; do
  if [[ ! -e $source_dir/$path ]]; then
    echo "FAIL the source map of README.md names $path, which is not in the tree"
    failures=$((failures + 1))
  fi
done <<<"$map"
echo "$(wc -l <<<"$map") paths in the source map; $failures failures"
((failures == 0))
