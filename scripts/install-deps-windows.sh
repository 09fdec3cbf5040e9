#!/usr/bin/env bash
# Installs what the 32-bit Windows build and its Wine-run tests need: the
# mingw-w64 cross tools, Wine with its 32-bit half, and googletest's
# sources. Does nothing when all are present.
set -euo pipefail

packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest wine wine32:i386)

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
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
