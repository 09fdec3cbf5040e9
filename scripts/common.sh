# shellcheck shell=bash
# The set-up the scripts share; sourced, never run:
#   source "$(dirname "$0")/common.sh"
# sets root, the repository's folder, and defines the functions below.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Exports JAVA_HOME, unless it is set, as the JDK that javac on PATH belongs
# to: CMake's JNI search does not know every JDK folder.
use_java_home() {
  if [ -z "${JAVA_HOME:-}" ]; then
    JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
    export JAVA_HOME
  fi
}

# configure_win32 BUILD: cross-builds libtiff and libjpeg for Windows from
# Debian's sources into BUILD/win32-deps (once), and configures the 32-bit
# Windows build in BUILD/win32 with the mingw-w64 toolchain; its Java test
# through the Wine host runs the Linux build's in BUILD.
configure_win32() {
  "$root/scripts/build-win32-deps.sh" "$1/win32-deps"
  cmake -S "$root" -B "$1/win32" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
    -DQELSCAN_WIN32_DEPS="$1/win32-deps/prefix" -DQELSCAN_LINUX_BUILD="$1"
}

# configure_win64 BUILD: configures the 64-bit Windows build in BUILD/win64
# (the bridge and the proxy), its x86 folder from the 32-bit build's.
configure_win64() {
  cmake -S "$root" -B "$1/win64" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
    -DQELSCAN_WIN32_OUT="$1/win32/out"
}

# image_source_versions: sets version[libjpeg-turbo] and version[tiff], in
# an associative array the caller declares (declare -A version), to the
# release's own source versions, not a newer security update's: the mirror
# does not always carry a security update's source. Needs the deb-src
# entries of `install-deps.sh --windows`.
image_source_versions() {
  local codename madison package
  codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
  madison=$(apt-cache madison libjpeg-turbo tiff)
  for package in libjpeg-turbo tiff; do
    version["$package"]=$(awk -F'|' -v name="$package" -v want=" $codename/main Sources" '
      { gsub(/^ +| +$/, "", $1); gsub(/^ +| +$/, "", $2) }
      $1 == name && substr($3, length($3) - length(want) + 1) == want { print $2; exit }' \
      <<<"$madison")
    if [ -z "${version[$package]}" ]; then
      echo "No source of $package in $codename main: run scripts/install-deps.sh --windows" >&2
      return 1
    fi
  done
}

# fetch_image_sources DIR: downloads those versions' source packages into
# DIR and unpacks them, Debian's patches applied, into DIR/libjpeg-turbo
# and DIR/tiff.
fetch_image_sources() {
  local sandbox=() package
  mkdir -p "$1"
  if [ "$(id -u)" -eq 0 ]; then
    # apt's download user cannot write into a folder of root's.
    sandbox=(-o APT::Sandbox::User=root)
  fi
  (cd "$1" && apt-get source "${sandbox[@]}" --download-only \
    "libjpeg-turbo=${version[libjpeg-turbo]}" "tiff=${version[tiff]}")
  for package in libjpeg-turbo tiff; do
    # apt has checked the files against the signed index; without
    # debian-keyring dpkg-source warns that it cannot check the .dsc's own
    # signature.
    dpkg-source -x "$1/${package}_"*.dsc "$1/$package"
  done
}

# build_image_libraries DIR WHAT KEY CMAKE_OPTION...: builds and installs
# libjpeg-turbo and libtiff from Debian's sources (the versions of
# image_source_versions) with the options below and CMAKE_OPTIONs, into
# DIR/prefix. A stamp of KEY (the caller's compiler and recipe), the source
# versions and this recipe makes a later run that would build the same
# thing do nothing. WHAT names the libraries in the messages.
build_image_libraries() {
  local dir=$1 what=$2 key package start=$SECONDS
  local options=()
  shift 2
  key=$(
    printf '%s\n' "$1"
    echo "libjpeg-turbo ${version[libjpeg-turbo]} tiff ${version[tiff]}"
    declare -p jpeg_options tiff_options
    declare -f fetch_image_sources build_image_libraries
  )
  shift
  if [ -f "$dir/stamp" ] && [ "$(cat "$dir/stamp")" = "$key" ]; then
    echo "$what up to date in $dir/prefix"
    return 0
  fi
  rm -rf "$dir/src" "$dir/build" "$dir/prefix" "$dir/stamp"
  fetch_image_sources "$dir/src"
  for package in libjpeg-turbo tiff; do
    if [ "$package" = tiff ]; then
      options=("${tiff_options[@]}")
    else
      options=("${jpeg_options[@]}")
    fi
    cmake -S "$dir/src/$package" -B "$dir/build/$package" \
      -DCMAKE_INSTALL_PREFIX="$dir/prefix" "$@" "${options[@]}"
    cmake --build "$dir/build/$package" -j2
    cmake --install "$dir/build/$package"
  done
  echo "$key" >"$dir/stamp"
  echo "$what libjpeg-turbo ${version[libjpeg-turbo]} and tiff ${version[tiff]}" \
    "built into $dir/prefix in $((SECONDS - start)) s"
}

# The options of the two libraries' builds, for the Windows and the fuzz
# build alike: static, and only libtiff's own codecs, CCITT among them
# (JPEG images are written with libjpeg itself, not inside TIFF, so libtiff
# needs no other library). The SIMD code needs nasm and gains nothing for
# a test stand-in.
# shellcheck disable=SC2034 # read by the scripts that source this file
jpeg_options=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF
  -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF)
# shellcheck disable=SC2034
tiff_options=(-DBUILD_SHARED_LIBS=OFF -Dccitt=ON -Dcxx=OFF
  -Djpeg=OFF -Dold-jpeg=OFF -Dzlib=OFF -Dlibdeflate=OFF -Dpixarlog=OFF
  -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF
  -Dtiff-opengl=OFF)
