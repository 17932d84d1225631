#!/usr/bin/env bash
# Soak on a virtual segment: eight simulated devices; each round one search
# and then eight updates at once with the command-line tool. In some rounds one
# or two devices are killed at a random moment and started again on their state
# files. Every update must end, with success or a reported failure, within its
# bound (a hang is a failure); untouched devices must update; every search must
# list all eight; no state file may ever be torn.
#   detect_update_segment.sh CLI SIM ARTIFACTS [ROUNDS | --full]   (--full: 20 rounds)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
CLI=$1 SIM=$2 ARTIFACTS=$3
source "$here/../require.sh"
require_netns
rounds=${4:-3}
[ "$rounds" = --full ] && rounds=20
devices=8
update_bound=200  # seconds: above every wait of one update, so only a hang reaches it
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
source "$here/../netns/segment.sh"
trap seg_teardown EXIT

device_options() { echo --state "$ARTIFACTS/state-$1"; }

seg_create
for i in $(seq 0 $((devices - 1))); do
  seg_add_device "$i" "$(printf '02:4c:1a:00:01:%02x' "$i")" $(device_options "$i")
done
seg_wait_devices || { echo "simulators did not start"; cat "$ARTIFACTS"/sim-*.log; exit 1; }

# Starts device i again in its namespace, on the same state file, and waits
# until it listens.
restart_device() {
  local i=$1 log="$ARTIFACTS/sim-$1.log" before
  before=$(grep -c listening "$log")
  ip netns exec "${SEG}d$i" "$SIM" --bind "10.77.0.$((10 + i))" $(device_options "$i") >> "$log" 2>&1 &
  SEG_PIDS[$i]=$!
  wait_until 30 eval '[ "$(grep -c listening "$log")" -gt "$before" ]' && return 0
  echo "device $i did not start again"; return 1
}

fail=0
for round in $(seq 1 "$rounds"); do
  list=$(seg_host_exec "$CLI" detect)
  found=$(grep -c '^TQM-530R(' <<<"$list")
  if [ "$found" != "$devices" ]; then echo "round $round: search listed $found devices"; echo "$list"; fail=1; break; fi

  pids=() hosts=()
  for host in $(awk '{print $3}' <<<"$list"); do   # rows: entry text (two words), IP, MAC
    seg_host_exec timeout "$update_bound" "$CLI" update "$host" --yes --reinstall > "$ARTIFACTS/update-$round-$host.log" 2>&1 &
    pids+=($!) hosts+=("$host")
  done
  killed=()
  # About one round in three loses devices (the short run: its second round);
  # the last round never does.
  if [ "$rounds" -lt 10 ]; then lose=$((round % 3 == 2)); else lose=$((RANDOM % 3 == 0)); fi
  if [ "$round" -lt "$rounds" ] && [ "$lose" = 1 ]; then
    sleep "$(awk -v r="$RANDOM" 'BEGIN{printf "%.2f", r % 2500 / 1000}')"
    for _ in $(seq $((1 + RANDOM % 2))); do
      i=$((RANDOM % devices))
      kill -KILL "${SEG_PIDS[$i]}" 2>/dev/null && killed+=("10.77.0.$((10 + i))")
      wait "${SEG_PIDS[$i]}" 2>/dev/null
    done
  fi
  summary="round $round:"
  for k in "${!pids[@]}"; do
    wait "${pids[$k]}"; rc=$?
    host=${hosts[$k]}
    if [ "$rc" = 124 ]; then echo "round $round: update of $host hung"; fail=1; fi
    if [ "$rc" != 0 ] && ! grep -qx "$host" <<<"$(printf '%s\n' "${killed[@]}")"; then
      echo "round $round: update of untouched $host failed (rc $rc)"; cat "$ARTIFACTS/update-$round-$host.log"; fail=1
    fi
    summary+=" ${host##*.}:$([ "$rc" = 0 ] && echo ok || echo "failed($rc)")"
  done
  for host in $(printf '%s\n' "${killed[@]}" | sort -u); do
    restart_device $(( ${host##*.} - 10 )) || fail=1
    summary+=" (killed ${host##*.})"
  done
  echo "$summary"
  [ "$fail" = 0 ] || break
done

if grep -l 'starting fresh' "$ARTIFACTS"/sim-*.log; then echo "a state file was torn"; fail=1; fi
for i in $(seq 0 $((devices - 1))); do
  out=$(seg_host_exec "$CLI" version "10.77.0.$((10 + i))")
  grep -qE "^device +$(seg_host_exec "$CLI" image | sed -n 's/^version *//p')$" <<<"$out" ||
    { echo "device $i does not run the image after the last round: $out"; fail=1; }
done
[ "$fail" = 0 ] && echo "segment soak: $rounds rounds of $devices devices passed"
exit $fail
