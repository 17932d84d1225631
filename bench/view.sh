#!/usr/bin/env bash
# The live view's cost: the parent's own CPU time per device when N simulated
# devices on loopback are updated at once with the live view on a terminal of
# 110 x 30 (a pseudo-terminal), against the same run with --progress none, in
# turns, best of REPS kept for each. Prints one table.
#   bench/view.sh BUILD_DIR     (VIEW_DEVICES=180 VIEW_REPS=2)
# Needs no root: everything stays on 127.0.0.1.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
n="${VIEW_DEVICES:-180}"
reps="${VIEW_REPS:-2}"
work="$build/view-bench"
sims=()
stop_sims() {
  local p
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${sims[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap stop_sims EXIT

rm -rf "$work"; mkdir -p "$work/locks"
export XDG_STATE_HOME="$work/state" TQM530R_LOCK_DIR="$work/locks"
hosts=()
for i in $(seq "$n"); do
  "$build/tqm530r-sim" --bind 127.0.0.1 --port 0 --no-ssdp >"$work/sim-$i.out" &
  sims+=($!)
done
for i in $(seq "$n"); do
  for _ in $(seq 200); do grep -q '^listening on' "$work/sim-$i.out" 2>/dev/null && break; sleep 0.05; done
  port="$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$work/sim-$i.out")"
  [ -n "$port" ] || { echo "bench: simulator $i did not start" >&2; exit 1; }
  hosts+=("127.0.0.1:$port")
done

field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
# --reinstall: the devices run the image's version after the first update.
common=(update --yes --reinstall --history "$work/history.jsonl")
best_view="" best_none=""
least() {
  if [ -z "$2" ] || awk -v a="$(field "$1" parent_cpu)" -v b="$(field "$2" parent_cpu)" 'BEGIN{exit !(a<b)}'; then
    echo "$1"
  else
    echo "$2"
  fi
}
for _ in $(seq "$reps"); do
  for mode in bars none; do
    line="$(python3 "$here/view_measure.py" 110 30 "$build/tqm530r" "${common[@]}" --progress "$mode" "${hosts[@]}")"
    [ "$(field "$line" rc)" = 0 ] || { echo "bench: --progress $mode: $line" >&2; exit 1; }
    echo "  --progress $mode: $line"
    if [ "$mode" = bars ]; then best_view="$(least "$line" "$best_view")"; else best_none="$(least "$line" "$best_none")"; fi
  done
done

printf '\n%-8s %-16s %14s %16s %8s %12s\n' devices "--progress" "parent CPU s" "per device ms" "wall s" "drawn KiB"
for mode in bars none; do
  [ "$mode" = bars ] && line="$best_view" || line="$best_none"
  awk -v n="$n" -v m="$mode" -v c="$(field "$line" parent_cpu)" -v w="$(field "$line" wall)" -v b="$(field "$line" bytes)" \
    'BEGIN{printf "%-8d %-16s %14.2f %16.2f %8.2f %12.1f\n", n, m, c, 1000 * c / n, w, b / 1024}'
done
awk -v a="$(field "$best_view" parent_cpu)" -v b="$(field "$best_none" parent_cpu)" \
  'BEGIN{printf "the live view costs %+.1f%% of the parent'"'"'s CPU time (best of '"$reps"' each)\n", 100 * (a - b) / b}'
