#!/usr/bin/env bash
# zip_runs.sh BIN VERSION ARTIFACTS: the zip for those who cannot install,
# made by packaging/windows/package.sh from the win64 build in BIN (Wine here
# runs 64-bit programs only), unpacked into a folder with a space in its name:
# both programs in one folder, tqm530r.exe --version runs from there.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
bin=$1 version=$2 artifacts=$3
source "$here/../require.sh"
require_wine "$bin/tqm530r.exe" "$bin/update.exe"
require_tools wixl msibuild
source "$here/wine_env.sh"
# The checks read tqm530r.exe's English; the locale stays Japanese for the code page.
export TQM530R_LANG=en
rm -rf "$artifacts"
mkdir -p "$artifacts/unpacked here"
zip=$("$source_dir/packaging/windows/package.sh" "$bin" "$version" x64 "$artifacts" | grep '\.zip$') ||
  { echo "FAIL: package.sh"; exit 1; }
(cd "$artifacts/unpacked here" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip"; exit 1; }
folder="$artifacts/unpacked here/tqm530r-$version-win64"

wine_start_display || exit 1
trap wine_stop_all EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ "$(ls "$artifacts/unpacked here")" = "tqm530r-$version-win64" ] || fail "the zip holds more than one folder"
[ "$(ls "$folder" | tr '\n' ' ')" = "tqm530r.exe update.exe " ] || fail "in the folder: $(ls "$folder" | tr '\n' ' ')"
for p in tqm530r.exe update.exe; do
  cmp -s "$folder/$p" "$bin/$p" || fail "$p differs from the build's"
done
out=$(cd "$folder" && timeout 60 "$WINE" tqm530r.exe --version 2>&1 | tr -d '\r')
grep -qE "^tqm530r $version, carried image [0-9]" <<<"$out" || fail "tqm530r.exe --version from the zip: $out"

[ "$failures" = 0 ] || exit 1
echo "PASS: the zip's tqm530r.exe runs: $out"
