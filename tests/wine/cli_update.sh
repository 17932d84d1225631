#!/usr/bin/env bash
# tqm530r.exe (x64) under Wine on a virtual segment: version, one update and
# two in parallel (each device's flash compared with the image by its
# simulator), --json lines, a dropped transfer, the device lock, a device
# finishing its flash after its parent was ended, detect and
# update --all, the history under %LOCALAPPDATA%. Wine's SendARP is a stub:
# every MAC reads ff-ff-ff-ff-ff-ff, so the search's MAC is not checked here.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4
source "$here/../require.sh"
require_netns
require_wine "$EXE"
require_tools iptables python3
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
source "$here/wine_segment.sh"
# The checks read tqm530r.exe's English; the locale stays Japanese for the code page.
export TQM530R_LANG=en
CHECK_FAILS=0
wine_segment_start || exit 1

for i in 0 1 2 3; do
  extra=()
  [ $i = 2 ] && extra=(--close-after-lines 2000)
  [ $i = 3 ] && extra=(--slow-flash 6000)
  seg_add_device $i 02:4c:1a:00:00:1$i --log "$ARTIFACTS/dev-$i.log" --compare "$IMAGE" "${extra[@]}"
done
seg_wait_devices || give_up "the simulators start"

# tq NAME ARGS...: tqm530r.exe in the segment; stdout NAME.out, stderr NAME.err, exit code in RC.
tq() {
  local name=$1; shift
  ip netns exec "$SEG_HOST" "$WINE" "$EXE" "$@" > "$ARTIFACTS/$name.out" 2> "$ARTIFACTS/$name.err"
  RC=$?
  OUT=$(tr -d '\r' < "$ARTIFACTS/$name.out")
}
check() {  # check WHAT COMMAND...
  local what=$1; shift
  if "$@"; then pass "$what"; else failed "$what" "see $ARTIFACTS"; fi
}
json_ok() { python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    if line.strip(): json.loads(line)' "$1"; }
# The simulator's summary, written when it ends.
sim_summary() {
  kill "${SEG_PIDS[$1]}" 2>/dev/null
  wait "${SEG_PIDS[$1]}" 2>/dev/null
  grep -q 'flash matches image: yes' "$ARTIFACTS/sim-$1.log"
}

tq version version 10.77.0.10
check "version: the device's 1.0.01 and the image's 1.0.05" eval '[ $RC = 0 ] && grep -q 1.0.01 <<<"$OUT" && grep -q 1.0.05 <<<"$OUT"'
tq version-json version --json 10.77.0.10
check "version --json: one document that parses" eval '[ $RC = 0 ] && python3 -c "import json,sys; json.loads(sys.stdin.read())" <<<"$OUT"'

tq one update --yes 10.77.0.10
check "update of one device: exit 0, verified" eval '[ $RC = 0 ] && grep -q verified <<<"$OUT"'

tq two update --yes --json --reinstall 10.77.0.10 10.77.0.11
check "two in parallel: exit 0, --json lines that parse" eval '[ $RC = 0 ] && json_ok "$ARTIFACTS/two.out"'
check "two in parallel: both verified in the summary" eval \
  '[ "$(grep "\"event\":\"summary\"" <<<"$OUT" | grep -o "\"result\":\"verified\"" | wc -l)" = 2 ]'
check "transfer events of both devices" eval \
  'grep -q "\"device\":\"10.77.0.10\".*transfer\|transfer.*\"device\":\"10.77.0.10\"" <<<"$OUT" && grep -q "transfer.*\"device\":\"10.77.0.11\"\|\"device\":\"10.77.0.11\".*transfer" <<<"$OUT"'

tq dropped update --yes --retries 0 10.77.0.12
check "a dropped transfer: failed, non-zero exit" eval '[ $RC != 0 ] && grep -q failed <<<"$OUT"'
check "and \"flash\" never reached that device" eval '! grep -qx flash "$ARTIFACTS/dev-2.log"'

# This run is started from a copy of the program: while it runs, its file
# can be neither renamed nor deleted from Windows, so every device process it
# starts runs its own build.
cp "$EXE" "$ARTIFACTS/held.exe"
ip netns exec "$SEG_HOST" "$WINE" "$ARTIFACTS/held.exe" update --yes 10.77.0.13 > "$ARTIFACTS/slow.out" 2>&1 &
slow=$!
wait_until 120 grep -qx flash "$ARTIFACTS/dev-3.log"
tq locked update --yes --reinstall 10.77.0.13
check "a second tqm530r.exe on a device being flashed ends with 5" eval '[ $RC = 5 ] && grep -q "another tqm530r" "$ARTIFACTS/locked.err" "$ARTIFACTS/locked.out"'
held="Z:${ARTIFACTS//\//\\}\\held.exe"
ip netns exec "$SEG_HOST" "$WINE" cmd /c move "$held" "$held.old" > "$ARTIFACTS/move.out" 2>&1
ip netns exec "$SEG_HOST" "$WINE" cmd /c del "$held" > "$ARTIFACTS/del.out" 2>&1
check "during the run its program's file is neither renamed nor deleted" eval \
  '[ -f "$ARTIFACTS/held.exe" ] && [ ! -e "$ARTIFACTS/held.exe.old" ]'
wait $slow
SLOW_RC=$?
check "the first one finished its update" eval '[ $SLOW_RC = 0 ] && grep -q verified "$ARTIFACTS/slow.out"'

# The parent ended while its device is past "flash", as when the operator's
# console window is closed: the device's process, in a console of its own,
# finishes flash and reset and writes its history line. The parent's
# standard output is a pipe, as in "update --json | consumer": the device's
# process holds no end of it, so the consumer's input ends with the parent.
flashes=$(grep -cx flash "$ARTIFACTS/dev-3.log")
resets=$(grep -cx reset "$ARTIFACTS/dev-3.log")
mkfifo "$ARTIFACTS/orphan.pipe"
{ cat > "$ARTIFACTS/orphan.out"; grep -cx reset "$ARTIFACTS/dev-3.log" > "$ARTIFACTS/orphan.eof"; } < "$ARTIFACTS/orphan.pipe" &
ip netns exec "$SEG_HOST" "$WINE" "$EXE" update --yes --reinstall --json 10.77.0.13 > "$ARTIFACTS/orphan.pipe" \
  2> "$ARTIFACTS/orphan.err" &
orphan=$!
wait_until 120 eval '[ "$(grep -cx flash "$ARTIFACTS/dev-3.log")" -gt "$flashes" ]'
kill -KILL "$orphan"
wait "$orphan" 2>/dev/null
check "the pipe of its standard output ends with the parent, before the device's reset" eval \
  'wait_until 60 test -s "$ARTIFACTS/orphan.eof" && [ "$(cat "$ARTIFACTS/orphan.eof")" = "$resets" ]'
orphan_recorded() {
  find "$WINEPREFIX/drive_c/users" -path '*AppData/Local/tqm530r/history.jsonl' -exec cat {} + 2>/dev/null |
    grep '"device":"10.77.0.13"' | grep -q 'the verify was skipped (interrupted)'
}
check "parent ended past \"flash\": the device's process sends reset and records the update" eval \
  'wait_until 120 orphan_recorded && [ "$(grep -cx reset "$ARTIFACTS/dev-3.log")" -gt "$resets" ]'

tq detect detect
check "detect lists the four simulated devices (MAC ffff under Wine)" eval \
  'for a in 10 11 12 13; do grep -q "\[10.77.0.$a\]" <<<"$OUT" || exit 1; done'
tq all update --all --yes --reinstall --retries 0 --json
check "update --all: the four devices, three verified and the dropping one failed" eval \
  'json_ok "$ARTIFACTS/all.out" && s=$(grep "\"event\":\"summary\"" <<<"$OUT") &&
   [ "$(grep -o "\"result\":\"verified\"" <<<"$s" | wc -l)" = 3 ] && [ "$(grep -o "\"result\":\"failed\"" <<<"$s" | wc -l)" = 1 ] &&
   for a in 10 11 12 13; do grep -q "\"device\":\"10.77.0.$a\"" <<<"$s" || exit 1; done'

history=$(find "$WINEPREFIX/drive_c/users" -path '*AppData/Local/tqm530r/history.jsonl' | head -1)
check "the history in %LOCALAPPDATA%\\tqm530r\\history.jsonl: a whole record of each update" eval \
  '[ -n "$history" ] && json_ok "$history" && [ "$(grep -c "\"command\":\"update\"" "$history")" -ge 10 ]'
cp "$history" "$ARTIFACTS/history.jsonl" 2>/dev/null

for i in 0 1 3; do check "device $i: its flash matches the image byte for byte" sim_summary $i; done
finish
