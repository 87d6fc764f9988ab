#!/usr/bin/env bash
# Benchmark: setup scripts with many products of one file each (bench/make-products.pl). For
# each product count it prints the wall time of a silent install of every product, of a quiet
# install (the wizard, its components page listing every product), of the silent removal of one
# product while the others stay, and of the bare Setup API copying the same file lists through
# one section of the same script (rundll32 setupapi.dll,InstallHinfSection), each with its cost
# per product, and writes the table to build/bench-products/results.md.
#
#   bash scripts/bench-products.sh [COUNT...]        (default: 100 1000 3000)
#
# Needs a built tree (scripts/build.sh); runs the x86_64 setup.exe in a Wine prefix of its own
# (build/products-prefix) under one warm wineserver. One run per case: compare the figures of
# one run, as the machine is shared.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
export SETUP_BUILD_DIR=$out
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(100 1000 3000)
exe=$out/x86_64/setup.exe
[ -f "$exe" ] || { echo "FAIL: no $exe: build first (scripts/build.sh)" >&2; exit 1; }

bench=$out/bench-products
export SETUP_WINEPREFIX=$out/products-prefix
SETUP_OWN_DISPLAY=1
source "$top/scripts/wine-session.sh"
# Installed trees are moved aside while measuring and deleted at the end: deleting them at once
# would slow the file creation of the next timed run.
trash=$out/bench-products-trash.$$
mkdir -p "$bench" "$trash"
finish() {
  wine_session_stop
  rm -rf "$trash"
}
trap finish EXIT
wine_session_start || { echo "no X display could be started" >&2; exit 1; }
export LC_ALL=C.UTF-8 LANG=C.UTF-8
rundll32=$SETUP_WINEPREFIX/drive_c/windows/system32/rundll32.exe
program_files=$SETUP_WINEPREFIX/drive_c/Program\ Files
uninstall='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
winpath() { echo "Z:${1//\//\\}"; }

# Seconds that a command takes, with its exit code checked against the expected one.
timed() {
  local expected=$1; shift
  local start end rc=0
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || rc=$?
  end=$(date +%s.%N)
  [ "$rc" = "$expected" ] || { echo "FAIL: exit code $rc, not $expected: $*" >&2; exit 1; }
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
}

# Takes away what an install left: the Uninstall entries (one regedit run) and the target.
forget_install() {
  local n=$1 reg=$bench/forget.reg
  { printf 'REGEDIT4\r\n\r\n'
    for i in $(seq 0 $((n - 1))); do printf '[-%s\\BenchP%04d]\r\n' "$uninstall" "$i"; done
    printf '[-%s\\BenchProducts]\r\n' "$uninstall"; } >"$reg"
  "$WINE64" regedit /s "$(winpath "$reg")" >/dev/null 2>&1
  for folder in "$program_files/Bench Products" "$SETUP_WINEPREFIX/drive_c/Bench Bare"; do
    [ -e "$folder" ] && mv "$folder" "$trash/$(date +%s%N)"
  done
  return 0
}

count_files() { find "$1" -name 'p*.txt' 2>/dev/null | wc -l; }
per_product() { awk -v t="$1" -v n="$2" 'BEGIN { printf "%.2f", 1000 * t / n }'; }

rows=()
for n in "${counts[@]}"; do
  media=$bench/m$n
  rm -rf "$media"
  perl "$top/bench/make-products.pl" "$media" "$n"
  cp "$exe" "$media/setup.exe"
  forget_install "$n"

  silent=$(timed 0 "$WINE64" "$media/setup.exe" /silent)
  [ "$(count_files "$program_files/Bench Products")" = "$n" ] ||
    { echo "FAIL: the silent install of $n products left $(count_files "$program_files/Bench Products") files" >&2; exit 1; }
  removal=$(timed 0 "$WINE64" "C:\\Program Files\\Bench Products\\setup.exe" /silent /remove:BenchP0000)
  [ "$(count_files "$program_files/Bench Products")" = "$((n - 1))" ] ||
    { echo "FAIL: the removal of one of $n products did not take exactly its file" >&2; exit 1; }
  forget_install "$n"

  quiet=$(timed 0 "$WINE64" "$media/setup.exe" /quiet)
  [ "$(count_files "$program_files/Bench Products")" = "$n" ] ||
    { echo "FAIL: the quiet install of $n products did not install them all" >&2; exit 1; }
  forget_install "$n"

  bare=$(timed 0 "$WINE64" "$rundll32" setupapi.dll,InstallHinfSection Bare 128 "$(winpath "$media/bare.inf")")
  [ "$(count_files "$SETUP_WINEPREFIX/drive_c/Bench Bare")" = "$n" ] ||
    { echo "FAIL: the bare Setup API did not copy the $n files" >&2; exit 1; }
  forget_install "$n"

  rows+=("| $n | $silent | $(per_product "$silent" "$n") | $quiet | $(per_product "$quiet" "$n") | $removal | $bare | $(per_product "$bare" "$n") |")
  echo "$n products: silent install $silent s, quiet install $quiet s, removal of one $removal s, bare Setup API $bare s"
done

{
  echo "Products of one file each; wall-clock seconds of the whole process, one warm wineserver, one run per case; $(uptime)."
  echo
  echo "| Products | silent install s | ms/product | quiet install s | ms/product | removal of one s | bare Setup API s | ms/product |"
  echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
  printf '%s\n' "${rows[@]}"
} | tee "$bench/results.md"
