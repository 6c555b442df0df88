# The Debian packages Korvo builds and tests with; sourced by run.sh and test.sh.
KORVO_PACKAGES=(build-essential cmake pkg-config
  libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libsdl-gfx1.2-dev
  googletest libgtest-dev libbenchmark-dev
  zlib1g-dev bubblewrap python3-pil)
# The image viewer's photo decoders.
KORVO_PACKAGES+=(libjpeg62-turbo-dev libpng-dev)

# The console build: the ARM cross compiler, qemu-arm for the ARM tests and
# benchmarks, dpkg-dev for apt-get source. Installed by release.sh;
# test.sh uses them only when present.
KORVO_ARM_PACKAGES=(g++-arm-linux-gnueabi qemu-user dpkg-dev)

ensure_packages() {   # [package...], default: KORVO_PACKAGES
  local missing=() p
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${KORVO_PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
