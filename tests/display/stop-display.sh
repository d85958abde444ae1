#!/bin/bash
# Stops what start-display.sh started: stop-display.sh NUMBER STATE_DIR. Waits, bounded,
# until each process has gone: a display started right after must find its number free.
number=$1
state=$2
# Running: it exists and is not a zombie waiting to be reaped.
running() { [ -r "/proc/$1/stat" ] && [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" != Z ]; }
for name in openbox xvfb; do
  if [ -f "$state/$name.pid" ]; then
    pid=$(cat "$state/$name.pid")
    if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
      for _ in $(seq 100); do
        running "$pid" || break
        sleep 0.05
      done
      running "$pid" && kill -KILL "$pid" 2>/dev/null
    fi
    rm -f "$state/$name.pid"
  fi
done
rm -f "/tmp/.X${number}-lock"
exit 0
