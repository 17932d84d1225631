#!/usr/bin/env bash
# Rollouts on a namespace segment of 20 simulated devices, some scripted to
# fail after their reset. Devices 0-9: waves 2,50%,100% with a soak of 3 s and
# a budget of 2: device 1 dies 4 s after its reset (its verify passes, the
# soak catches it), device 6 comes back with another version; two failures,
# exactly the budget, so every device runs. Devices 10-19: waves 1,50%,100%,
# budget 1, devices 11 and 13 come back wrong: the second failure stops the
# run after wave 2, whose running devices finish; devices 15-19 are "not
# started" (exit 6) and none of them sees more than the version read first.
# Usage: rollout_segment.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/rollout
here=$(cd "$(dirname "$0")" && pwd)
source "$here/segment_start.sh"

ip_of() { echo "10.77.0.$((10 + $1))"; }
hosts_of() { local i; for i in "$@"; do ip_of "$i"; done; }
seg_create
for i in $(seq 0 19); do
  faults=()
  case $i in
    1) faults=(--die-after-reset 4) ;;
    6 | 11 | 13) faults=(--version-after-reset 7.7.77) ;;
  esac
  seg_add_device "$i" "$(printf '02:4c:1a:00:40:%02x' "$i")" --log "$ARTIFACTS/dev$i.log" --compare "$IMAGE" "${faults[@]}"
