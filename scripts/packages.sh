#!/bin/bash
# Installs what building and testing need, when something is missing. Sourced by
# the other scripts; runs apt-get only when a package is not installed yet.
xm_packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libcurl4-openssl-dev
  g++-mingw-w64-x86-64-posix wine wine64
  xvfb xauth openbox xdotool xclip x11-utils imagemagick fonts-wqy-microhei
)

xm_install_missing() {
  local missing=()
  local p
  for p in "${xm_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}
