#!/usr/bin/env bash
# Builds everything and runs every test: native tests (ASan + UBSan), the Windows tests under
# Wine, and the end-to-end runs of setup.exe. Exits non-zero when any test fails.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)
out=${SETUP_BUILD_DIR:-$top/build}
export SETUP_WINEPREFIX=${SETUP_WINEPREFIX:-$out/wineprefix}
bash "$top/scripts/build.sh" || exit 1

. "$top/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start

status=0
run_ctest() {
  local dir=$1; shift
  echo "== $dir"
  (cd "$out/$dir" && ctest --output-on-failure -j "${SETUP_TEST_JOBS:-2}" "$@") || status=1
}

run_ctest native
# Every fuzz target of the pure logic for a bounded time (a minute in all), with its run count.
echo "== fuzz"
bash "$top/scripts/fuzz.sh" || status=1
run_ctest x86_64
if [ "${SETUP_ARCHES:-i686 x86_64}" = x86_64 ]; then
  :
elif "$top/scripts/can-run-32bit"; then
  run_ctest i686
else
  # The kernel here runs no 32-bit programs natively: the i686 build is checked for its
  # imports and size, and its Windows tests run where 32-bit programs run.
  echo "== i686: this machine runs no 32-bit programs natively; i686 Windows tests skipped"
fi

[ "${SETUP_ARCHES:-i686 x86_64}" = x86_64 ] || bash "$top/scripts/check-binaries.sh" || status=1
echo "test run took $(( $(date +%s) - start )) s"
exit $status
