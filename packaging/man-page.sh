#!/usr/bin/env bash
# man-page.sh BINARY VERSION INCLUDE OUT: the program's man page (gzipped)
# made by help2man from its --help. A program with subcommands also gets a
# COMMANDS section from each subcommand's --help, and its "Exit codes:"
# paragraph becomes the EXIT STATUS section instead of closing the DESCRIPTION.
set -euo pipefail
bin=$1 version=$2 include=$3 out=$4
source "$(dirname "$0")/help-text.sh"
export LC_ALL=C.UTF-8
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

version_arg=()
"$bin" --version >/dev/null 2>&1 || version_arg=(--version-string="$version")
h2m() { help2man --no-info --section=1 "${version_arg[@]}" "$@" "$bin"; }

# The paragraph starting "Exit codes:" of a page, and the page without it.
exit_codes() { awk '/^Exit codes:/ {on = 1} on && /^\./ {on = 0} on' "$1"; }
drop_exit_codes() { awk '/^\.PP$/ {held = $0; next} /^Exit codes:/ {skip = 1; held = ""} skip && /^\./ {skip = 0}
  !skip {if (held != "") print held; held = ""; print}' "$1"; }

{
  cat "$include"
  commands=$(help_subcommands "$bin" || true)
  if [ -n "$commands" ]; then
    echo "[COMMANDS]"
    for cmd in $commands; do
      h2m --help-option="$cmd --help" > "$scratch/$cmd.1"
      echo ".SS \"$(basename "$bin") $cmd\""
      # Its synopsis, description and options, with the page's own headings as bold lines.
      drop_exit_codes "$scratch/$cmd.1" | sed -n '/^\.SH SYNOPSIS/,$p' |
        sed -E '/^\.SH SYNOPSIS$/d; s/^\.SH DESCRIPTION$/.PP/; s/^\.SH OPTIONS$/.SS "Options:"/; s/^\.S[HS] "?([^"]*)"?$/.PP\n\\fB\1\\fR/'
    done
    h2m > "$scratch/main.1"
    if [ -n "$(exit_codes "$scratch/main.1")" ]; then
      echo "[EXIT STATUS]"
      exit_codes "$scratch/main.1" | sed "1s/^Exit codes: //"
    fi
  fi
} > "$scratch/include.h2m"
h2m --include="$scratch/include.h2m" > "$scratch/page.1"
drop_exit_codes "$scratch/page.1" | gzip -9n > "$out"
