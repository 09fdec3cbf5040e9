#!/bin/sh
# Writes the third-party notices of one package or archive: the copyright
# and licence text of each component it holds or links, as Debian ships
# them, so that the notices follow the versions the build used. Each
# component is named by its Debian source package, once.
# usage: third_party_notices.sh <output> <title> <component>...
#   component: deb:<installed binary package> | src:<unpacked source package>
set -eu
out=$1 title=$2
shift 2
rule================================================================================
list= body=$out.body names=
: >"$body"
for component in "$@"; do
  case $component in
  deb:*)
    package=${component#deb:}
    # One line per installed architecture: the first.
    name=$(dpkg-query -W -f='${source:Package}\n' "$package" | head -n 1)
    version=$(dpkg-query -W -f='${source:Version}\n' "$package" | head -n 1)
    copyright=/usr/share/doc/$package/copyright
    origin="Debian package $package, $copyright"
    ;;
  src:*)
    dir=${component#src:}
    # The changelog's first line: "name (version) suite; urgency=...".
    name=$(sed -n '1s/^\([^ ]*\) .*/\1/p' "$dir/debian/changelog")
    version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' "$dir/debian/changelog")
    copyright=$dir/debian/copyright
    origin="Debian source package $name, debian/copyright"
    ;;
  *)
    echo "$0: unknown component $component" >&2
    exit 2
    ;;
  esac
  case " $names " in *" $name "*) continue ;; esac
  if [ ! -s "$copyright" ]; then
    echo "$0: no copyright file $copyright" >&2
    exit 1
  fi
  names="$names $name"
  list="$list
  - $name $version"
  printf '\n%s\nComponent: %s %s\nFrom: %s\n%s\n\n' "$rule" "$name" "$version" \
    "$origin" "$rule" >>"$body"
  cat "$copyright" >>"$body"
done
{
  echo "$title: third-party notices"
  echo
  echo "Besides QELScanner's own code (Apache License 2.0, see LICENSE and"
  echo "NOTICE) this holds or links code of the components below, each under"
  echo "its own licence. Their copyright and licence texts follow, as Debian"
  echo "ships them.$list"
  cat "$body"
} >"$out"
rm -f "$body"
