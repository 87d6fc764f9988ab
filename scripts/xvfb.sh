# Sourced by the scripts that need a screen of their own:
#   xvfb_start FIRST LAST [SCREEN]
# starts Xvfb on the first free display number from FIRST to LAST (SCREEN as Xvfb's -screen 0,
# 1024x768x24 unless given), exports DISPLAY and leaves the server's process id in XVFB_PID;
# returns non-zero, with XVFB_PID empty, when no display could be started.
xvfb_start() {
  local first=$1 last=$2 screen=${3:-1024x768x24} n
  XVFB_PID=
  for n in $(seq "$first" "$last"); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    if kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    XVFB_PID=
  done
  return 1
}
