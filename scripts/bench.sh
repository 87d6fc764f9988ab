#!/usr/bin/env bash
# Benchmark: setup.exe /quiet and /silent against a plain cp -r, the bare Setup API (rundll32
# setupapi.dll, InstallHinfSection on the same setup.inf) and NSIS installers of the same files, on the same
# generated payloads, under one warm wineserver; and the media packed into one file by
# setup.exe /pack: (the time to pack, the file's size against NSIS's, a silent install from it).
# Prints a markdown table and writes it to build/bench/results.md.
#
#   bash scripts/bench.sh [--quick] [--runs=N] [--large-runs=N] [--startup-only] [--no-build]
#                         [--baseline=PATH]
#
# --quick: 2 runs and payloads a tenth of the size (for development); --runs=N: N timed runs
# per case after the warm-up (default 5); --large-runs=N: only N of them for the payloads of
# 20,000 files (default: all), which the warm-up leaves out (they are fresh in the page cache
# from their generation anyway); --startup-only: only the start-up cases and the sizes, into
# build/bench/startup.md; --no-build: use the build that is there; --baseline=PATH: also time
# another x86_64 setup.exe (an earlier build) in the same rounds, interleaved with this one.
# Each setup.exe and the Setup API also install once more over their installed copy.
# SETUP_BUILD_DIR puts everything below another build folder (default build/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
export SETUP_BUILD_DIR=$out
runs=5
large_runs=
startup_only=0
quick=0
build=1
baseline=
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1; runs=2 ;;
    --runs=*) runs=${arg#--runs=} ;;
    --large-runs=*) large_runs=${arg#--large-runs=} ;;
    --startup-only) startup_only=1 ;;
    --no-build) build=0 ;;
    --baseline=*) baseline=$(realpath "${arg#--baseline=}") ;;
    *) echo "usage: bench.sh [--quick] [--runs=N] [--large-runs=N] [--startup-only] [--no-build] [--baseline=PATH]" >&2; exit 2 ;;
  esac
done
large_runs=${large_runs:-$runs}
large_files=20000
export LC_ALL=C.UTF-8 LANG=C.UTF-8

# What the benchmark needs beyond the build: makensis and GNU time (peak memory).
if [ "${SETUP_SKIP_DEPS:-0}" != 1 ]; then
  bash "$top/scripts/install-deps.sh"
  missing=()
  for p in nsis time; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || echo "apt-get update reported errors; installing from the indexes it has"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
if [ $build = 1 ]; then
  SETUP_SKIP_DEPS=1 bash "$top/scripts/build.sh"
fi
exe64=$out/x86_64/setup.exe
noop=$out/x86_64/tests/tools/noop/noop.exe
onewindow=$out/x86_64/tests/tools/onewindow/onewindow.exe
for f in "$exe64" "$noop" "$onewindow"; do
  [ -f "$f" ] || { echo "FAIL: no $f: build first (scripts/build.sh)" >&2; exit 1; }
done

bench=$out/bench
export SETUP_WINEPREFIX=$out/bench-prefix
# The target folder, as Windows and as Linux see it: dirid 24 is the system drive's root.
target_name=BenchTarget
target_win="C:\\$target_name"
target=$SETUP_WINEPREFIX/drive_c/$target_name

# Old results are moved aside, not deleted: deleting a large tree right before the timed runs
# would slow file creation during them. The aside folders go at the end.
mkdir -p "$bench"
trash=$out/bench-trash.$$
mkdir -p "$trash"
for old in "$bench"/payloads "$bench"/empty; do
  [ -e "$old" ] && mv "$old" "$trash/$(basename "$old").old"
done
mkdir -p "$bench/payloads"
trash_count=0
move_aside() { trash_count=$((trash_count + 1)); mv "$1" "$trash/$trash_count"; }

# One Xvfb and one warm wineserver of the benchmark's own prefix for the whole run.
SETUP_OWN_DISPLAY=1
source "$top/scripts/wine-session.sh"
finish() {
  wine_session_stop
  rm -rf "$trash"
}
trap finish EXIT
wine_session_start || { echo "no X display could be started" >&2; exit 1; }
# rundll32 by its file: by name, Wine would start it through start.exe, one process more, and
# GNU time would see start.exe instead of the process that does the work.
rundll32=$SETUP_WINEPREFIX/drive_c/windows/system32/rundll32.exe
[ -e "$target" ] && move_aside "$target"
# Leftovers of an interrupted earlier run.
"$WINE64" reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bench' /f >/dev/null 2>&1 || true

