#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the viewer need.
# Does nothing when they are all present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev libosmesa6-dev libhwy-dev
  libgtest-dev libgmock-dev libbenchmark-dev libosmesa6-dev libhwy-dev
  libconfig++-dev libphysfs-dev libsdl2-dev libx11-dev libpng-dev
  xvfb xauth
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
