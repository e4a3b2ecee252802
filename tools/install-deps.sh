#!/usr/bin/env bash
# Installs the Debian packages that a group of jobs needs, where they are
# missing. Run as root; elsewhere it names what is missing and fails (exit 1),
# so that the make target that needs them stops there.
#
#   tools/install-deps.sh GROUP...
#
# Groups: build (raeval itself), test (every test of `make test`), tidy,
# sanitize (the clang sanitizer and fuzz builds), web (the page), windows
# (the cross-compiled raeval.exe and its tests under wine), package.
set -euo pipefail

declare -A groups=(
  [build]="cmake ninja-build g++"
  [test]="cmake ninja-build g++ libgtest-dev python3 dpkg-dev file binutils lintian"
  [tidy]="clang-tidy"
  [sanitize]="clang libclang-rt-14-dev"
  [web]="emscripten chromium nodejs"
  [windows]="g++-mingw-w64-x86-64-posix wine64 zip"
  [package]="dpkg-dev file binutils lintian"
)

if (($# == 0)); then
  echo "usage: $0 GROUP... (groups: ${!groups[*]})" >&2
  exit 2
fi

missing=()
for group in "$@"; do
  if [[ -z ${groups[$group]+set} ]]; then
    echo "$0: no group $group (groups: ${!groups[*]})" >&2
    exit 2
  fi
  for package in ${groups[$group]}; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
      [[ " ${missing[*]} " == *" $package "* ]] || missing+=("$package")
    fi
  done
done
# npm comes with some builds of node itself, where Debian's npm package
# would conflict with it: it is installed only where the command is missing.
if [[ " $* " == *" web "* ]] && ! command -v npm >/dev/null; then
  missing+=(npm)
fi
((${#missing[@]} == 0)) && exit 0

if ((EUID != 0)) || ! command -v apt-get >/dev/null; then
  echo "$0: missing packages for ${*}: ${missing[*]}" >&2
  echo "Install them (as root: apt-get install ${missing[*]}), then run again." >&2
  exit 1
fi
echo "Installing ${missing[*]}" >&2
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