# Payloads: name, files, bytes per file, folders, label. The 1 KiB payloads keep 200 files per
# folder, so that the series 1,000 / 5,000 / 20,000 shows the cost per file as the count grows.
if [ $startup_only = 1 ]; then
  payloads=()
elif [ $quick = 1 ]; then
  payloads=(
    "small4k 200 4096 2 200 files of 4 KiB in 2 folders"
    "big512k 20 524288 1 20 files of 512 KiB"
    "n1000 100 1024 1 100 files of 1 KiB"
    "n5000 500 1024 3 500 files of 1 KiB in 3 folders"
    "n20000 2000 1024 10 2,000 files of 1 KiB in 10 folders"
  )
else
  payloads=(
    "small4k 2000 4096 20 2,000 files of 4 KiB in 20 folders"
    "big512k 200 524288 1 200 files of 512 KiB"
    "n1000 1000 1024 5 1,000 files of 1 KiB in 5 folders"
    "n5000 5000 1024 25 5,000 files of 1 KiB in 25 folders"
    "n20000 20000 1024 100 20,000 files of 1 KiB in 100 folders"
  )
fi
declare -A files_of label_of
names=()
[ ${#payloads[@]} -eq 0 ] || echo "generating payloads and NSIS installers..."
for p in ${payloads[@]+"${payloads[@]}"}; do
  read -r name files size folders label <<<"$p"
  names+=("$name")
  files_of[$name]=$files
  label_of[$name]=$label
  dir=$bench/payloads/$name
  perl "$top/bench/make-payload.pl" "$dir" "$files" "$size" "$folders" "$exe64" "$target_win" "$target_name"
  [ -z "$baseline" ] || cp "$baseline" "$dir/media/baseline.exe"
  for kind in store zlib; do
    makensis -V1 "$dir/$kind.nsi" >"$dir/$kind.log" 2>&1 || { cat "$dir/$kind.log"; echo "FAIL: makensis $name $kind" >&2; exit 1; }
  done
done

# The start-up case: a script that copies only what a product needs to be removable again,
# setup.exe and setup.inf (an install without them cannot register and fails).
mkdir -p "$bench/empty"
cp "$exe64" "$bench/empty/setup.exe"
printf '[Version]\r\nSignature="$Chicago$"\r\n\r\n[Products]\r\nEmpty = "Nothing", Empty.Install, Empty.Remove, 1, 0, "Nothing to copy", 1.0\r\n\r\n[Empty.Install]\r\nCopyFiles = Empty.Files\r\n\r\n[Empty.Files]\r\nsetup.exe\r\nsetup.inf\r\n\r\n[DestinationDirs]\r\nDefaultDestDir = 24, "%s"\r\n' \
  "$target_name" >"$bench/empty/setup.inf"

winpath() { echo "Z:${1//\//\\}"; }

raw=$bench/raw.tsv
: >"$raw"
memfile=$bench/mem.txt
errfile=$bench/err.txt

# Runs one timed case; appends "payload case run seconds peakKiB" unless it is the warm-up.
# A command that fails ends the benchmark.
timed() {
  local payload=$1 kase=$2 run=$3; shift 3
  local t0 t1 rc=0
  # What the case before left unwritten is written first, so that no case pays for another's.
  sync
  t0=$EPOCHREALTIME
  # A run that waits for a person (an error box of a quiet run) would hold the benchmark for
  # ever: ten minutes end it as a failure.
  timeout 600 /usr/bin/time -f '%M' -o "$memfile" "$@" >/dev/null 2>"$errfile" || rc=$?
  t1=$EPOCHREALTIME
  if [ $rc -ne 0 ]; then
    echo "FAIL: $kase on $payload (run $run) exited with $rc: $*" >&2
    cat "$errfile" >&2
    exit 1
  fi
  [ "$run" = warmup ] && return 0
  printf '%s\t%s\t%s\t%s\t%s\n' "$payload" "$kase" "$run" \
    "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')" "$(tail -n 1 "$memfile")" >>"$raw"
}

# Files and bytes below the target, as "files bytes"; the install record that setup.exe keeps
# beside its copy is not the payload's.
target_content() {
  if [ -d "$target" ]; then
    find "$target" -type f ! -name '*.install-record.txt' -printf '%s\n' |
      awk '{ n++; b += $1 } END { print n + 0, b + 0 }'
  else
    echo "0 0"
  fi
}

verify_installed() {
  local payload=$1 kase=$2 run=$3 got want
  got=$(target_content)
  want=$(cat "$bench/payloads/$payload/expected")
  if [ "$got" != "$want" ]; then
    echo "FAIL: $kase on $payload (run $run) left \"$got\" (files bytes) in $target, expected \"$want\"" >&2
    exit 1
  fi
}

verify_removed() {
  local payload=$1 kase=$2 run=$3 got
  got=$(target_content)
  if [ "$got" != "0 0" ]; then
    echo "FAIL: $kase on $payload (run $run) left \"$got\" (files bytes) in $target" >&2
    exit 1
  fi
}

# One unit per installer: its install, checked, then its removal (or the target moved aside).
unit_cp() {
  local p=$1 r=$2
  timed "$p" "install cp -r" "$r" cp -r "$bench/payloads/$p/tree" "$target"
  verify_installed "$p" "cp -r" "$r"
  timed "$p" "remove rm -r" "$r" rm -r "$target"
  verify_removed "$p" "rm -r" "$r"
}
unit_bare() {
  local p=$1 r=$2 inf
  inf=$(winpath "$bench/payloads/$p/media/setup.inf")
  timed "$p" "install Setup API" "$r" "$WINE64" "$rundll32" setupapi.dll,InstallHinfSection Bench.Install 128 "$inf"
  verify_installed "$p" "Setup API install" "$r"
  timed "$p" "reinstall Setup API" "$r" "$WINE64" "$rundll32" setupapi.dll,InstallHinfSection Bench.Install 128 "$inf"
  verify_installed "$p" "Setup API reinstall" "$r"
  timed "$p" "remove Setup API" "$r" "$WINE64" "$rundll32" setupapi.dll,InstallHinfSection Bench.Remove 128 "$inf"
  verify_removed "$p" "Setup API removal" "$r"
  # DelFiles leaves the emptied folders; they hold no files, so removing them is cheap.
  [ -e "$target" ] && rm -r "$target"
  return 0
}
unit_nsis() {
  local p=$1 r=$2 kind=$3
  timed "$p" "install NSIS $kind" "$r" "$WINE64" "$bench/payloads/$p/$kind.exe" /S
  verify_installed "$p" "NSIS $kind" "$r"
  move_aside "$target"
}
# mode: quiet (the wizard presses its own buttons) or silent (no window at all); program:
# setup.exe, or baseline.exe (the earlier build). A silent run also installs once more over
# the installed copy.
unit_setup() {
  local p=$1 r=$2 mode=$3 program=${4:-setup.exe}
  local exe=$bench/payloads/$p/media/$program
  timed "$p" "install $program $mode" "$r" "$WINE64" "$exe" /$mode /install:Bench
  verify_installed "$p" "$program /$mode install" "$r"
  if [ "$mode" = silent ]; then
    timed "$p" "reinstall $program $mode" "$r" "$WINE64" "$exe" /$mode /install:Bench
    verify_installed "$p" "$program /$mode reinstall" "$r"
  fi
  timed "$p" "remove $program $mode" "$r" "$WINE64" "$exe" /$mode /remove:Bench
  verify_removed "$p" "$program /$mode removal" "$r"
  if [ -e "$target" ]; then
    echo "FAIL: setup.exe /$mode removal on $p (run $r) left the emptied folder $target" >&2
    exit 1
  fi
}
# The media packed into one file by their setup.exe, then a silent install from that file,
# unpacking included; the removal afterwards (by the media's program) is not timed.
unit_packed() {
  local p=$1 r=$2 media=$bench/payloads/$1/media packed=$bench/payloads/$1/packed.exe
  timed "$p" "pack setup.exe" "$r" "$WINE64" "$media/setup.exe" "/pack:$(winpath "$packed")"
  timed "$p" "install setup.exe packed silent" "$r" "$WINE64" "$packed" /silent /install:Bench
  verify_installed "$p" "packed setup.exe /silent install" "$r"
  if ! "$WINE64" "$media/setup.exe" /silent /remove:Bench >/dev/null 2>&1; then
    echo "FAIL: the removal after the packed install on $p (run $r) failed" >&2
    exit 1
  fi
  verify_removed "$p" "setup.exe /silent removal after the packed install" "$r"
  [ -e "$target" ] && rm -r "$target"
  return 0
}
unit_startup() {
  local r=$1 inf
  inf=$(winpath "$bench/empty/setup.inf")
  timed empty "start noop.exe" "$r" "$WINE64" "$noop"
  timed empty "start onewindow.exe" "$r" "$WINE64" "$onewindow"
  timed empty "start setup.exe quiet" "$r" "$WINE64" "$bench/empty/setup.exe" /quiet
  timed empty "start setup.exe silent" "$r" "$WINE64" "$bench/empty/setup.exe" /silent
  timed empty "start Setup API" "$r" "$WINE64" "$rundll32" setupapi.dll,InstallHinfSection Empty.Install 128 "$inf"
  # The two files that each of them copied go, so that the payloads find their target empty.
  [ -e "$target" ] && rm -r "$target"
  return 0
}

units=(cp bare "nsis store" "nsis zlib" "setup quiet" "setup silent" packed)
[ -z "$baseline" ] || units+=("baseline silent")
load_before=$(uptime)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
t_start=$SECONDS
# Round 0 is the warm-up; in every round the payloads and the installers take turns, and the
# installers' order turns by one each round.
for round in $(seq 0 "$runs"); do
  r=$round
  [ "$round" = 0 ] && r=warmup
  echo "round $r  ($(uptime | sed 's/.*load/load/'))"
  unit_startup "$r"
  for name in ${names[@]+"${names[@]}"}; do
    if [ "${files_of[$name]}" -ge $large_files ] || { [ $quick = 1 ] && [ "${files_of[$name]}" -ge $((large_files / 10)) ]; }; then
      [ "$round" = 0 ] || [ "$round" -gt "$large_runs" ] && continue
    fi
    n=${#units[@]}
    for i in $(seq 0 $((n - 1))); do
      u=${units[$(((i + round) % n))]}
      case "$u" in
        cp) unit_cp "$name" "$r" ;;
        bare) unit_bare "$name" "$r" ;;
        "nsis store") unit_nsis "$name" "$r" store ;;
        "nsis zlib") unit_nsis "$name" "$r" zlib ;;
        "setup quiet") unit_setup "$name" "$r" quiet ;;
        "setup silent") unit_setup "$name" "$r" silent ;;
        "baseline silent") unit_setup "$name" "$r" silent baseline.exe ;;
        packed) unit_packed "$name" "$r" ;;
      esac
    done
  done
