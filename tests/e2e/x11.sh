# Helpers for driving and measuring X11 windows from a shell script, sourced by the
# end-to-end test and by scripts/run-program.sh. Every wait is bounded.

# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
}

# visible_window TITLE: the id of a visible window with exactly this title, if any.
visible_window() {
  local id
  id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
  [ -n "$id" ] && echo "$id"
}

# frame_window ID: the window manager's frame around ID, the child of the root window
# that holds it.
frame_window() {
  local id=$1 tree
  for _ in 1 2 3 4 5 6 7 8; do
    tree=$(xwininfo -tree -id "$id" | grep 'Parent window id:')
    if [[ $tree == *"(the root window)"* ]]; then
      echo "$id"
      return 0
    fi
    id=$(awk '/Parent window id:/ {print $4; exit}' <<<"$tree")
  done
  return 1
}

# geometry ID: "X Y WIDTH HEIGHT" of the window, on the screen.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4}
                           /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}'
}

# outer_by_extents ID: "X Y WIDTH HEIGHT" of the window with the frame the window
# manager announces in _NET_FRAME_EXTENTS (left, right, top, bottom).
outer_by_extents() {
  local x y w h l r t b
  read -r x y w h < <(geometry "$1")
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

# screenshot_stable FILE ID: a screenshot of the screen area of window ID (its frame
# included when given the frame), taken once two shots in a row agree, so that the
# window has finished drawing.
screenshot_stable() {
  local file=$1 x y w h previous
  read -r x y w h < <(geometry "$2")
  previous=$(mktemp --suffix=.png)
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$previous"
  for _ in $(seq 100); do
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$file"
    if [ "$(compare -metric AE "$previous" "$file" null: 2>&1)" = 0 ]; then
      rm -f "$previous"
      return 0
    fi
    cp "$file" "$previous"
  done
  rm -f "$previous"
  echo "the window kept changing; screenshot taken anyway: $file" >&2
}

# exited PID: true once the child PID has ended (gone, or a zombie waiting for wait).
exited() {
  [ ! -r "/proc/$1/stat" ] || [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" = Z ]
}
