#!/bin/bash
# The Windows program used once as a person would, under Wine on the test display:
# type a song number, click 下载, find the address on the clipboard while the message
# box is open, dismiss it, look at the usage hint, press Esc and see the program end.
# Screenshots of each step are saved for a person to look at.
#
# windows_program_test.sh WINE_RUN PREFIX PROGRAM SCREENSHOT_DIR
# Needs DISPLAY (fixture `display`) and XIMING_STANDIN_DIR (fixture `standin`); PROGRAM
# must be built to ask the stand-in.
set -euo pipefail
wine_run=$1
prefix=$2
program=$3
shots=$4
: "${DISPLAY:?run with the display fixture}" "${XIMING_STANDIN_DIR:?run with the standin fixture}"

title='溪鸣MP3 下载 by 阿砚'
caption='信息：'
expected='http://media.ximing.example/sound/1001.mp3'
class=$(basename "$program" .exe)
mkdir -p "$shots"
rm -f "$shots"/windows-*.png

pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  import -window root "$shots/windows-failure.png" 2>/dev/null || true
  exit 1
}

# Waits, polling, until "$@" succeeds; at most $1 seconds.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# Prints the X window of this program whose title is $1. Wine names windows in
# WM_NAME with Latin-1 only, so the title is compared with _NET_WM_NAME.
find_window() {
  local w
  for w in $(xdotool search --classname "$class" 2>/dev/null); do
    if [ "$(xprop -id "$w" _NET_WM_NAME 2>/dev/null)" = "_NET_WM_NAME(UTF8_STRING) = \"$1\"" ]; then
      echo "$w"
      return 0
    fi
  done
  return 1
}
window_shown() { find_window "$1" >/dev/null && xwininfo -id "$(find_window "$1")" | grep -q IsViewable; }
window_gone() { ! find_window "$1" >/dev/null; }
clipboard_is() { [ "$(xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null)" = "$1" ]; }
program_ended() { ! kill -0 "$pid" 2>/dev/null; }

# The box of a click: waits for it, saves a screenshot, leaves its window id in $box.
wait_for_box() {
  wait_for 30 window_shown "$caption" || fail "no message box after $1"
  box=$(find_window "$caption")
}
dismiss_box() {
  xdotool windowactivate --sync "$box" key Return
  wait_for 10 window_gone "$caption" || fail "the message box stayed open after Enter"
}

rm -f "$XIMING_STANDIN_DIR/sound.request"
"$wine_run" "$prefix" "$program" &
pid=$!
# The first run in a new Wine prefix makes the prefix first.
wait_for 90 window_shown "$title" || fail "the window did not open"
main=$(find_window "$title")
xdotool windowactivate --sync "$main"

# The focus starts in the edit box.
xdotool type --delay 40 1001
import -window root "$shots/windows-1-typed.png"

# 下载 is at (176, 64), 80 x 32, in the client area, which is the X window Wine maps.
xdotool mousemove --window "$main" 216 80 click 1
wait_for_box "clicking 下载"
request=$(head -n 1 "$XIMING_STANDIN_DIR/sound.request" 2>/dev/null || true)
[ "$request" = $'GET /sound/info?sound_id=1001 HTTP/1.1\r' ] ||
  fail "the service was asked: $request"
wait_for 10 clipboard_is "$expected" ||
  fail "the clipboard holds '$(xclip -o -selection clipboard -t UTF8_STRING 2>&1)', not $expected"
import -window root "$shots/windows-2-address.png"
dismiss_box

# 说明 is at (24, 64), 72 x 32.
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 60 80 click 1
wait_for_box "clicking 说明"
import -window root "$shots/windows-3-hint.png"
dismiss_box

# Esc closes the window and the program ends, with exit status 0.
xdotool windowactivate --sync "$main" key Escape
wait_for 30 program_ended || fail "the program did not end after Esc"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "screenshots in $shots"
