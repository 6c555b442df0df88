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
#
# Instruction counts, which do not move with the machine's load: with
# KORVO_QEMU_PLUGIN set to a qemu plugin and its options (the arm-count
# counter, built outside the tree, e.g. ".../libarm_count.so,cache=1"), the
# benchmark runs under that plugin and marks its frames and reference blits
# for it; tools/arm_count_table.py turns the output into ratios:
#
#   KORVO_QEMU_PLUGIN=$PWD/../arm-count-build/libarm_count.so,cache=1 \
#     tools/arm_bench.sh --benchmark_filter=BM_Desktop 2>&1 | tools/arm_count_table.py
#
# With --first-frame (and KORVO_QEMU_PLUGIN set) it counts the instructions
# of Korvo's start-up up to its first frame instead, on a card laid out by a
# run of its own beforehand (the plugin's start=1 mode).
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

if [ "${1:-}" = --first-frame ]; then
  [ -n "${KORVO_QEMU_PLUGIN:-}" ] || { echo "arm_bench: --first-frame needs KORVO_QEMU_PLUGIN" >&2; exit 1; }
  card=$(mktemp -d /tmp/korvo-start-card-XXXXXX)
  trap 'rm -rf "$card"' EXIT
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TZ=UTC \
    qemu-arm -cpu arm926 -L "$sysroot" "$dir/tests/korvo_bench" --lay-out-start-card "$card"
  KORVO_COUNT_MARKS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TZ=UTC \
    qemu-arm -cpu arm926 -L "$sysroot" -plugin "$KORVO_QEMU_PLUGIN,start=1" -d plugin \
    "$dir/tests/korvo_bench" --first-frame "$card"
  exit 0
fi

options=("$@")
[ ${#options[@]} -gt 0 ] || options=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
plugin=()
[ -z "${KORVO_QEMU_PLUGIN:-}" ] || plugin=(-plugin "$KORVO_QEMU_PLUGIN" -d plugin)
echo "arm_bench: $dir/tests/korvo_bench under qemu-arm (ARM926) ${plugin[*]} ${options[*]}" >&2
KORVO_COUNT_MARKS=${KORVO_QEMU_PLUGIN:+1} SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TZ=UTC \
  qemu-arm -cpu arm926 -L "$sysroot" "${plugin[@]}" "$dir/tests/korvo_bench" "${options[@]}"
