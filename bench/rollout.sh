#!/usr/bin/env bash
# A rollout's wall time against one wave: N simulated devices on loopback
# (each pacing its answer to every image line by 1 ms, as in bench/fleet.sh),
# written by `tqm530r update --jobs N` once as one wave and once with
# --waves and --soak, in turns, best of REPS kept for each. Prints one table:
# the rollout's wall time less its soaks against one wave times the number of
# waves (each wave takes one device's time), and the time between waves beyond
# the soak. Called by bench/run.sh; alone:
#   bench/rollout.sh BUILD_DIR     (ROLLOUT_DEVICES=16 ROLLOUT_WAVES=1,25%,50%,100% ROLLOUT_SOAK=2 ROLLOUT_REPS=2)
# One wave of every device against the same run without --waves (what the
# versions read first cost; ROLLOUT_SOAK=0 leaves --soak out):
#   ROLLOUT_DEVICES=128 ROLLOUT_WAVES=100% ROLLOUT_SOAK=0 bench/rollout.sh BUILD_DIR
# Needs no root: everything stays on 127.0.0.1.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
n="${ROLLOUT_DEVICES:-16}"
waves="${ROLLOUT_WAVES:-1,25%,50%,100%}"
soak="${ROLLOUT_SOAK:-2}"
reps="${ROLLOUT_REPS:-2}"
work="$build/rollout-bench"
sims=()
stop_sims() {
  local p
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${sims[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap stop_sims EXIT

rm -rf "$work"; mkdir -p "$work"
hosts=()
for i in $(seq "$n"); do
  "$build/tqm530r-sim" --bind 127.0.0.1 --port 0 --no-ssdp --answer-delay 1 >"$work/sim-$i.out" &
  sims+=($!)
done
for i in $(seq "$n"); do
  for _ in $(seq 200); do grep -q '^listening on' "$work/sim-$i.out" 2>/dev/null && break; sleep 0.05; done
  port="$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$work/sim-$i.out")"
  [ -n "$port" ] || { echo "bench: simulator $i did not start" >&2; exit 1; }
  hosts+=("127.0.0.1:$port")
done

field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
shorter() {
  if [ -z "$2" ] || awk -v a="$(field "$1" wall)" -v b="$(field "$2" wall)" 'BEGIN{exit !(a<b)}'; then echo "$1"; else echo "$2"; fi
}
# --reinstall: the devices run the image's version after the first update.
common=(update --yes --json --reinstall --jobs "$n" --history "$work/history.jsonl")
soaking=()
[ "$soak" = 0 ] || soaking=(--soak "$soak")
one="" rollout=""
for _ in $(seq "$reps"); do
  line="$(python3 "$here/rollout_measure.py" 0 "$build/tqm530r" "${common[@]}" "${hosts[@]}")"
  [ "$(field "$line" failed)" = 0 ] || { echo "bench: one wave: $line" >&2; exit 1; }
  one="$(shorter "$line" "$one")"
  line="$(python3 "$here/rollout_measure.py" "$soak" "$build/tqm530r" "${common[@]}" --waves "$waves" "${soaking[@]}" \
    "${hosts[@]}")"
  [ "$(field "$line" failed)" = 0 ] || { echo "bench: rollout: $line" >&2; exit 1; }
  rollout="$(shorter "$line" "$rollout")"
done

printf '\n%-8s %-34s %6s %7s %9s %10s %10s  %s\n' devices run waves "wall s" "soaks s" "wall-soaks" "vs 1 wave" \
  "first s / between waves beyond the soak, s"
for who in one rollout; do
  [ "$who" = one ] && line="$one" || line="$rollout"
  w="$(field "$line" waves)"
  label="one wave, --jobs $n"
  [ "$who" = rollout ] && label="--waves $waves ${soaking[*]}"
  awk -v n="$n" -v l="$label" -v w="$w" -v wall="$(field "$line" wall)" -v s="$soak" -v who="$who" \
    -v one="$(field "$one" wall)" -v first="$(field "$line" first)" -v b="$(field "$line" between)" \
    'BEGIN{soaks = (who == "one") ? 0 : (w - 1) * s; rest = wall - soaks;
           printf "%-8s %-34s %6d %7.2f %9.2f %10.2f %10.3f  %.2f / %s\n", n, l, w, wall, soaks, rest, rest / (one * w), first, b}'
done
echo "(vs 1 wave: (wall - soaks) / (one wave's wall x waves): 1.0 means each wave costs what one wave does and"
echo " nothing waits beyond the soak; first: start to the first device's first phase, the versions read first"
echo " in a rollout; between: last result of a wave to the next wave's first phase, less the soak; best of $reps)"
