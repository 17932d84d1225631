#!/usr/bin/env bash
# windows_package.sh BIN VERSION: the release MSI and zip made by
# packaging/windows/package.sh from the 32-bit build in BIN, read without
# installing (Wine here cannot run 32-bit programs; tests/wine/msi_install.sh
# installs the same .wxs built for x64): a 32-bit package of VERSION whose
# files are the build's PE32 programs under Program Files (x86 view), the
# Start-menu shortcut, the system PATH entry and its two actions, the upgrade
# rows under the fixed UpgradeCode, and a ProductCode that follows the version
# and the architecture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../require.sh"
bin=$1 version=$2
require_file "$bin/tqm530r.exe" "cmake --preset win32 && cmake --build --preset win32"
require_file "$bin/update.exe" "cmake --preset win32 && cmake --build --preset win32"
require_tools wixl msibuild msiinfo msiextract objdump
package=$here/../../packaging/windows/package.sh
upgrade_code='{4B8E2C71-0D5A-4F3E-9A62-7C1D530B2E91}'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$package" "$bin" "$version" x86 "$work/release" >/dev/null
msi=$work/release/tqm530r-$version-win32.msi
zip=$work/release/tqm530r-$version-win32.zip
[ -f "$msi" ] && [ -f "$zip" ] || { echo "FAIL: no $msi or $zip"; ls "$work/release"; exit 1; }

table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
row() {  # row MSI TABLE ROW: the table holds exactly that tab-separated row
  table "$1" "$2" | grep -qxF "$3" || fail "$2 has no row '$3':"$'\n'"$(table "$1" "$2")"
}
property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }

msiinfo suminfo "$msi" | grep -qx 'Template: Intel;1033' || fail "not a 32-bit package: $(msiinfo suminfo "$msi" | grep Template)"
[ "$(property "$msi" ProductVersion)" = "$version" ] || fail "ProductVersion $(property "$msi" ProductVersion)"
[ "$(property "$msi" UpgradeCode)" = "$upgrade_code" ] || fail "UpgradeCode $(property "$msi" UpgradeCode)"
[ "$(property "$msi" ALLUSERS)" = 1 ] || fail "not a per-machine package"

row "$msi" Directory $'INSTALLDIR\tProgramFilesFolder\tTQM-530R'
row "$msi" Directory $'MenuFolder\tProgramMenuFolder\tTQM-530R'
table "$msi" Component | awk -F'\t' 'int($4 / 256) % 2 { bad = 1 } END { exit bad }' ||
  fail "64-bit components in the 32-bit package"
row "$msi" Shortcut "$(printf 'UpdateShortcut\tMenuFolder\tTQM-530R Firmware Update\tMenuEntry\t[#update.exe]\t\t\t\t\t\t\tINSTALLDIR\t\t\t\t')"
row "$msi" Environment $'PathEntry\t=-*PATH\t[~];[INSTALLDIR]\tCommandLine'
row "$msi" InstallExecuteSequence $'RemoveEnvironmentStrings\t\t3300'
row "$msi" InstallExecuteSequence $'WriteEnvironmentStrings\t\t5200'
row "$msi" InstallExecuteSequence $'FindRelatedProducts\t\t25'
# The earlier product goes before anything of this one is installed.
table "$msi" InstallExecuteSequence | awk -F'\t' '$1 == "RemoveExistingProducts" { r = $3 } $1 == "InstallInitialize" { i = $3 }
  END { exit !(r && r < i) }' || fail "RemoveExistingProducts not before InstallInitialize"
row "$msi" Upgrade "$upgrade_code"$'\t\t'"$version"$'\t\t513\t\tWIX_UPGRADE_DETECTED'
row "$msi" Upgrade "$upgrade_code"$'\t'"$version"$'\t\t\t2\t\tWIX_DOWNGRADE_DETECTED'
row "$msi" LaunchCondition $'NOT WIX_DOWNGRADE_DETECTED\tA newer version of [ProductName] is already installed.'
[ "$(table "$msi" File | cut -f3 | sort | tr '\n' ' ')" = "tqm530r.exe update.exe " ] ||
  fail "files: $(table "$msi" File | cut -f3 | tr '\n' ' ')"

# The files in the cabinet and in the zip are the build's PE32 programs.
mkdir "$work/msi" "$work/zip"
msiextract -C "$work/msi" "$msi" >/dev/null
(cd "$work/zip" && cmake -E tar xf "$zip")
[ "$(cd "$work/zip" && find . -type f | sort | tr '\n' ' ')" = \
  "./tqm530r-$version-win32/tqm530r.exe ./tqm530r-$version-win32/update.exe " ] ||
  fail "zip holds: $(cd "$work/zip" && find . | tr '\n' ' ')"
for p in tqm530r.exe update.exe; do
  objdump -f "$bin/$p" | grep -q 'file format pei-i386' || fail "$bin/$p is not PE32"
  cmp -s "$work/msi/Program Files/TQM-530R/$p" "$bin/$p" || fail "the MSI's $p differs from the build's"
  cmp -s "$work/zip/tqm530r-$version-win32/$p" "$bin/$p" || fail "the zip's $p differs from the build's"
done

# The ProductCode: the same for the same version and architecture, another
# for another version or architecture (each replaces the other in place).
"$package" "$bin" "$version" x86 "$work/again" >/dev/null
"$package" "$bin" 9.8.7.6 x86 "$work/other" >/dev/null
"$package" "$bin" "$version" x64 "$work/x64" >/dev/null
code=$(property "$msi" ProductCode)
[[ "$code" =~ ^\{[0-9A-F]{8}-[0-9A-F]{4}-5[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\}$ ]] || fail "ProductCode $code"
[ "$(property "$work/again/tqm530r-$version-win32.msi" ProductCode)" = "$code" ] || fail "ProductCode not reproducible"
[ "$(property "$work/other/tqm530r-9.8.7.6-win32.msi" ProductCode)" != "$code" ] || fail "ProductCode the same for 9.8.7.6"
[ "$(property "$work/x64/tqm530r-$version-win64.msi" ProductCode)" != "$code" ] || fail "ProductCode the same for x64"
[ "$(property "$work/other/tqm530r-9.8.7.6-win32.msi" UpgradeCode)" = "$upgrade_code" ] || fail "UpgradeCode changed"
# Not a version Windows Installer can compare: refused before anything is built.
if "$package" "$bin" 1.0.1 x86 "$work/bad" >/dev/null 2>&1; then fail "version 1.0.1 accepted"; fi

[ "$failures" = 0 ] || exit 1
echo "PASS: $(basename "$msi") and $(basename "$zip")"
