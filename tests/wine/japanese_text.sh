#!/usr/bin/env bash
# japanese_text.sh EXE ARTIFACTS: tqm530r.exe (x64) under Wine speaks the
# operator's language: Japanese when Wine's UI language is Japanese (it
# follows LANG) or TQM530R_LANG=ja says so, English otherwise. --help and a
# usage error, redirected to files, are UTF-8; printed to a console (a pty
# under script, so Wine has a terminal to write to) the Japanese shows as well.
# Talks to no device.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 ARTIFACTS=$2
source "$here/../require.sh"
require_wine "$EXE"
require_tools script iconv
source "$here/wine_env.sh"
source "$here/../checks.sh"
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"

wine_start_display || exit 1
trap wine_stop_all EXIT

# A line of update's --help in each language.
help_ja='イメージを装置へ並行して書き込み' help_en='write the image into devices'

# run NAME LOCALE TQM530R_LANG ARGS...: tqm530r.exe with stdout and stderr in
# NAME.out and NAME.err, without carriage returns; its exit code in RC.
run() {
  local name=$1 locale=$2 chosen=$3; shift 3
  LANG=$locale LC_ALL=$locale TQM530R_LANG=$chosen timeout 120 "$WINE" "$EXE" "$@" \
    > "$ARTIFACTS/$name.raw" 2> "$ARTIFACTS/$name.err"
  RC=$?
  tr -d '\r' < "$ARTIFACTS/$name.raw" > "$ARTIFACTS/$name.out"
}
# on_console NAME LOCALE TQM530R_LANG ARGS...: the same on a pty; NAME.tty holds what the terminal showed.
on_console() {
  local name=$1 locale=$2 chosen=$3; shift 3
  LANG=$locale LC_ALL=$locale TQM530R_LANG=$chosen timeout 120 script -qec "$WINE $EXE $*" /dev/null \
    < /dev/null 2> "$ARTIFACTS/$name.err" | tr -d '\r' > "$ARTIFACTS/$name.tty"
}
utf8() { iconv -f UTF-8 -t UTF-8 "$1" > /dev/null 2>&1; }
says() { grep -qF -- "$2" "$ARTIFACTS/$1"; }

# locale, TQM530R_LANG, the language expected
while read -r locale chosen want; do
  [ "$chosen" = - ] && chosen=
  name="help-$locale-${chosen:-unset}"
  run "$name" "$locale" "$chosen" update --help
  words=help_$want
  check "--help redirected ($locale, TQM530R_LANG=${chosen:-unset}) is UTF-8 in $want" \
    eval 'utf8 "$ARTIFACTS/$name.out" && says "$name.out" "${!words}"'
  name="usage-$locale-${chosen:-unset}"
  run "$name" "$locale" "$chosen" update --no-such-option
  check "a usage error ($locale, TQM530R_LANG=${chosen:-unset}) is one UTF-8 line, exit 2" \
    eval '[ $RC = 2 ] && utf8 "$ARTIFACTS/$name.err" && [ "$(grep -c . "$ARTIFACTS/$name.err")" = 1 ]'
done <<'TABLE'
ja_JP.UTF-8 - ja
C.UTF-8 ja ja
ja_JP.UTF-8 en en
C.UTF-8 - en
TABLE

# The usage error's text: Japanese where the help is, English where it is not.
check "the usage error is Japanese under LANG=ja_JP.UTF-8 and English under C.UTF-8" \
  eval '! cmp -s "$ARTIFACTS/usage-ja_JP.UTF-8-unset.err" "$ARTIFACTS/usage-C.UTF-8-unset.err" &&
        grep -qP "[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]" "$ARTIFACTS/usage-ja_JP.UTF-8-unset.err" &&
        ! grep -qP "[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]" "$ARTIFACTS/usage-C.UTF-8-unset.err"'

# On a console (Wine's own, on script's pty): by the UI language and by TQM530R_LANG.
while read -r locale chosen; do
  [ "$chosen" = - ] && chosen=
  on_console "console-$locale" "$locale" "$chosen" update --help
  check "--help on a console ($locale, TQM530R_LANG=${chosen:-unset}) shows the Japanese" \
    eval 'says "console-$locale.tty" "$help_ja"'
done <<'TABLE'
ja_JP.UTF-8 -
C.UTF-8 ja
TABLE

finish_checks
