#!/usr/bin/env bash
# A lossy segment: 8 simulated devices, 5% of the IP packets arriving in every
# namespace dropped. `tqm530r detect --expect 8` must list all 8 in each of 20
# runs (the search sends its request again while it waits); --expect 9 fails
# and says how many answered. Then, without loss, a simulator started with
# --die-after-reset goes silent after its reset.
# Usage: lossy_search.sh CLI SIM ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 ARTIFACTS=$3
DEVICES=8 RUNS=${LOSSY_RUNS:-20} LOSS=0.05
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../require.sh"
require_netns
require_tools iptables
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
export XDG_STATE_HOME="$ARTIFACTS/state" TQM530R_LOCK_DIR="$ARTIFACTS/locks"
source "$here/segment.sh"
trap seg_teardown EXIT
failures=0
check() {  # check WHAT COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}

seg_create
for i in $(seq 0 $((DEVICES - 1))); do
  seg_add_device "$i" "$(printf '02:4c:1a:00:20:%02x' "$i")" --log "$ARTIFACTS/dev$i.log"
done
seg_wait_devices || { echo "simulators did not start"; exit 1; }
seg_set_loss "$LOSS" || skip "iptables cannot drop packets in a namespace here (statistic match)"

complete=0 counts=()
for run in $(seq "$RUNS"); do
  out=$(seg_host_exec "$CLI" detect --expect "$DEVICES" 2>"$ARTIFACTS/detect-$run.err")
  rc=$?
  found=$(grep -c '^TQM-530R(' <<<"$out")
  counts+=("$found")
  [ "$rc" = 0 ] && [ "$found" = "$DEVICES" ] && complete=$((complete + 1))
  printf '%s\n' "$out" > "$ARTIFACTS/detect-$run.out"
done
echo "found per run: ${counts[*]}"
check "detect --expect $DEVICES at 5% loss: all $DEVICES in $complete of $RUNS runs" [ "$complete" = "$RUNS" ]

dropped=$(seg_dropped_packets)
check "the segment did lose packets ($dropped dropped)" [ "$dropped" -gt 0 ]

seg_set_loss 0
err=$(seg_host_exec "$CLI" detect --expect $((DEVICES + 1)) 2>&1 >/dev/null)
rc=$?
check "detect --expect $((DEVICES + 1)): exit 1" [ "$rc" = 1 ]
check "detect --expect $((DEVICES + 1)): says how many answered, and which" \
  grep -q "^tqm530r: $DEVICES TQM-530R devices answered, $((DEVICES + 1)) expected: 10.77.0.10, 10.77.0.11, " <<<"$err"
json=$(seg_host_exec "$CLI" detect --expect "$DEVICES" --json)
check "detect --json --expect: the document carries \"expected\"" grep -q "\"expected\": $DEVICES" <<<"$json"

# A device that dies after its reset: it answers until then, then neither its
# console nor the search hears anything.
seg_add_device "$DEVICES" 02:4c:1a:00:20:ff --die-after-reset 0 --log "$ARTIFACTS/dying.log"
seg_wait_devices || { echo "the dying simulator did not start"; exit 1; }
dying=10.77.0.$((10 + DEVICES))
seg_host_exec "$CLI" detect --expect $((DEVICES + 1)) --wait 1000 >/dev/null
check "the device that will die answers the search before its reset" [ $? = 0 ]
seg_host_exec timeout 10 bash -c "exec 3<>/dev/tcp/$dying/23 && printf '\r\n\r\nreset\r\nbye\r\n' >&3 && cat <&3 >/dev/null"
for _ in $(seq 100); do grep -q "stopped answering" "$ARTIFACTS/dying.log" && break; sleep 0.1; done
check "after its reset the device stops answering" grep -q "stopped answering" "$ARTIFACTS/dying.log"
out=$(seg_host_exec "$CLI" detect --wait 1000)
check "the search no longer lists it" eval '[ "$(grep -c "^TQM-530R(" <<<"$out")" = "$DEVICES" ] && ! grep -q "$dying" <<<"$out"'
check "its console refuses connections" eval "! seg_host_exec timeout 5 bash -c 'exec 3<>/dev/tcp/$dying/23' 2>/dev/null"

[ "$failures" = 0 ] && echo "PASS" || echo "$failures check(s) failed"
exit $((failures > 0))
