#!/usr/bin/env bash
# The search's edges on a virtual segment: a device that answers twice, an
# oversized datagram that ends the collection, the request and answer as a
# capture tool reads them, the interface choice, and the PC's own MAC.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
CLI=$1 SIM=$2 ARTIFACTS=$3
source "$here/../require.sh"
require_netns
require_tools tshark
mkdir -p "$ARTIFACTS"
source "$here/segment.sh"
trap seg_teardown EXIT
seg_create
seg_add_device 0 02:4c:1a:03:12:ab
seg_add_station 1 02:4c:1a:00:00:21
seg_add_station 2 02:4c:1a:00:00:22
seg_add_station 3 02:4c:1a:00:00:23
seg_wait_devices || { echo "simulator did not start"; cat "$ARTIFACTS"/sim-*.log; exit 1; }

fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then echo "ok: $1"; else printf 'FAIL: %s\nexpected:\n%s\ngot:\n%s\n' "$1" "$2" "$3"; fail=1; fi
}

# The entry texts of one search (the rows also carry the address and the MAC).
entries() { seg_host_exec "$CLI" detect "$@" | awk '{print $1 " " $2}'; }

# answer INDEX "DELAY:SIZE ..." sends, from station INDEX, one datagram of SIZE
# bytes to the PC's port 1900 after each DELAY seconds (from its start).
answer() {
  local i=$1; shift
  ip netns exec "${SEG}d$i" python3 - "$@" <<'PY' &
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start = time.monotonic()
for step in sys.argv[1].split():
    delay, size = step.split(":")
    time.sleep(max(0.0, start + float(delay) - time.monotonic()))
    s.sendto(b"HTTP/1.1 200 OK\r\n".ljust(int(size), b"x"), ("10.77.0.1", 1900))
PY
  SEG_PIDS+=($!)
}

# Two answers from one address give one entry.
answer 1 "0.4:60 0.8:60"
out=$(entries --wait 1500)
check "a device that answers twice is listed once" \
  $'TQM-530R(0021) [10.77.0.11]\nTQM-530R(12ab) [10.77.0.10]' "$out"

# A datagram of 2048 bytes does not fit the 2047-byte receive: the collection
# ends there, the devices found before it stay, a later one is not listed.
answer 2 "0.4:2048"
answer 3 "0.9:60"
out=$(entries --wait 1500)
check "an oversized datagram ends the collection, earlier devices kept" \
  'TQM-530R(12ab) [10.77.0.10]' "$out"

# The request on the wire: 123 bytes that a capture tool reads as an SSDP
# M-SEARCH; the simulator's answer reads as a 200 OK with ST, USN and LOCATION.
capture="$ARTIFACTS/search.pcap"
# Started directly (not through a function) so that $! is tshark itself;
# it prints each packet's summary as it writes it (-P -l).
ip netns exec "$SEG_HOST" tshark -P -l -i br0 -f 'udp port 1900' -w "$capture" >"$ARTIFACTS/tshark.log" 2>&1 &
tshark_pid=$!
# tshark names the interface before its capture runs: search until the
# capture holds a search's answer, then end it (SIGTERM: it closes the file).
answer_captured() {
  seg_host_exec "$CLI" detect --wait 1000 >/dev/null
  grep -q '200 OK' "$ARTIFACTS/tshark.log"
}
wait_until 40 answer_captured || echo "the capture holds no answer; see $ARTIFACTS/tshark.log"
kill -TERM "$tshark_pid"
wait "$tshark_pid"
request=$(tshark -r "$capture" -Y 'ssdp && http.request.method == "M-SEARCH"' \
  -T fields -e udp.length -e ip.dst -e http.request.uri 2>/dev/null | sort -u)
check "the request is 123 bytes of SSDP M-SEARCH to the group" $'131\t239.255.255.250\t*' "$request"
reply=$(tshark -r "$capture" -Y 'ssdp && http.response.code == 200' -o http.tcp.port:"" \
  -T fields -e ip.src -e ip.dst -e udp.dstport 2>/dev/null | sort -u)
check "the device answers 200 OK to the PC's port 1900" $'10.77.0.10\t10.77.0.1\t1900' "$reply"
headers=$(tshark -r "$capture" -Y 'ssdp && http.response.code == 200' -V 2>/dev/null \
  | grep -oE '^ +(ST|USN|LOCATION): ' | tr -d ' ' | sort -u | tr '\n' ' ')
check "the answer carries ST, USN and LOCATION" 'LOCATION: ST: USN: ' "$headers"

# The interface choice: the named one works, an unknown one is a search error.
out=$(entries --wait 500 --interface br0)
check "--interface br0 finds the device" 'TQM-530R(12ab) [10.77.0.10]' "$out"
seg_host_exec "$CLI" detect --wait 300 --interface nosuch0 >/dev/null 2>&1
check "an unknown interface is refused" 2 "$?"

# A second segment on a second bridge: by default the search joins and sends
# on every multicast interface; --interface keeps it to one.
seg_host_exec ip link add br1 address 02:00:00:78:00:01 type bridge
seg_host_exec ip addr add 10.78.0.1/24 dev br1
seg_host_exec ip link set br1 up
ip netns add "${SEG}d9"
SEG_DEVICES+=("${SEG}d9")
ip link add "${SEG}v9" type veth peer name "${SEG}p9"
ip link set "${SEG}v9" netns "${SEG}d9"
ip link set "${SEG}p9" netns "$SEG_HOST"
seg_host_exec ip link set "${SEG}p9" master br1 up
ip netns exec "${SEG}d9" ip link set lo up
ip netns exec "${SEG}d9" ip link set "${SEG}v9" address 02:4c:1a:00:00:99
ip netns exec "${SEG}d9" ip addr add 10.78.0.10/24 dev "${SEG}v9"
ip netns exec "${SEG}d9" ip link set "${SEG}v9" up
ip netns exec "${SEG}d9" ip route add 224.0.0.0/4 dev "${SEG}v9"
ip netns exec "${SEG}d9" "$SIM" --bind 10.78.0.10 > "$ARTIFACTS/sim-9.log" 2>&1 &
SEG_PIDS+=($!)
wait_until 30 grep -q listening "$ARTIFACTS/sim-9.log"
out=$(entries --wait 800)
check "the default search covers both segments" \
  $'TQM-530R(0099) [10.78.0.10]\nTQM-530R(12ab) [10.77.0.10]' "$out"
out=$(entries --wait 800 --interface br1)
check "--interface br1 covers only that segment" 'TQM-530R(0099) [10.78.0.10]' "$out"

# The PC hears its own request; the command line never lists it, even when
# its own MAC carries the maker's bits.
seg_host_exec ip link set br0 address 02:4c:1a:00:99:01
ip netns exec "${SEG}d0" ip neigh flush all   # the device forgets the PC's old MAC
out=$(entries --wait 500)
check "a PC whose MAC carries the maker's bits does not list itself" \
  $'TQM-530R(0099) [10.78.0.10]\nTQM-530R(12ab) [10.77.0.10]' "$out"
exit $fail
