#!/usr/bin/env bash
# One search on a virtual segment lists exactly the maker's devices, sorted,
# with the MAC tails and addresses that ARP found; a foreign MAC and the PC itself are not listed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
CLI=$1 SIM=$2 ARTIFACTS=$3
source "$here/../require.sh"
require_netns
mkdir -p "$ARTIFACTS"
source "$here/segment.sh"
trap seg_teardown EXIT
seg_create
seg_add_device 0 02:4c:1a:03:12:ab
seg_add_device 1 02:4c:1a:00:00:07
seg_add_device 2 02:44:1a:00:00:01
seg_wait_devices || { echo "simulators did not start"; cat "$ARTIFACTS"/sim-*.log; exit 1; }

fail=0
out=$(seg_host_exec "$CLI" detect); rc=$?
expected=$(printf '%-32s  %-15s  %s\n' 'TQM-530R(0007) [10.77.0.11]' 10.77.0.11 02-4c-1a-00-00-07 \
                                    'TQM-530R(12ab) [10.77.0.10]' 10.77.0.10 02-4c-1a-03-12-ab)
if [ "$rc" != 0 ] || [ "$out" != "$expected" ]; then
  echo "detect gave rc=$rc:"; echo "$out"; fail=1
else
  echo "detect lists the two maker devices, sorted"
fi

# A busy port 1900 held exclusively (no address sharing) makes the search fail.
ip netns exec "$SEG_HOST" python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for _ in range(30):
    try:
        s.bind(("0.0.0.0", 1900)); break
    except OSError:
        time.sleep(0.1)
else:
    sys.exit("could not hold port 1900")
print("bound", flush=True); time.sleep(600)' > "$ARTIFACTS/holder.log" 2>&1 &   # ended once the search is done
holder=$!
wait_until 30 grep -q bound "$ARTIFACTS/holder.log"
seg_host_exec "$CLI" detect --wait 500 >/dev/null 2>&1; rc=$?
kill $holder 2>/dev/null; wait $holder 2>/dev/null
grep -q bound "$ARTIFACTS/holder.log" || { echo "port holder: $(cat "$ARTIFACTS/holder.log")"; seg_host_exec ss -uanp | grep 1900; }
if [ "$rc" = 3 ]; then echo "busy port 1900: search error"; else echo "busy port gave rc=$rc"; fail=1; fi

# No device answers: exit 1 and nothing listed.
for p in "${SEG_PIDS[@]}"; do kill "$p"; wait "$p" 2>/dev/null; done
SEG_PIDS=()
out=$(seg_host_exec "$CLI" detect --wait 500); rc=$?
if [ "$rc" = 1 ] && [ -z "$out" ]; then echo "no device: empty list, exit 1"; else echo "no device gave rc=$rc: $out"; fail=1; fi
exit $fail
