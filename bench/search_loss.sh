#!/usr/bin/env bash
# Devices found per search on a lossy segment: DEVICES simulated devices in
# network namespaces made here, each IP packet arriving in any of them dropped
# with the given probability (iptables' statistic match on INPUT: this kernel
# has no netem), searched RUNS times at each loss with the request sent once
# (the dialog) and 3 and 5 times (5: the command line's default 3 s search).
# Prints one table. Needs root; nothing leaves this machine.
#   sudo bench/search_loss.sh [BUILD_DIR]   (default build/linux-release; needs bench_search, tqm530r-sim)
# DEVICES=16 RUNS=20 LOSSES="0 0.05 0.10" SENDS="1 3 5" WAIT_MS=3000
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/linux-release}" && pwd)"
devices="${DEVICES:-16}"
runs="${RUNS:-20}"
losses=(${LOSSES:-0 0.05 0.10})
sends=(${SENDS:-1 3 5})
wait_ms="${WAIT_MS:-3000}"
[ "$(id -u)" = 0 ] || { echo "search_loss.sh: needs root for the namespaces" >&2; exit 1; }
for program in bench_search tqm530r-sim; do
  [ -x "$build/$program" ] || { echo "search_loss.sh: $build/$program missing: cmake --build $build" >&2; exit 1; }
done
SIM="$build/tqm530r-sim"
ARTIFACTS="$(mktemp -d)"
SEG="tqbs$$"
source "$root/tests/netns/segment.sh"
cleanup() { seg_teardown; rm -rf "$ARTIFACTS"; }
trap cleanup EXIT

seg_create
for i in $(seq 0 $((devices - 1))); do seg_add_device "$i" "$(printf '02:4c:1a:00:30:%02x' "$i")"; done
seg_wait_devices

printf '%-6s %-9s %12s %6s %15s\n' loss requests "mean found" min "runs with all"
for loss in "${losses[@]}"; do
  seg_set_loss "$loss"
  for n in "${sends[@]}"; do
    total=0 min=$devices all=0
    for _ in $(seq "$runs"); do
      found=$(seg_host_exec "$build/bench_search" "$wait_ms" "$n")
      total=$((total + found))
      [ "$found" -lt "$min" ] && min=$found
      [ "$found" = "$devices" ] && all=$((all + 1))
    done
    mean=$(awk -v t="$total" -v r="$runs" 'BEGIN {printf "%.2f", t / r}')
    printf '%-6s %-9s %12s %6s %15s\n' "$(awk -v l="$loss" 'BEGIN {printf "%g%%", l * 100}')" "$n" \
      "$mean of $devices" "$min" "$all of $runs"
  done
done
