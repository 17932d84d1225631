#!/usr/bin/env bash
# A segment of 40 simulated devices, more than the dialog's table holds:
# detect lists every one, and update --all --jobs 8 writes the image to every
# one, as each device's own record of its flash shows.
# Usage: fleet_segment.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/fleet
DEVICES=${FLEET_DEVICES:-40}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/segment_start.sh"
started=$SECONDS

seg_create
expected_ips=()
for i in $(seq 0 $((DEVICES - 1))); do
  seg_add_device "$i" "$(printf '02:4c:1a:00:10:%02x' "$i")" --log "$ARTIFACTS/dev$i.log" --compare "$IMAGE"
  expected_ips+=("10.77.0.$((10 + i))")
done
# A foreign device on the same segment answers too and is never listed.
seg_add_device "$DEVICES" 02:44:1a:00:10:ff --log "$ARTIFACTS/foreign.log"
for _ in 1 2 3 4; do seg_wait_devices && break; done || { echo "simulators did not start"; exit 1; }
echo "segment of $DEVICES devices up after $((SECONDS - started)) s"
on_segment() { seg_host_exec env XDG_STATE_HOME="$XDG_STATE_HOME" TQM530R_LOCK_DIR="$TQM530R_LOCK_DIR" "$@"; }
sorted_ips() { printf '%s\n' "$@" | sort -t. -k4,4n; }

run detect on_segment "$CLI" detect --wait 2000
listed=$(awk '{print $3}' <<<"$OUT" | sort -t. -k4,4n)
check "detect: every one of the $DEVICES maker devices, once, exit 0" eval \
  'is $RC 0 && [ "$(wc -l <<<"$OUT")" = "$DEVICES" ] && [ "$listed" = "$(sorted_ips "${expected_ips[@]}")" ]'
check "detect: each device with the MAC that answered from its address" eval \
  '[ "$(grep -c "^TQM-530R(10[0-9a-f][0-9a-f]) \[10\.77\.0\.[0-9]*\]  *10\.77\.0\.[0-9]*  *02-4c-1a-00-10-" <<<"$OUT")" = "$DEVICES" ]'
check "detect: the foreign device is not listed" lacks "$OUT" "10.77.0.$((10 + DEVICES))"

run update on_segment "$CLI" update --all --jobs 8 --yes --wait 2000
check "update --all --jobs 8: $DEVICES succeeded, exit 0" eval \
  'is $RC 0 && has "$OUT" "$DEVICES device(s): $DEVICES succeeded, 0 failed"'
check "update --all: one summary row per device, each verified" eval \
  '[ "$(grep -c "^10\.77\.0\.[0-9]*  *02-4c-1a-00-10-.* verified " <<<"$OUT")" = "$DEVICES" ]'
updated_took=$((SECONDS - started))
seg_teardown
trap - EXIT

matching=0
for i in $(seq 0 $((DEVICES - 1))); do
  grep -q "flash matches image: yes" "$ARTIFACTS/sim-$i.log" && matching=$((matching + 1))
done
check "every device's own summary: the flash matches the image ($matching of $DEVICES)" is "$matching" "$DEVICES"
check "the foreign device was never connected" eval '! grep -q connected "$ARTIFACTS/foreign.log"'
echo "took $updated_took s"
finish