done
seg_wait_devices || { echo "simulators did not start"; exit 1; }
on_segment() { seg_host_exec env XDG_STATE_HOME="$XDG_STATE_HOME" TQM530R_LOCK_DIR="$TQM530R_LOCK_DIR" "$@"; }
summary_result() { python3 -c 'import json,sys
for l in open(sys.argv[1]):
    e=json.loads(l)
    if e.get("event")=="summary":
        for d in e["devices"]:
            if d["device"]==sys.argv[2]: print(d["result"]+"|"+d["detail"])' "$1" "$2"; }
summary_exit() { python3 -c 'import json,sys
print([json.loads(l) for l in open(sys.argv[1]) if "\"summary\"" in l][-1]["exit_code"])' "$1"; }

for command in plan update; do
  yes=(); [ "$command" = update ] && yes=(--yes)
  run "expect-$command" on_segment "$CLI" "$command" --all --expect 21 "${yes[@]}" --wait 1500
  check "$command --all --expect 21 of 20: exit 1, says how many and which, reads and writes nothing" eval \
    'is $RC 1 && grep -q "^tqm530r: 20 TQM-530R devices answered, 21 expected: 10.77.0.10, .*10.77.0.29; nothing done$" <<<"$ERR" &&
     ! grep -q "^connected$" "$ARTIFACTS"/dev*.log'
done

run plan on_segment "$CLI" plan --waves 2,50%,100% $(hosts_of $(seq 0 9))
check "plan --waves: 3 waves of 2, 3 and 5 devices, nothing written" eval \
  'is $RC 0 && has "$OUT" "3 wave(s) of 2, 3, 5 device(s)" && ! grep -q initbuf "$ARTIFACTS"/dev[0-9].log'
check "plan --waves: device 0 in wave 1, device 9 in wave 3" eval \
  'grep -q "^$(ip_of 0) .* update   1 " <<<"$OUT" && grep -q "^$(ip_of 9) .* update   3 " <<<"$OUT"'

run exact on_segment "$CLI" update --yes --json --jobs 8 --waves 2,50%,100% --soak 3 --max-failures 2 \
  --report "$ARTIFACTS/exact.html" $(hosts_of $(seq 0 9))
check "budget of 2 reached exactly: every device ran, exit 1" eval \
  'is $RC 1 && is "$(summary_exit "$ARTIFACTS/exact.stdout")" 1 && ! grep -q "not started" "$ARTIFACTS/exact.stdout"'
check "the soak caught device 1, which died after its verify" eval \
  'grep -q "^failed|lost in the soak: " <<<"$(summary_result "$ARTIFACTS/exact.stdout" "$(ip_of 1)")" &&
   grep -q "running version" "$ARTIFACTS/dev1.log" && grep -q "^stopped answering$" "$ARTIFACTS/dev1.log"'
check "device 6 came back with another version: unverified" eval \
  'has "$(summary_result "$ARTIFACTS/exact.stdout" "$(ip_of 6)")" "unverified|"'
verified=0
for i in 0 2 3 4 5 7 8 9; do
  [[ "$(summary_result "$ARTIFACTS/exact.stdout" "$(ip_of "$i")")" == verified* ]] && verified=$((verified + 1))
done
check "the other 8 devices verified ($verified)" is "$verified" 8
check "a soak after waves 1 and 2, none after the last" eval \
  '[ "$(grep -cE "\"event\": ?\"soak\"" "$ARTIFACTS/exact.stdout")" = 2 ]'
# Each device's wave in its history record and on the run's page, the
# soak among the timeline's phases.
wave_of_record() { python3 -c 'import json,sys
print(*[json.loads(l).get("wave", 0) for l in open(sys.argv[1]) if json.loads(l).get("ip")==sys.argv[2]][-1:])' "$HISTORY" "$1"; }
check "history: device 0 in wave 1, device 4 in wave 2, device 9 in wave 3" eval \
  'is "$(wave_of_record "$(ip_of 0)")" 1 && is "$(wave_of_record "$(ip_of 4)")" 2 && is "$(wave_of_record "$(ip_of 9)")" 3'
check "the page names the 3 waves and shows the soak" eval \
  'grep -q "3 waves: 2 · 3 · 5" "$ARTIFACTS/exact.html" && grep -q ">Wave 3<" "$ARTIFACTS/exact.html" &&
   grep -q "p-soak" "$ARTIFACTS/exact.html" && grep -q "lost in the soak" "$ARTIFACTS/exact.html"'

run stop on_segment "$CLI" update --yes --json --jobs 8 --waves 1,50%,100% --soak 2 --max-failures 1 \
  $(hosts_of $(seq 10 19))
check "one failure over the budget stops the run: exit 6, also in the summary" eval \
  'is $RC 6 && is "$(summary_exit "$ARTIFACTS/stop.stdout")" 6'
check "devices 11 and 13 unverified; 12 and 14, running beside them, finished verified" eval \
  'has "$(summary_result "$ARTIFACTS/stop.stdout" "$(ip_of 11)")" "unverified|" &&
   has "$(summary_result "$ARTIFACTS/stop.stdout" "$(ip_of 13)")" "unverified|" &&
   has "$(summary_result "$ARTIFACTS/stop.stdout" "$(ip_of 12)")" "verified|" &&
   has "$(summary_result "$ARTIFACTS/stop.stdout" "$(ip_of 14)")" "verified|"'
not_started=0 untouched=0
for i in $(seq 15 19); do
  [[ "$(summary_result "$ARTIFACTS/stop.stdout" "$(ip_of "$i")")" == "not started|not started: 2 device(s) failed, more than the failure budget of 1"* ]] &&
    not_started=$((not_started + 1))
  # The one connection each had is the version read first; nothing was sent after it.
  [ "$(grep -c '^connected$' "$ARTIFACTS/dev$i.log")" = 1 ] && ! grep -qE '^(initbuf|flash|reset)$' "$ARTIFACTS/dev$i.log" &&
    untouched=$((untouched + 1))
done
check "devices 15-19 reported \"not started\" with the reason ($not_started of 5)" is "$not_started" 5
check "devices 15-19: no connection after the version read first ($untouched of 5)" is "$untouched" 5
check "the history holds each not-started device" is "$(history_count 'r["result"] == "not started"')" 5

run again on_segment "$CLI" plan --waves 1,50%,100% $(hosts_of $(seq 10 19))
check "a plan after the stop: the 5 not started form a fresh canary of 1, 2, 2" has "$OUT" "3 wave(s) of 1, 2, 2 device(s)"
seg_teardown
trap - EXIT
finish
