#!/usr/bin/env bash
# Builds the compiler runtime of the Wiz build: GCC's libgcc helpers and its
# C++ library (libstdc++, libsupc++), compiled from Debian's gcc-12-source
# for the firmware's legacy procedure call standard (-mabi=apcs-gnu) and its
# C library (glibc 2.3.6), and prints the folder that holds them:
#
#   tools/wiz_runtime.sh            builds when needed; prints the folder
#
# Debian's cross compiler compiles for the legacy calling convention, but its
# own runtime libraries are built for the EABI one (doubles and 64-bit values
# 8-byte aligned, an 8-byte aligned stack) and for glibc 2.36: none of them
# may be linked into a program for the console. So the runtime is compiled
# here from GCC's sources with the same compiler and flags as the programs:
#
#   lib/libgcc.a, .o    the soft-float, division and shift helpers (GCC's ARM
#                       assembler), the 64-bit division and conversions of
#                       libgcc2.c, the atomic operations through the kernel's
#                       helpers (linux-atomic.c) and the ARM unwinder;
#   lib/libstdc++.a     the C++ library, configured by linking its probes
#   lib/libsupc++.a     against the firmware's own libraries, so it uses only
#   include/c++/12      what glibc 2.3.6 has; no thread-local storage (the
#                       firmware's LinuxThreads has none), the generic locale.
#
# Everything lives in $KORVO_WIZ_CACHE (default ~/.cache/korvo-wiz): the
# package (downloaded once with apt-get download), its unpacked sources and
# the built runtime with a stamp of what made it (compiler, flags, this
# script). A second run only checks the stamp. The first build takes a few
# minutes on two cores.
#
# Needs g++-arm-linux-gnueabi, the armel headers of tools/arm_sysroot.sh and
# the firmware root of tools/wiz_root.sh (both made here when missing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${KORVO_WIZ_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvo-wiz}
prefix=${KORVO_ARM_PREFIX:-arm-linux-gnueabi-}
sysroot=${KORVO_ARM_SYSROOT:-$root/build/sysroot-armel}
wizroot=$root/build/wiz-root
jobs=$(nproc 2>/dev/null || echo 2)

# The console's processor and the firmware's calling convention; the same
# flags as cmake/wiz.cmake gives the programs. No "unique" symbols: the
# firmware's loader predates them (and the assembler refuses them in
# legacy-ABI objects).
wiz_flags=(-mabi=apcs-gnu -march=armv5te -mtune=arm926ej-s -marm -mfloat-abi=soft
  -fno-stack-protector -fno-gnu-unique -U_FORTIFY_SOURCE)

log() { echo "wiz_runtime: $*" >&2; }

[ -n "${KORVO_ARM_SYSROOT:-}" ] || "$root/tools/arm_sysroot.sh" "$sysroot" >&2
"$root/tools/wiz_root.sh" "$wizroot" >&2

out=$cache/runtime
stamp() {
  "${prefix}g++" --version | head -1
  printf '%s ' "${wiz_flags[@]}"; echo
  sha1sum < "$0" | cut -d' ' -f1
  sha1sum < "$root/platform/wiz_runtime.cpp" | cut -d' ' -f1
  cat "$wizroot/.korvo-wiz-root"
}
if [ -f "$out/.korvo-wiz-runtime" ] && [ "$(cat "$out/.korvo-wiz-runtime")" = "$(stamp)" ]; then
  echo "$out"
  exit 0
fi

# --- GCC's sources ----------------------------------------------------------
src=$cache/src/gcc-12.2.0
if [ ! -f "$src/.korvo-unpacked" ]; then
  mkdir -p "$cache/dl"
  deb=$(ls "$cache"/dl/gcc-12-source_*.deb 2>/dev/null | head -1 || true)
  if [ -z "$deb" ]; then
    log "downloading gcc-12-source"
    (cd "$cache/dl" && apt-get download gcc-12-source >/dev/null 2>&1) || {
      log "apt-get download gcc-12-source failed (run apt-get update first?)"
      exit 1
    }
    deb=$(ls "$cache"/dl/gcc-12-source_*.deb | head -1)
  fi
  log "unpacking GCC's runtime sources"
  rm -rf "$cache/src" "$cache/deb"
  mkdir -p "$cache/src" "$cache/deb"
  dpkg-deb -x "$deb" "$cache/deb"
  tarball=$(ls "$cache"/deb/usr/src/gcc-12/gcc-*.tar.* | head -1)
  top=$(tar -tf "$tarball" | grep -E '^gcc-12[^/]*/[^/]+$')
  tar -xf "$tarball" -C "$cache/src" --exclude='*/testsuite/*' \
    gcc-12.2.0/libstdc++-v3 gcc-12.2.0/libgcc gcc-12.2.0/libiberty gcc-12.2.0/include gcc-12.2.0/config \
    gcc-12.2.0/gcc/BASE-VER gcc-12.2.0/gcc/DATESTAMP gcc-12.2.0/gcc/tsystem.h \
    gcc-12.2.0/gcc/coretypes.h $top
  # configure wants the test suite's makefile template, not the tests.
  tar -xf "$tarball" -C "$cache/src" gcc-12.2.0/libstdc++-v3/testsuite/Makefile.in
  rm -rf "$cache/deb"
  touch "$src/.korvo-unpacked"
