# Sourced by every script of the project: where Debian's Wine keeps its programs, which
# targets a build makes (SETUP_ARCHES, "i686 x86_64" unless set) and where the build goes
# (SETUP_BUILD_DIR, build/ of the tree unless set).
WINE64=/usr/lib/wine/wine64       # the 64-bit loader: 64-bit programs, wineboot, reg
WINE32=/usr/lib/wine/wine         # the 32-bit loader: 32-bit programs
WINESERVER=/usr/lib/wine/wineserver
SETUP_ARCHES=${SETUP_ARCHES:-i686 x86_64}
SETUP_BUILD_DIR=${SETUP_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}

# The path of a built program below the build folder; a message and a failure when it is not
# built yet.
built_program() {
  local path=$SETUP_BUILD_DIR/$1
  [ -f "$path" ] || { echo "no $path: build first (scripts/build.sh)" >&2; return 1; }
  printf '%s\n' "$path"
}
