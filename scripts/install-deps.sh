#!/usr/bin/env bash
# Installs every Debian 12 package the build, the program and the test suite need.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev qt6-l10n-tools qt6-translations-l10n libgl-dev
  libjpeg-dev libxlsxwriter-dev
  fonts-liberation fontconfig
  libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format-14 clang-tidy-14
  xvfb xauth imagemagick
  libqt6svg6 qt6-qpa-plugins
  dpkg-dev desktop-file-utils appstream man-db bash-completion
  xdotool x11-utils tesseract-ocr tesseract-ocr-pol
  libxcb1-dev libxcb-xtest0-dev
  python3-openpyxl poppler-utils
  ccache lintian openbox
  ser2net libgensio-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql-15
  libsqlite3-dev libpq-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
