# The Debian packages Korvo builds and tests with; sourced by run.sh and test.sh.
KORVO_PACKAGES=(build-essential cmake pkg-config
  libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libsdl-gfx1.2-dev
  googletest libgtest-dev libbenchmark-dev
  zlib1g-dev bubblewrap python3-pil)
# The image viewer's photo decoders.
KORVO_PACKAGES+=(libjpeg62-turbo-dev libpng-dev)

ensure_packages() {
  local missing=() p
  for p in "${KORVO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
