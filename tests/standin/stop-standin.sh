#!/bin/bash
# Stops the stand-in that start-standin.sh started for DIR: stop-standin.sh DIR.
# Only that process: the recorded id must still belong to a stand-in serving DIR.
set -uo pipefail
dir=$1
pidfile=$dir/standin.pid
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
# Running: it exists and is not a zombie waiting to be reaped.
running() { [ -r "/proc/$pid/stat" ] && [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ]; }
status=0
if [ -n "$pid" ] && tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | grep -qxF -- "$dir"; then
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 100); do
    running || break
    sleep 0.05
  done
  if running; then
    echo "stand-in $pid did not stop on SIGTERM" >&2
    kill -KILL "$pid" 2>/dev/null
    status=1
  fi
fi
rm -f "$pidfile" "$dir/standin.port"
exit $status
