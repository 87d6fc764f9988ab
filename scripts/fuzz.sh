#!/usr/bin/env bash
# Builds the fuzz targets of the pure logic with clang and libFuzzer (ASan + UBSan) and runs
# each one, printing its execution count; exits non-zero when a target finds a failing input.
#   scripts/fuzz.sh                     every target, SETUP_FUZZ_SECONDS (default 60) in all
#   scripts/fuzz.sh -runs=10000000 T..  the named targets (default all) for that many runs
# Leading options that begin with "-" go to every target as libFuzzer options.
# Failing inputs land in <build>/fuzz/crashes; copy one into tests/fuzz/corpus/<target> to
# keep it as a regression test of the native build.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
dir=$out/fuzz

limit=()
bounded=0
while [ $# -gt 0 ] && [[ $1 == -* ]]; do
  [[ $1 == -runs=* || $1 == -max_total_time=* ]] && bounded=1
  limit+=("$1")
  shift
done
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(sed -n '/^set(SETUP_FUZZ_TARGETS/,/)/p' "$top/tests/fuzz/CMakeLists.txt" |
             tr -d '()' | sed 's/set//; s/SETUP_FUZZ_TARGETS//' | tr -s ' \n' ' '))
fi
if [ $bounded -eq 0 ]; then
  total=${SETUP_FUZZ_SECONDS:-60}
  each=$(( total / ${#targets[@]} ))
  [ "$each" -ge 1 ] || each=1
  limit+=("-max_total_time=$each")
fi

CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSETUP_FUZZ=ON >/dev/null || exit 1
if ! cmake --build "$dir" --target fuzz_targets -j "${SETUP_JOBS:-$(nproc)}" 2>&1 |
    { grep -v -E '^\[ *[0-9]+%\]' || true; }; then
  echo "fuzz.sh: the fuzz targets did not build" >&2
  exit 1
fi

status=0
mkdir -p "$dir/crashes"
for target in "${targets[@]}"; do
  work=$dir/corpus/$target
  mkdir -p "$work"
  log=$dir/$target.log
  start=$(date +%s)
  # New inputs go to the build's own corpus; the seeds in the tree are only read.
  "$dir/tests/fuzz/fuzz_$target" "${limit[@]}" -print_final_stats=1 \
      -artifact_prefix="$dir/crashes/$target-" "$work" "$top/tests/fuzz/corpus/$target" \
      >"$log" 2>&1
  rc=$?
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -1)
  printf 'fuzz %-20s %12s runs in %4d s, corpus %5d inputs%s\n' "$target" "${runs:-?}" \
    "$(( $(date +%s) - start ))" "$(ls "$work" | wc -l)" "$([ $rc -eq 0 ] || echo ", FAILED (see $log)")"
  if [ $rc -ne 0 ]; then
    grep -E 'ERROR|check failed|runtime error|Test unit written' "$log" | head -5
    status=1
  fi
done
exit $status
