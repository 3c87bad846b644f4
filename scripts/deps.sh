#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the package and its checks
# (scripts/package.sh, scripts/check-package.sh) and the benchmarks need, when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  clang libclang-rt-14-dev
  qt6-base-dev qt6-image-formats-plugins
  libturbojpeg0-dev libjpeg62-turbo-dev libmagick++-6.q16-dev libraw-dev libexiv2-dev
  libheif-dev libjxl-dev libwebp-dev libtiff-dev libicu-dev
  fonts-liberation2 fonts-dejavu-core fonts-urw-base35
  imagemagick xvfb xauth xdg-utils
  chromium nodejs
  dpkg-dev file desktop-file-utils appstream lintian libgtk-3-bin hicolor-icon-theme man-db
  bash-completion xdotool x11-utils openbox strace debootstrap
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(libvips-tools hyperfine libjpeg-turbo-progs python3)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The browser checks' npm packages (scripts/browser-deps.sh) need npm; a node from
# elsewhere may bring its own.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
bash "$(dirname "$0")/browser-deps.sh"
