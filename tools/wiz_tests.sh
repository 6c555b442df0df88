#!/usr/bin/env bash
# The Wiz build under qemu-arm, with the firmware's own libraries as root:
#
#   tools/wiz_tests.sh              run everything below
#   tools/wiz_tests.sh --available  exit 0 when the cross toolchain, qemu-arm,
#                                   bubblewrap and the firmware's libraries
#                                   are there, 1 otherwise
#
# 1. The unit tests (PC backend) built for the firmware's ABI and C library
#    (cmake/wiz.cmake, build-wiz) and run by CTest, each under qemu-arm with
#    build/wiz-root as its root. The firmware's SDL has no video driver but
#    the console's framebuffer and no audio driver but the console's, and
#    under qemu-arm its thread library starts no second thread: the groups
#    that need no display run on an off-screen screen (tests/harness.h), and
#    each test that needs the display, a second thread (SDL's timers) or
#    sound is skipped with that reason, counted by reason below. The picture
#    memory test is left out, as in tools/arm_tests.sh (it starts processes
#    of its own).
# 2. ./release.sh: the card's programs, their checks and the zip.
# 3. Korvo.gpe of that zip started in a card-like folder (/mnt/sd/korvo) in a
#    bubblewrap sandbox with its own process and network namespaces (the
#    shell's first act is "killall sh"): it must get past the loader, the C
#    library and the libraries' start-up, and stop with SDL's message that
#    there is no video device, not with a signal; and in the installer's
#    start check, with every symbol bound at load time, it ends with 0.
# 4. The firmware's own programs: its C library run as a program prints its
#    banner, and its loader lists every library of Korvo.gpe as found.
#
# qemu-arm refuses a file it may not execute and says so only on a terminal;
# tools/wiz_root.sh therefore lays the libraries out with execute bits.
# Exit status: 0 all passed, 3 could not run (no firmware or runtime), other:
# a build, a check or a test failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" = "--available" ]; then
  command -v arm-linux-gnueabi-g++ >/dev/null 2>&1 && command -v qemu-arm >/dev/null 2>&1 &&
    command -v bwrap >/dev/null 2>&1 && tools/wiz_root.sh --firmware >/dev/null 2>&1
  exit
fi

runtime=$(tools/wiz_runtime.sh) || {
  echo "wiz_tests: the Wiz runtime could not be made; the Wiz tests did not run" >&2
  exit 3
}
wizroot=$root/build/wiz-root
jobs=$(nproc 2>/dev/null || echo 2)
status=0

# --- 1. unit tests ------------------------------------------------------------------
dir=build-wiz
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi
cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/wiz.cmake \
  -DKORVO_WIZ_RUNTIME="$runtime" -DKORVO_WIZ_ROOT="$wizroot" -DKORVO_PLATFORM=pc \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$jobs" --target korvo_tests
echo "wiz_tests: the unit tests of $dir under qemu-arm, root $wizroot"
log=$dir/wiz-ctest.log
(cd "$dir" && ctest -j "$jobs" --timeout 300 --output-on-failure -E "^PictureMemory\\..*$") > "$log" 2>&1 || status=1
grep -vE "^ *(Start|[0-9]+/[0-9]+ Test) " "$log" | grep -v "^$" | tail -n 40 || true
total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
failed=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -1)
skipped=$(grep -c '\*\*\*Skipped' "$log" || true)
echo "wiz_tests: unit tests: ${total:-?} in the run, $(( ${total:-0} - ${failed:-0} - skipped )) passed," \
     "$skipped skipped, ${failed:-?} failed; left out: PictureMemory.* (it starts processes of its own)"
# Each skip says why, on the line after its "Skipped" in CTest's full log.
grep -h -A1 ': Skipped$' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | grep -v -e ': Skipped$' -e '^--$' |
  sed 's/ (.*//' | sort | uniq -c | sed 's/^ */wiz_tests:   skipped: /' || true

# --- 2. the release -----------------------------------------------------------------
echo "wiz_tests: ./release.sh"
./release.sh || { echo "wiz_tests: release.sh failed" >&2; exit 1; }

# --- 3. Korvo.gpe of the zip on a card-like folder --------------------------------
card=$(mktemp -d /tmp/korvo-wiz-card-XXXXXX)
trap 'rm -rf "$card"' EXIT
(cd "$card" && python3 -m zipfile -e "$root/build/release/korvo.zip" .)
chmod +x "$card"/korvo/*.gpe "$card/korvo/qz"   # as on the card's FAT file system
start_status=0
output=$(timeout 120 bwrap --ro-bind / / --dev /dev --proc /proc --tmpfs /tmp --tmpfs /mnt \
  --bind "$card" /mnt/sd --unshare-all --die-with-parent --new-session --chdir /mnt/sd/korvo \
  qemu-arm -cpu arm926 -L "$wizroot" ./Korvo.gpe 2>&1) || start_status=$?
echo "wiz_tests: Korvo.gpe under qemu-arm in /mnt/sd/korvo: exit status $start_status, said: $output"
expected="Korvo: the screen could not be opened: No available video device"
if [ "$start_status" -ne 1 ] || [ "$output" != "$expected" ]; then
  echo "wiz_tests: Korvo.gpe should have stopped with status 1 and \"$expected\"" >&2
  status=1
fi

# The installer's start check on the same program: with every symbol bound at
# load time (LD_BIND_NOW), the firmware's loader finds all that Korvo.gpe calls,
# and the shell ends with status 0 before it touches a device.
check_status=0
check_output=$(timeout 120 bwrap --ro-bind / / --dev /dev --proc /proc --tmpfs /tmp --tmpfs /mnt \
  --bind "$card" /mnt/sd --unshare-all --die-with-parent --new-session --chdir /mnt/sd/korvo \
  qemu-arm -cpu arm926 -L "$wizroot" -E KORVO_START_CHECK=1 -E LD_BIND_NOW=1 ./Korvo.gpe 2>&1) || check_status=$?
echo "wiz_tests: Korvo.gpe's start check (KORVO_START_CHECK=1 LD_BIND_NOW=1): exit status $check_status${check_output:+, said: $check_output}"
if [ "$check_status" -ne 0 ] || [ -n "$check_output" ]; then
  echo "wiz_tests: the start check of Korvo.gpe should end with status 0 and say nothing" >&2
  status=1
fi

# --- 4. the firmware's own programs ------------------------------------------------
banner=$(qemu-arm -L "$wizroot" "$wizroot/lib/libc.so.6" 2>&1 | head -1) || true
echo "wiz_tests: the firmware's C library as a program: $banner"
case $banner in
  "GNU C Library stable release version 2.3.6"*) ;;
  *) echo "wiz_tests: the firmware's C library did not run" >&2; status=1 ;;
esac
listing=$(cd "$card/korvo" && qemu-arm -L "$wizroot" "$wizroot/lib/ld-linux.so.2" --list ./Korvo.gpe 2>&1) || true
if ! grep -q "libSDL-1.2.so.0 => /lib/libSDL-1.2.so.0" <<< "$listing" || grep -q "not found" <<< "$listing"; then
  echo "wiz_tests: the firmware's loader does not find Korvo.gpe's libraries:" >&2
  echo "$listing" >&2
  status=1
else
  echo "wiz_tests: the firmware's loader finds all $(grep -c '=>' <<< "$listing") libraries of Korvo.gpe"
fi
exit $status
