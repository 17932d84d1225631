#!/usr/bin/env bash
# msi_install.sh BIN VERSION ARTIFACTS: the installer, as an operator meets it,
# under Wine. Wine here runs 64-bit programs only, so the MSIs are made by
# packaging/windows/package.sh from the win64 build in BIN (the same .wxs and
# steps as the 32-bit release MSI, which tests/release/windows_package.sh
# reads table by table). Checked: msiexec /i /qn installs both programs under
# Program Files\TQM-530R with the Start-menu entry, the installed
# tqm530r.exe --version runs, the system PATH holds the folder and a new
# process finds tqm530r.exe by it; a later version (the fourth number only,
# then the third) replaces the installed one in place, an earlier one is
# refused; msiexec /x leaves no file, no menu entry, no uninstall entry and
# no PATH entry. No network is used.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
bin=$1 version=$2 artifacts=$3
source "$here/../require.sh"
require_wine "$bin/tqm530r.exe" "$bin/update.exe"
require_tools wixl msibuild msiinfo
source "$here/wine_env.sh"
# The checks read tqm530r.exe's English; the locale stays Japanese for the code page.
export TQM530R_LANG=en
# No menu entries on this machine's desktop: the Start-menu .lnk stays in the prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
rm -rf "$artifacts"
mkdir -p "$artifacts"

IFS=. read -r major minor build revision <<<"$version"
later_revision=$major.$minor.$build.$((revision + 1))
later_build=$major.$minor.$((build + 1)).0
for v in "$version" "$later_revision" "$later_build"; do
  "$source_dir/packaging/windows/package.sh" "$bin" "$v" x64 "$artifacts" >/dev/null ||
    { echo "FAIL: package.sh $v"; exit 1; }
done
msi_of() { echo "Z:$artifacts/tqm530r-$1-win64.msi" | tr / '\\'; }

wine_start_display || exit 1
trap wine_stop_all EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step_start=0
pass() {  # a step passed when it added no failure
  [ "$failures" = "$step_start" ] && echo "ok: $*"
  step_start=$failures
}

dir="$WINEPREFIX/drive_c/Program Files/TQM-530R"
win_dir='C:\Program Files\TQM-530R'
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# The Start-menu folder: Windows puts a per-machine install's under ProgramData,
# Wine's msi under the user's profile; either counts.
menu_folders() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/TQM-530R' 2>/dev/null; }
msiexec() {  # msiexec NAME ARGS...: its log in ARTIFACTS/NAME.log, exit code in RC
  local name=$1; shift
  timeout 300 "$WINE" msiexec "$@" /qn /l*v "$(echo "Z:$artifacts/$name.log" | tr / '\\')" >/dev/null 2>&1
  RC=$?
}
system_path() {
  timeout 60 "$WINE" reg query "$environment" /v Path 2>/dev/null | tr -d '\r' | sed -n 's/^ *Path *REG_[A-Z_]* *//p'
}
# The folder's entries in PATH, with or without the trailing backslash.
path_entries() { system_path | tr ';' '\n' | grep -ciE "^$(sed 's/\\/\\\\/g' <<<"$win_dir")\\\\?$"; }
# The versions of every installed product named ours, one a line.
installed_versions() {
  timeout 60 "$WINE" reg query "$uninstall" /s 2>/dev/null | tr -d '\r' | awk '
    /^HKEY/ { name = ""; version = "" }
    $1 == "DisplayName" { sub(/^ *DisplayName +REG_SZ +/, ""); name = $0 }
    $1 == "DisplayVersion" { version = $3 }
    name == "TQM-530R Firmware Updater" && version != "" { print version; name = "" }'
}
installed_version_is() { [ "$(installed_versions | tr '\n' ' ')" = "$1 " ]; }
check_installed() {  # check_installed VERSION: one product of that version, in place, on PATH
  local v=$1
  installed_version_is "$v" || fail "$v: installed products: $(installed_versions | tr '\n' ' ')"
  [ -f "$dir/tqm530r.exe" ] && [ -f "$dir/update.exe" ] || fail "$v: programs missing in $dir"
  cmp -s "$dir/tqm530r.exe" "$bin/tqm530r.exe" || fail "$v: installed tqm530r.exe differs from the build's"
  [ "$(menu_folders | wc -l)" = 1 ] && [ -f "$(menu_folders)/TQM-530R Firmware Update.lnk" ] ||
    fail "$v: no Start-menu entry (folders: $(menu_folders | tr '\n' ' '))"
  [ "$(path_entries)" = 1 ] || fail "$v: PATH should hold $win_dir once: $(system_path)"
}

msiexec install /i "$(msi_of "$version")"
[ "$RC" = 0 ] || fail "msiexec /i $version: exit $RC"
check_installed "$version"
pass "installed $version"

out=$(timeout 60 "$WINE" "$win_dir\\tqm530r.exe" --version 2>&1 | tr -d '\r')
grep -qE "^tqm530r $version, carried image [0-9]" <<<"$out" || fail "installed tqm530r.exe --version: $out"
# A process started afresh takes its PATH from the registry, as a new Command Prompt does.
out=$(timeout 60 "$WINE" cmd /c tqm530r.exe --version 2>&1 | tr -d '\r')
grep -qE "^tqm530r $version, " <<<"$out" || fail "tqm530r.exe not found through PATH: $out"
pass "tqm530r.exe runs from the install folder and through PATH"

for v in "$later_revision" "$later_build"; do
  msiexec "upgrade-$v" /i "$(msi_of "$v")"
  [ "$RC" = 0 ] || fail "msiexec /i $v over the installed one: exit $RC"
  check_installed "$v"
  pass "upgraded in place to $v"
done

msiexec downgrade /i "$(msi_of "$version")"
[ "$RC" != 0 ] || fail "installing $version over $later_build succeeded"
installed_version_is "$later_build" || fail "after the refused downgrade: $(installed_versions | tr '\n' ' ')"
pass "an earlier version is refused (exit $RC: 1603 in 8 bits), the later one stays"

msiexec uninstall /x "$(msi_of "$later_build")"
[ "$RC" = 0 ] || fail "msiexec /x: exit $RC"
[ ! -e "$dir" ] || fail "left behind: $(find "$dir" | tr '\n' ' ')"
[ -z "$(menu_folders)" ] || fail "Start-menu folder left behind: $(menu_folders | tr '\n' ' ')"
[ -z "$(installed_versions)" ] || fail "still in the uninstall list: $(installed_versions | tr '\n' ' ')"
[ "$(path_entries)" = 0 ] || fail "PATH still holds the folder: $(system_path)"
timeout 60 "$WINE" reg query 'HKLM\Software\TQM-530R' >/dev/null 2>&1 && fail "registry key HKLM\\Software\\TQM-530R left behind"
pass "uninstalled completely"

[ "$failures" = 0 ] || exit 1
echo "PASS"
