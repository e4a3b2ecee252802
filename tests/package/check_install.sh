#!/usr/bin/env bash
# Installs a build into a temporary prefix with cmake --install and checks
# what lands there: raeval in bin/, the compressed manual page in
# share/man/man1/, the README, the copyright file, the changelog and the
# examples in share/doc/raeval/, the lintian overrides of a static raeval,
# nothing else; and that the
# installed raeval answers an installed example as expected.
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

[[ -x $prefix/bin/raeval ]] || fail "bin/raeval is missing or not executable"
gzip -dc "$prefix/share/man/man1/raeval.1.gz" 2>/dev/null | cmp -s "$source/man/raeval.1" - ||
  fail "share/man/man1/raeval.1.gz is missing or differs from man/raeval.1"
grep -qx "License: Expat" "$prefix/share/doc/raeval/copyright" 2>/dev/null ||
  fail "share/doc/raeval/copyright is missing or names no licence"
gzip -dc "$prefix/share/doc/raeval/changelog.gz" >/dev/null 2>&1 ||
  fail "share/doc/raeval/changelog.gz is missing or not compressed"
cmp -s "$source/README.md" "$prefix/share/doc/raeval/README.md" ||
  fail "share/doc/raeval/README.md is missing or differs from README.md"
for example in "$source"/examples/*.txt "$source"/examples/*.expected; do
  cmp -s "$example" "$prefix/share/doc/raeval/examples/$(basename "$example")" ||
    fail "share/doc/raeval/examples/$(basename "$example") is missing or differs"
done

unexpected=$(cd "$prefix" && find . -type f | sort |
  grep -Ev '^\./(bin/raeval|share/man/man1/raeval\.1\.gz|share/doc/raeval/(README\.md|copyright|changelog\.gz)|share/doc/raeval/examples/[^/]+\.(txt|expected)|share/lintian/overrides/raeval)$')
[[ -z $unexpected ]] || fail "installed files nobody asked for:"$'\n'"$unexpected"

if [[ -x $prefix/bin/raeval ]]; then
  examples="$prefix/share/doc/raeval/examples"
  "$prefix/bin/raeval" "$examples/employees.txt" "$work/out.txt"
  status=$?
  ((status == 0)) || fail "installed raeval exited with status $status"
  diff -u "$examples/employees.expected" "$work/out.txt" ||
    fail "installed raeval on employees.txt"
fi

if ((failures == 0)); then
  echo "ok   cmake --install: raeval, its manual page and the examples are installed and work"
fi
((failures == 0))
