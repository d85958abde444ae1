#!/bin/bash
# Builds the .deb from the `linux` tree, installs it on this machine, and starts the
# installed program once on a virtual display to see its window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
cd "$build"
rm -f ./*.deb
cpack -G DEB >/dev/null
deb=$(ls ./*.deb)
echo "built $deb"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$build/${deb#./}" >/dev/null
dpkg -L ximing-mp3 | grep -E 'bin/|applications/|hicolor/(32x32|scalable)'
"$root/scripts/show-window.sh" /usr/bin/ximing-mp3 "$build/screenshots/installed-program.png"
