#!/usr/bin/env bash
# The floors of src/ run downwards: app/ is the top, and nothing below it includes app/;
# common/ is the base, and includes nothing of the subsystems. Prints every include that
# breaks this and fails.
set -uo pipefail
cd "$(dirname "$0")/../src"
upward=$(grep -n -E '#include "app/' -r common script pages engine services shell check pack res)
sideways=$(grep -n -E '#include "[a-z]+/' -r common | grep -v -E '#include "common/')
if [ -n "$upward$sideways" ]; then
  [ -z "$upward" ] || printf 'includes of app/ below it:\n%s\n' "$upward"
  [ -z "$sideways" ] || printf 'includes of a subsystem in common/:\n%s\n' "$sideways"
  exit 1
fi
echo "includes run downwards: nothing below app/ includes app/, common/ includes only common/"
