#!/usr/bin/env bash
# update.exe under Wine on a virtual segment, as to the image's version: a
# device newer than the carried image is told it runs the latest firmware
# (and may still be updated); a copy of the exe whose carried image has no
# version record shows "invalid file.", starts with the list disabled, and
# Detect still lists the device. While the dialog searches, its socket has
# the receive buffer every new socket gets (the search sets no size).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 PROBE=$2 SIM=$3 ARTIFACTS=$4 IMAGE=$5
source "$here/../require.sh"
require_netns
require_wine "$EXE" "$PROBE"
require_tools iptables ss
mkdir -p "$ARTIFACTS"
rm -f "$ARTIFACTS"/failed-*

# The same program with the version record's hexadecimal digits in lower
# case: the record is still there, its marker no longer matches.
NO_VERSION_EXE=$ARTIFACTS/update-no-version.exe
python3 - "$EXE" "$IMAGE" "$NO_VERSION_EXE" <<'EOF' || { echo "cannot make the copy without a version record"; exit 1; }
import sys
exe, image = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
marker = b'202007665722E'
assert image.count(marker) == 1, 'the image holds the marker once'
start = image.rfind(b'\n', 0, image.find(marker)) + 1
record = image[start:image.find(b'\r\n', start)]
assert exe.count(record) == 1, 'the exe carries the version record once'
open(sys.argv[3], 'wb').write(exe.replace(record, record[:2] + record[2:].lower()))
EOF

source "$here/wine_segment.sh"
wine_segment_start || exit 1
seg_add_device 0 02:4c:1a:03:12:ab --firmware-version 1.1.0 --log "$ARTIFACTS/device.log"
seg_wait_devices || give_up "the simulator starts"
PROBE_DESKTOP=   # the dialog on the display's own desktop; nothing is typed

# The receive buffer of the dialog's search socket (bound to port 1900 in the
# PC's namespace) while a search runs; empty when no such socket is open.
search_buffer() { seg_host_exec ss -uamnH 'sport = :1900' | grep -o 'rb[0-9]*' | head -1 | tr -dc 0-9; }
search_socket_open() { [ -n "$(search_buffer)" ]; }

# start_dialog EXE: runs it and waits for its dialog; DIALOG_PID is the program.
start_dialog() {
  ip netns exec "$SEG_HOST" "$WINE" "$1" &
  DIALOG_PID=$!
  wait_dialog 90 && wait_until 60 probe_dialog
}

# close_dialog NAME: Exit, and the program has ended (its instance guard with it).
close_dialog() {
  click 2 Exit
  wait_until 30 eval '! kill -0 "$DIALOG_PID" 2>/dev/null' && pass "$1: Exit ends the program" ||
    give_up "$1: Exit ends the program"
}

# The carried image against a device that runs a newer version.
start_dialog "$EXE" || give_up "the dialog shows"
expect "start: latest version" latest 1.0.05
click 1006 Detect
if wait_until 30 search_socket_open; then
  buffer=$(search_buffer)
  default=$(seg_host_exec cat /proc/sys/net/core/rmem_default)
  [ "$buffer" = "$default" ] && pass "the search's receive buffer is the default ($default bytes)" ||
    failed "the search's receive buffer is the default" "rb $buffer, a new socket gets $default"
else
  failed "the search's socket is seen while it searches" "no socket on port 1900 within 30 s"
fi
wait_status '最新のファームウェアです。' 60
wine_screenshot "$ARTIFACTS/1-newer-device.png"
expect "newer device: its version shown" current 1.1.0
expect "newer device: Update still enabled" update.enabled 1
expect "newer device: latest version unchanged" latest 1.0.05
close_dialog "newer device"

# No version record in the carried image.
start_dialog "$NO_VERSION_EXE" || give_up "the dialog of the copy shows"
wine_screenshot "$ARTIFACTS/2-invalid-file.png"
expect "no version record: latest reads invalid file." latest "invalid file."
expect "no version record: list disabled" list.enabled 0
expect "no version record: Update disabled" update.enabled 0
expect "no version record: Detect enabled" detect.enabled 1
expect "no version record: operator prompt" status 'TQM-530R デバイスを検出します。\n「検出」ボタンを押してください。'
click 1006 Detect
wait_value "no version record: Detect lists the device" list.count 1 60
wait_value "no version record: the device's version is read" current 1.1.0 60
expect "no version record: list enabled" list.enabled 1
expect "no version record: latest still reads invalid file." latest "invalid file."
wine_screenshot "$ARTIFACTS/3-invalid-file-detect.png"
close_dialog "no version record"
finish
