# Sourced by the test and main scripts: one Xvfb display and one persistent wineserver for the
# whole run, in the project's own prefix, stopped again by wine_session_stop (only what this
# script started: the Xvfb by its process id, the wineserver of this prefix).
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$top/scripts/env.sh"
export SETUP_WINEPREFIX=${SETUP_WINEPREFIX:-$SETUP_BUILD_DIR/wineprefix}
export WINEPREFIX=$SETUP_WINEPREFIX
export WINEDEBUG=-all
SETUP_XVFB_PID=

wine_session_start() {
  if [ -z "${DISPLAY:-}" ] || [ "${SETUP_OWN_DISPLAY:-0}" = 1 ]; then
    source "$top/scripts/xvfb.sh"
    xvfb_start 90 140 || return 1
    SETUP_XVFB_PID=$XVFB_PID
  fi
  # Creates the prefix on first use, then keeps a warm wineserver for every later start.
  "$top/scripts/wine-run" "$SETUP_BUILD_DIR/x86_64/tests/tools/noop/noop.exe" >/dev/null 2>&1 || true
  # A server of this prefix that already runs (the start above may leave one lingering) is
  # made persistent all the same; only a missing display fails the session.
  "$WINESERVER" -p 2>/dev/null || true
}

wine_session_stop() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  if [ -n "$SETUP_XVFB_PID" ]; then
    kill "$SETUP_XVFB_PID" 2>/dev/null || true
    wait "$SETUP_XVFB_PID" 2>/dev/null || true
  fi
}
