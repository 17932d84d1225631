# Checks on the updater dialog's texts and states, read back with dialog_probe
# (PROBE, PROBE_DESKTOP, ARTIFACTS and WINE set by the caller). Each check prints one line;
# a failed one keeps what the test saw and prints where.
DIALOG_TITLE="TQM-530R ファームウェアアップデート"
CHECK_FAILS=0

pass() { echo "ok: $1"; }
failed() {
  printf 'FAIL: %s\n  %s\n' "$1" "$2"
  CHECK_FAILS=$((CHECK_FAILS + 1))
  keep_evidence "failed-$CHECK_FAILS"
}

# keep_evidence NAME: the dialog as the probe reads it, the top-level windows,
# a screenshot and the Wine processes still up, as NAME-* in $ARTIFACTS.
keep_evidence() {
  local base=$ARTIFACTS/$1 log
  if [ -n "${PROBE:-}" ]; then
    probe > "$base-probe.txt" 2>&1
    probe --windows > "$base-windows.txt" 2>&1
    echo "  kept: $base-probe.txt $base-windows.txt"
  fi
  wine_screenshot "$base.png"
  wine_ps > "$base-wine-ps.txt" 2>&1
  echo "  kept: $base.png $base-wine-ps.txt"
  for log in "$ARTIFACTS"/*.log; do [ -e "$log" ] && echo "  log: $log"; done
}

# give_up WHAT: a step the rest depends on did not happen; ends the test.
give_up() {
  failed "$1" "the test cannot go on"
  finish
  exit 1
}

probe() { ${WINE_NETNS:+ip netns exec "$WINE_NETNS"} "$WINE" "$PROBE" ${PROBE_DESKTOP:+--desktop "$PROBE_DESKTOP"} "$@"; }
probe_dialog() { probe > "$ARTIFACTS/probe.txt" 2>/dev/null; }
probe_value() { tr -d "\r" < "$ARTIFACTS/probe.txt" | grep -m1 "^$1=" | cut -d= -f2-; }

# expect NAME KEY VALUE: the last probe's KEY is VALUE.
expect() {
  local got; got=$(probe_value "$2")
  if [ "$got" == "$3" ]; then pass "$1"; else failed "$1" "$2: expected [$3], got [$got]"; fi
}

# True when the dialog is gone (nothing to wait for) or KEY reads VALUE.
probe_reads() { ! probe_dialog || [ "$(probe_value "$1")" == "$2" ]; }

# wait_status TEXT SECONDS: probes until the status line reads TEXT.
wait_status() {
  wait_until "$2" probe_reads status "$1" && [ "$(probe_value status)" == "$1" ] &&
    { pass "status reads: $1"; return 0; }
  failed "status reads: $1" "after $2 s it reads [$(probe_value status)]"
  return 1
}

# wait_value NAME KEY VALUE SECONDS: probes until KEY reads VALUE.
wait_value() {
  wait_until "$4" probe_reads "$2" "$3" && [ "$(probe_value "$2")" == "$3" ] && { pass "$1"; return 0; }
  failed "$1" "$2: expected [$3], got [$(probe_value "$2")] for $4 s"
  return 1
}

# A key typed now reaches the dialog: it is the enabled foreground window with
# the focus on one of its controls (and no message box of its own open).
takes_keys() {
  probe_dialog && [ "$(probe_value dialog.foreground)" = 1 ] && [ "$(probe_value dialog.enabled)" = 1 ] &&
    [ "$(probe_value focus)" != -1 ]
}

# wait_dialog SECONDS: the dialog shows; DIALOG_WINDOW is its X window.
wait_dialog() {
  wine_wait_window "$DIALOG_TITLE" "$1" || return 1
  DIALOG_WINDOW=$(xdotool search --onlyvisible --name "$DIALOG_TITLE" | head -1)
}

# focus_moved FROM: the focus is on a control of the dialog other than FROM.
focus_moved() { probe_dialog && [ "$(probe_value focus)" != -1 ] && [ "$(probe_value focus)" != "$1" ]; }

# type_key KEY: KEY as the keyboard types it, into the X window with the X
# focus, which goes to the dialog first: Wine reads keys from that window, and
# a closed message box leaves the X focus elsewhere while Wine still shows the
# dialog in front.
type_key() {
  xdotool windowfocus --sync "$DIALOG_WINDOW" 2>>"$ARTIFACTS/xdotool.err"
  # A key that closes the dialog leaves its key-up without a window: xdotool's complaint is kept, not shown.
  xdotool key "$1" 2>>"$ARTIFACTS/xdotool.err"
}

# keys_arrive: proves that a typed key reaches the dialog now. Tab moves the
# focus to the next control and does nothing else, so it is typed again (up to
# 5 times) until the probe sees the focus move; after a message box the first
# key sometimes goes nowhere under Wine.
keys_arrive() {
  local try from
  for try in 1 2 3 4 5; do
    probe_dialog || return 1
    from=$(probe_value focus)
    type_key Tab
    wait_until 10 focus_moved "$from" && return 0
    echo "  the dialog did not see Tab ($try); typed again" >&2
  done
  return 1
}

# press KEY: types KEY into the dialog once it takes keys and a Tab typed just
# before has arrived, so KEY itself is typed once. The caller then awaits the
# key's effect (a status text, a control's state, a box).
press() {
  if ! wait_until 5 takes_keys; then
    probe --activate >/dev/null 2>&1
    wait_until 60 takes_keys || {
      failed "the dialog takes the key $1" "it is not the enabled foreground window with the focus"
      return 1
    }
  fi
  keys_arrive || { failed "the dialog takes the key $1" "a Tab typed 5 times never moved the focus"; return 1; }
  type_key "$1"
}

# click ID WHAT: clicks the dialog's button ID once it is enabled, where the
# click leads on and the key is not what is tested.
click() {
  wait_until 30 probe --click "$1" >/dev/null 2>&1 || failed "$2 can be clicked" "button $1 stays disabled or hidden"
}

box_open() { probe --box "$DIALOG_TITLE" > "$1" 2>/dev/null && [ -s "$1" ]; }

# answer_box NAME BUTTON: waits for a message box with the dialog's title,
# keeps its texts in $ARTIFACTS/NAME.txt and a screenshot in NAME.png, presses
# BUTTON (6 yes, 7 no) and waits until the box has returned its answer: the
# dialog it held disabled is enabled again. (Under Wine an answered box's
# window sometimes stays listed as visible, unpainted, after the dialog goes on.)
answer_box() {
  wait_until 30 box_open "$ARTIFACTS/$1.txt" || { failed "$1: a box to answer" "no message box"; return 1; }
  wine_screenshot "$ARTIFACTS/$1.png"
  probe --press "$DIALOG_TITLE" "$2" >/dev/null 2>&1 || { failed "$1: a box to answer" "it went before the answer"; return 1; }
  wait_until 30 probe_reads dialog.enabled 1 || { failed "$1: the box returns once answered" "the dialog stays disabled"; return 1; }
}

expect_windows() {
  local n; n=$(wine_count_windows "$DIALOG_TITLE")
  if [ "$n" = "$2" ]; then pass "$1"; else failed "$1" "$n dialog windows"; fi
}

finish() {
  cp "$ARTIFACTS/probe.txt" "$ARTIFACTS/last-probe.txt" 2>/dev/null
  [ "$CHECK_FAILS" = 0 ] && echo "all checks passed" || echo "$CHECK_FAILS checks failed; artefacts in $ARTIFACTS"
  [ "$CHECK_FAILS" = 0 ]
}
