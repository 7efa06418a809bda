#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when they are all present.
set -euo pipefail

packages=(
  build-essential cmake ccache pkg-config
  qt6-base-dev libgl-dev libxcb1-dev
  zlib1g-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  imagemagick gifsicle
  zip unzip p7zip-full libarchive-tools icoutils python3 pandoc unrtf poppler-utils
  xvfb xauth xdotool openbox x11-utils at-spi2-core dbus-daemon
  desktop-file-utils xdg-utils shared-mime-info libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
