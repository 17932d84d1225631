#!/usr/bin/env bash
# One transfer through update.exe (x64) under Wine, one through the console
# engine alone under Wine (bench_engine_win.exe: no dialog, so the difference
# is the dialog's per-line display) and one through tqm530r, each against a
# fresh simulator on the same namespace segment. Both are timed
# by the simulator's log, from "initbuf" to its summary after "bye", so the
# figures hold the same steps (lines, check, flash, reset, the 1000 ms pause).
#   bench/wine_vs_cli.sh CLI SIM EXE PROBE ENGINE_EXE
#   prints one line: dialog=S engine=S cli=S dialog/cli=R dialog/engine=R
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
CLI=$1 SIM=$2 EXE=$3 PROBE=$4 ENGINE_EXE=$5
ARTIFACTS=$(mktemp -d /tmp/tqbench-wine.XXXXXX)
source "$root/tests/wine/wine_segment.sh"
trap 'wine_segment_cleanup; rm -rf "$ARTIFACTS"' EXIT
wine_segment_start >/dev/null || exit 1

now() { date +%s.%N; }
# transfer_seconds LOG: waits for "initbuf" in LOG, then for the summary.
transfer_seconds() {
  local start end
  for _ in $(seq 6000); do grep -q '^initbuf' "$1" 2>/dev/null && break; sleep 0.01; done
  start=$(now)
  for _ in $(seq 60000); do grep -q 'flash matches image' "$1" 2>/dev/null && break; sleep 0.01; done
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN{printf "%.2f", b - a}'
}

seg_add_device 0 02:4c:1a:03:12:ab --log "$ARTIFACTS/wine.log" --compare "$root/res/firmware.mot"
seg_wait_devices || exit 1
PROBE_DESKTOP=bench
ip netns exec "$SEG_HOST" "$WINE" explorer "/desktop=$PROBE_DESKTOP,1024x768" "$EXE" >/dev/null 2>&1 &
wine_wait_window "$DIALOG_TITLE" 60 || { echo "bench: no dialog" >&2; exit 1; }
sleep 1
probe --click 1006 >/dev/null 2>&1
for _ in $(seq 30); do probe_dialog; [ "$(probe_value update.enabled)" = 1 ] && break; sleep 1; done
probe --click 1007 >/dev/null 2>&1
for _ in $(seq 20); do probe --press "$DIALOG_TITLE" 6 >/dev/null 2>&1 && break; sleep 0.3; done
wine_seconds=$(transfer_seconds "$ARTIFACTS/wine.log")
grep -q 'flash matches image: yes' "$ARTIFACTS/wine.log" || { echo "bench: the Wine update did not complete" >&2; exit 1; }

seg_add_device 1 02:4c:1a:00:00:07 --no-ssdp --log "$ARTIFACTS/cli.log" --compare "$root/res/firmware.mot"
for _ in $(seq 50); do grep -q listening "$ARTIFACTS/sim-1.log" && break; sleep 0.1; done
seg_host_exec "$CLI" update 10.77.0.11 --yes >/dev/null 2>&1 &
cli_pid=$!
cli_seconds=$(transfer_seconds "$ARTIFACTS/cli.log")
wait $cli_pid
seg_add_device 2 02:4c:1a:00:00:08 --no-ssdp --log "$ARTIFACTS/engine.log" --compare "$root/res/firmware.mot"
for _ in $(seq 50); do grep -q listening "$ARTIFACTS/sim-2.log" && break; sleep 0.1; done
ip netns exec "$SEG_HOST" "$WINE" "$ENGINE_EXE" 10.77.0.12 23 >/dev/null 2>&1 &
engine_pid=$!
engine_seconds=$(transfer_seconds "$ARTIFACTS/engine.log")
wait $engine_pid
awk -v w="$wine_seconds" -v e="$engine_seconds" -v c="$cli_seconds" \
  'BEGIN{printf "dialog=%s engine=%s cli=%s dialog/cli=%.2f dialog/engine=%.2f\n", w, e, c, w / c, w / e}'
