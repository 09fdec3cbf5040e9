#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only when
# one of them is missing, so that a prepared machine starts at once.
#   install-deps.sh            the Linux build, its tests and the demo
#   install-deps.sh --windows  also the 32-bit Windows cross build and Wine
set -euo pipefail

packages=(cmake g++ make openjdk-17-jdk-headless libgtest-dev libgmock-dev junit5)
windows=0
if [ "${1:-}" = "--windows" ]; then
  windows=1
  # googletest's sources: the Windows tests build it with the cross compiler.
  packages+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest wine wine32:i386)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if [ "$windows" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
