#!/bin/bash
# Stops what start-display.sh started: stop-display.sh NUMBER STATE_DIR.
number=$1
state=$2
for name in openbox xvfb; do
  if [ -f "$state/$name.pid" ]; then
    kill "$(cat "$state/$name.pid")" 2>/dev/null || true
    rm -f "$state/$name.pid"
  fi
done
rm -f "/tmp/.X${number}-lock"
exit 0
