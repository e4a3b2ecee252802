#!/usr/bin/env bash
# Installs a build into a temporary prefix with cmake --install and checks
# what lands there: raeval and raeval-check in bin/, their compressed manual
# pages in share/man/man1/, the README, the copyright file, the changelog and
# the examples (the exercise sheets in examples/sheets/) in share/doc/raeval/,
# the lintian overrides of static programs, nothing else; and that the
# installed raeval answers an installed example as expected, and the
# installed raeval-check finds the references of an installed sheet right.
#
#   check_install.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

if (($# != 2)); then
  echo "usage: $0 BUILD_DIR SOURCE_DIR" >&2
  exit 2
fi
build=$1
source=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "cmake --install $build --prefix $prefix"
  exit 1
fi

for program in raeval raeval-check; do
  [[ -x $prefix/bin/$program ]] || fail "bin/$program is missing or not executable"
  gzip -dc "$prefix/share/man/man1/$program.1.gz" 2>/dev/null | cmp -s "$source/man/$program.1" - ||
    fail "share/man/man1/$program.1.gz is missing or differs from man/$program.1"
done
grep -qx "License: Expat" "$prefix/share/doc/raeval/copyright" 2>/dev/null ||
  fail "share/doc/raeval/copyright is missing or names no licence"
gzip -dc "$prefix/share/doc/raeval/changelog.gz" >/dev/null 2>&1 ||
  fail "share/doc/raeval/changelog.gz is missing or not compressed"
cmp -s "$source/README.md" "$prefix/share/doc/raeval/README.md" ||
  fail "share/doc/raeval/README.md is missing or differs from README.md"
for example in "$source"/examples/*.txt "$source"/examples/*.expected "$source"/examples/sheets/*.sheet; do
  relative=${example#"$source/examples/"}
  cmp -s "$example" "$prefix/share/doc/raeval/examples/$relative" ||
    fail "share/doc/raeval/examples/$relative is missing or differs"
done

unexpected=$(cd "$prefix" && find . -type f | sort |
  grep -Ev '^\./(bin/raeval(-check)?|share/man/man1/raeval(-check)?\.1\.gz|share/doc/raeval/(README\.md|copyright|changelog\.gz)|share/doc/raeval/examples/[^/]+\.(txt|expected)|share/doc/raeval/examples/sheets/[^/]+\.sheet|share/lintian/overrides/raeval)$')
[[ -z $unexpected ]] || fail "installed files nobody asked for:"$'\n'"$unexpected"

if [[ -x $prefix/bin/raeval ]]; then
  examples="$prefix/share/doc/raeval/examples"
  "$prefix/bin/raeval" "$examples/employees.txt" "$work/out.txt"
  status=$?
  ((status == 0)) || fail "installed raeval exited with status $status"
  diff -u "$examples/employees.expected" "$work/out.txt" ||
    fail "installed raeval on employees.txt"
fi
if [[ -x $prefix/bin/raeval-check ]]; then
  sheet="$prefix/share/doc/raeval/examples/sheets/employees.sheet"
  printf '=== over-thirty\nPROJECT(SELECT(Emp, GT(age, 30)), name, dept)\n' >"$work/a.answers"
  "$prefix/bin/raeval-check" --exercise over-thirty "$sheet" "$work/a.answers" >"$work/report"
  status=$?
  ((status == 0)) || { cat "$work/report"; fail "installed raeval-check exited with status $status"; }
fi

if ((failures == 0)); then
  echo "ok   cmake --install: raeval, raeval-check, their manual pages and the examples are installed and work"
fi
((failures == 0))
