#!/usr/bin/env bash
# The unit tests (with the PC backend) cross-built for the console's ARM926
# and run under qemu-arm, so that ARM's unsigned char, its alignment rules
# and its 32-bit sizes are exercised as on the console.
#
#   tools/arm_tests.sh              build build-arm/tests/korvo_tests and run it
#   tools/arm_tests.sh --available  exit 0 when the cross toolchain and
#                                   qemu-arm are installed, 1 otherwise
#
# Needs g++-arm-linux-gnueabi and qemu-user (tools/dev/packages.sh lists them
# as KORVO_ARM_PACKAGES); it installs nothing. The sysroot is laid out by
# tools/arm_sysroot.sh when it is missing, from its download cache (which
# needs the network once, on the first run on a machine).
# Exit status: 0 all passed, 3 could not run (no sysroot), other: a build or a
# test failed.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${KORVO_ARM_PREFIX:-arm-linux-gnueabi-}

if [ "${1:-}" = "--available" ]; then
  command -v "${prefix}g++" >/dev/null 2>&1 && command -v qemu-arm >/dev/null 2>&1
  exit
fi

sysroot=$PWD/build/sysroot-armel
if ! tools/arm_sysroot.sh "$sysroot"; then
  echo "arm_tests: the ARM sysroot could not be made; the ARM tests did not run" >&2
  exit 3
fi

dir=build-arm
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
  -DKORVO_ARM_SYSROOT="$sysroot" -DKORVO_PLATFORM=pc \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target korvo_tests

# Suites left out under qemu-user, each with its reason:
#   (none at present)
excluded=""

# One process for the whole run: qemu's start-up is paid once, not per test.
# The time limit stops a test that waits for input that never comes.
echo "arm_tests: running build-arm/tests/korvo_tests under qemu-arm (ARM926)"
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TZ=UTC \
  timeout 1200 qemu-arm -cpu arm926 -L "$sysroot" "$dir/tests/korvo_tests" \
  --gtest_brief=1 ${excluded:+--gtest_filter=-$excluded}
