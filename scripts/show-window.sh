#!/bin/bash
# Starts a program on a virtual display of its own (Xvfb with the openbox window
# manager), waits for its window, saves a screenshot of it, closes it with Esc as a
# person would, and checks that it ended well:
#   show-window.sh PROGRAM SCREENSHOT.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$1
shot=$2
title='溪鸣MP3 下载 by 阿砚'
source "$root/tests/e2e/x11.sh"

# A display number nobody uses.
number=
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    number=$n
    break
  fi
done
[ -n "$number" ] || { echo "no free X display number between 90 and 120" >&2; exit 1; }
state=$(mktemp -d)
"$root/tests/display/start-display.sh" "$number" "$state" >/dev/null
export DISPLAY=:$number

pid=
finish() {
  if [ -n "$pid" ] && ! exited "$pid"; then kill "$pid" 2>/dev/null || true; fi
  "$root/tests/display/stop-display.sh" "$number" "$state"
  rm -rf "$state"
}
trap finish EXIT

"$program" &
pid=$!
if ! wait_for 20 visible_window "$title" >/dev/null; then
  echo "the program showed no window" >&2
  exit 1
fi
window=$(visible_window "$title")
frame=$(frame_window "$window")
# Its frame is final once the window has fitted it to its outer size.
outer_fitted() { [ "$(geometry "$frame" | cut -d' ' -f3,4)" = "298 142" ]; }
wait_for 10 outer_fitted || echo "the outer frame is $(geometry "$frame"), not 298 x 142" >&2

mkdir -p "$(dirname "$shot")"
screenshot_stable "$shot" "$frame"
echo "screenshot of the window: $shot"

xdotool windowactivate --sync "$window"
xdotool key Escape
if wait_for 10 exited "$pid"; then
  status=0
  wait "$pid" || status=$?
  pid=
  echo "the program ended with status $status"
  exit "$status"
fi
echo "the program did not end after Esc" >&2
exit 1
