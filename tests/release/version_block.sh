#!/usr/bin/env bash
# version_block.sh EXE VERSION [TEXT...]: the exe's version block (what
# Explorer's Properties and an installer read) carries VERSION as its file and
# product version numbers, and each TEXT among its strings.
set -euo pipefail
exe=$1 version=$2
shift 2
source "$(dirname "$0")/../require.sh"
require_file "$exe" "cmake --preset win32 && cmake --build --preset win32"
require_tools od strings grep

# VS_FIXEDFILEINFO starts with the signature 0xFEEF04BD; the file version's
# two DWORDs follow the structure version, the product version's after them.
offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$exe" | head -1 | cut -d: -f1 || true)
[ -n "$offset" ] || { echo "FAIL: $exe has no version block"; exit 1; }
numbers() {  # numbers SKIP: the DWORD pair at SKIP as MAJOR.MINOR.BUILD.REVISION
  od -An -tu2 -j "$(($offset + $1))" -N 8 "$exe" | awk '{ print $2 "." $1 "." $4 "." $3 }'
}
failures=0
file_version=$(numbers 8) product_version=$(numbers 16)
[ "$file_version" = "$version" ] || { echo "FAIL: file version $file_version, not $version"; failures=$((failures + 1)); }
[ "$product_version" = "$version" ] || { echo "FAIL: product version $product_version, not $version"; failures=$((failures + 1)); }
texts=$(strings -el "$exe")
for text in "$@"; do
  grep -qxF "$text" <<<"$texts" || { echo "FAIL: no string '$text' in the version block"; failures=$((failures + 1)); }
done
echo "$exe: file and product version $file_version"
[ "$failures" = 0 ]
