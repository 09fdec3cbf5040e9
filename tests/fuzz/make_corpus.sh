#!/usr/bin/env bash
# Writes the seed corpus: one input per group of exports. FuzzedDataProvider
# takes numbers from the end of an input, so each seed is zeros (every other
# choice at its first, valid alternative: objects rather than nulls, arrays
# at their minimum, nothing failing, the library unscripted) followed by the
# export's index in the harness's table and the log mode (0 none, 7 both).
set -euo pipefail
corpus="${1:-$(cd "$(dirname "$0")" && pwd)/corpus}"
mkdir -p "$corpus"

seed() { # name, export index, log mode
  { head -c 64 /dev/zero; printf "\\$(printf '%03o' "$2")\\$(printf '%03o' "$3")"; } \
    >"$corpus/$1"
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
