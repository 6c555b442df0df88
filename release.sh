#!/usr/bin/env bash
# Builds Korvo for the Wiz's own firmware and writes build/release/korvo.zip:
# the folder korvo/ exactly as it goes on the SD card (Korvo.gpe,
# installer.gpe, uninstall.gpe, qz, resources/, user/, README.txt).
#
# The programs are built for the firmware's legacy ARM ABI (ELF EABI version
# 0, soft-float), its C library (glibc 2.3.6, loader /lib/ld-linux.so.2,
# symbol versions up to GLIBC_2.3.4) and its libraries (SDL 1.2, SDL_image,
# SDL_mixer, libjpeg 6b, libpng 1.2), with cmake/wiz.cmake; see "Putting
# Korvo on a console" in the README. Every ELF file of the package is checked
# (tools/wiz_check.py: ABI, loader, hash table, symbol versions, the libraries
# it needs and what it calls of them); the script prints, per file, its ABI,
# interpreter, highest symbol version and the libraries it needs, and writes
# no zip when any check fails.
#
# Installs what is missing: the cross toolchain and the host tools (Debian
# packages), the armel headers (tools/arm_sysroot.sh), the firmware root
# (tools/wiz_root.sh, from the shared wiz-firmware folder) and the C++ runtime
# for the firmware's ABI (tools/wiz_runtime.sh, built once into
# ~/.cache/korvo-wiz).
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

source tools/dev/packages.sh
ensure_packages build-essential cmake pkg-config python3 "${KORVO_ARM_PACKAGES[@]}"

echo "=== the Wiz runtime ==="
runtime=$(tools/wiz_runtime.sh)
wizroot=$root/build/wiz-root

dir=build/release-wiz
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi
echo "=== Wiz build ($dir) ==="
cmake --no-warn-unused-cli -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/wiz.cmake \
  -DKORVO_WIZ_RUNTIME="$runtime" -DKORVO_WIZ_ROOT="$wizroot" -DKORVO_PLATFORM=console \
  -DKORVO_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target Korvo installer uninstall qz

echo "=== the card's folder ==="
out=build/release
card=$out/korvo
rm -rf "$card" "$out/korvo.zip"
mkdir -p "$card"
programs=(Korvo.gpe installer.gpe uninstall.gpe qz)
for program in "${programs[@]}"; do
  # The debugging information stays in the build folder; the card gets the
  # stripped program.
  arm-linux-gnueabi-strip -o "$card/$program" "$dir/$program"
done
cp -r resources user "$card/"
cp tools/release/README.txt "$card/README.txt"

echo "=== checks (for the firmware of $(tools/wiz_root.sh --firmware)) ==="
failed=0
for program in "${programs[@]}"; do
  [ -f "$card/$program" ] || { echo "missing: $program"; failed=1; }
done
# Every ELF file of the package, wherever it lies.
elves=()
while IFS= read -r -d '' file; do
  [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] && elves+=("$file")
done < <(find "$card" -type f -print0 | sort -z)
for program in "${programs[@]}"; do
  printf '%s\n' "${elves[@]}" | grep -qx "$card/$program" || { echo "not an ELF program: $program"; failed=1; }
done
(cd "$card" && python3 "$root/tools/wiz_check.py" --firmware "$wizroot/lib" --built "$root/$dir" \
  --helpers "$runtime/lib/libgcc.a" "${elves[@]#"$card"/}") || failed=1
if [ $failed -ne 0 ]; then
  echo "release: the package fails its checks; no zip written" >&2
  exit 1
fi
echo "all programs: legacy ABI, /lib/ld-linux.so.2, GLIBC_2.3.4 at most, only the firmware's libraries"

(cd "$out" && /usr/bin/python3 -m zipfile -c korvo.zip korvo/)
echo "=== $out/korvo.zip: $(du -h "$out/korvo.zip" | cut -f1), $(find "$card" -type f | wc -l) files ==="
