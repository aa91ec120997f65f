# Installs the Debian packages a task needs, only when some are missing.
# Usage: source tools/deps.sh; brazdovar_need_packages pkg...
brazdovar_need_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# What building and running the game needs.
BRAZDOVAR_BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config libsdl2-dev zlib1g-dev
  libjpeg62-turbo-dev libtomlplusplus-dev libenet-dev python3)
# What the tests, benchmarks, fuzzers and end-to-end runs need on top.
BRAZDOVAR_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libspng-dev
  libstb-dev liblodepng-dev clang libclang-rt-14-dev xvfb xauth xdotool x11-utils x11-apps
  imagemagick python3-pil libjpeg-turbo-progs libturbojpeg0-dev libx11-dev libxtst-dev
  libxfixes-dev libsdl2-gfx-dev dpkg-dev lintian desktop-file-utils appstream man-db weston)
