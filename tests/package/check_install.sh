#!/usr/bin/env bash
# Installs a build into a temporary prefix with cmake --install and checks
# what lands there: raeval in bin/, the manual page in share/man/man1/, the
# README and the examples in share/doc/raeval/, nothing else; and that the
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
cmp -s "$source/man/raeval.1" "$prefix/share/man/man1/raeval.1" ||
  fail "share/man/man1/raeval.1 is missing or differs from man/raeval.1"
cmp -s "$source/README.md" "$prefix/share/doc/raeval/README.md" ||
  fail "share/doc/raeval/README.md is missing or differs from README.md"
for example in "$source"/examples/*.txt "$source"/examples/*.expected; do
  cmp -s "$example" "$prefix/share/doc/raeval/examples/$(basename "$example")" ||
    fail "share/doc/raeval/examples/$(basename "$example") is missing or differs"
done

unexpected=$(cd "$prefix" && find . -type f | sort |
  grep -Ev '^\./(bin/raeval|share/man/man1/raeval\.1|share/doc/raeval/README\.md|share/doc/raeval/examples/[^/]+\.(txt|expected))$')
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
