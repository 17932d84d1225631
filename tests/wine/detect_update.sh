#!/usr/bin/env bash
# update.exe under Wine on a virtual segment: Detect finds the simulated
# device and reads its version; Update with Yes writes the whole image.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 SIM=$2 ARTIFACTS=$3 IMAGE=$4
mkdir -p "$ARTIFACTS"
source "$here/wine_env.sh"
source "$here/../netns/segment.sh"
cleanup() { wine_stop_all; seg_teardown; }
trap cleanup EXIT
seg_create
WINE_NETNS=$SEG_HOST wine_start_display || exit 1
wine_server_in_netns "$SEG_HOST" || { echo "wineserver is not in the test namespace: not searching"; exit 1; }
seg_add_device 0 02:4c:1a:03:12:ab --log "$ARTIFACTS/device.log" --compare "$IMAGE"
seg_wait_devices || { echo "simulator did not start"; exit 1; }

title="TQM-530R ファームウェアアップデート"
ip netns exec "$SEG_HOST" "$WINE" explorer "/desktop=detect,1024x768" "$EXE" &
wine_wait_window "$title" 60 || { echo "no dialog"; exit 1; }
sleep 2
wine_screenshot "$ARTIFACTS/1-start.png"

dialog=$(xdotool search --onlyvisible --name "$title" | head -1)
xdotool windowfocus --sync "$dialog" 2>/dev/null
xdotool key --window "$dialog" alt+d
sleep 8   # the 3000 ms search, the login and the version query
wine_screenshot "$ARTIFACTS/2-after-detect.png"

xdotool key --window "$dialog" alt+u
sleep 2
wine_screenshot "$ARTIFACTS/3-confirm.png"
xdotool key Return
fail=1
for _ in $(seq 240); do
  sleep 0.5
  grep -q "flash matches image: yes" "$ARTIFACTS/device.log" 2>/dev/null && { fail=0; break; }
done
sleep 3
wine_screenshot "$ARTIFACTS/4-after-update.png"
if [ $fail = 0 ]; then echo "the device's flash equals the carried image"; else echo "no complete update"; cat "$ARTIFACTS/device.log" 2>/dev/null; fi
exit $fail
