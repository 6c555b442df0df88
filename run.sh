#!/usr/bin/env bash
# Builds everything and boots the emulated console on this PC: the console's
# files are laid out in build/console/ and booted in a sandbox, in a window.
# Options are passed to the emulator (see README.md; --fresh starts over with
# a new console). With no display it runs a short scripted tour instead and
# tells where its screenshots are. Installs the Debian packages it needs
# when they are missing.
set -euo pipefail
cd "$(dirname "$0")"
source tools/dev/packages.sh
ensure_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
if [ -z "${DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "No display: running the scripted tour of the emulated console instead of a window."
  status=0
  build/emu/korvo-emu --dir build/console-tour --fresh --headless --timeout 120 \
    --script emu/scripts/tour.script "$@" || status=$?
  echo "Tour screenshots:"
  ls -1 build/console-tour/screenshots/*.png 2>/dev/null || echo "  (none)"
  exit $status
fi
exec build/emu/korvo-emu "$@"
