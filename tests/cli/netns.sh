#!/usr/bin/env bash
# tqm530r on a virtual segment (network namespaces, real ARP): detect, plan
# --all, update --all, the MAC check of --all before the login, and a PC
# whose own MAC passes the maker's filter.
# Usage: netns.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/netns
here=$(cd "$(dirname "$0")" && pwd)
source "$here/segment_start.sh"

seg_create
seg_add_device 0 02:4c:1a:00:00:0a --firmware-version 1.0.01 --slow-flash 1200 --log "$ARTIFACTS/dev0.log" --compare "$IMAGE"
seg_add_device 1 02:4c:1a:00:00:0b --firmware-version 0.1.0 --log "$ARTIFACTS/dev1.log" --compare "$IMAGE"
seg_add_device 2 02:4c:1a:00:00:0c --firmware-version 1.0.05 --log "$ARTIFACTS/dev2.log" --compare "$IMAGE"
seg_add_device 3 02:44:1a:00:00:0d --log "$ARTIFACTS/dev3.log"
seg_wait_devices || { echo "simulators did not start"; cat "$ARTIFACTS"/sim-*.log; exit 1; }
on_segment() { seg_host_exec env XDG_STATE_HOME="$XDG_STATE_HOME" TQM530R_LOCK_DIR="$TQM530R_LOCK_DIR" "$@"; }

run detect on_segment "$CLI" detect --wait 1500 --trace "$ARTIFACTS/detect.trace"
check "detect: three maker devices, sorted, with IP and MAC; exit 0" eval \
  'is $RC 0 && [ "$(wc -l <<<"$OUT")" = 3 ] && has "$(sed -n 1p <<<"$OUT")" "TQM-530R(000a) [10.77.0.10]" && has "$(sed -n 3p <<<"$OUT")" "02-4c-1a-00-00-0c" && lacks "$OUT" "10.77.0.13"'
check "detect --trace: the search request sent and each device's answer, one line each" eval \
  'grep -qE "  239\.255\.255\.250:1900 udp  >  M-SEARCH \* HTTP/1\.1\\\\r\\\\nHost:" "$ARTIFACTS/detect.trace" && for d in 10 11 12 13; do grep -qE "  10\.77\.0\.$d:1900 udp  <  HTTP/1\.1 200 OK\\\\r\\\\n" "$ARTIFACTS/detect.trace" || exit 1; done'
run detect-json on_segment "$CLI" detect --wait 1500 --json
check "detect --json: valid, three devices with their MACs" eval \
  'json_doc_ok "$ARTIFACTS/detect-json.stdout" && [ "$(json_get "$ARTIFACTS/detect-json.stdout" "[x[\"mac\"][-2:] for x in d[\"devices\"]]")" = "['"'"'0a'"'"', '"'"'0b'"'"', '"'"'0c'"'"']" ]'
run iface on_segment "$CLI" detect --interface no-such-if0
check "detect --interface with an unknown interface: exit 2" eval 'is $RC 2 && has "$ERR" "no-such-if0"'

run plan on_segment "$CLI" plan --all --wait 1500
check "plan --all: update, update, skip" eval \
  'is $RC 0 && has "$(grep 10.77.0.10 <<<"$OUT")" update && has "$(grep 10.77.0.11 <<<"$OUT")" update && has "$(grep 10.77.0.12 <<<"$OUT")" skip'

run update on_segment "$CLI" update --all --yes --wait 1500 --json
check "update --all: every line JSON, exit 0" eval 'is $RC 0 && json_lines_ok "$ARTIFACTS/update.stdout"'
check "update --all: two verified, one skipped" python3 -c '
import json,sys
s=[json.loads(l) for l in open(sys.argv[1])][-1]
r={d["ip"]:d["result"] for d in s["devices"]}
assert r=={"10.77.0.10":"verified","10.77.0.11":"verified","10.77.0.12":"skipped"}, r
assert all(d["mac"].startswith("02-4c-1a-00-00-") for d in s["devices"])' "$ARTIFACTS/update.stdout"
check "the foreign device was never connected" eval '! grep -q connected "$ARTIFACTS/dev3.log"'

# One after another (--jobs 1); while the first flashes, the third changes its MAC.
on_segment "$CLI" update --all --yes --reinstall --jobs 1 --wait 1500 --json \
  > "$ARTIFACTS/identity.stdout" 2> "$ARTIFACTS/identity.stderr" < /dev/null &
updater=$!
wait_for "$ARTIFACTS/identity.stdout" '"phase":"flash"' 30
ip netns exec "${SEG}d2" ip link set "${SEG}v2" address 02:4c:1a:00:00:99
seg_host_exec ip neigh flush all
wait $updater
RC=$?
check "a device whose MAC changed since the search is skipped with the reason; exit 1" python3 -c '
import json,sys
s=[json.loads(l) for l in open(sys.argv[1])][-1]
r={d["ip"]:(d["result"],d["detail"]) for d in s["devices"]}
assert r["10.77.0.10"][0]=="verified" and r["10.77.0.11"][0]=="verified", r
assert r["10.77.0.12"][0]=="mac-changed" and "02-4c-1a-00-00-99" in r["10.77.0.12"][1], r
assert s["exit_code"]==1' "$ARTIFACTS/identity.stdout"
check "  (exit code 1)" is $RC 1

# A PC whose MAC carries the maker's bits hears its own request: it is still
# neither listed nor connected.
seg_host_exec ip link set br0 address 02:4c:1a:00:99:01
for ns in "${SEG_DEVICES[@]}"; do ip netns exec "$ns" ip neigh flush all; done  # they forget the PC's old MAC
run own on_segment "$CLI" update --all --yes --wait 1500 --json --trace "$ARTIFACTS/own.trace"
check "update --all from a PC with a maker's MAC: the three devices, not the PC; exit 0" python3 -c '
import json,sys
s=[json.loads(l) for l in open(sys.argv[1])][-1]
assert sorted(d["ip"] for d in s["devices"])==["10.77.0.10","10.77.0.11","10.77.0.12"], s["devices"]
assert s["exit_code"]==0' "$ARTIFACTS/own.stdout"
check "  though its own request came back to it" grep -q "  10\.77\.0\.1:1900 udp  <  M-SEARCH" "$ARTIFACTS/own.trace"
seg_teardown
trap - EXIT
check "the updated devices hold the image" eval \
  'grep -q "flash matches image: yes" "$ARTIFACTS/sim-0.log" && grep -q "flash matches image: yes" "$ARTIFACTS/sim-1.log"'
finish
