#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only when
# one of them is missing, so that a prepared machine starts at once.
#   install-deps.sh            the Linux build, its tests and the demo
#   install-deps.sh --windows  also the 32-bit and 64-bit Windows cross builds and Wine,
#                              the fuzzer's clang, clang-format and clang-tidy,
#                              and Debian's source entries for the libraries
#                              it cross-builds (scripts/build-win32-deps.sh)
#   install-deps.sh --bench    also what scripts/bench.sh alone needs
set -euo pipefail

packages=(cmake g++ make openjdk-17-jdk-headless libgtest-dev libgmock-dev junit5 libtiff-dev libjpeg62-turbo-dev libpicocli-java)
# Debian's hardening flags and library dependencies (dpkg-buildflags,
# dpkg-shlibdeps; also apt-get source's unpacking), and qelscan's manual page.
packages+=(dpkg-dev help2man)
windows=0
if [ "${1:-}" = "--windows" ]; then
  windows=1
  # The fuzzer of the test run (tests/fuzz): clang with libFuzzer and the
  # sanitizer runtimes, and llvm-symbolizer for readable crash reports.
  packages+=(clang-14 libclang-rt-14-dev llvm-14)
  # The style check of the test run (tests/check_style.sh).
  packages+=(clang-format-14 clang-tidy-14)
  # googletest's sources: the Windows tests build it with the cross compiler.
  packages+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest wine wine32:i386)
  # The 64-bit DLLs (the x64 bridge and the proxy) and their Wine.
  packages+=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64)
  # Debian's checker of the packages.
  packages+=(lintian)
elif [ "${1:-}" = "--bench" ]; then
  # Google Benchmark, JNA, and the report's plot and script.
  packages+=(libbenchmark-dev libjna-java gnuplot-nox python3)
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

# Debian cross-builds no libtiff or libjpeg for Windows, so the Windows build
# makes them from Debian's source packages, which apt fetches only through
# deb-src entries: ours mirror the binary ones (same archives, suites and
# keyring) in a file of their own.
update=0
if [ "$windows" -eq 1 ]; then
  if ! grep -rqsE '^(Types:.*\<deb-src\>|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    deb_src=/etc/apt/sources.list.d/qelscan-deb-src
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${sudo[@]}" tee "$deb_src.sources" >/dev/null
    else
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
        "${sudo[@]}" tee "$deb_src.list" >/dev/null
    fi
  fi
  # Entries present but never fetched (a new entry, or cleaned lists).
  if ! apt-cache showsrc --only-source tiff libjpeg-turbo 2>/dev/null |
      grep -q '^Package: libjpeg-turbo$'; then
    update=1
  fi
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ] && [ "$update" -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if [ "$windows" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update
if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
