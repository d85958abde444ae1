#!/bin/bash
# Starts a virtual X display with a window manager for the GUI tests of one build
# tree: start-display.sh NUMBER STATE_DIR. Waits, bounded, until both are up.
set -euo pipefail
number=$1
state=$2
mkdir -p "$state"
"$(dirname "$0")/stop-display.sh" "$number" "$state" || true
rm -f "/tmp/.X${number}-lock" "/tmp/.X11-unix/X${number}"
setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
echo $! >"$state/xvfb.pid"
for _ in $(seq 100); do
  if DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then break; fi
  sleep 0.1
done
DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 || { echo "Xvfb :$number did not start" >&2; exit 1; }
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
echo "openbox did not start on :$number" >&2
exit 1
