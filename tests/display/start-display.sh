#!/bin/bash
# Starts a virtual X display with a window manager for the GUI tests of one build
# tree: start-display.sh NUMBER STATE_DIR. Waits, bounded, until both are up.
set -euo pipefail
number=$1
state=$2
mkdir -p "$state"
"$(dirname "$0")/stop-display.sh" "$number" "$state" || true
# An X server that this tree did not start (or no longer knows about) holds the number:
# a new one could not listen, and the tests would talk to the wrong one.
if DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
  echo "display :$number is in use by another X server" >&2
  exit 1
fi
rm -f "/tmp/.X${number}-lock" "/tmp/.X11-unix/X${number}"
# -noreset: without it the server resets whenever its last client leaves, and a client
# that connects meanwhile (openbox, right after the check below) is turned away.
setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset </dev/null >"$state/xvfb.log" 2>&1 &
echo $! >"$state/xvfb.pid"
fail() {
  echo "$1" >&2
  cat "$state/xvfb.log" "$state/openbox.log" 2>/dev/null >&2
  "$(dirname "$0")/stop-display.sh" "$number" "$state"
  exit 1
}
for _ in $(seq 100); do
  if DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then break; fi
  kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || break
  sleep 0.1
done
DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 || fail "Xvfb :$number did not start"
DISPLAY=":$number" setsid openbox </dev/null >"$state/openbox.log" 2>&1 &
echo $! >"$state/openbox.pid"
# openbox has taken over when the root window names a window manager.
for _ in $(seq 100); do
  if DISPLAY=":$number" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "display :$number ready"
    exit 0
  fi
  sleep 0.1
done
fail "openbox did not start on :$number"
