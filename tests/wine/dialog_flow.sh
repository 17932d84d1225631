#!/usr/bin/env bash
# update.exe under Wine on a virtual segment, driven as the operator does: the
# start state, Detect with no device and with devices (its key), the version
# verdict, Update declined and accepted (clicked), a device that drops
# mid-transfer, and Escape. The
# dialog's texts are read back with dialog_probe; screenshots are kept.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 PROBE=$2 SIM=$3 ARTIFACTS=$4 IMAGE=$5
source "$here/../require.sh"
require_netns
require_wine "$EXE" "$PROBE"
require_tools iptables
mkdir -p "$ARTIFACTS"
source "$here/wine_segment.sh"
wine_segment_start || exit 1

PROBE_DESKTOP=flow
ip netns exec "$SEG_HOST" "$WINE" explorer "/desktop=$PROBE_DESKTOP,1024x768" "$EXE" &
wait_dialog 90 || give_up "the dialog shows"
wait_until 60 probe_dialog || give_up "the probe reads the dialog"
wine_screenshot "$ARTIFACTS/1-start.png"
expect "start: latest version" latest 1.0.05
expect "start: operator prompt" status 'TQM-530R デバイスを検出します。\n「検出」ボタンを押してください。'
expect "start: list disabled" list.enabled 0
expect "start: Update disabled" update.enabled 0
expect "start: erase hidden" erase.visible 0
expect "start: progress hidden" progress.visible 0

press alt+d
wait_status 'TQM-530R デバイスが検出されませんでした。' 60
expect "no device: nothing listed" list.count 0
expect "no device: Update disabled" update.enabled 0

seg_add_device 0 02:4c:1a:03:12:ab --log "$ARTIFACTS/device.log" --compare "$IMAGE"
seg_add_device 1 02:4c:1a:00:00:07 --close-after-lines 3000 --log "$ARTIFACTS/dropper.log"
seg_wait_devices || give_up "the simulators start"

press alt+d
wait_status '最新のファームウェアへアップデートできます。\n「アップデート」ボタンを押してください。' 60
wine_screenshot "$ARTIFACTS/2-after-detect.png"
expect "detect: both devices listed" list.count 2
expect "detect: sorted, first entry" list.0 'TQM-530R(ffff) [10.77.0.10]'
expect "detect: second entry" list.1 'TQM-530R(ffff) [10.77.0.11]'
expect "detect: first entry selected" list.selected 0
expect "detect: device version shown" current 1.0.01
expect "detect: Update enabled" update.enabled 1
expect "detect: list enabled" list.enabled 1

# Update, answered No: nothing is sent.
click 1007 Update
answer_box 3-confirm 7   # No
grep -q "アップデートを開始しますか？" "$ARTIFACTS/3-confirm.txt" && pass "confirm: the question is asked" ||
  failed "confirm: the question is asked" "$(cat "$ARTIFACTS/3-confirm.txt")"
# The answer is handled once the dialog is enabled again; no transfer began.
wait_value "No: the dialog is enabled again" dialog.enabled 1 30
expect "No: progress hidden" progress.visible 0
expect "No: Update still enabled" update.enabled 1
grep -q initbuf "$ARTIFACTS/device.log" && failed "No: nothing sent" "initbuf arrived" || pass "No: nothing sent"

# Update, answered Yes: the whole image, the completion text.
click 1007 Update
answer_box confirm-yes 6
wait_value "during update: progress shown" progress.visible 1 60
wine_screenshot "$ARTIFACTS/4-during-update.png"
expect "during update: Detect disabled" detect.enabled 0
expect "during update: Exit disabled" exit.enabled 0
wait_status 'アップデートが完了しました。' 300
wine_screenshot "$ARTIFACTS/5-after-update.png"
grep -q "flash matches image: yes" "$ARTIFACTS/device.log" && pass "update: the device's flash equals the image" ||
  failed "update: the device's flash equals the image" "$(tail -5 "$ARTIFACTS/device.log")"
expect "update: current version is the image's" current 1.0.05
expect "update: Update disabled" update.enabled 0
expect "update: progress hidden" progress.visible 0
expect "update: Detect enabled" detect.enabled 1
# One transfer in all: the one answered No sent nothing, not even later.
[ "$(grep -c '^initbuf' "$ARTIFACTS/device.log")" = 1 ] && pass "one transfer: the one answered Yes" ||
  failed "one transfer: the one answered Yes" "$(grep -c '^initbuf' "$ARTIFACTS/device.log") times initbuf"

# The device that drops the connection after 3000 lines: the failure text.
press alt+d
wait_status '最新のファームウェアです。' 60
probe --select 1   # the dropping device, second in the list
wait_status '最新のファームウェアへアップデートできます。\n「アップデート」ボタンを押してください。' 60
expect "drop: the second device is selected" list.selected 1
click 1007 Update
answer_box confirm-drop 6
wait_status 'アップデートに失敗しました。\nもう一度デバイスを選択してください。' 300
wine_screenshot "$ARTIFACTS/6-after-drop.png"
expect "drop: current version empty" current ""
expect "drop: Update disabled" update.enabled 0
expect "drop: progress hidden" progress.visible 0
expect "drop: list enabled" list.enabled 1
expect "drop: Detect enabled" detect.enabled 1
expect "drop: Exit enabled" exit.enabled 1
grep -q '^reset' "$ARTIFACTS/dropper.log" && failed "drop: no reset sent" "reset arrived" || pass "drop: no reset sent"

press Escape
wait_until 30 no_window "$DIALOG_TITLE"
expect_windows "Escape closes the dialog" 0
finish
