#!/usr/bin/env bash
# The MAC-write mode under Wine: "/mac:HOST:DIGITS:" writes the two bytes
# into the device, shows one message box and ends with exit code 0 without
# the dialog; invalid digits send nothing; "/MAC:" opens the dialog instead.
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
seg_add_device 0 02:4c:1a:03:12:ab --no-ssdp --log "$ARTIFACTS/device.log"
seg_wait_devices || give_up "the simulator starts"
PROBE_DESKTOP=   # the box is a window of its own on the default desktop

mac_box_open() { probe --box TQM-530R > "$1" 2>/dev/null && [ -s "$1" ]; }

# run_mac_mode NAME ARGUMENT: runs update.exe, keeps the box's
# texts in $ARTIFACTS/NAME.txt, presses OK and leaves the exit code in $mode_rc.
run_mac_mode() {
  local name=$1 argument=$2
  ip netns exec "$SEG_HOST" "$WINE" "$EXE" "$argument" &
  local pid=$!
  : > "$ARTIFACTS/$name.txt"
  wait_until 60 mac_box_open "$ARTIFACTS/$name.txt"
  wine_screenshot "$ARTIFACTS/$name.png"
  probe --press TQM-530R 1 >/dev/null 2>&1
  # The program ends once the box is answered; a box that never came is a failure, not a hang.
  if ! wait_until 60 eval '! kill -0 "$pid" 2>/dev/null'; then
    keep_evidence "$name-still-running"
    kill "$pid"; wait "$pid"; mode_rc=timeout; return
  fi
  wait "$pid"; mode_rc=$?
}
box_says() {  # box_says NAME CHECK TEXT
  if tr -d '\r' < "$ARTIFACTS/$1.txt" | grep -qxF "text=$3"; then pass "$2"; else failed "$2" "$(cat "$ARTIFACTS/$1.txt")"; fi
}

run_mac_mode written "/mac:10.77.0.10:12ab:"
box_says written "the success box names the MAC address" "MAC address [02-4C-1A-03-12-ab] written."
[ "$mode_rc" = 0 ] && pass "MAC-write mode ends with exit code 0" || failed "MAC-write mode ends with exit code 0" "rc=$mode_rc"
grep -q "mac tail 12AB" "$ARTIFACTS/device.log" && pass "the device stores 12ab" ||
  failed "the device stores 12ab" "$(tail -5 "$ARTIFACTS/device.log")"
[ "$(wine_count_windows "$DIALOG_TITLE")" = 0 ] && pass "no dialog in MAC-write mode" || failed "no dialog in MAC-write mode" "a dialog opened"

lines_before=$(wc -l < "$ARTIFACTS/device.log")
run_mac_mode invalid "/mac:10.77.0.10:zz:"
box_says invalid "invalid digits: the invalid-MAC box" "Invalid MAC address"
[ "$(wc -l < "$ARTIFACTS/device.log")" = "$lines_before" ] && pass "invalid digits: nothing sent" ||
  failed "invalid digits: nothing sent" "$(tail -3 "$ARTIFACTS/device.log")"

run_mac_mode nohost "/mac:no-such-host.invalid:12ab:"
box_says nohost "a host that does not resolve: the invalid-IP box" "Invalid IP address"

# The upper-case option is not the MAC-write mode: the dialog opens.
ip netns exec "$SEG_HOST" "$WINE" "$EXE" "/MAC:10.77.0.10:12ab:" &
upper_pid=$!
if wine_wait_window "$DIALOG_TITLE" 30; then pass '"/MAC:" opens the dialog'; else failed '"/MAC:" opens the dialog' "no dialog"; fi
wine_screenshot "$ARTIFACTS/upper-case.png"
# Exit, and the program ends with its dialog.
wait_until 30 probe --click 2 >/dev/null 2>&1
wait_until 30 eval '! kill -0 "$upper_pid" 2>/dev/null' && pass '"/MAC:": Exit ends the program' ||
  failed '"/MAC:": Exit ends the program' "still running"
finish
