#!/usr/bin/env bash
# Lays out a root folder holding the console firmware's runtime libraries,
# for linking the Wiz build against them and running it under qemu-arm:
#
#   tools/wiz_root.sh [ROOT]        (default: build/wiz-root)
#   tools/wiz_root.sh --firmware    prints the firmware folder found, or fails
#
# The firmware's libraries come from the project's shared folder
# (wiz-firmware/lib beside or above the checkout: ../shared/wiz-firmware or
# ../../shared/wiz-firmware), or from $KORVO_WIZ_FIRMWARE. That folder stores
# each symbolic link as a small text file naming its target and keeps its
# files without execute permission; the root gets real links and copies with
# execute bits: qemu-arm refuses to load a file it may not execute (it says
# "Error while loading ...: Permission denied", a message that is lost when
# its output is not a terminal, and leaves with status 1).
#
# The root is ROOT/lib with every library under its own name and its links;
# a second run with unchanged libraries does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

find_firmware() {
  local d
  for d in "${KORVO_WIZ_FIRMWARE:-}" "$root/../shared/wiz-firmware" "$root/../../shared/wiz-firmware"; do
    [ -n "$d" ] && [ -f "$d/lib/libc-2.3.6.so" ] && { (cd "$d" && pwd); return 0; }
  done
  return 1
}

if [ "${1:-}" = "--firmware" ]; then
  find_firmware
  exit
fi

firmware=$(find_firmware) || {
  echo "wiz_root: no console firmware libraries (wiz-firmware/lib) found; set KORVO_WIZ_FIRMWARE" >&2
  exit 1
}
dest=${1:-$root/build/wiz-root}
stamp=$(cd "$firmware/lib" && ls -l --time-style=+%s . | sha1sum | cut -d' ' -f1)
if [ -f "$dest/.korvo-wiz-root" ] && [ "$(cat "$dest/.korvo-wiz-root")" = "$stamp" ]; then
  exit 0
fi

rm -rf "$dest"
mkdir -p "$dest/lib"
for file in "$firmware/lib"/*; do
  name=$(basename "$file")
  if [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ]; then
    cp "$file" "$dest/lib/$name"
    chmod 755 "$dest/lib/$name"
  elif [ "$(stat -c %s "$file")" -lt 256 ] && target=$(tr -d '\n' < "$file") &&
       [[ $target =~ ^[A-Za-z0-9._+-]+$ ]] && [ -e "$firmware/lib/$target" ]; then
    ln -s "$target" "$dest/lib/$name"
  else
    echo "wiz_root: $file is neither a library nor a link" >&2
    exit 1
  fi
done
echo "$stamp" > "$dest/.korvo-wiz-root"
echo "wiz_root: the firmware's libraries of $firmware laid out in $dest"
