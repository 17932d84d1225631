#!/usr/bin/env bash
# The catalogue's check, then its compiled form: every message of the sources
# (POT, from xgettext) has a translation in PO (untranslated and fuzzy ones
# count as missing), each translation has its original's placeholders in the
# same order (no %1$s: mingw's printf has no positional arguments), and the
# header is whole. Writes MO only when all holds.
# Usage: check_catalogue.sh PO POT MO
set -uo pipefail
PO=$1 POT=$2 MO=$3
rm -f "$MO"
failed=0
# msgcmp also names the entries the sources do not use: the parser's own
# errors are kept there on purpose, so that note is left out.
compared=$(msgcmp "$PO" "$POT" 2>&1) || failed=1
[ -z "$compared" ] || grep -v "warning: this message is not used" <<<"$compared" >&2
[ "$failed" -eq 0 ] || echo "$PO: messages above have no translation" >&2
# A msgstr (and its continuation lines) holding %N$.
positional=$(awk '/^msgstr/ { inside = 1 } /^(msgid|msgctxt|#)/ { inside = 0 }
                  inside && /%[0-9]+\$/ { print FILENAME ":" FNR ": " $0 }' "$PO")
if [ -n "$positional" ]; then
  echo "$positional" >&2
  echo "$PO: positional placeholders (%N\$) are not allowed; keep the original's order" >&2
  failed=1
fi
msgfmt --check-format --check-header -o "$MO.tmp" "$PO" || { echo "$PO: placeholders or header wrong" >&2; failed=1; }
# Again with the sources' own format flags, for an entry whose c-format mark was lost.
msgmerge --quiet --no-fuzzy-matching "$PO" "$POT" | msgfmt --check-format --use-fuzzy -o /dev/null - ||
  { echo "$PO: placeholders wrong (by the sources' format flags)" >&2; failed=1; }
if [ "$failed" -ne 0 ]; then
  rm -f "$MO.tmp"
  exit 1
fi
mv "$MO.tmp" "$MO"
