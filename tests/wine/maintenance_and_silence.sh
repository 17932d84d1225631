#!/usr/bin/env bash
# update.exe "/maint" under Wine: a device that never answers the login is
# shown like a failed connect in bounded time; the hidden erase button is
# shown, erases the selected device after Yes, and leaves Update disabled.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 PROBE=$2 SIM=$3 ARTIFACTS=$4
source "$here/../require.sh"
require_netns
require_wine "$EXE" "$PROBE"
require_tools iptables
mkdir -p "$ARTIFACTS"
source "$here/wine_segment.sh"
wine_segment_start || exit 1
# Under Wine every MAC tail reads ffff, so the list sorts by address.
seg_add_device 0 02:4c:1a:00:00:07 --silent
seg_add_device 1 02:4c:1a:03:12:ab --log "$ARTIFACTS/device.log"
seg_wait_devices || give_up "the simulators start"

PROBE_DESKTOP=maint
ip netns exec "$SEG_HOST" "$WINE" explorer "/desktop=$PROBE_DESKTOP,1024x768" "$EXE" /maint &
wait_dialog 90 || give_up "the dialog shows"
wait_value "/maint: the erase button is shown" erase.visible 1 60

click 1006 Detect   # the silent device is selected first
start=$(date +%s)
wait_status 'このデバイスには接続できません。\n他のデバイスを選択してください。' 40
elapsed=$(( $(date +%s) - start ))
[ "$elapsed" -le 30 ] && pass "a silent device is given up in bounded time (${elapsed} s)" ||
  failed "a silent device is given up in bounded time" "${elapsed} s"
expect "silent device: current version empty" current ""
expect "silent device: Update disabled" update.enabled 0
wine_screenshot "$ARTIFACTS/1-silent-device.png"

probe --select 1
wait_status '最新のファームウェアへアップデートできます。\n「アップデート」ボタンを押してください。' 60
click 1012 erase
answer_box 2-erase-question 6
tr -d '\r' < "$ARTIFACTS/2-erase-question.txt" | grep -qxF 'text=ROMのデータを消去します。' && pass "erase asks first" ||
  failed "erase asks first" "$(cat "$ARTIFACTS/2-erase-question.txt")"
wait_until 60 grep -q '^bye' "$ARTIFACTS/device.log"
erased=$(grep -c '^era ' "$ARTIFACTS/device.log")
[ "$erased" = 14 ] && pass "the device received the 14 erase commands" || failed "the device received the 14 erase commands" "$erased"
wait_value "after the erase Update is disabled" update.enabled 0 30
finish
