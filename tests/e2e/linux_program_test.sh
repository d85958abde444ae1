#!/bin/bash
# The Linux program used as a person would, on the test display with its window
# manager: linux_program_test.sh PROGRAM SCREENSHOT_DIR. PROGRAM is built to ask the
# stand-in service. Types a song number, clicks 下载, reads the clipboard, closes the
# window with Esc; saves screenshots of the window and of its message box.
set -euo pipefail
program=$1
shots=$2
source "$(dirname "$0")/x11.sh"
mkdir -p "$shots"
rm -f "$shots"/program-*.png

title='溪鸣MP3 下载 by 阿砚'
caption='信息：'
address='http://media.ximing.example/sound/1001.mp3'
# On the 1024 x 768 test screen the outer frame, 298 x 142, stands centred.
expected_outer='363 313 298 142'

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$program" &
pid=$!
# Should the test stop early, the program goes with it.
trap 'exited "$pid" || kill "$pid" 2>/dev/null || true' EXIT

wait_for 20 visible_window "$title" >/dev/null || fail "no window titled $title"
window=$(visible_window "$title")
frame=$(frame_window "$window")

# The window corrects its size once the window manager's frame is known.
outer_is_expected() { [ "$(geometry "$frame")" = "$expected_outer" ]; }
wait_for 10 outer_is_expected ||
  fail "outer frame at $(geometry "$frame"), expected $expected_outer (x y width height)"
[ "$(outer_by_extents "$window")" = "$expected_outer" ] ||
  fail "window plus _NET_FRAME_EXTENTS is $(outer_by_extents "$window")"
echo "outer frame (x y width height): $(geometry "$frame"); client: $(geometry "$window")"

# Fixed size, so no resizing and no maximising; minimising and closing allowed.
hints=$(xprop -id "$window" WM_NORMAL_HINTS)
minimum=$(sed -n 's/.*minimum size: //p' <<<"$hints")
maximum=$(sed -n 's/.*maximum size: //p' <<<"$hints")
[ -n "$minimum" ] && [ "$minimum" = "$maximum" ] || fail "not of a fixed size: $hints"
actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
grep -q MAXIMIZE <<<"$actions" && fail "the window manager offers to maximise: $actions"
grep -q RESIZE <<<"$actions" && fail "the window manager offers to resize: $actions"
grep -q MINIMIZE <<<"$actions" || fail "the window manager cannot minimise: $actions"
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u)
for size in '16 x 16' '32 x 32'; do
  grep -qF "Icon ($size)" <<<"$icons" || fail "no icon of $size: $icons"
done

# The focus starts in the edit box: typing goes there.
xdotool windowactivate --sync "$window"
xdotool type --delay 40 1001
screenshot_stable "$shots/program-window.png" "$frame"

# 下载 is at 176, 64 (80 x 32) in the client area.
xdotool mousemove --window "$window" 216 80 click 1
wait_for 20 visible_window "$caption" >/dev/null || fail "no message box after clicking 下载"
box=$(visible_window "$caption")
clipboard_holds_address() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$address" ]; }
wait_for 10 clipboard_holds_address ||
  fail "clipboard holds '$(xclip -o -selection clipboard 2>&1)', expected $address"
screenshot_stable "$shots/program-message.png" "$(frame_window "$box")"
import -window root "$shots/program-screen.png"

xdotool windowactivate --sync "$box"
xdotool key Return
box_gone() { ! visible_window "$caption" >/dev/null; }
wait_for 10 box_gone || fail "the message box stayed after Return"

xdotool windowactivate --sync "$window"
xdotool key Escape
wait_for 10 exited "$pid" || fail "the program did not end after Esc"
status=0
wait "$pid" || status=$?
[ "$status" = 0 ] || fail "the program ended with status $status"
echo "screenshots: $shots/program-window.png $shots/program-message.png $shots/program-screen.png"
echo PASS
