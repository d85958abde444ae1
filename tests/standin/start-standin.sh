#!/bin/bash
# Starts the stand-in service in the background for the tests of one build tree:
# start-standin.sh PROGRAM PORT DIR. Returns once it is listening (bounded wait), after
# stopping one that an earlier, interrupted run of this tree left behind.
set -euo pipefail
program=$1
port=$2
dir=$3
mkdir -p "$dir"
"$(dirname "$0")/stop-standin.sh" "$dir"
rm -f "$dir/standin.port"
# Its own session, no terminal and no inherited pipes: ctest waits for a test's pipes
# to close, and the stand-in outlives this script.
setsid "$program" --port "$port" --dir "$dir" --port-file "$dir/standin.port" --lifetime 3600 \
  </dev/null >"$dir/standin.log" 2>&1 &
pid=$!
echo "$pid" >"$dir/standin.pid"
for _ in $(seq 200); do
  if [ -f "$dir/standin.port" ]; then
    echo "stand-in $pid listening on 127.0.0.1:$(cat "$dir/standin.port"), folder $dir"
    exit 0
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
echo "the stand-in did not start listening on port $port:" >&2
cat "$dir/standin.log" >&2
"$(dirname "$0")/stop-standin.sh" "$dir"
exit 1
