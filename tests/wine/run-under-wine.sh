#!/usr/bin/env bash
# CTest's emulator for the Windows test programs: runs one under Wine in the
# kit's private prefix.  $1 is the Wine folder, the rest the program and its
# arguments.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/prepare-prefix.sh" "$1" || exit 1
# shellcheck source=wine-env.sh
source "$here/wine-env.sh" "$1"
shift

# Wine's desktop helper process, started by the first program that needs a
# window, inherits that program's output handles and outlives it.  Handing
# Wine a file instead of CTest's pipe keeps CTest from waiting on the helper.
output=$(mktemp "$wine_dir/output.XXXXXX")
"$WINE_LOADER" "$@" >"$output" 2>&1 </dev/null
status=$?
# On a loaded machine Wine now and then fails to start a program at all: it
# ends with an error status before the program wrote a byte.  GoogleTest
# prints (and flushes) before any test runs, so such a start ran no test and
# is tried once more, saying so.
if [[ $status -ne 0 && ! -s $output ]]; then
  echo "run-under-wine: Wine ended with status $status before the program wrote anything; starting it again"
  "$WINE_LOADER" "$@" >"$output" 2>&1 </dev/null
  status=$?
fi
cat "$output"
# Wine reports exit code 0 for a program that another process terminated, so a
# test case counts only when GoogleTest said how it ended.
if [[ $status -eq 0 && " $* " == *" --gtest_filter="* ]] &&
  ! grep -qE '^\[  (PASSED  \] 1 test|SKIPPED \] 1 test)' "$output"; then
  echo "run-under-wine: the test program ended without reporting its result"
  status=1
fi
if [[ $status -ne 0 && ! -s $output ]]; then
  echo "run-under-wine: Wine ended with status $status and no output"
fi
rm -f "$output"
exit $status
