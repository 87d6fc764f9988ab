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
    local n
    for n in $(seq 90 140); do
      [ -e "/tmp/.X$n-lock" ] && continue
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      SETUP_XVFB_PID=$!
      for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
      if kill -0 "$SETUP_XVFB_PID" 2>/dev/null; then export DISPLAY=":$n"; break; fi
      SETUP_XVFB_PID=
    done
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
