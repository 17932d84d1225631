#!/usr/bin/env bash
# Transfer benchmark: the real engine (bench_engine) and the stop-and-wait
# floor (bench_floor) send the carried image to tqm530r-sim, on loopback and
# across a veth pair between two network namespaces made here, with 0, 0.5 and
# 2 ms of delay added to the updater's side of the link: by tc netem, or, on a
# kernel without netem, by bench_delay_relay in the device's namespace. Prints
# one table; the ratio compares each engine run with the floor of the same row.
#   sudo bench/run.sh     (namespaces and tc need root)
# REPS=N: runs per sender in the rows without added delay (default 15), best
# kept; DELAY_REPS=N the same for the delayed rows (default 2); DELAYS="0 0.5 2";
# FLEET="8 32 128" the fleet rows (bench/fleet.sh; FLEET=0: none); VETH=0: the
# loopback rows alone (the trace row among them), no namespaces;
# ROLLOUT_DEVICES=16 the rollout rows (bench/rollout.sh; 0: none);
# ONE_WAVE_DEVICES=128 one wave (--waves 100%) against no --waves (0: none);
# VIEW_DEVICES=180 the live view against --progress none (bench/view.sh; 0: none).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/linux-release"
reps="${REPS:-15}"
delay_reps="${DELAY_REPS:-2}"
delays=(${DELAYS:-0 0.5 2})

(cd "$root" && cmake --preset linux-release >/dev/null)
cmake --build "$build" -j2 --target tqm530r-sim tqm530r bench_engine bench_floor bench_delay_relay >/dev/null

ns_dev="tqbench-dev-$$"
ns_host="tqbench-host-$$"
sim_pid=""
relay_pid=""
cleanup() {
  [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null && wait "$relay_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  ip netns del "$ns_host" 2>/dev/null || true
  ip netns del "$ns_dev" 2>/dev/null || true
}
trap cleanup EXIT

# Starts the simulator (prefix: how to run it, e.g. inside a namespace) and sets sim_port.
start_sim() {
  local bind="$1"; shift
  local out="$build/sim.out"
  "$@" "$build/tqm530r-sim" --bind "$bind" --port 0 --no-ssdp >"$out" &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q '^listening on' "$out" 2>/dev/null && break
    sleep 0.05
  done
  sim_port="$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$out")"
  [ -n "$sim_port" ] || { echo "bench: simulator did not start"; cat "$out"; exit 1; }
}
stop_sim() { kill "$sim_pid"; wait "$sim_pid" || true; sim_pid=""; }

# Keeps the faster of two "lines=... seconds=..." lines.
faster() {
  if [ -z "$2" ] || awk -v a="$1" -v b="$2" 'BEGIN{split(a,x,"[ =]");split(b,y,"[ =]");exit !(x[4]<y[4])}'; then
    echo "$1"
  else
    echo "$2"
  fi
}
field() { echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }

rows=()
# One row pair: floor and engine against the same simulator, run in turns
# ($reps each) so that a change in the machine's load hits both alike.
measure() {
  local label="$1" host="$2" port="$3"; shift 3
  local floor="" engine="" line
  for _ in $(seq "$reps"); do
    line="$("$@" "$build/bench_floor" "$host" "$port")" || { echo "bench: floor failed" >&2; exit 1; }
    floor="$(faster "$line" "$floor")"
    line="$("$@" "$build/bench_engine" "$host" "$port")" || { echo "bench: engine failed" >&2; exit 1; }
    engine="$(faster "$line" "$engine")"
  done
  rows+=("$label|floor|$floor|$floor" "$label|engine|$engine|$floor")
}

# The engine with --trace's file against the floor, in turns as above.
measure_traced() {
  local host="$1" port="$2" floor="" traced="" line trace="$build/bench.trace"
  for _ in $(seq "$reps"); do
    line="$("$build/bench_floor" "$host" "$port")" || { echo "bench: floor failed" >&2; exit 1; }
    floor="$(faster "$line" "$floor")"
    rm -f "$trace"
    line="$("$build/bench_engine" "$host" "$port" "$trace")" || { echo "bench: traced engine failed" >&2; exit 1; }
    traced="$(faster "$line" "$traced")"
  done
  rm -f "$trace"
  rows+=("loopback|floor|$floor|$floor" "loopback|engine --trace|$traced|$floor")
}

start_sim 127.0.0.1
measure "loopback" 127.0.0.1 "$sim_port"
measure_traced 127.0.0.1 "$sim_port"
stop_sim

