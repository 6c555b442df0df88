#!/usr/bin/env bash
# korvo_bench built for the console's ARM926 and run under qemu-arm: the
# ratios it prints compare one ARM build with itself, within one run.
#
#   tools/arm_bench.sh [Google Benchmark options]
#
# With no options: five repetitions of each benchmark, reported as mean,
# median and spread (the machine is shared; read the medians). The build is
# build-arm/tests/korvo_bench, beside the ARM unit tests (tools/arm_tests.sh);
# the sysroot comes from tools/arm_sysroot.sh. Needs g++-arm-linux-gnueabi
# and qemu-user. qemu translates ARM code, so the times are no console's:
# only the ratios between benchmarks of one run mean something.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${KORVO_ARM_PREFIX:-arm-linux-gnueabi-}
command -v "${prefix}g++" >/dev/null && command -v qemu-arm >/dev/null || {
  echo "arm_bench: needs ${prefix}g++ and qemu-arm (apt-get install g++-arm-linux-gnueabi qemu-user)" >&2
  exit 1
}
sysroot=$PWD/build/sysroot-armel
tools/arm_sysroot.sh "$sysroot" >&2

dir=build-arm
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
  -DKORVO_ARM_SYSROOT="$sysroot" -DKORVO_PLATFORM=pc \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target korvo_bench >&2

options=("$@")
[ ${#options[@]} -gt 0 ] || options=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
echo "arm_bench: $dir/tests/korvo_bench under qemu-arm (ARM926) ${options[*]}" >&2
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TZ=UTC \
  qemu-arm -cpu arm926 -L "$sysroot" "$dir/tests/korvo_bench" "${options[@]}"
