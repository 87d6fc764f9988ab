#!/usr/bin/env bash
# Prints how long RunSections takes under Wine to copy and then delete many small files.
#   scripts/bench-runner.sh [x86_64 build tree (build/x86_64)] [file count (1000)] [rounds (5)]
# Needs a built tree (scripts/build.sh); uses the Wine prefix beside it, as its tests do.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
tree=$(cd "${1:-$SETUP_BUILD_DIR/x86_64}" && pwd)
files=${2:-1000}
rounds=${3:-5}
cmake --build "$tree" --target benchrunner >/dev/null
tool="$tree/tests/tools/benchrunner/benchrunner.exe"
output=$("$top/scripts/wine-run" --prefix="$(dirname "$tree")/wineprefix" "$tool" "$files" "$rounds" | tr -d '\r')
echo "$output"
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
install=$(echo "$output" | sed -n 's/^round .*install \([0-9]*\) ms.*/\1/p' | median)
remove=$(echo "$output" | sed -n 's/^round .*remove \([0-9]*\) ms.*/\1/p' | median)
echo "median: install $install ms, remove $remove ms for $files files"
