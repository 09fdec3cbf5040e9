#!/bin/sh
# Writes the Debian packages that shared libraries need, as dpkg-shlibdeps
# finds them: <prefix>.depends holds the Depends line, <prefix>.packages
# each package on a line of its own.
# usage: shlib_depends.sh <prefix> <library>...
set -eu
prefix=$1
shift
# dpkg-shlibdeps reads the package's debian/control: a minimal one.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/debian"
printf 'Source: qelscanner\n\nPackage: qelscanner\nArchitecture: any\n' >"$work/debian/control"
for library in "$@"; do
  set -- "$@" "$(cd "$(dirname "$library")" && pwd)/$(basename "$library")"
  shift
done
# Our libraries find each other beside themselves. Its warnings (the
# libraries are not in a package tree yet) are shown only with an error.
if ! (cd "$work" && dpkg-shlibdeps -O -l"$(dirname "$1")" "$@") >"$work/out" 2>"$work/err"; then
  cat "$work/err" >&2
  exit 1
fi
sed -n 's/^shlibs:Depends=//p' "$work/out" >"$prefix.depends"
tr ',' '\n' <"$prefix.depends" | sed 's/^ *//; s/[ (|].*//' | grep . >"$prefix.packages"
