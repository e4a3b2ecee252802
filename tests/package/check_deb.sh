#!/usr/bin/env bash
# Builds the Debian package of a build with cpack, unpacks it with dpkg-deb
# into a temporary folder and checks it: its metadata, that it holds raeval
# and raeval-check, their compressed manual pages, its copyright file and
# changelog (and nothing outside /usr/bin, /usr/share/man, /usr/share/doc/raeval
# and its lintian overrides), that lintian finds no error or warning in it, and
# that the packaged raeval answers the packaged example as expected and the
# packaged raeval-check's audit of each packaged sheet is clean. Exits with 77
# (skipped) where dpkg-deb or lintian is not installed.
#
#   check_deb.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail

if (($# != 3)); then
  echo "usage: $0 BUILD_DIR SOURCE_DIR VERSION" >&2
  exit 2
fi
build=$1
source=$2
version=$3

for tool in dpkg-deb lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP $tool is not installed"
    exit 77
  fi
done
for tool in cpack dpkg-shlibdeps file readelf gzip; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP $tool is not installed (tools/install-deps.sh package)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack -G DEB"
  exit 1
fi
debs=("$work"/out/*.deb)
if ((${#debs[@]} != 1)) || [[ ! -f ${debs[0]} ]]; then
  cat "$work/cpack.log"
  fail "cpack made no single .deb: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[[ $(basename "$deb") == "raeval_${version}_${arch}.deb" ]] ||
  fail "package file is named $(basename "$deb"), not raeval_${version}_${arch}.deb"

# field NAME: the value of a control field.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == raeval ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), not $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == utils ]] || fail "Section: $(field Section), not utils"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
  fail "Maintainer is not a name and an address: $(field Maintainer)"
[[ $(field Maintainer) != *example* ]] || fail "Maintainer is a placeholder: $(field Maintainer)"
maintainer=$(sed -n 's/^RAEVAL_MAINTAINER:STRING=//p' "$build/CMakeCache.txt")
[[ $(field Maintainer) == "$maintainer" ]] ||
  fail "Maintainer is $(field Maintainer), not RAEVAL_MAINTAINER ($maintainer)"
[[ -n $(field Description) ]] || fail "no Description"
[[ -z $(field Homepage) ]] || fail "Homepage set: $(field Homepage)"
root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"

# Depends is worked out by dpkg-shlibdeps from the shared libraries that the
# binary needs: for a dynamically linked raeval the C library, and the C++
# library when it is linked to it, each with a minimum version; for a static
# one, nothing.
depends=$(field Depends)
needed=$(readelf -d "$root/usr/bin/raeval" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if [[ -z $needed ]]; then
  [[ -z $depends ]] || fail "a static raeval, yet Depends: $depends"
  echo "ok   raeval is linked statically and the package depends on nothing"
else
  libraries=(libc6)
  grep -q '^libstdc++\.so\.6$' <<<"$needed" && libraries+=(libstdc++6)
  for library in "${libraries[@]}"; do
    pattern="(^|, )${library//+/\\+} \(>= [^)]+\)"
    [[ $depends =~ $pattern ]] ||
      fail "Depends does not hold a versioned $library: $depends"
  done
fi

doc=$root/usr/share/doc/raeval
for program in raeval raeval-check; do
  [[ -x $root/usr/bin/$program ]] || fail "usr/bin/$program is missing or not executable"
  if [[ -f $root/usr/share/man/man1/$program.1.gz ]]; then
    gzip -dc "$root/usr/share/man/man1/$program.1.gz" | cmp -s "$source/man/$program.1" - ||
      fail "usr/share/man/man1/$program.1.gz differs from man/$program.1"
  else
    fail "the compressed manual page usr/share/man/man1/$program.1.gz is not in the package"
  fi
done
if [[ -f $doc/copyright ]]; then
  [[ $(head -1 "$doc/copyright") == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
    fail "usr/share/doc/raeval/copyright is not in the machine-readable format"
  grep -qx "Copyright: 2026 the raeval developers" "$doc/copyright" ||
    fail "usr/share/doc/raeval/copyright names no copyright holder"
  # The licence's text, every line of it, with its paragraphs.
  sed -n '5,$p' "$source/LICENSE" | sed 's/^$/./; s/^/ /' >"$work/licence"
  awk '/^License: Expat$/ { text = ""; next } { text = text $0 "\n" } END { printf "%s", text }' \
    "$doc/copyright" | diff -u "$work/licence" - ||
    fail "usr/share/doc/raeval/copyright does not hold LICENSE's text"
else
  fail "usr/share/doc/raeval/copyright is not in the package"
fi
gzip -dc "$doc/changelog.gz" 2>/dev/null | head -1 | grep -qF "raeval ($version) " ||
  fail "usr/share/doc/raeval/changelog.gz does not begin with version $version"

unexpected=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort |
  grep -Ev '^\./usr/(bin/raeval(-check)?|share/man/man1/raeval(-check)?\.1\.gz|share/doc/raeval/.+|share/lintian/overrides/raeval)$')
[[ -z $unexpected ]] || fail "files outside the expected places:"$'\n'"$unexpected"

# lintian, as Debian's archive runs it: no error and no warning. Its notes
# (I:) and the overrides that the package states are shown, not counted.
lintian --tag-display-limit 0 --display-info --show-overrides "$deb" >"$work/lintian.log" 2>&1
sed 's/^/lintian: /' "$work/lintian.log" | grep -v 'running with root privileges'
if grep -Eq '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports errors or warnings"
fi

if [[ -x $root/usr/bin/raeval ]]; then
  examples="$root/usr/share/doc/raeval/examples"
  "$root/usr/bin/raeval" "$examples/employees.txt" "$work/out.txt"
  status=$?
  ((status == 0)) || fail "packaged raeval exited with status $status"
  diff -u "$source/examples/employees.expected" "$work/out.txt" ||
    fail "packaged raeval on the packaged employees.txt"
  # The packaged binary's own diagnostics work too.
  stdout=$("$root/usr/bin/raeval" 2>&1)
  status=$?
  [[ $stdout == "Not enough arguments!" && $status -eq 255 ]] ||
    fail "packaged raeval without arguments: status $status, output: $stdout"
fi
if [[ -x $root/usr/bin/raeval-check ]]; then
  for sheet in "$root"/usr/share/doc/raeval/examples/sheets/*.sheet; do
    "$root/usr/bin/raeval-check" --audit "$sheet" >"$work/audit" 2>&1 ||
      { cat "$work/audit"; fail "packaged raeval-check --audit $(basename "$sheet")"; }
  done
  [[ -n ${sheet-} && -f ${sheet-} ]] || fail "no sheet in usr/share/doc/raeval/examples/sheets"
fi

if ((failures == 0)); then
  echo "ok   $(basename "$deb"): metadata, contents and the packaged raeval"
  dpkg-deb -I "$deb" | sed -n '/Package:/,$p'
fi
((failures == 0))
