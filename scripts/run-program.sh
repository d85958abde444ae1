#!/bin/bash
# Builds the Linux program (preset `linux`) and starts it.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the program simply runs there until
# its window is closed. Without one, it is started on a virtual display of its own
# (Xvfb with the openbox window manager); a screenshot of its window is saved and its
# path printed, and then the program is closed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
program=$build/app/ximing-mp3
title='溪鸣MP3 下载 by 阿砚'

cd "$root"
[ -f "$build/CMakeCache.txt" ] || cmake --preset linux
cmake --build --preset linux --target ximing-mp3 -j 2

# The service the program asks is fixed when it is built (XIMING_SERVICE_HOST). Once it
# is to be tried against the stand-in service, that is started here, before the program.

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi

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
state=$build/run-program-display
"$root/tests/display/start-display.sh" "$number" "$state" >/dev/null
export DISPLAY=:$number

pid=
finish() {
  if [ -n "$pid" ] && ! exited "$pid"; then kill "$pid" 2>/dev/null || true; fi
  "$root/tests/display/stop-display.sh" "$number" "$state"
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

shots=$build/screenshots
mkdir -p "$shots"
screenshot_stable "$shots/run-program.png" "$frame"
echo "screenshot of the window: $shots/run-program.png"

# Closed as a person would close it: Esc.
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
