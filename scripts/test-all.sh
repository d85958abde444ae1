#!/bin/bash
# Builds and runs every test: the Linux build, the Windows build under Wine, and the
# Linux build under AddressSanitizer and UndefinedBehaviorSanitizer (which also
# replays the fuzz corpus). Builds the .deb, installs it and starts the installed
# program once; builds the Windows .zip. Installs what is missing first. Runs every preset even when one fails; exits non-zero if any did.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
xm_install_missing || exit 1

failed=()
for preset in linux windows sanitize; do
  echo "=== $preset ==="
  if ! cmake --preset "$preset" >/dev/null; then failed+=("$preset (configure)"); continue; fi
  if ! cmake --build --preset "$preset"; then failed+=("$preset (build)"); continue; fi
  ctest --preset "$preset" || failed+=("$preset (tests)")
  case $preset in
    linux) scripts/check-package.sh || failed+=("linux (.deb)") ;;
    windows) scripts/package-windows.sh || failed+=("windows (.zip)") ;;
  esac
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All presets passed."
