#!/usr/bin/env bash
# The tree's one style and its fault-finding checks: clang-format-14 must
# leave every C and C++ file as it is, and clang-tidy-14 (.clang-tidy) must
# find nothing in the sources of the given builds' compile databases.
# usage: check_style.sh <build dir>...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run -Werror
echo "clang-format: $(git ls-files '*.c' '*.cpp' '*.h' | wc -l) files as formatted"

# Each source once, from the first database that compiles it: the bridge's
# files are built in several flavours with the same warnings.
list=$(mktemp)
trap 'rm -f "$list"' EXIT
python3 - "$@" >"$list" <<'PY'
import json, os, sys
seen = set()
for build in sys.argv[1:]:
    with open(os.path.join(build, "compile_commands.json")) as f:
        for entry in json.load(f):
            source = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
            if source not in seen:
                seen.add(source)
                print(build + "\t" + source)
PY
# clang-tidy prints a summary line per file on stderr even when clean.
status=0
awk -F'\t' '{print $1 "\n" $2}' "$list" |
  xargs -d '\n' -n 2 -P "$(nproc)" sh -c 'clang-tidy-14 --quiet -p "$0" "$1" 2>/dev/null' ||
  status=$?
if [ "$status" -ne 0 ]; then
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: $(wc -l <"$list") files clean"
