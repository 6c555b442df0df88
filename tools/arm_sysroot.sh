#!/usr/bin/env bash
# Lays out the ARM sysroot of the EABI cross build (the ARM tests and
# benchmarks under qemu-arm), from Debian's armel packages; the Wiz build
# (cmake/wiz.cmake) takes only its headers.
#
#   tools/arm_sysroot.sh [SYSROOT]        (default: build/sysroot-armel)
#
# Debian's armel libraries cannot be installed beside the host's amd64 ones
# (the multiarch -dev packages clash), so their .deb files are fetched with
# apt and unpacked into the sysroot. apt runs with a configuration of its own
# (architecture armel, the host's Debian sources plus their deb-src entries,
# state and downloads in the cache folder), so the host's apt setup is never
# changed and no root rights are needed.
#
# Everything downloaded or built is kept in a cache folder outside the build
# tree, $KORVO_ARM_CACHE (default ~/.cache/korvo-armel): a second run, a fresh
# clone or a deleted build/ only unpacks again (a few seconds) and needs no
# network. Delete the cache folder to fetch everything anew.
#
# Environment: KORVO_ARM_PREFIX (default arm-linux-gnueabi-), the cross
# compiler's prefix (part of the sysroot's stamp).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sysroot=${1:-$root/build/sysroot-armel}
cache=${KORVO_ARM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvo-armel}
prefix=${KORVO_ARM_PREFIX:-arm-linux-gnueabi-}
triplet=arm-linux-gnueabi
cpu_flags=(-mcpu=arm926ej-s -marm -mfloat-abi=soft)

# The libraries the programs and the tests load at run time: resolved with
# all their dependencies, so the tests can run under qemu-arm.
runtime_roots=(libc6 libsdl1.2debian libsdl-image1.2 libsdl-mixer1.2 zlib1g
  libjpeg62-turbo libpng16-16 libbenchmark1debian)
# Headers, link-time files and static libraries: taken alone, without the
# long tail of -dev packages they pull in (X11, OpenGL, PulseAudio ...),
# which nothing here compiles against.
dev_packages=(libc6-dev linux-libc-dev libsdl1.2-dev libsdl-image1.2-dev
  libsdl-mixer1.2-dev zlib1g-dev libjpeg62-turbo-dev libjpeg-dev libpng-dev
  libgtest-dev libbenchmark-dev)

stamp_of() {   # the package lists that make up a sysroot, as one line
  printf '%s ' "${runtime_roots[@]}" "${dev_packages[@]}" "${cpu_flags[@]}" "$prefix"
}

sysroot_stamp() {   # the packages and this script: either changing lays it out anew
  stamp_of
  sha1sum < "$0" | cut -d' ' -f1
}

if [ -f "$sysroot/.korvo-sysroot" ] && [ "$(cat "$sysroot/.korvo-sysroot")" = "$(sysroot_stamp)" ]; then
  echo "ARM sysroot ready: $sysroot"
  exit 0
fi

# --- a private apt for armel ---------------------------------------------
aptdir=$cache/apt
mkdir -p "$aptdir/state/lists/partial" "$aptdir/cache/archives/partial" "$aptdir/sources.list.d" "$aptdir/prefs"
: > "$aptdir/state/status"   # nothing counts as installed: dependencies resolve in full
apt_opts=(-o "Dir::State=$aptdir/state" -o "Dir::State::status=$aptdir/state/status"
  -o "Dir::Cache=$aptdir/cache" -o "Dir::Etc::SourceList=$aptdir/sources.list"
  -o "Dir::Etc::SourceParts=$aptdir/sources.list.d" -o "Dir::Etc::Preferences=$aptdir/prefs/none"
  -o "Dir::Etc::PreferencesParts=$aptdir/prefs"
  -o "APT::Architecture=armel" -o "APT::Architectures::=armel"
  -o "APT::Install-Recommends=false" -o "APT::Install-Suggests=false"
  -o "Debug::NoLocking=true" -o "APT::Sandbox::User=root" -q)
apt_private() { apt-get "${apt_opts[@]}" "$@"; }

write_sources() {
  # The host's Debian entries (those signed with Debian's archive keyring),
  # each also as a deb-src entry for apt-get source.
  : > "$aptdir/sources.list"
  rm -f "$aptdir/sources.list.d"/*
  local f n=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -q 'debian-archive-keyring' "$f" || continue
    sed -e 's/^Types:.*/Types: deb deb-src/' "$f" > "$aptdir/sources.list.d/host-$n.sources"
    n=$((n + 1))
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | grep '/debian' | while read -r line; do
      echo "$line"
      echo "deb-src ${line#deb }"
    done >> "$aptdir/sources.list"
  fi
  if [ "$n" -eq 0 ] && [ ! -s "$aptdir/sources.list" ]; then
    echo "arm_sysroot: no Debian entry in the host's apt sources" >&2
    exit 1
  fi
}

lists_fresh() {
  [ -n "$(find "$aptdir/state/lists" -maxdepth 1 -name '*Packages*' -mmin -1440 2>/dev/null | head -1)" ] &&
    [ -n "$(find "$aptdir/state/lists" -maxdepth 1 -name '*Sources*' 2>/dev/null | head -1)" ]
}

debs=$cache/debs
mkdir -p "$debs"
have_debs() { [ -f "$debs/.complete" ] && [ "$(cat "$debs/.complete")" = "$(stamp_of)" ]; }

if ! have_debs; then
  write_sources
  if ! lists_fresh; then
    echo "arm_sysroot: updating the armel package lists"
    apt_private update >/dev/null
  fi
  echo "arm_sysroot: downloading the armel packages"
  rm -f "$debs"/*.deb
  apt_private install -y --download-only "${runtime_roots[@]}" >/dev/null
  cp "$aptdir/cache/archives"/*.deb "$debs/"
  (cd "$debs" && apt_private download "${dev_packages[@]}" >/dev/null)
  stamp_of > "$debs/.complete"
fi

# --- unpack --------------------------------------------------------------
echo "arm_sysroot: unpacking $(ls "$debs"/*.deb | wc -l) packages into $sysroot"
rm -rf "$sysroot"
mkdir -p "$sysroot"
for deb in "$debs"/*.deb; do
  dpkg-deb -x "$deb" "$sysroot"
done
# Debian links some .so files to absolute targets (/lib/...): point them into
# the sysroot, or the linker would follow them to the host's libraries.
find "$sysroot" -type l | while read -r link; do
  target=$(readlink "$link")
  case $target in
    /*) ln -sfn "$sysroot$target" "$link" ;;
  esac
done
# The merged /usr: the loader and libc look for each other in both places.
for d in lib; do
  if [ -d "$sysroot/$d" ] && [ ! -L "$sysroot/$d" ]; then
    mkdir -p "$sysroot/usr/$d"
    cp -a "$sysroot/$d/." "$sysroot/usr/$d/"
    rm -rf "${sysroot:?}/$d"
    ln -s "usr/$d" "$sysroot/$d"
  fi
done

sysroot_stamp > "$sysroot/.korvo-sysroot"
echo "ARM sysroot ready: $sysroot"
