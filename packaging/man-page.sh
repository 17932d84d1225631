#!/usr/bin/env bash
# man-page.sh BINARY VERSION INCLUDE OUT [LANGUAGE]: the program's man page
# (gzipped) made by help2man from its --help in LANGUAGE (en, the default, or
# ja). A program with subcommands also gets a COMMANDS section from each
# subcommand's --help (the names read from the English one), and its "Exit
# codes:" paragraph ("終了コード:" in Japanese) becomes the EXIT STATUS section
# instead of closing the DESCRIPTION. A Japanese page says it is UTF-8, so that
# man reads it so whatever its directory's legacy encoding.
set -euo pipefail
bin=$1 version=$2 include=$3 out=$4 language=${5:-en}
source "$(dirname "$0")/help-text.sh"
export LC_ALL=C.UTF-8
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

version_arg=()
"$bin" --version >/dev/null 2>&1 || version_arg=(--version-string="$version")
# help2man writes what it cannot encode in its locale as "?": a page in
# Japanese needs it told the locale is UTF-8 (its own words stay English).
locale_arg=()
[ "$language" = en ] || locale_arg=(--locale=C.UTF-8)
h2m() { TQM530R_LANG=$language help2man --no-info --section=1 "${locale_arg[@]}" "${version_arg[@]}" "$@" "$bin"; }

# The paragraph starting "Exit codes:" of a page, and the page without it.
exit_heading='^(Exit codes|終了コード):'
exit_codes() { awk -v h="$exit_heading" '$0 ~ h {on = 1} on && /^\./ {on = 0} on' "$1"; }
drop_exit_codes() { awk -v h="$exit_heading" '/^\.PP$/ {held = $0; next} $0 ~ h {skip = 1; held = ""} skip && /^\./ {skip = 0}
  !skip {if (held != "") print held; held = ""; print}' "$1"; }

{
  cat "$include"
  commands=$(help_subcommands "$bin" || true)
  if [ -n "$commands" ]; then
    echo "[COMMANDS]"
    for cmd in $commands; do
      h2m --help-option="$cmd --help" > "$scratch/$cmd.1"
      echo ".SS \"$(basename "$bin") $cmd\""
      # Its synopsis (none when "Usage:" is translated), description and
      # options, with the page's own headings as bold lines.
      drop_exit_codes "$scratch/$cmd.1" | sed -En '/^\.SH (SYNOPSIS|DESCRIPTION)$/,$p' |
        sed -E '/^\.SH SYNOPSIS$/d; s/^\.SH DESCRIPTION$/.PP/; s/^\.SH OPTIONS$/.SS "Options:"/; s/^\.S[HS] "?([^"]*)"?$/.PP\n\\fB\1\\fR/'
    done
    h2m > "$scratch/main.1"
    if [ -n "$(exit_codes "$scratch/main.1")" ]; then
      echo "[EXIT STATUS]"
      exit_codes "$scratch/main.1" | sed -E "1s/$exit_heading ?//"
    fi
  fi
} > "$scratch/include.h2m"
h2m --include="$scratch/include.h2m" > "$scratch/page.1"
{
  [ "$language" = en ] || echo "'\\\" -*- coding: UTF-8 -*-"
  drop_exit_codes "$scratch/page.1"
} | gzip -9n > "$out"
