#!/bin/bash
# Runs a Windows program of the build under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix lives in the build tree and is made on first use. Wine sees code page
# 936 (LANG=zh_CN.UTF-8), as on the Chinese Windows our users have.
set -euo pipefail
prefix=$1
shift
# Programs run on an X display get a prefix of their own: all programs of a prefix share
# one Wine desktop process while any of them runs, and it serves the display of the
# program that started it; one started without a display would serve none, and the
# windows of a test that runs beside it could not be made.
if [ -n "${DISPLAY:-}" ]; then
  prefix="$prefix-display${DISPLAY//[^0-9A-Za-z]/}"
fi
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
    touch "$prefix/.ready"
  fi
) 9>"$prefix.lock"
exec wine "$@"
