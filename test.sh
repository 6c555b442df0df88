#!/usr/bin/env bash
# Builds Korvo and runs every test twice: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (halting on the first
# report); then, when the ARM cross toolchain is installed, the unit tests
# cross-built and run under qemu-arm, and the Wiz build's tests. Installs
# the Debian packages it needs when they are missing (not the cross
# toolchain).
set -euo pipefail
cd "$(dirname "$0")"
source tools/dev/packages.sh
ensure_packages

jobs=$(nproc 2>/dev/null || echo 2)
status=0
# ccache, when the machine has it, keeps rebuilds of unchanged files cheap;
# with paths taken relative to the checkout, a fresh clone elsewhere hits too.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi
run_suite() {   # name, build dir, extra cmake options...
  local name=$1 dir=$2
  shift 2
  echo "=== $name build ==="
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== $name tests ==="
  (cd "$dir" && ctest --output-on-failure -j "$jobs") || status=1
}

run_suite "Normal" build
ASAN_OPTIONS=halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  run_suite "Sanitizer (ASan+UBSan)" build-sanitize -DKORVO_SANITIZE=ON

# The unit tests again, built for the console's ARM processor and run under
# qemu-arm, when the cross toolchain is installed (it is never installed
# from here: see "Putting Korvo on a console" in the README).
if tools/arm_tests.sh --available; then
  echo "=== ARM build and tests (qemu-arm) ==="
  arm=0
  tools/arm_tests.sh || arm=$?
  case $arm in
    0) ;;
    3) echo "=== ARM tests skipped: no ARM sysroot (tools/arm_sysroot.sh failed) ===" ;;
    *) status=1 ;;
  esac
else
  echo "=== ARM tests skipped: no cross toolchain (apt-get install g++-arm-linux-gnueabi qemu-user) ==="
fi

# The Wiz build (the firmware's ABI and C library): its unit tests under
# qemu-arm with the firmware's libraries as root, the release's checks, and a
# start of the zip's Korvo.gpe (tools/wiz_tests.sh).
if tools/wiz_tests.sh --available; then
  echo "=== Wiz build and tests (qemu-arm, the firmware's libraries) ==="
  wiz=0
  tools/wiz_tests.sh || wiz=$?
  case $wiz in
    0) ;;
    3) echo "=== Wiz tests skipped: the Wiz runtime could not be made (tools/wiz_runtime.sh failed) ===" ;;
    *) status=1 ;;
  esac
else
  echo "=== Wiz tests skipped: needs g++-arm-linux-gnueabi, qemu-user, bubblewrap and the firmware's libraries (tools/wiz_root.sh) ==="
fi
exit $status
