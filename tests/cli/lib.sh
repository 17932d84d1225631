# Helpers of the CLI tests: simulators on loopback at ports they pick
# themselves, checks that count failures, and a teardown that ends only the
# processes started here, by PID. Sourced with CLI, SIM, IMAGE and ARTIFACTS set.
SIM_PIDS=()
FAILURES=0
mkdir -p "$ARTIFACTS"
export XDG_STATE_HOME="$ARTIFACTS/state" TQM530R_LOCK_DIR="$ARTIFACTS/locks"
mkdir -p "$TQM530R_LOCK_DIR"
HISTORY="$XDG_STATE_HOME/tqm530r/history.jsonl"
# The image's lines as the transfer sends them (the empty ones are skipped).
IMAGE_LINES=$(grep -c . "$IMAGE")

sims_stop() {
  local p
  for p in "${SIM_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${SIM_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  SIM_PIDS=()
}
trap sims_stop EXIT

# sim_start NAME [simulator options...]: a device on 127.0.0.1; sets PORT_NAME.
# Its log is $ARTIFACTS/NAME.log, its stdout (summary at the end) NAME.out.
sim_start() {
  local name=$1; shift
  rm -f "$ARTIFACTS/$name.log" "$ARTIFACTS/$name.out"
  "$SIM" --bind 127.0.0.1 --port 0 --no-ssdp --log "$ARTIFACTS/$name.log" --compare "$IMAGE" "$@" \
    > "$ARTIFACTS/$name.out" 2>&1 &
  SIM_PIDS+=($!)
  local port=
  for _ in $(seq 600); do   # 30 s
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$ARTIFACTS/$name.out")
    [ -n "$port" ] && break
    sleep 0.05
  done
  [ -n "$port" ] || { echo "simulator $name did not start"; cat "$ARTIFACTS/$name.out"; exit 1; }
  printf -v "PORT_$name" '%s' "$port"
}

# unanswered_start: a loopback port whose accept queue is full, so that a
# connect to it is never answered (SYNs dropped); sets PORT_unanswered.
unanswered_start() {
  python3 -c '
import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(0)
port = s.getsockname()[1]
held = []
for _ in range(3):
    c = socket.socket(); c.setblocking(False)
    try: c.connect(("127.0.0.1", port))
    except BlockingIOError: pass
    held.append(c)
print(port, flush=True)
time.sleep(600)' > "$ARTIFACTS/unanswered.port" &   # ended by sims_stop
  SIM_PIDS+=($!)
  local i
  wait_for "$ARTIFACTS/unanswered.port" . 30
  PORT_unanswered=$(cat "$ARTIFACTS/unanswered.port")
}

# run NAME CMD...: runs CMD, its stdout in OUT, stderr in ERR, exit code in RC,
# all also kept as $ARTIFACTS/NAME.{stdout,stderr}.
run() {
  local name=$1; shift
  "$@" > "$ARTIFACTS/$name.stdout" 2> "$ARTIFACTS/$name.stderr" < /dev/null
  RC=$?
  OUT=$(cat "$ARTIFACTS/$name.stdout")
  ERR=$(cat "$ARTIFACTS/$name.stderr")
}

check() {  # check DESCRIPTION COMMAND...: passes when COMMAND succeeds
  local what=$1; shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    FAILURES=$((FAILURES + 1))
  fi
}

has() { [[ "$1" == *"$2"* ]]; }
lacks() { [[ "$1" != *"$2"* ]]; }
is() { [ "$1" = "$2" ]; }

# json_ok FILE: every line of FILE is one JSON object (or the whole file is one document).
json_lines_ok() { python3 -c 'import json,sys
lines=[l for l in open(sys.argv[1]) if l.strip()]
assert lines
for l in lines: assert isinstance(json.loads(l), dict)' "$1"; }
json_doc_ok() { python3 -c 'import json,sys; json.load(open(sys.argv[1]))' "$1"; }
# terminal_safe FILE: valid UTF-8 without a control character but the
# newline (C0, DEL, C1): nothing a terminal would act on.
terminal_safe() { python3 -c 'import sys
text = open(sys.argv[1], "rb").read().decode("utf-8")
bad = [c for c in text if (ord(c) < 0x20 and c != "\n") or 0x7f <= ord(c) <= 0x9f]
assert not bad, bad' "$1"; }
# json_get FILE EXPR: a Python expression over the document d.
json_get() { python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' "$1" "$2"; }

# Lines of the history with the given field values (python expression over r).
history_count() { python3 -c 'import json,sys
n=0
for l in open(sys.argv[1]):
    r=json.loads(l)
    n+=bool(eval(sys.argv[2]))
print(n)' "$HISTORY" "$1"; }

# first_connections_overlap LOG...: the first connection of each simulator
# (logs written with --log-times) was open at one same moment in all of them.
first_connections_overlap() { python3 -c 'import sys
spans = []
for path in sys.argv[1:]:
    start = end = None
    for line in open(path):
        stamp, _, text = line.rstrip("\n").partition(" ")
        if text == "connected" and start is None:
            start = float(stamp)
        elif text == "closed" and start is not None:
            end = float(stamp)
            break
    assert start is not None and end is not None, (path, "no whole connection")
    spans.append((start, end))
assert max(s for s, _ in spans) < min(e for _, e in spans), spans' "$@"; }

# wait_for FILE REGEX [SECONDS]: until a line of FILE matches (grep -E), or
# false after SECONDS (default 20).
wait_for() {
  local i
  for i in $(seq $((${3:-20} * 20))); do
    grep -qE "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# start_cli NAME ARGS...: tqm530r in the background, leader of a process
# group of its own (as a shell job is, so that a signal to the group reaches
# its children as Ctrl-C does); sets CLI_PID. Output in NAME.{stdout,stderr}.
start_cli() {
  local name=$1; shift
  setsid "$CLI" "$@" > "$ARTIFACTS/$name.stdout" 2> "$ARTIFACTS/$name.stderr" < /dev/null &
  CLI_PID=$!
}

# end_cli NAME: waits for the background tqm530r; sets RC, OUT and ERR.
end_cli() {
  wait "$CLI_PID"; RC=$?
  OUT=$(cat "$ARTIFACTS/$1.stdout"); ERR=$(cat "$ARTIFACTS/$1.stderr")
}

# result_of FILE DEVICE: the result field of DEVICE's result event in a
# --json output, then its detail.
result_of() { python3 -c 'import json,sys
for l in open(sys.argv[1]):
    e=json.loads(l)
    if e.get("event")=="result" and e.get("device")==sys.argv[2]: print(e["result"], e["detail"])' "$1" "$2"; }

finish() {
  sims_stop
  if [ "$FAILURES" -eq 0 ]; then echo "all checks passed"; exit 0; fi
  echo "$FAILURES check(s) failed (artifacts in $ARTIFACTS)"
  exit 1
}
