# Checks on the updater dialog's texts and states, read back with dialog_probe
# (PROBE, PROBE_DESKTOP, ARTIFACTS and WINE set by the caller). Each check prints one line.
DIALOG_TITLE="TQM-530R ファームウェアアップデート"
CHECK_FAILS=0

pass() { echo "ok: $1"; }
failed() { printf 'FAIL: %s\n  %s\n' "$1" "$2"; CHECK_FAILS=$((CHECK_FAILS + 1)); }

probe() { ${WINE_NETNS:+ip netns exec "$WINE_NETNS"} "$WINE" "$PROBE" ${PROBE_DESKTOP:+--desktop "$PROBE_DESKTOP"} "$@"; }
probe_dialog() { probe > "$ARTIFACTS/probe.txt" 2>/dev/null; }
probe_value() { tr -d "\r" < "$ARTIFACTS/probe.txt" | grep -m1 "^$1=" | cut -d= -f2-; }

# expect NAME KEY VALUE: the last probe's KEY is VALUE.
expect() {
  local got; got=$(probe_value "$2")
  if [ "$got" == "$3" ]; then pass "$1"; else failed "$1" "$2: expected [$3], got [$got]"; fi
}

# wait_status TEXT SECONDS: probes until the status line reads TEXT.
wait_status() {
  local i
  for i in $(seq "$2"); do
    probe_dialog || break   # the dialog is gone
    [ "$(probe_value status)" == "$1" ] && { pass "status reads: $1"; return 0; }
    sleep 1
  done
  failed "status reads: $1" "after $2 s it reads [$(probe_value status)]"
  return 1
}

# wait_value NAME KEY VALUE SECONDS: probes until KEY reads VALUE.
wait_value() {
  local i
  for i in $(seq "$4"); do
    probe_dialog || break
    [ "$(probe_value "$2")" == "$3" ] && { pass "$1"; return 0; }
    sleep 1
  done
  failed "$1" "$2: expected [$3], got [$(probe_value "$2")] for $4 s"
}

# answer_box NAME BUTTON: waits for a message box with the dialog's title,
# keeps its texts in $ARTIFACTS/NAME.txt and presses BUTTON (6 yes, 7 no).
answer_box() {
  local i
  for i in $(seq 40); do
    probe --box "$DIALOG_TITLE" > "$ARTIFACTS/$1.txt" 2>/dev/null && [ -s "$ARTIFACTS/$1.txt" ] && break
    sleep 0.25
  done
  probe --press "$DIALOG_TITLE" "$2" >/dev/null 2>&1 || { failed "$1: a box to answer" "no message box"; return 1; }
}

expect_windows() {
  local n; n=$(wine_count_windows "$DIALOG_TITLE")
  if [ "$n" = "$2" ]; then pass "$1"; else failed "$1" "$n dialog windows"; fi
}

finish() {
  cp "$ARTIFACTS/probe.txt" "$ARTIFACTS/last-probe.txt" 2>/dev/null
  [ "$CHECK_FAILS" = 0 ] && echo "all checks passed" || echo "$CHECK_FAILS checks failed"
  [ "$CHECK_FAILS" = 0 ]
}
