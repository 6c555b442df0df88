#!/usr/bin/env bash
# Builds Korvo for the console and writes build/release/korvo.zip: the folder
# korvo/ exactly as it goes on the SD card (Korvo.gpe, installer.gpe,
# uninstall.gpe, resources/, user/, libSDL_gfx.so.0, qz, README.txt).
#
# Installs what is missing: the cross toolchain and the host tools (Debian
# packages), and the ARM sysroot (tools/arm_sysroot.sh). Checks that every
# program in the package is an ARM one, and that none needs a C library
# newer than KORVO_GLIBC_CEILING (below) or any C++ runtime from the console.
#
# Environment: KORVO_ARM_PREFIX and KORVO_ARM_SYSROOT choose another
# toolchain and target root (e.g. the console SDK's; see
# cmake/arm-linux-gnueabi.cmake), KORVO_GLIBC_CEILING another ceiling.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

# The highest GLIBC_ symbol version a program may ask for: 2.4, the first
# version of the ARM EABI port, which every ARM glibc has. Debian 12's armel
# C library is 2.36; the programs take its newer entry points inside
# themselves (platform/glibc_compat.cpp) and libSDL_gfx.so.0 its pow
# (tools/arm_sysroot.sh), so nothing asks for more.
ceiling=${KORVO_GLIBC_CEILING:-2.4}
prefix=${KORVO_ARM_PREFIX:-arm-linux-gnueabi-}

source tools/dev/packages.sh
if [ -z "${KORVO_ARM_PREFIX:-}" ]; then
  ensure_packages build-essential cmake pkg-config python3 "${KORVO_ARM_PACKAGES[@]}"
else
  ensure_packages build-essential cmake pkg-config python3
fi

sysroot=${KORVO_ARM_SYSROOT:-$root/build/sysroot-armel}
if [ -z "${KORVO_ARM_SYSROOT:-}" ]; then
  tools/arm_sysroot.sh "$sysroot"
fi

dir=build/release-arm
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
echo "=== ARM build ($dir) ==="
cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
  -DKORVO_ARM_SYSROOT="$sysroot" -DKORVO_ARM_PREFIX="$prefix" -DKORVO_PLATFORM=console \
  -DKORVO_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target Korvo installer uninstall qz

echo "=== the card's folder ==="
out=build/release
card=$out/korvo
rm -rf "$card" "$out/korvo.zip"
mkdir -p "$card"
for program in Korvo.gpe installer.gpe uninstall.gpe qz; do
  # The debugging information stays in the build folder; the card gets the
  # stripped program.
  "${prefix}strip" -o "$card/$program" "$dir/$program"
done
gfx=$(find "$sysroot/usr/lib" "$sysroot/lib" -name libSDL_gfx.so.0 2>/dev/null | head -1)
[ -n "$gfx" ] || { echo "release: no libSDL_gfx.so.0 in $sysroot" >&2; exit 1; }
"${prefix}strip" --strip-unneeded -o "$card/libSDL_gfx.so.0" "$(readlink -f "$gfx")"
cp -r resources user "$card/"
cp tools/release/README.txt "$card/README.txt"

echo "=== checks ==="
failed=0
elf_machine() { readelf -h "$1" 2>/dev/null | sed -n 's/^ *Machine: *//p'; }
version_of() { printf '%s\n' "$@" | sort -V | tail -1; }
for program in Korvo.gpe installer.gpe uninstall.gpe qz libSDL_gfx.so.0; do
  [ -f "$card/$program" ] || { echo "missing: $program"; failed=1; }
done
# Every ELF file of the package, wherever it lies, must be a 32-bit ARM one.
while IFS= read -r -d '' file; do
  [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
  name=${file#"$card"/}
  machine=$(elf_machine "$file")
  class=$(readelf -h "$file" | sed -n 's/^ *Class: *//p')
  flags=$(readelf -h "$file" | sed -n 's/^ *Flags: *//p')
  if [ "$machine" != "ARM" ] || [ "$class" != "ELF32" ]; then
    echo "NOT ARM: $name ($class, $machine)"
    failed=1
    continue
  fi
  needs=$(readelf -V --wide "$file" | grep -oE 'Name: [A-Z_]+_[0-9.]+' | sed 's/Name: //' | sort -u)
  glibc=$(version_of $(echo "$needs" | sed -n 's/^GLIBC_//p'))
  cxx=$(echo "$needs" | grep -E '^(GLIBCXX|CXXABI|GCC)_' | tr '\n' ' ' || true)
  libs=$(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
  printf '%-18s ARM %s; GLIBC_%s; needs %s\n' "$name" "${flags%%,*}" "${glibc:-none}" "$libs"
  if [ -n "$glibc" ] && [ "$(version_of "$glibc" "$ceiling")" != "$ceiling" ]; then
    echo "  above the ceiling GLIBC_$ceiling: $(readelf --dyn-syms --wide "$file" |
      grep -oE '[A-Za-z_0-9]+@GLIBC_[0-9.]+' | sort -u | while IFS=@ read -r sym ver; do
        [ "$(version_of "${ver#GLIBC_}" "$ceiling")" = "$ceiling" ] || printf '%s ' "$sym@$ver"
      done)"
    failed=1
  fi
  # The C++ runtime is linked in; the firmware's (if any) is never asked for.
  if [ -n "$cxx" ]; then
    echo "  needs the C++ runtime of the console: $cxx"
    failed=1
  fi
done < <(find "$card" -type f -print0)
# A script (such as a stand-in for qz) is no program for the console.
for program in Korvo.gpe installer.gpe uninstall.gpe qz libSDL_gfx.so.0; do
  [ -f "$card/$program" ] && [ "$(elf_machine "$card/$program")" = "ARM" ] ||
    { echo "not an ARM program: $program"; failed=1; }
done
if [ $failed -ne 0 ]; then
  echo "release: the package fails its checks (GLIBC ceiling $ceiling); no zip written" >&2
  exit 1
fi
echo "all programs ARM, GLIBC_$ceiling at most, no C++ runtime needed"

(cd "$out" && /usr/bin/python3 -m zipfile -c korvo.zip korvo/)
echo "=== $out/korvo.zip: $(du -h "$out/korvo.zip" | cut -f1), $(find "$card" -type f | wc -l) files ==="
