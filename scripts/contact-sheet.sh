#!/usr/bin/env bash
# Contact sheet of the wizard's pages: every page template of every language shown as a real
# dialog under Xvfb and Wine, one screenshot per language, and all nine side by side:
#   <build>/contact-sheet/<language>.png   the fourteen templates of one language
#   <build>/contact-sheet/all.png          the nine languages, reduced
# Build first (scripts/build.sh); SETUP_BUILD_DIR chooses the build folder as there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
tool=$(built_program "${SETUP_SHEET_ARCH:-x86_64}/tests/tools/contactsheet/contactsheet.exe")
export SETUP_WINEPREFIX=${SETUP_WINEPREFIX:-$out/wineprefix}
sheets="$out/contact-sheet"
mkdir -p "$sheets"

# A screen of our own, large enough for four pages side by side and four rows.
source "$top/scripts/xvfb.sh"
xvfb_start 150 199 2400x1520x24 || { echo "no free X display" >&2; exit 1; }
xvfb_pid=$XVFB_PID
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT

ready=$(mktemp -u /tmp/contact-sheet-XXXXXX)
for entry in 6:danish 10:spanish 11:finnish 20:norwegian 1031:german 1033:english \
             1036:french 1040:italian 1043:dutch; do
  id=${entry%%:*} name=${entry#*:}
  rm -f "$ready"
  # An ANSI code page of 1252, the code page the texts are written in.
  "$top/scripts/wine-run" --lang=en_US.UTF-8 "$tool" "$id" "Z:$ready" &
  pid=$!
  for _ in $(seq 600); do [ -e "$ready" ] && break; sleep 0.1; done
  if [ ! -e "$ready" ]; then
    echo "$name: the pages did not appear" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  import -display "$DISPLAY" -window root "$sheets/$name.png"
  rm -f "$ready"
  wait "$pid" || true
  echo "wrote $sheets/$name.png"
done
montage "$sheets"/{danish,spanish,finnish,norwegian,german,english,french,italian,dutch}.png \
  -tile 3x -geometry 1200x+6+6 "$sheets/all.png"
echo "wrote $sheets/all.png"
