#!/usr/bin/env bash
# Writes the fuzz targets' seed corpora, tests/fuzz/corpus/<target>, from
# valid inputs: the bridge's by hand, the hopper's and configuration's as
# text, the images with build/fuzz/make_seeds (or that of the fuzz build
# given) and the example hopper's pictures.
#   usage: make_corpus.sh [FUZZ_BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
fuzz="${1:-$root/build/fuzz}"
corpus="$here/corpus"
mkdir -p "$corpus"/{bridge,hopper,config,tiff,jpeg,host}

# The bridge: FuzzedDataProvider takes numbers from the end of an input,
# so each seed is zeros (every other choice at its first, valid
# alternative: objects rather than nulls, arrays at their minimum, nothing
# failing, the library unscripted) followed by the export's index in the
# harness's table and the log mode (0 none, 7 both).
seed() { # name, export index, log mode
  { head -c 64 /dev/zero; printf "\\$(printf '%03o' "$2")\\$(printf '%03o' "$3")"; } \
    >"$corpus/bridge/$1"
}
seed session-init 2 7
seed parameter-string 5 0
seed scanner-info 14 7
seed scan-to-files 20 0
seed scan-to-memory 22 7
seed scan-long 24 0
seed full-scan-to-file 26 7
seed full-scan-to-memory 27 0
seed document-registration 29 0
seed compress-image 31 7
seed print-bitmap 38 0
seed virtual-endorsement 40 7

# The hopper: the example, and a line for each key.
example="$root/virtualscanner/example"
cp "$example/checks.hopper" "$corpus/hopper/example"
tab=$'\t'
line="U001234U T021000021T 123456789U \$0000012500\$"
printf '%s\n' "# every key" "$line" \
  "$line${tab}confidence=$(printf '9%.0s' $(seq ${#line}))${tab}quality=87${tab}contrast=-3" \
  "$line${tab}fault=jam${tab}slow=10" "$line${tab}fault=double-feed" \
  "$line${tab}fault=unplugged${tab}unreadable=0,3-5" "$line${tab}fault=capture" \
  "T253715045T 61820394U 1005${tab}payee=A B${tab}drawer=C${tab}address=1 X|Y${tab}date=1/2/2026${tab}memo=M${tab}bank=B" \
  "$line${tab}amount=1234.56${tab}words=One thousand" "$line${tab}amount=" \
  "$line${tab}front=a.tif${tab}back=/b.jpg" \
  | sed 's/$/\r/' >"$corpus/hopper/keys"

# The configuration file: every kind of line, LF and CR LF.
{
  echo "MIRBAP32-VIRTUAL-CONFIG 1"
  echo "# a comment"
  echo
  echo "param 0 -2147483648"
  echo "param 255 7"
  echo 'text 3 C:\\Temp\\a\nb\r'
  echo "text 4 "
} >"$corpus/config/lines"
sed 's/$/\r/' "$corpus/config/lines" >"$corpus/config/crlf"

# The images: the virtual scanner's writers, and the example's pictures (a
# palette TIFF, a colour JPEG).
"$fuzz/make_seeds" "$corpus/tiff" "$corpus/jpeg"
cp "$example/pattern-front.tif" "$corpus/tiff/"
cp "$example/pattern-back.jpg" "$corpus/jpeg/"


# The host's and the proxy's readers (wire/call.h): a byte of choices (1
# images inline, 2 a reply), the entry's place in scannerlib/entries.h,
# then the payload, little-endian words and bytes.
word() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) \
  $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }
words() { local w; for w; do word "$w"; done; }
zeros() { head -c "$1" /dev/zero; }
slot=$((1 << 31))
{ printf '\x00\x18'; words 5 6; printf hello; } >"$corpus/host/set-param-string"
{ printf '\x00\x19'; words $slot $((slot + 1)) 0 5; printf MD:7; words 1; zeros 256
  words 1 0 1 0 1; zeros 128; } >"$corpus/host/full-scan-descriptors"
{ printf '\x01\x0b'; words 0 0 1 0 0 1 0 1; zeros 256; words 1 0 0; } \
  >"$corpus/host/scan-memory-gray-inline"
{ printf '\x00\x1b'; words $((slot + 2)); } >"$corpus/host/image-length-slot"
{ printf '\x02\x1a'; words 6; printf hello; } >"$corpus/host/param-string-reply"
