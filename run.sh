#!/usr/bin/env bash
# Builds Korvo and runs the shell on this PC. Installs the Debian packages it
# needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")"
source tools/dev/packages.sh
ensure_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
if [ -z "${DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "No display: starting the shell with SDL's dummy video driver (nothing to see)."
  export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
fi
exec build/Korvo.gpe
