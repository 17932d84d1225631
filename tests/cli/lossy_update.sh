#!/usr/bin/env bash
# An update on a lossy segment: 8 simulated devices, 1% of the IP packets
# arriving in every namespace dropped. `update --all --expect 8 --jobs 8`
# finds and verifies every device, and each device's flash equals the image
# byte for byte (the simulator's own comparison).
# Usage: lossy_update.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/lossy-update
DEVICES=8
here=$(cd "$(dirname "$0")" && pwd)
source "$here/segment_start.sh"
require_tools iptables

seg_create
for i in $(seq 0 $((DEVICES - 1))); do
  seg_add_device "$i" "$(printf '02:4c:1a:00:50:%02x' "$i")" --log "$ARTIFACTS/dev$i.log" --compare "$IMAGE"
done
seg_wait_devices || { echo "simulators did not start"; exit 1; }
seg_set_loss 0.01 || skip "iptables cannot drop packets in a namespace here (statistic match)"
on_segment() { seg_host_exec env XDG_STATE_HOME="$XDG_STATE_HOME" TQM530R_LOCK_DIR="$TQM530R_LOCK_DIR" "$@"; }

started=$SECONDS
run update on_segment "$CLI" update --all --expect "$DEVICES" --jobs 8 --yes
check "update --all --expect $DEVICES at 1% loss: every device verified, exit 0" eval \
  'is $RC 0 && has "$OUT" "$DEVICES device(s): $DEVICES succeeded, 0 failed" &&
   [ "$(grep -c " verified " <<<"$OUT")" = "$DEVICES" ]'
echo "the update took $((SECONDS - started)) s"
dropped=$(seg_dropped_packets)
check "the segment did lose packets ($dropped dropped)" [ "$dropped" -gt 0 ]
seg_teardown
trap - EXIT

matching=0
for i in $(seq 0 $((DEVICES - 1))); do
  # The summary at the simulator's end: what its flash holds last.
  [ "$(grep "flash matches image:" "$ARTIFACTS/sim-$i.log" | tail -1)" = "flash matches image: yes" ] &&
    matching=$((matching + 1))
done
check "every device's flash equals the image byte for byte ($matching of $DEVICES)" is "$matching" "$DEVICES"
finish
