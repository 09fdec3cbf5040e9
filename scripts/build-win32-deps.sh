#!/usr/bin/env bash
# Cross-builds the libraries that the Windows build links statically into the
# virtual scanner, libjpeg-turbo and libtiff, from Debian's source packages
# with the project's mingw-w64 toolchain, into <folder>/prefix (where
# cmake/Windows.cmake looks for them). A stamp of the source versions, the
# compiler and the build recipe makes a later run that would build the same
# thing do nothing.
#   usage: build-win32-deps.sh <folder>
# Needs what `install-deps.sh --windows` brings: the deb-src entries, dpkg-dev
# and the cross compiler.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <folder>" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$root/cmake/toolchain-mingw32.cmake"
mkdir -p "$1"
dir=$(cd "$1" && pwd)
prefix="$dir/prefix"
stamp="$dir/stamp"

# The release's own version, not a newer security update: the mirror does not
# always carry a security update's source.
codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
madison=$(apt-cache madison libjpeg-turbo tiff)
declare -A version
for package in libjpeg-turbo tiff; do
  version[$package]=$(awk -F'|' -v name="$package" -v want=" $codename/main Sources" '
    { gsub(/^ +| +$/, "", $1); gsub(/^ +| +$/, "", $2) }
    $1 == name && substr($3, length($3) - length(want) + 1) == want { print $2; exit }' \
    <<<"$madison")
  if [ -z "${version[$package]}" ]; then
    echo "No source of $package in $codename main: run scripts/install-deps.sh --windows" >&2
    exit 1
  fi
done

key=$(
  echo "libjpeg-turbo ${version[libjpeg-turbo]}"
  echo "tiff ${version[tiff]}"
  i686-w64-mingw32-gcc-posix --version | head -n 1
  sha256sum "$0" "$toolchain" | cut -d' ' -f1
)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key" ]; then
  echo "Windows libraries up to date in $prefix"
  exit 0
fi

start=$SECONDS
rm -rf "$dir/src" "$dir/build" "$prefix" "$stamp"
mkdir -p "$dir/src"
sandbox=()
if [ "$(id -u)" -eq 0 ]; then
  # apt's download user cannot write into a folder of root's.
  sandbox=(-o APT::Sandbox::User=root)
fi
(cd "$dir/src" && apt-get source "${sandbox[@]}" --download-only \
  "libjpeg-turbo=${version[libjpeg-turbo]}" "tiff=${version[tiff]}")
for package in libjpeg-turbo tiff; do
  # Unpacks with Debian's patches applied. apt has checked the files against
  # the signed index; without debian-keyring dpkg-source warns that it cannot
  # check the .dsc's own signature.
  dpkg-source -x "$dir/src/${package}_"*.dsc "$dir/src/$package"
done

common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$prefix")

# The SIMD code needs nasm and gains nothing for a test stand-in.
cmake -S "$dir/src/libjpeg-turbo" -B "$dir/build/libjpeg-turbo" "${common[@]}" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
cmake --build "$dir/build/libjpeg-turbo" -j2
cmake --install "$dir/build/libjpeg-turbo"

# Only libtiff's own codecs, CCITT among them: JPEG images are written with
# libjpeg itself, not inside TIFF, so libtiff needs no other library.
cmake -S "$dir/src/tiff" -B "$dir/build/tiff" "${common[@]}" \
  -DBUILD_SHARED_LIBS=OFF -Dccitt=ON -Dcxx=OFF \
  -Djpeg=OFF -Dold-jpeg=OFF -Dzlib=OFF -Dlibdeflate=OFF -Dpixarlog=OFF \
  -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
  -Dtiff-opengl=OFF
cmake --build "$dir/build/tiff" -j2
cmake --install "$dir/build/tiff"

echo "$key" >"$stamp"
echo "Windows libraries libjpeg-turbo ${version[libjpeg-turbo]} and tiff ${version[tiff]}" \
  "built into $prefix in $((SECONDS - start)) s"
