# Bounded waits for the test scripts: a test waits for the condition it
# needs, never for a fixed time.

# wait_until SECONDS COMMAND...: runs COMMAND every quarter second until it
# succeeds; false when SECONDS pass first.
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.25
  done
}
