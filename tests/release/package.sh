#!/usr/bin/env bash
# scripts/package's .deb: unpacked into a scratch root, its tqm530r runs on the
# system's libraries, its man page shows every subcommand and the exit status
# (its Japanese one the update's section in Japanese), its completion loads by
# name, its Depends names the package of every library the programs link
# against, and lintian finds no error.
set -euo pipefail
source "$(dirname "$0")/../require.sh"
require_tools dpkg-deb dpkg-shlibdeps lintian help2man man objdump wixl msibuild
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
deb=$("$source_dir/scripts/package" | grep '\.deb$')
deb=$source_dir/$deb
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "tqm530r_${version}_$(dpkg --print-architecture).deb" ] || fail "file name $(basename "$deb")"
out=$(env -u LD_LIBRARY_PATH "$root/usr/bin/tqm530r" --version) || fail "tqm530r --version failed"
grep -qE "^tqm530r $version, carried image [0-9]" <<<"$out" || fail "tqm530r --version: $out"
"$root/usr/bin/tqm530r-sim" --help | grep -q -- '--port' || fail "tqm530r-sim --help"

outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -vE '^\./(usr/|usr/(bin|share)/.*)?$' || true)
[ -z "$outside" ] || fail "files outside /usr/bin and /usr/share: $outside"

page=$(MANWIDTH=120 man -l "$root/usr/share/man/man1/tqm530r.1.gz" 2>/dev/null | col -b)
grep -q '^EXIT STATUS' <<<"$page" || fail "man page without EXIT STATUS"
for cmd in $("$root/usr/bin/tqm530r" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z-]*\) .*/\1/p'); do
  grep -qE "^ +tqm530r $cmd\$" <<<"$page" || fail "man page has no section for $cmd"
done
# The Japanese page, read as a Japanese operator's man reads it: a section per
# subcommand, and the update's description in Japanese.
ja_page=$(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 MANWIDTH=120 man -l "$root/usr/share/man/ja/man1/tqm530r.1.gz" 2>/dev/null | col -b)
grep -qE "^ +tqm530r update\$" <<<"$ja_page" || fail "Japanese man page has no section for update"
grep -qF "イメージを装置へ並行して書き込み" <<<"$ja_page" || fail "Japanese man page without the update's Japanese heading"
MANWIDTH=120 man -l "$root/usr/share/man/man1/tqm530r-sim.1.gz" 2>/dev/null | grep -q -- '--bind' || fail "tqm530r-sim(1)"

# bash-completion finds the completion by the command's name.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  XDG_DATA_DIRS=$root/usr/share bash -c 'source /usr/share/bash-completion/bash_completion
    __load_completion tqm530r && complete -p tqm530r' | grep -q _tqm530r || fail "completion not loaded by name"
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in $(objdump -p "$root"/usr/bin/* | awk '/NEEDED/ {print $2}' | sort -u); do
  path=$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64/ && !found {print $NF; found = 1}')
  pkg=
  for p in "$path" "/usr$path" "$(readlink -f "$path")"; do  # /lib or /usr/lib: merged /usr
    pkg=$(dpkg -S "$p" 2>/dev/null | head -1 | cut -d: -f1) && break
  done
  [ -n "$pkg" ] || { fail "no package holds $lib"; continue; }
  tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$pkg" || fail "$lib is in $pkg, not in Depends"
done

lintian_out=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
echo "lintian: ${lintian_out:-no tags}"
! grep -q '^E:' <<<"$lintian_out" || fail "lintian errors"
[ "$failures" = 0 ] || exit 1
echo "PASS"
