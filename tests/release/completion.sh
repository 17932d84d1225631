#!/usr/bin/env bash
# The bash completion offers every subcommand tqm530r --help lists and, after
# each, every option name that subcommand's --help shows (short and long).
set -euo pipefail
completion=$1 cli=$2
source "$(dirname "$0")/../require.sh"
require_file "$completion" "built with tqm530r"
source "$completion"
failures=0

# offered WORD...: what completing the last word of "tqm530r WORD..." offers.
offered() {
  COMP_WORDS=(tqm530r "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _tqm530r
  printf '%s\n' "${COMPREPLY[@]}"
}
# must_offer WHAT EXPECTED OFFERED: each word of EXPECTED is among OFFERED.
must_offer() {
  local w
  for w in $2; do
    grep -qxF -- "$w" <<<"$3" || { echo "FAIL: $1: $w not offered"; failures=$((failures + 1)); }
  done
}

# Subcommands: the first word of each indented line under "Subcommands:".
commands=$("$cli" --help | sed -n '/^Subcommands:/,/^$/{/^  [a-z]/s/^  \([a-z-]*\).*/\1/p}')
[ -n "$commands" ] || { echo "FAIL: tqm530r --help lists no subcommands"; exit 1; }
must_offer "tqm530r" "$commands" "$(offered "")"
for cmd in $commands; do
  # Every -x and --name in the left column of the option lines.
  opts=$("$cli" "$cmd" --help | grep -E '^  -' | sed -E 's/ (Needs|Excludes):.*//' | cut -c1-30 | grep -oE -- '(^|[ ,])--?[A-Za-z0-9][A-Za-z0-9-]*' |
         tr -d ' ,' | sort -u)
  [ -n "$opts" ] || { echo "FAIL: tqm530r $cmd --help names no options"; failures=$((failures + 1)); }
  must_offer "tqm530r $cmd -" "$opts" "$(offered "$cmd" -)"
  echo "$cmd: $(echo $opts)"
done
# A value after an option that takes one is a file name, not an option.
must_offer "tqm530r history --history" "$completion" "$(offered history --history "$completion")"
[ "$failures" = 0 ] || { echo "$failures missing"; exit 1; }
echo "PASS"
