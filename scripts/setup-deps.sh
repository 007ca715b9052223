#!/usr/bin/env bash
# Installs the Debian packages Shelvix needs to build, test and run, when any is missing, or
# the packages named as arguments (scripts/package.sh names its tools so).
# Runs apt-get as root, or through sudo for other users.
set -euo pipefail
packages=("$@")
[ $# -gt 0 ] || packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libbz2-dev bzip2 libxxhash-dev libarchive-dev libpugixml-dev libblkid-dev
  nlohmann-json3-dev libgtest-dev
  libexiv2-dev libtag1-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libjpeg-dev libpng-dev
  ffmpeg libimage-exiftool-perl libvips-tools
  xvfb xauth xdotool strace zip p7zip-full libarchive-tools python3
  genisoimage xorriso gzip xz-utils zstd lz4 lzip ncompress gcab
  python3-pyatspi at-spi2-core dbus-daemon
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
