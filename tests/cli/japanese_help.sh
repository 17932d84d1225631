#!/usr/bin/env bash
# The help and a usage error in Japanese, by the locale and by the override:
# Japanese words present, every option's description in the help's column
# (counted in terminal columns), and a usage error on one line with exit 2.
# Usage: japanese_help.sh TQM530R
set -uo pipefail
TOOL=$1
source "$(dirname "$0")/../checks.sh"

# aligned FILE: every description beside a name starts at the same column.
aligned() {
  python3 - "$1" <<'PY'
import sys, unicodedata
def width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 0 if unicodedata.combining(c) else 1 for c in text)
starts = set()
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.rstrip("\n")
    if not line.startswith("  -") and not (line.startswith("  ") and line[2:3].isalpha()):
        continue
    pad = line.find("  ", 2)
    if pad < 0:
        continue  # a name as wide as the column: its description is on the next line
    gap = len(line[pad:]) - len(line[pad:].lstrip(" "))
    starts.add(width(line[:pad]) + gap)
sys.exit(0 if len(starts) == 1 else 1)
PY
}

# help ENV ARGS: the help in Japanese, in line.
help_in_japanese() {
  local env=$1; shift
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG -u TQM530R_LANG $env "$TOOL" "$@" >"$OUT" 2>&1 &&
    grep -q "オプション" "$OUT" && aligned "$OUT"
}

# usage ENV: a bad option, one Japanese line on stderr, exit 2.
usage_in_japanese() {
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG -u TQM530R_LANG $1 "$TOOL" update --bogus >/dev/null 2>"$OUT"
  [ $? -eq 2 ] && [ "$(wc -l <"$OUT")" -eq 1 ] && grep -q "余分な引数です" "$OUT"
}

OUT=$(mktemp)
trap 'rm -f "$OUT"' EXIT
for env in LANG=ja_JP.UTF-8 TQM530R_LANG=ja; do
  check "$env: the main help" help_in_japanese "$env" --help
  check "$env: update's help" help_in_japanese "$env" update --help
  check "$env: a usage error" usage_in_japanese "$env"
done
finish_checks
