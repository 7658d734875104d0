#!/usr/bin/env bash
# Installs, with apt-get, whatever Framira needs that is not there yet.
# Usage: install-deps.sh [build|test|bench]   (test adds the tools the tests
# use, bench the peers bench/compare_peers.sh measures against and the
# package of photographs it measures them on)
# Quick when everything is present: apt-get is not called at all then.
set -euo pipefail

packages=(g++ make cmake ninja-build pkg-config qt6-base-dev libgl-dev fonts-dejavu-extra
          libjpeg62-turbo-dev libtiff-dev libpng-dev zlib1g-dev liblcms2-dev
          libexiv2-dev libheif-dev libwebp-dev libraw-dev)
if [ "${1:-build}" = test ]; then
  packages+=(libgtest-dev libjpeg-turbo-progs libimage-exiftool-perl xvfb xauth
             clang libclang-rt-14-dev imagemagick icc-profiles-free
             desktop-file-utils dpkg-dev file man-db parallel slurm-wlm munge)
fi
if [ "${1:-build}" = bench ]; then
  packages+=(imagemagick libvips-tools libjpeg-turbo-progs mate-backgrounds time python3)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run this as root (or with sudo) to install them." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
