#!/usr/bin/env bash
# Builds everything and runs setup.exe on the bundled sample under Wine, then reports what
# it did on the machine.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh" || exit 1
. "$top/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start

arch=x86_64
"$top/scripts/can-run-32bit" && arch=i686
media="$top/build/demo/media"
rm -rf "$top/build/demo" && mkdir -p "$media"
cp "$top/build/$arch/setup.exe" "$top"/examples/minimal/* "$media/"
echo "== running build/demo/media/setup.exe ($arch) on examples/minimal/setup.inf under Wine"
"$top/scripts/wine-run" "$media/setup.exe" "$@"
echo "setup.exe exit code: $?"
