#!/bin/sh
# Writes, for help2man --include, a section for each of qelscan's commands
# (and their own subcommands) holding what that command's --help prints, so
# that the manual page says what the tool says.
# usage: man_commands.sh <qelscan> <output>
set -eu
qelscan=$1 out=$2

# commands HELP: the commands picocli lists under "Commands:", but help.
commands() {
  awk '/^Commands:/ {on = 1; next} on && /^[^ ]/ {on = 0}
       on && /^  [a-z]/ && $1 != "help" {print $1}'
}
# section COMMAND...: the help of "qelscan COMMAND...", then its subcommands'.
section() {
  help=$("$qelscan" "$@" --help)
  echo "[QELSCAN $(echo "$*" | tr '[:lower:]' '[:upper:]')]"
  echo ".nf"
  # Backslashes and lines that would start a request are printed as text.
  printf '%s\n' "$help" | sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\\&&/"
  echo ".fi"
  for sub in $(printf '%s\n' "$help" | commands); do
    section "$@" "$sub"
  done
}

top=$("$qelscan" --help | commands)
if [ -z "$top" ]; then
  echo "$0: qelscan --help lists no command" >&2
  exit 1
fi
for command in $top; do
  section "$command"
done >"$out"
