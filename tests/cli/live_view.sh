#!/usr/bin/env bash
# The live view of 40 simulated devices on loopback: once in a terminal of
# 110 x 30 (a tmux pane) whose screen is captured while the run goes, once
# into a pipe.
# - No screen shows a line as wide as the terminal (none wrapped) or a device
#   twice; the whole scroll-back holds each device at most three times (its
#   bar, its finished line, its summary row) and at least twice.
# - Into a pipe: fewer than five lines a device, none for a step of the
#   transfer.
# Usage: live_view.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/live-view
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source "$here/../wait.sh"
command -v tmux > /dev/null || { echo "tmux is missing (scripts/setup-deps installs it)"; exit 77; }
DEVICES=40 COLUMNS_=110 ROWS_=30

hosts=()
for i in $(seq $DEVICES); do
  sim_start "dev$i"
  port_var=PORT_dev$i
  hosts+=("127.0.0.1:${!port_var}")
done

sock="$ARTIFACTS/tmux.sock"
tmux_() { tmux -S "$sock" "$@"; }
end_tmux() { tmux_ kill-server 2>/dev/null; sims_stop; }
trap end_tmux EXIT
# No status bar: the pane is the whole 30 rows; the pane stays after the run for the last capture.
printf 'set -g status off\nset -g remain-on-exit on\nset -g history-limit 20000\n' > "$ARTIFACTS/tmux.conf"
printf '%q ' "$CLI" update --yes "${hosts[@]}" > "$ARTIFACTS/run.sh"
printf '; echo $? > %q\n' "$ARTIFACTS/terminal.rc" >> "$ARTIFACTS/run.sh"
rm -f "$ARTIFACTS"/terminal.rc "$ARTIFACTS"/screen-*.txt
tmux_ -f "$ARTIFACTS/tmux.conf" new-session -d -s view -x $COLUMNS_ -y $ROWS_ \
  "env XDG_STATE_HOME=$XDG_STATE_HOME TQM530R_LOCK_DIR=$TQM530R_LOCK_DIR bash $ARTIFACTS/run.sh"

screens=0
capture_until_ended() {
  screens=$((screens + 1))
  tmux_ capture-pane -p -t view > "$ARTIFACTS/screen-$screens.txt"
  [ -s "$ARTIFACTS/terminal.rc" ]
}
check "the run in the terminal ends" wait_until 100 capture_until_ended
tmux_ capture-pane -p -t view > "$ARTIFACTS/screen-last.txt"
tmux_ capture-pane -p -J -S - -t view > "$ARTIFACTS/scrollback.txt"
check "it exits 0" is "$(cat "$ARTIFACTS/terminal.rc" 2>/dev/null)" 0
echo "($screens screens captured)"

# Each device's label, counted on one screen or in the scroll-back.
label_counts() { { grep -oE '127\.0\.0\.1:[0-9]+\b' "$1" || true; } | sort | uniq -c | sort -rn; }
# One screen's labels above the summary table (whose rows name each device again).
labels_above_table() { awk '/^DEVICE +MAC/ { exit } { print }' "$1" | label_counts /dev/stdin; }
screens_fit() {
  local f
  for f in "$ARTIFACTS"/screen-*.txt; do
    awk -v w=$COLUMNS_ -v f="$f" 'length($0) >= w { print f ": a full-width line: " $0; bad = 1 } END { exit bad }' "$f" ||
      return 1
    [ "$(wc -l < "$f")" -le $ROWS_ ] || { echo "$f: more than $ROWS_ lines"; return 1; }
    labels_above_table "$f" | awk -v f="$f" '$1 > 1 { print f ": " $2 " twice"; bad = 1 } END { exit bad }' || return 1
  done
}
check "no screen holds a wrapped line or a device twice" screens_fit
check "the run's last status line stays above the summary" eval \
  'grep -q "^$DEVICES/$DEVICES done  $DEVICES verified  0 failed" "$ARTIFACTS/scrollback.txt" &&
   grep -q "$DEVICES device(s): $DEVICES succeeded, 0 failed" "$ARTIFACTS/screen-last.txt"'
scrollback_counts() {
  local most least devices
  most=$(label_counts "$ARTIFACTS/scrollback.txt" | awk 'NR == 1 { print $1 }')
  least=$(label_counts "$ARTIFACTS/scrollback.txt" | awk 'END { print $1 }')
  devices=$(label_counts "$ARTIFACTS/scrollback.txt" | wc -l)
  echo "(scroll-back: $devices devices, each $least to $most times)"
  [ "$devices" -eq $DEVICES ] && [ "$most" -le 3 ] && [ "$least" -ge 2 ]
}
check "the scroll-back holds each device two or three times" scrollback_counts

# Into a pipe: a line for each start and end, the summary; no steps of the transfer.
run plain "$CLI" update --yes --reinstall "${hosts[@]}"
lines=$(cat "$ARTIFACTS/plain.stdout" "$ARTIFACTS/plain.stderr" | wc -l)
echo "(into a pipe: $lines lines for $DEVICES devices)"
check "into a pipe: exit 0, fewer than 5 lines a device" eval 'is $RC 0 && [ "$lines" -lt $((5 * DEVICES)) ]'
check "into a pipe: each device's start and end, no percentages" eval \
  '[ "$(grep -c ": started$" "$ARTIFACTS/plain.stderr")" = $DEVICES ] &&
   [ "$(grep -c ": verified " "$ARTIFACTS/plain.stderr")" = $DEVICES ] && ! grep -q "%" "$ARTIFACTS/plain.stderr"'
finish
