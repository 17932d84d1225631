#!/usr/bin/env bash
# package.sh BIN VERSION ARCH OUT: the Windows installer and zip of the
# programs in BIN (tqm530r.exe and update.exe of one Windows build):
#   OUT/tqm530r-VERSION-win32.msi and .zip for ARCH x86 (the release),
#   OUT/tqm530r-VERSION-win64.msi and .zip for ARCH x64 (what Wine here runs).
# Prints the two paths. VERSION is the product's (four numbers); the MSI's
# ProductCode follows from it and ARCH, so that each version is a product of
# its own that replaces the earlier one (same UpgradeCode).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# = 4 ] || { echo "usage: $0 BIN VERSION x86|x64 OUT" >&2; exit 2; }
bin=$1 version=$2 arch=$3 out=$4
programs=(tqm530r.exe update.exe)

case "$arch" in
  x86) suffix=win32 program_files=ProgramFilesFolder win64=no ;;
  x64) suffix=win64 program_files=ProgramFiles64Folder win64=yes ;;
  *) echo "package.sh: ARCH is x86 or x64, not $arch" >&2; exit 2 ;;
esac
# Windows Installer's limits: major and minor up to 255, build up to 65535.
IFS=. read -r major minor build revision <<<"$version"
[[ "$version" =~ ^[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}$ ]] && [ "$major" -le 255 ] && [ "$minor" -le 255 ] &&
  [ "$build" -le 65535 ] && [ "$revision" -le 65535 ] ||
  { echo "package.sh: version $version is not N.N.N.N within 255.255.65535.65535" >&2; exit 2; }
for p in "${programs[@]}"; do
  [ -f "$bin/$p" ] || { echo "package.sh: $bin/$p missing (build the Windows preset first)" >&2; exit 1; }
done

# A name-based UUID (version 5 layout) from TEXT: the same text, the same code.
uuid_from() {
  local h
  h=$(printf '%s' "$1" | sha1sum | cut -c1-32)
  printf '%s-%s-5%s-%x%s-%s\n' "${h:0:8}" "${h:8:4}" "${h:13:3}" $(( (0x${h:16:1} & 3) | 8 )) "${h:17:3}" "${h:20:12}" |
    tr a-f A-F
}

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
msi=$out/tqm530r-$version-$suffix.msi
zip=$out/tqm530r-$version-$suffix.zip

# The MSI and the zip hold the same files, gathered in one folder (wixl reads
# a file's Source relative to the folder it runs in).
folder=tqm530r-$version-$suffix
mkdir "$work/$folder"
for p in "${programs[@]}"; do cp "$bin/$p" "$work/$folder/"; done
(cd "$work/$folder" && wixl -a "$arch" -o "$work/tqm530r.msi" \
  -D "Version=$version" -D "ProductCode=$(uuid_from "tqm530r.msi $version $arch")" \
  -D "ProgramFilesDir=$program_files" -D "Win64=$win64" "$here/tqm530r.wxs")

# What wixl cannot say, as tables imported into its MSI (msibuild -i
# replaces a table by the one in the .idt file):
# - the system PATH entry: appended ([~];) on install, taken out again on
#   uninstall (=-), in the machine's environment (*), with the two actions
#   that do it;
# - an earlier product of the same version is replaced too (IncludeMaximum,
#   0x200): Windows Installer compares only three of the four numbers.
printf '%s\r\n' 'Environment	Name	Value	Component_' 's72	l255	L255	s72' 'Environment	Environment' \
  'PathEntry	=-*PATH	[~];[INSTALLDIR]	CommandLine' > "$work/Environment.idt"
msiinfo export "$work/tqm530r.msi" InstallExecuteSequence > "$work/InstallExecuteSequence.idt"
printf '%s\r\n' 'RemoveEnvironmentStrings		3300' 'WriteEnvironmentStrings		5200' >> "$work/InstallExecuteSequence.idt"
msiinfo export "$work/tqm530r.msi" Upgrade |
  awk -F'\t' -v OFS='\t' '$7 ~ /^WIX_UPGRADE_DETECTED\r?$/ { $5 += 512 } 1' > "$work/Upgrade.idt"
for table in Environment InstallExecuteSequence Upgrade; do
  msibuild "$work/tqm530r.msi" -i "$work/$table.idt"
done
mv "$work/tqm530r.msi" "$msi"

# The zip, its entries dated by the commit.
stamp=$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" '+%Y-%m-%d %H:%M:%S')
rm -f "$zip"
(cd "$work" && cmake -E tar cf "$zip" --format=zip --mtime="$stamp UTC" "$folder")
echo "$msi"
echo "$zip"
