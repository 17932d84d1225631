#!/usr/bin/env bash
# Fleet rows: N simulated devices on loopback, each pacing its answer to every
# image line by 1 ms of its own (--answer-delay 1), written to by one
# `tqm530r update --jobs N --yes` and, in the same run, by N floor senders
# (bench_floor) at once. Prints one table; the ratio compares the updater with
# the floor of the same row. Called by bench/run.sh; alone:
#   bench/fleet.sh BUILD_DIR       (FLEET="8 32 128", FLEET_REPS=2: best of 2)
# Needs no root: everything stays on 127.0.0.1.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
counts=(${FLEET:-8 32 128})
reps="${FLEET_REPS:-2}"
work="$build/fleet"
lines="$(grep -c '' "$here/../res/firmware.mot")"
sims=()
stop_sims() {
  local p
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${sims[@]}"; do wait "$p" 2>/dev/null || true; done
  sims=()
}
trap stop_sims EXIT

# start_devices N: N simulators, their addresses in hosts, their logs in logs.
start_devices() {
  local i out port
  hosts=(); logs=()
  rm -rf "$work"; mkdir -p "$work"
  for i in $(seq "$1"); do
    out="$work/sim-$i.out"
    "$build/tqm530r-sim" --bind 127.0.0.1 --port 0 --no-ssdp --answer-delay 1 \
      --log "$work/sim-$i.log" --log-times >"$out" &
    sims+=($!)
    logs+=("$work/sim-$i.log")
  done
  for i in $(seq "$1"); do
    out="$work/sim-$i.out"
    for _ in $(seq 200); do grep -q '^listening on' "$out" 2>/dev/null && break; sleep 0.05; done
    port="$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$out")"
    [ -n "$port" ] || { echo "bench: simulator $i did not start" >&2; exit 1; }
    hosts+=("127.0.0.1:$port")
  done
}

field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
# Keeps the line with the shorter span.
shorter() {
  if [ -z "$2" ] || awk -v a="$(field "$1" span)" -v b="$(field "$2" span)" 'BEGIN{exit !(a<b)}'; then
    echo "$1"
  else
    echo "$2"
  fi
}

table=()
for n in "${counts[@]}"; do
  start_devices "$n"
  floor="" update=""
  for _ in $(seq "$reps"); do
    line="$(DEVICE_PIDS="${sims[*]}" python3 "$here/fleet_measure.py" floor "$build/bench_floor" "${logs[@]}" -- "${hosts[@]}")"
    [ "$(field "$line" failed)" = 0 ] || { echo "bench: $n floor senders: $line" >&2; exit 1; }
    floor="$(shorter "$line" "$floor")"
    # --reinstall: the devices run the image's version after the first update.
    line="$(DEVICE_PIDS="${sims[*]}" python3 "$here/fleet_measure.py" update "${logs[@]}" -- "$build/tqm530r" update --yes --reinstall \
      --no-verify --jobs "$n" --history "$work/history.jsonl" "${hosts[@]}")"
    [ "$(field "$line" failed)" = 0 ] || { echo "bench: update of $n devices: $line" >&2; exit 1; }
    update="$(shorter "$line" "$update")"
  done
  table+=("$n|$floor|$update")
  stop_sims
done

printf '\n%-8s %-7s %7s %7s %8s %8s %11s %11s %13s %12s\n' "devices" "sender" "span s" "wall s" "vs floor" \
  "lines/s" "CPU us/line" "device us/l" "parent RSS KB" "child RSS KB"
for r in "${table[@]}"; do
  IFS='|' read -r n floor update <<<"$r"
  fs="$(field "$floor" span)"
  for who in floor update; do
    [ "$who" = floor ] && line="$floor" || line="$update"
    awk -v n="$n" -v w="$who" -v s="$(field "$line" span)" -v wall="$(field "$line" wall)" -v f="$fs" \
      -v c="$(field "$line" cpu)" -v d="$(field "$line" device_cpu)" -v l="$lines" \
      -v p="$(field "$line" parent_kb)" -v k="$(field "$line" child_kb)" \
      'BEGIN{printf "%-8s %-7s %7.2f %7.2f %8.3f %8.0f %11.1f %11.1f %13s %12s\n", n, w, s, wall, s/f, n*l/s,
             c*1e6/(n*l), d*1e6/(n*l), p, (w=="floor"?"-":k)}'
  done
done
echo "(span: first \"initbuf\" to last \"check\" as the devices logged them; vs floor: span / the floor's span;"
echo " CPU: user+sys of every sending process, the updater's children included, per image line;"
echo " device: the same for the simulators; best of $reps)"
