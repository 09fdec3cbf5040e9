#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only when
# one of them is missing, so that a prepared machine starts at once.
set -euo pipefail

packages=(cmake g++ make openjdk-17-jdk-headless libgtest-dev libgmock-dev junit5)

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
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
