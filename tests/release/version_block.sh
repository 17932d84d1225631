#!/usr/bin/env bash
# version_block.sh EXE VERSION [TEXT...]: the exe's version block (what
# Explorer's Properties show) carries VERSION as its file and product version
# numbers, and each TEXT is among the exe's UTF-16 strings.
set -euo pipefail
exe=$1 version=$2
shift 2
here=$(dirname "$0")
source "$here/../require.sh"
source "$here/../checks.sh"
require_file "$exe" "cmake --preset win32 && cmake --build --preset win32"
require_tools od strings grep

# VS_FIXEDFILEINFO starts with the signature 0xFEEF04BD; the file version's
# two DWORDs follow the structure version, the product version's after them.
offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$exe" | head -1 | cut -d: -f1 || true)
[ -n "$offset" ] || { echo "FAIL $exe has no version block"; exit 1; }
numbers() {  # numbers SKIP: the DWORD pair at SKIP as MAJOR.MINOR.BUILD.REVISION
  od -An -tu2 -j "$((offset + $1))" -N 8 "$exe" | awk '{ print $2 "." $1 "." $4 "." $3 }'
}
file_version=$(numbers 8) product_version=$(numbers 16)
check "file version $file_version is $version" test "$file_version" = "$version"
check "product version $product_version is $version" test "$product_version" = "$version"
texts=$(strings -el "$exe")
for text in "$@"; do
  check "string '$text'" grep -qxF "$text" <<<"$texts"
done
finish_checks
