#!/usr/bin/env bash
# Installs from Debian's packages whatever the builds and tests need and
# this machine lacks.
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest libgtest-dev zlib1g-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine64 xvfb xdotool x11-utils imagemagick fonts-dejavu-core
  zip unzip p7zip-full python3 bc
  liblnk-utils
  clang libclang-rt-14-dev
  ccache nasm fonts-wine fonts-liberation
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
