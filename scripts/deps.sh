#!/usr/bin/env bash
# Installs what building, running and testing need on Debian or Ubuntu, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-dev qt6-base-dev qt6-serialport-dev
          qt6-multimedia-dev qt6-charts-dev libqt6sql6-sqlite libqt6opengl6-dev libgl-dev fonts-wine qt6-translations-l10n desktop-file-utils dpkg-dev file
          g++-mingw-w64-x86-64-posix appstream lintian man-db poppler-utils xvfb)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