fi

rm -rf "$out" "$cache/work"
mkdir -p "$out/lib" "$cache/work"
work=$cache/work
cc=("${prefix}gcc" --sysroot="$sysroot" "${wiz_flags[@]}")

# --- libgcc ---------------------------------------------------------------------
# libgcc is normally built inside GCC's own build, which hands it a generated
# tm.h; for the ARM target all that file gives libgcc2.c is the word size,
# given here on the command line. bpabi-lib.h (the EABI names) is left out.
log "building libgcc"
lg=$work/libgcc
mkdir -p "$lg/inc"
printf '#ifndef GCC_TM_H\n#define GCC_TM_H\n#endif\n' > "$lg/inc/tm.h"
printf '#ifndef GCC_TCONFIG_H\n#define GCC_TCONFIG_H\n#define USED_FOR_TARGET\n#endif\n' > "$lg/inc/tconfig.h"
: > "$lg/inc/libgcc_tm.h"
: > "$lg/inc/auto-target.h"
cp "$src/libgcc/config/arm/unwind-arm.h" "$lg/inc/unwind.h"
lgflags=("${cc[@]}" -O2 -g -fbuilding-libgcc -DIN_LIBGCC2 -Dinhibit_libc -fno-inline-functions-called-once
  -DMIN_UNITS_PER_WORD=4 -DLIBGCC2_UNITS_PER_WORD=4 -DHIDE_EXPORTS -fvisibility=hidden
  -I"$lg/inc" -I"$src/libgcc" -I"$src/include" -I"$src/gcc" -I"$src/libgcc/config/arm")
asm_funcs=(_udivsi3 _divsi3 _umodsi3 _modsi3 _dvmd_lnx _lshrdi3 _ashrdi3 _ashldi3
  _arm_negdf2 _arm_addsubdf3 _arm_muldivdf3 _arm_cmpdf2 _arm_unorddf2 _arm_fixdfsi _arm_fixunsdfsi
  _arm_truncdfsf2 _arm_negsf2 _arm_addsubsf3 _arm_muldivsf3 _arm_cmpsf2 _arm_unordsf2
  _arm_fixsfsi _arm_fixunssfsi _clzsi2 _clzdi2 _ctzsi2)
# The C helpers (libgcc2.c) that the assembler ones above do not cover.
c_funcs=(_muldi3 _negdi2 _cmpdi2 _ucmpdi2 _absvsi2 _absvdi2 _addvsi3 _addvdi3 _subvsi3 _subvdi3
  _mulvsi3 _mulvdi3 _negvsi2 _negvdi2 _ffssi2 _ffsdi2 _clz _ctzdi2 _popcount_tab _popcountsi2
  _popcountdi2 _paritysi2 _paritydi2 _powisf2 _powidf2 _mulsc3 _muldc3 _divsc3 _divdc3
  _bswapsi2 _bswapdi2 _clrsbsi2 _clrsbdi2
  _divdi3 _moddi3 _divmoddi4 _udivdi3 _umoddi3 _udivmoddi4
  _fixsfdi _fixdfdi _fixunssfdi _fixunsdfdi)
# Every helper is hidden, as in GCC's own static libgcc: the firmware's
# libraries export copies of GCC 4.0's helpers, whose doubles are in the old
# word order; a helper the program exported would take their place inside
# them. The assembler files are assembled twice for that, the second time
# with a .hidden line for each global symbol of the first.
asm() {   # function, output, extra flags...
  local f=$1 o=$2
  shift 2
  "${lgflags[@]}" "$@" -DL$f -x assembler-with-cpp -c "$src/libgcc/config/arm/lib1funcs.S" -o "$o" 2>"$o.log" ||
    { cat "$o.log" >&2; exit 1; }
}
for f in "${asm_funcs[@]}"; do
  asm "$f" "$lg/asm$f.o"
  "${prefix}nm" --defined-only -g "$lg/asm$f.o" | awk '{print ".hidden " $3}' > "$lg/asm$f.vis"
  asm "$f" "$lg/asm$f.o" -include "$lg/asm$f.vis"
done
for f in "${c_funcs[@]}"; do
  "${lgflags[@]}" -DL$f -c "$src/libgcc/libgcc2.c" -o "$lg/c$f.o"