# Two namespaces joined by a veth pair; nothing leaves this machine.
veth_rows() {
  ip netns add "$ns_host"
  ip netns add "$ns_dev"
  ip link add veth-h netns "$ns_host" type veth peer name veth-d netns "$ns_dev"
  ip -n "$ns_host" addr add 10.231.0.1/30 dev veth-h
  ip -n "$ns_dev" addr add 10.231.0.2/30 dev veth-d
  for ns in "$ns_host" "$ns_dev"; do ip -n "$ns" link set lo up; done
  ip -n "$ns_host" link set veth-h up
  ip -n "$ns_dev" link set veth-d up
  start_sim 10.231.0.2 ip netns exec "$ns_dev"
  measure "veth" 10.231.0.2 "$sim_port" ip netns exec "$ns_host"
  if ip netns exec "$ns_host" tc qdisc add dev veth-h root netem delay 0ms 2>/dev/null; then
    for d in "${delays[@]}"; do
      ip netns exec "$ns_host" tc qdisc change dev veth-h root netem delay "${d}ms"
      reps="$delay_reps"; [ "$d" = 0 ] && reps="${REPS:-15}"
      measure "veth+netem ${d} ms" 10.231.0.2 "$sim_port" ip netns exec "$ns_host"
    done
  else
    echo "bench: no netem in this kernel; the delay comes from bench_delay_relay" >&2
    for d in "${delays[@]}"; do
      us="$(awk -v d="$d" 'BEGIN{printf "%d", d * 1000}')"
      ip netns exec "$ns_dev" "$build/bench_delay_relay" 10.231.0.2 4000 10.231.0.2 "$sim_port" "$us" >"$build/relay.out" &
      relay_pid=$!
      for _ in $(seq 100); do grep -q relaying "$build/relay.out" 2>/dev/null && break; sleep 0.05; done
      reps="$delay_reps"; [ "$d" = 0 ] && reps="${REPS:-15}"
      measure "veth+relay ${d} ms" 10.231.0.2 4000 ip netns exec "$ns_host"
      kill "$relay_pid"; wait "$relay_pid" 2>/dev/null || true; relay_pid=""
    done
  fi
  stop_sim
}
[ "${VETH:-1}" = 0 ] || veth_rows

printf '\n%-20s %-8s %10s %10s %10s %12s %12s\n' "link" "sender" "lines/s" "time s" "vs floor" "CPU us/line" "peak RSS KB"
for r in "${rows[@]}"; do
  IFS='|' read -r label who line floor <<<"$r"
  s="$(field "$line" seconds)"; n="$(field "$line" lines)"; f="$(field "$floor" seconds)"
  awk -v l="$label" -v w="$who" -v n="$n" -v s="$s" -v f="$f" -v c="$(field "$line" cpu_us_per_line)" \
    -v m="$(field "$line" max_rss_kb)" 'BEGIN{printf "%-20s %-8s %10.0f %10.3f %10.3f %12.2f %12d\n", l, w, n/s, s, s/f, c, m}'
done
echo "(time: first image line to \"sum  :\"; vs floor: engine time / floor time in the same row)"

# Fleets: N devices pacing their own answers, the updater against N floor senders.
if [ "${FLEET:-8 32 128}" != 0 ]; then
  "$root/bench/fleet.sh" "$build"
fi

# A rollout in waves with a soak against the same devices in one wave.
if [ "${ROLLOUT_DEVICES:-16}" != 0 ]; then
  "$root/bench/rollout.sh" "$build"
fi
# The same devices in one wave with and without --waves: the versions read first.
if [ "${ONE_WAVE_DEVICES:-128}" != 0 ]; then
  ROLLOUT_DEVICES="${ONE_WAVE_DEVICES:-128}" ROLLOUT_WAVES=100% ROLLOUT_SOAK=0 "$root/bench/rollout.sh" "$build"
fi
# The live view's cost in the parent's CPU time.
if [ "${VIEW_DEVICES:-180}" != 0 ]; then
  "$root/bench/view.sh" "$build"
fi

# The dialog under Wine against the same transfer by the command line.
win="$root/build/win64"
if [ -x /usr/lib/wine/wine64 ] && [ -f "$win/update.exe" ] && [ -f "$win/bench_engine_win.exe" ]; then
  echo
  echo "update.exe (x64) under Wine, the engine alone under Wine, tqm530r (whole update, seconds):"
  "$root/bench/wine_vs_cli.sh" "$build/tqm530r" "$build/tqm530r-sim" "$win/update.exe" "$win/dialog_probe.exe" \
    "$win/bench_engine_win.exe"
else
  echo "update.exe under Wine: skipped (needs scripts/build's win64 and wine64)"
fi
