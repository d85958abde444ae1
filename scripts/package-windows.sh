#!/bin/bash
# Builds the Windows .zip (ximing-mp3.exe, stripped, and a read-me) from the `windows`
# tree and prints what it holds and how large the .exe is.
set -euo pipefail
build=$(cd "$(dirname "$0")/.." && pwd)/build/windows
cd "$build"
rm -f ./*.zip
cpack -G ZIP >/dev/null
zip=$(ls "$build"/*.zip)
echo "built $zip"
cmake -E tar tvf "$zip"