done
# The kernel's compare-and-swap helper gives the word-sized atomics (the
# ARM926 has no exclusive loads); the 64-bit ones need a kernel newer than
# the console's and are left out.
"${lgflags[@]}" -w -c "$src/libgcc/config/arm/linux-atomic.c" -o "$lg/linux-atomic.o"
for f in unwind-arm.c pr-support.c; do
  "${lgflags[@]}" -fexceptions -c "$src/libgcc/config/arm/$f" -o "$lg/${f%.c}.o"
done
"${lgflags[@]}" -fexceptions -c "$src/libgcc/unwind-c.c" -o "$lg/unwind-c.o"
"${lgflags[@]}" -x assembler-with-cpp -c "$src/libgcc/config/arm/libunwind.S" -o "$lg/libunwind.o"
"${prefix}nm" --defined-only -g "$lg/libunwind.o" | awk '{print ".hidden " $3}' > "$lg/libunwind.vis"
"${lgflags[@]}" -x assembler-with-cpp -include "$lg/libunwind.vis" -c "$src/libgcc/config/arm/libunwind.S" -o "$lg/libunwind.o"
rm -f "$out/lib/libgcc.a"
"${prefix}ar" rcs "$out/lib/libgcc.a" "$lg"/*.o
if "${prefix}readelf" -s -W "$out/lib/libgcc.a" | awk '$5=="GLOBAL" && $7!="UND" && $6!="HIDDEN"' | grep -q .; then
  log "libgcc.a has helpers that are not hidden"
  exit 1
fi
# The whole of it as one object, which every program links first: the
# program's references to the helpers are then all its own, never bound to
# a firmware library's copy (the link sees those libraries only later).
"${prefix}ld" -r --whole-archive "$out/lib/libgcc.a" -o "$out/lib/libgcc.o"
mkdir -p "$out/include"
cp "$lg/inc/unwind.h" "$out/include/unwind.h"

# --- libstdc++ ---------------------------------------------------------------------
# Its configure links its probes: against the firmware's libraries, so a
# function glibc 2.3.6 lacks is found missing, though the headers (2.36)
# declare it.
log "configuring libstdc++"
# The probes link as the programs do: the program entry and C library names
# of platform/wiz_runtime.cpp (a probe of stat finds the stat the programs
# have), GCC's helpers, and the firmware's libraries, which -lm and the like
# find under their link names in a folder of their own.
mkdir -p "$work/link"
for name in c m dl pthread rt; do
  target=$(cd "$wizroot/lib" && ls lib$name.so.[0-9]* | head -1)
  ln -sfn "$wizroot/lib/$target" "$work/link/lib$name.so"
done
"${prefix}g++" --sysroot="$sysroot" "${wiz_flags[@]}" -O2 -c "$root/platform/wiz_runtime.cpp" -o "$work/link/wiz_runtime.o"
link=(-nostdlib -no-pie -Wl,--dynamic-linker=/lib/ld-linux.so.2 -Wl,--hash-style=sysv
  -L"$work/link" -Wl,-rpath-link,"$wizroot/lib" -Wl,--no-warn-mismatch)
libs=("$work/link/wiz_runtime.o" "$out/lib/libgcc.o" "$wizroot/lib/libc.so.6")
mkdir -p "$work/libstdc++"
# GCC's build puts the thread model's header beside libgcc's objects, where
# libstdc++ looks for it: POSIX threads, used only when the program has them.
cp "$src/libgcc/gthr-posix.h" "$lg/gthr-default.h"
(cd "$work/libstdc++" &&
  CC="${cc[*]}" CXX="${prefix}g++ --sysroot=$sysroot ${wiz_flags[*]}" \
  CFLAGS="-O2 -g" CXXFLAGS="-O2 -g" LDFLAGS="${link[*]}" LIBS="${libs[*]}" \
  AR="${prefix}ar" RANLIB="${prefix}ranlib" NM="${prefix}nm" \
  "$src/libstdc++-v3/configure" --host=arm-linux-gnueabi --build="$(gcc -dumpmachine)" \
    --target=arm-linux-gnueabi --prefix="$out" --with-gxx-include-dir="$out/include/c++/12" \
    --disable-shared --enable-static --disable-multilib --disable-nls --disable-libstdcxx-pch \
    --disable-tls --enable-clocale=generic --disable-libstdcxx-backtrace \
    --disable-libstdcxx-filesystem-ts --with-system-zlib=no >configure.log 2>&1) || {
  tail -30 "$work/libstdc++/config.log" >&2
  exit 1
}
log "building libstdc++ (a few minutes)"
make -C "$work/libstdc++" -j"$jobs" >"$work/libstdc++/make.log" 2>&1 || { tail -40 "$work/libstdc++/make.log" >&2; exit 1; }
make -C "$work/libstdc++" install >"$work/libstdc++/install.log" 2>&1 || { tail -20 "$work/libstdc++/install.log" >&2; exit 1; }
rm -rf "$work"

stamp > "$out/.korvo-wiz-runtime"
log "the runtime is in $out"
echo "$out"
