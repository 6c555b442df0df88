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
cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
  -DKORVO_ARM_SYSROOT="$sysroot" -DKORVO_PLATFORM=pc \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target korvo_tests korvo_bench

# CTest runs each test in a process of its own under qemu-arm (the
# toolchain file makes it the emulator), as the PC build's tests run: the
# shell's caches live for a whole process, so one process for all tests
# would let one test see another's pictures and sounds. qemu starts in half
# a second; the whole run takes a few minutes on two cores.
# Left out under qemu-user:
# - the photo and listing benchmarks' smoke run (its 12-megapixel pictures
#   take minutes under the emulation; tools/arm_bench.sh runs the benchmarks);
# - the picture memory test: it starts the viewer in processes of its own,
#   which qemu-user cannot start without binfmt support, and the peak it
#   reads would be the emulator's, not the viewer's.
echo "arm_tests: running the tests of $dir under qemu-arm (ARM926)"
cd "$dir"
ctest -j "$(nproc 2>/dev/null || echo 2)" --timeout 300 --output-on-failure -E "^(korvo_bench_photos_and_listing|PictureMemory\\..*)$"
