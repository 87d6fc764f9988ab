# Sourced by the test and main scripts: one Xvfb display and one persistent wineserver for the
# whole run, in the project's own prefix, stopped again by wine_session_stop (only what this
# script started: the Xvfb by its process id, the wineserver of this prefix).
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export SETUP_WINEPREFIX=${SETUP_WINEPREFIX:-${SETUP_BUILD_DIR:-$top/build}/wineprefix}
export WINEPREFIX=$SETUP_WINEPREFIX
export WINEDEBUG=-all
SETUP_XVFB_PID=

wine_session_start() {
  if [ -z "${DISPLAY:-}" ] || [ "${SETUP_OWN_DISPLAY:-0}" = 1 ]; then
    source "$top/scripts/xvfb.sh"
    xvfb_start 90 140 && SETUP_XVFB_PID=$XVFB_PID
  fi
  # Creates the prefix on first use, then keeps a warm wineserver for every later start.
  "$top/scripts/wine-run" "${SETUP_BUILD_DIR:-$top/build}/x86_64/tests/tools/noop/noop.exe" >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -p
}

wine_session_stop() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  /usr/lib/wine/wineserver -w 2>/dev/null || true
  if [ -n "$SETUP_XVFB_PID" ]; then
    kill "$SETUP_XVFB_PID" 2>/dev/null || true
    wait "$SETUP_XVFB_PID" 2>/dev/null || true
  fi
}
