#!/bin/bash
# Builds the Linux program (preset `linux`) and starts it.
#
# While the build asks no real service (XIMING_SERVICE_HOST is still its placeholder
# in the .example domain), the program is built to ask the stand-in service on
# loopback instead, and the stand-in is started beside it, so that a lookup works end
# to end without the network; it stops when the program ends. With a real host
# configured the program starts alone.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the program runs there until its
# window is closed. Without one, it is started on a virtual display of its own; a
# screenshot of its window is saved and its path printed, and the program is closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
cd "$root"
source scripts/packages.sh
xm_install_missing

[ -f "$build/CMakeCache.txt" ] || cmake --preset linux >/dev/null
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
host=$(cache XIMING_SERVICE_HOST)

standin=
finish() { if [ -n "$standin" ]; then kill "$standin" 2>/dev/null || true; fi; }
trap finish EXIT

if [[ ${host%%:*} == *.example ]]; then
  cmake --build --preset linux --target ximing-mp3-local ximing-standin
  program=$build/app/ximing-mp3-local
  port=$(cache XIMING_STANDIN_PORT)
  demo=$build/demo-standin
  mkdir -p "$demo"
  echo "No real service is configured (XIMING_SERVICE_HOST=$host): the program asks the"
  echo "stand-in service on 127.0.0.1:$port. Song numbers to try:"
  "$build/tests/ximing-standin" --port "$port" --dir "$demo" --port-file "$demo/port" \
    --lifetime 86400 >"$demo/standin.log" 2>&1 &
  standin=$!
  for _ in $(seq 100); do [ -s "$demo/port" ] && break; sleep 0.1; done
  [ -s "$demo/port" ] || { cat "$demo/standin.log" >&2; echo "the stand-in did not start" >&2; exit 1; }
  sed -n '2,$p' "$demo/standin.log"
else
  cmake --build --preset linux --target ximing-mp3
  program=$build/app/ximing-mp3
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$program"
else
  scripts/show-window.sh "$program" "$build/screenshots/run-program.png"
fi