done
elapsed=$((SECONDS - t_start))
load_after=$(uptime)

# Sizes and import tables of both setup.exe files.
sizes=$bench/sizes.md
{
  echo "| File | Bytes | KiB | Languages (of its resources) | Imports |"
  echo "|---|---:|---:|---:|---|"
  for arch in $SETUP_ARCHES; do
    exe=$out/$arch/setup.exe
    if [ ! -f "$exe" ]; then
      echo "| build/$arch/setup.exe | not built | | | |"
      continue
    fi
    bytes=$(stat -c %s "$exe")
    dlls=$("$arch-w64-mingw32-objdump" -p "$exe" | awk '/DLL Name/ { print $3 }' | paste -sd ' ')
    langs=$("$arch-w64-mingw32-windres" -i "$exe" -O rc 2>/dev/null | awk '/^LANGUAGE/ && $2 != "0," { print $2 $3 }' | sort -u | wc -l)
    kib=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1024 }')
    printf '| build/%s/setup.exe | %d | %s | %s | %s |\n' "$arch" "$bytes" "$kib" "$langs" "$dlls"
  done
} >"$sizes"

# Sizes of what is shipped: the media folder's files, the packed file, NSIS's installers.
packsizes=$bench/packsizes.tsv
: >"$packsizes"
for name in ${names[@]+"${names[@]}"}; do
  dir=$bench/payloads/$name
  [ -f "$dir/packed.exe" ] || continue
  printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$(cut -d' ' -f2 "$dir/expected")" \
    "$(stat -c %s "$dir/packed.exe")" "$(stat -c %s "$dir/zlib.exe")" \
    "$(stat -c %s "$dir/store.exe")" >>"$packsizes"
done

results=$bench/results.md
[ $startup_only = 1 ] && results=$bench/startup.md
stubs="64-bit stubs"
"$top/scripts/can-run-32bit" || stubs="64-bit stubs: this machine runs no 32-bit programs"
perl "$top/bench/report.pl" "$raw" "$sizes" "$packsizes" "$out/i686/setup.exe" "$stubs" \
  "$started" "$runs" "$large_runs" "$quick" "$elapsed" "$load_before" "$load_after" \
  "$("$WINE64" --version 2>/dev/null || echo wine)" "$(makensis -VERSION)" \
  ${payloads[@]+"${payloads[@]}"} >"$results"
cat "$results"
echo
echo "written to $results"
