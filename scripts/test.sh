#!/usr/bin/env bash
# Builds everything and runs every test: native tests (ASan + UBSan), the Windows tests under
# Wine, and the end-to-end runs of setup.exe. Exits non-zero when any test fails.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
start=$(date +%s)
out=$SETUP_BUILD_DIR
status=0
bash "$top/scripts/check-includes.sh" || status=1
export SETUP_WINEPREFIX=${SETUP_WINEPREFIX:-$out/wineprefix}
bash "$top/scripts/build.sh" || exit 1

. "$top/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start

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
# The shipped i686 setup.exe runs end to end in every run: its whole suite where this machine
# runs 32-bit programs, else the sample's install and removal through qemu-user, else a plain
# statement that it was not run.
case " $SETUP_ARCHES " in
  *" i686 "*)
    if [ ! -x "$WINE32" ]; then
      echo "== i686: NOT RUN: 32-bit Wine is not installed (scripts/install-deps.sh could not get"
      echo "   it); the i686 setup.exe was built and its imports checked, but it was not tested here"
    elif [ "${SETUP_I686_WAY:-}" != emulated ] && "$top/scripts/can-run-32bit"; then
      echo "== i686: this machine runs 32-bit programs: the whole i686 suite"
      run_ctest i686
    elif bash "$top/scripts/emulate-i686.sh" on; then
      if [ "${SETUP_I686_WAY:-}" = emulated ]; then
        echo "== i686: emulation asked for (SETUP_I686_WAY=emulated): the sample's quiet install and"
      else
        echo "== i686: this machine runs no 32-bit programs natively: the sample's quiet install and"
      fi
      echo "   its removal through the recorded Uninstall command lines, under qemu-user"
      # A display of its own (without DISPLAY main.sh runs quietly) and a prefix of its own.
      env -u DISPLAY SETUP_WINEPREFIX="$out/emulated-wineprefix" SETUP_MAIN_ARCH=i686 \
        SETUP_MAIN_BUILD=0 SETUP_MAIN_SCREENSHOTS=0 bash "$top/scripts/main.sh" || status=1
      bash "$top/scripts/emulate-i686.sh" off
    else
      echo "== i686: NOT RUN: this machine runs no 32-bit programs and qemu-user could not be set"
      echo "   up; the i686 setup.exe was built and its imports checked, but it was not tested here"
    fi
    ;;
esac

# The sample scripts must check clean: any error or warning of "/check" fails the run. The
# i686 program checks them where this machine runs 32-bit programs.
echo "== /check on the samples"
for arch in $SETUP_ARCHES; do
  [ "$arch" = x86_64 ] || "$top/scripts/can-run-32bit" || continue
  for sample in orlavin minimal; do
    findings=$("$top/scripts/wine-run" "$out/$arch/examples/$sample/setup.exe" /check)
    rc=$?
    printf '%s\n' "$findings" | sed "s|^|$arch/$sample: |"
    if [ $rc -ne 0 ] || grep -q -E ': (error|warning): ' <<<"$findings"; then status=1; fi
  done
done

bash "$top/scripts/check-binaries.sh" || status=1
echo "test run took $(( $(date +%s) - start )) s"
exit $status
