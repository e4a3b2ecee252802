#!/usr/bin/env bash
# Runs the end-to-end cases and the documentation's examples on raeval.exe,
# and the checker's cases on raeval-check.exe, under wine64, through wrapper
# scripts that stand in for the programs. The cases listed in skip.txt, with
# their reasons, do not apply there. Exits with
# 77 (skipped) where wine64 is not installed.
#
#   run_suite.sh WINDOWS_BUILD_DIR E2E_RUNNER SOURCE_DIR
set -uo pipefail

if (($# != 3)); then
  echo "usage: $0 WINDOWS_BUILD_DIR E2E_RUNNER SOURCE_DIR" >&2
  exit 2
fi
build=$(realpath "$1")
runner=$(realpath "$2")
source=$(realpath "$3")

# Debian's wine64 puts its loader here, not on the PATH.
wine=/usr/lib/wine/wine64
if [[ ! -x $wine ]]; then
  echo "SKIP wine64 is not installed"
  exit 77
fi
exe=$build/raeval.exe
check_exe=$build/raeval-check.exe
for binary in "$exe" "$check_exe"; do
  if [[ ! -f $binary ]]; then
    echo "FAIL no $binary: run make windows first"
    exit 1
  fi
done

# wine's own messages stay out of standard error. Its first start builds the
# prefix, which takes longer than the runner gives a run, so it is done once
# here.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "Creating the wine prefix $WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1
fi

# One wine server for the whole suite, instead of one started for each run;
# it is stopped at the end.
wineserver=/usr/lib/wine/wineserver
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null' EXIT

# wrap WRAPPER EXE: writes the script that stands in for a program. On a
# loaded machine wine itself now and then fails a run: its client loses its
# server ("wine client error"), or wine faults inside itself ("wine: Unhandled
# page fault ..."), where the same run passes when made again. Such a run is
# made again, up to three times; each retry is listed in wine-retries.log
# and shown at the end, and a program that faults every time still fails.
retries=$build/wine-retries.log
: >"$retries"
wrap() {
  cat >"$1" <<WRAPPER
#!/usr/bin/env bash
out=\$(mktemp) err=\$(mktemp)
trap 'rm -f "\$out" "\$err"' EXIT
for try in 1 2 3; do
  $(printf '%q %q' "$wine" "$2") "\$@" >"\$out" 2>"\$err"
  status=\$?
  grep -qE '^wine( client error|: Unhandled)' "\$err" || break
  echo "\$(basename $(printf '%q' "$2")) \$*: \$(grep -m1 -E '^wine' "\$err")" >>$(printf '%q' "$retries")
done
cat "\$out"
cat "\$err" >&2
exit \$status
WRAPPER
  chmod +x "$1"
}
program=$build/raeval-wine
check_program=$build/raeval-check-wine
wrap "$program" "$exe"
wrap "$check_program" "$check_exe"

failures=0
# check COMMAND...: runs a check, shows its failures and its summary line.
check() {
  local log
  log=$(mktemp)
  "$@" >"$log" 2>&1
  local status=$?
  grep -v '^ok ' "$log"
  rm -f "$log"
  ((status == 0)) || failures=$((failures + 1))
}

echo "End-to-end cases on $exe"
mapfile -t cases < <(bash "$source/tests/e2e/case_files.sh" "$build/e2e-generated")
check "$runner" --skip "$source/tests/windows/skip.txt" "$program" "${cases[@]}"

echo "The checker's cases on $check_exe"
check "$runner" --skip "$source/tests/windows/skip.txt" "$check_program" "$source"/tests/e2e/checker/*.test

echo "The documentation's examples on $exe"
check bash "$source/tests/examples/run_groups.sh" "$program" "$source"

echo "The checker's documented sessions on $check_exe"
check bash "$source/tests/examples/run_check_examples.sh" "$check_program" "$source/tests/examples/checker" "$source"

if [[ -s $retries ]]; then
  echo "Runs that wine itself failed, each made again:"
  cat "$retries"
fi

((failures == 0))
