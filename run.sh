#!/usr/bin/env bash
# Builds everything and boots the emulated console on this PC: the console's
# files are laid out in build/console/ and booted in a sandbox, in a window.
# Options are passed to the emulator (see README.md; --fresh starts over with
# a new console). With no display it runs a short scripted tour instead,
# lists its screenshots and lays them out in one contact sheet. Installs the
# Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  cat <<'USAGE'
usage: ./run.sh [options]
Builds Korvo and boots the emulated console in a window; with no display,
runs the scripted tour (emu/scripts/tour.script) headless on a fresh console
in build/console-tour/ and writes its screenshots and a contact sheet there.

Options (passed to the emulator, build/emu/korvo-emu):
  --fresh            lay out a fresh console: a new card, NAND and firmware
  --scale N          window scale 1, 2 or 3 (default 2; F10 changes it)
  --script FILE      input script instead of keyboard and mouse
  --headless         no window (SDL's dummy video driver)
  --timeout SECONDS  stop a run that takes longer
  --dir DIR          the emulator's folder (default: build/console)
  --first PROGRAM    boot once into PROGRAM (a console path) instead of the boot script
  --fail-copy-to P   make a "cp" to the console path P fail halfway (a full NAND)
  --clock SECONDS    the console's clock stands still at SECONDS since 1970
  --cut-power-after N  cut the power after the run's Nth command (tests of the installer)
  --help             this text (nothing is built)
USAGE
}
for argument in "$@"; do
  case "$argument" in
    --help|-h) usage; exit 0 ;;
  esac
done

source tools/dev/packages.sh
ensure_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
if [ -z "${DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "No display: running the scripted tour of the emulated console instead of a window."
  status=0
  build/emu/korvo-emu --dir build/console-tour --fresh --headless --timeout 120 \
    --script emu/scripts/tour.script "$@" || status=$?
  shots=(build/console-tour/screenshots/[0-9]*.png)
  echo "Tour screenshots:"
  if [ -e "${shots[0]}" ]; then
    printf '  %s\n' "${shots[@]}"
    sheet=build/console-tour/screenshots/contact-sheet.png
    /usr/bin/python3 tools/dev/contact_sheet.py "$sheet" "${shots[@]}" && echo "Contact sheet: $sheet"
  else
    echo "  (none)"
  fi
  exit $status
fi
exec build/emu/korvo-emu "$@"
