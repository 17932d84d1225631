#!/usr/bin/env bash
# The build's catalogue check (po/check_catalogue.sh) on broken catalogues:
# a message without translation, a changed placeholder, placeholders moved by
# position (%2$s) and a lost c-format mark each fail it and no .mo is
# written; the same catalogue whole passes.
# Usage: catalogue_check.sh CHECK_SCRIPT ARTIFACTS
set -uo pipefail
CHECK=$1 ARTIFACTS=$2
HERE=$(dirname "$0")/catalogue
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
source "$(dirname "$0")/../checks.sh"

# refused NAME PO WORDS: the check fails on PO, says WORDS and writes no .mo.
refused() {
  local mo="$ARTIFACTS/$1.mo"
  ! "$CHECK" "$2" "$HERE/sample.pot" "$mo" 2>"$ARTIFACTS/$1.err" && grep -q "$3" "$ARTIFACTS/$1.err" && [ ! -e "$mo" ]
}
whole="$ARTIFACTS/whole.po"
sed 's/^msgstr "%d: /msgstr "%s: /' "$HERE/changed_placeholder.po" >"$whole"
check "the whole catalogue passes and is compiled" eval '"$CHECK" "$whole" "$HERE/sample.pot" "$ARTIFACTS/whole.mo" && test -s "$ARTIFACTS/whole.mo"'
check "a message without translation fails" refused missing "$HERE/missing.po" "no translation"
check "a changed placeholder fails" refused changed "$HERE/changed_placeholder.po" "placeholders"
sed 's/^msgstr "%s: %zu /msgstr "%2$zu: %1$s /' "$whole" >"$ARTIFACTS/positional.po"
check "a positional placeholder fails" refused positional "$ARTIFACTS/positional.po" "positional"
sed '/^#, c-format/d; s/^msgstr "%s: /msgstr "%d: /' "$whole" >"$ARTIFACTS/unmarked.po"
check "a changed placeholder without its c-format mark fails" refused unmarked "$ARTIFACTS/unmarked.po" "placeholders"
finish_checks
