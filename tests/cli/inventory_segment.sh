#!/usr/bin/env bash
# An inventory on a namespace segment: two listed devices with Japanese names,
# a third device that answers but is not listed, and a listed one that never
# answers. The unlisted device is never connected to; the missing one is
# "not found" in the table, the JSON, the page, the metrics and the history
# (exit 1); the summary aligns by display width; a bad file is refused before
# any datagram. Then the two listed devices swap MACs: each name follows its
# MAC to the other address.
# Usage: inventory_segment.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/inventory
here=$(cd "$(dirname "$0")" && pwd)
source "$here/segment_start.sh"

mac_east=02:4c:1a:00:20:00 mac_west=02:4c:1a:00:20:01
seg_create
seg_add_device 0 "$mac_east" --log "$ARTIFACTS/east.log" --compare "$IMAGE"
seg_add_device 1 "$mac_west" --log "$ARTIFACTS/west.log" --compare "$IMAGE"
seg_add_device 2 02:4c:1a:00:20:02 --log "$ARTIFACTS/lab.log"
seg_wait_devices || { echo "simulators did not start"; exit 1; }
on_segment() { seg_host_exec env XDG_STATE_HOME="$XDG_STATE_HOME" TQM530R_LOCK_DIR="$TQM530R_LOCK_DIR" "$@"; }

# As a spreadsheet saves "CSV UTF-8": a byte order mark, CR LF, a quoted field.
inventory="$ARTIFACTS/devices.csv"
printf '\xef\xbb\xbfsite,mac,name\r\n"Osaka, HQ",02-4C-1A-00-20-00,本社3F-東\r\nKobe,024c1a002001,倉庫 A\r\nKobe,02:4c:1a:00:20:09,Store\r\n' \
  > "$inventory"
# The same file as a spreadsheet saves it by default in Japan (CP932).
iconv -f UTF-8 -t CP932 <(tail -c +4 "$inventory") > "$ARTIFACTS/cp932.csv"

for bad in cp932.csv missing.csv; do
  for command in detect plan update; do
    run "bad-$command" on_segment "$CLI" $command --inventory "$ARTIFACTS/$bad" --trace "$ARTIFACTS/bad.trace" \
      $([ $command = detect ] || echo --all) $([ $command = update ] && echo --yes)
    says="line 2: not UTF-8 text; save the file as \"CSV UTF-8\""
    [ $bad = missing.csv ] && says="missing.csv: no such file; nothing sent"
    check "$command with $bad: exit 2, one line ($says), no datagram" eval \
      'is $RC 2 && is "$(wc -l <<<"$ERR")" 1 && has "$ERR" "$says" && ! [ -s "$ARTIFACTS/bad.trace" ]'
  done
done

# aligned FILE N: the header's MAC column and at least N rows' MACs start at the same display column.
aligned() { python3 -c 'import sys, unicodedata
def width(t): return sum(0 if unicodedata.combining(c) else 2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in t)
lines = open(sys.argv[1]).read().splitlines()
at = width(lines[0][:lines[0].index("MAC")])
rows = [l for l in lines[1:] if "02-4c-1a-00-20-0" in l]
assert len(rows) >= int(sys.argv[2]), rows
for r in rows:
    assert width(r[:r.index("02-4c-1a-00-20-0")]) == at, (r, at)' "$@"; }
# Each line of the JSON document d's devices, as "name|ip|action or result".
json_rows() { python3 -c 'import json,sys
d=json.load(open(sys.argv[1]))
for x in d[sys.argv[2]]: print("|".join(str(x.get(k,"")) for k in sys.argv[3:]))' "$@"; }

run detect on_segment "$CLI" detect --inventory "$inventory" --wait 1500 --json
check "detect --inventory: exit 1 (one listed device missing)" is $RC 1
check "detect: each listed device found with its name and kept columns" eval \
  'is "$(json_rows "$ARTIFACTS/detect.stdout" devices name ip columns)" "本社3F-東|10.77.0.10|{'"'"'site'"'"': '"'"'Osaka, HQ'"'"'}
倉庫 A|10.77.0.11|{'"'"'site'"'"': '"'"'Kobe'"'"'}"'
check "detect: the missing device by name, the unlisted one by address" eval \
  'is "$(json_rows "$ARTIFACTS/detect.stdout" missing name mac)" "Store|02-4c-1a-00-20-09" &&
   is "$(json_rows "$ARTIFACTS/detect.stdout" unlisted ip)" "10.77.0.12" && has "$ERR" "did not answer: Store"'

run detect-table on_segment "$CLI" detect --inventory "$inventory" --wait 1500
check "detect's table: found by name, the unlisted marked, the missing one by name" eval \
  'is $RC 1 && grep -q "^本社3F-東  10\.77\.0\.10 .* found$" <<<"$OUT" && grep -q "^-  *10\.77\.0\.12 .* not in inventory$" <<<"$OUT" &&
   grep -q "^Store  *-  *02-4c-1a-00-20-09  missing$" <<<"$OUT" && aligned "$ARTIFACTS/detect-table.stdout" 4'

run plan on_segment "$CLI" plan --all --inventory "$inventory" --wait 1500 --json
check "plan --inventory: exit 1; listed devices read, the unlisted and the missing one marked" eval \
  'is $RC 1 && is "$(json_rows "$ARTIFACTS/plan.stdout" devices name ip action)" "本社3F-東|10.77.0.10|update
倉庫 A|10.77.0.11|update
|10.77.0.12|unlisted
Store||not found"'

run update on_segment "$CLI" update --all --yes --json --inventory "$inventory" --wait 1500 \
  --report "$ARTIFACTS/run.html" --metrics "$ARTIFACTS/run.prom" --trace "$ARTIFACTS/run.trace"
summary_rows() { python3 -c 'import json,sys
s=[json.loads(l) for l in open(sys.argv[1]) if "\"summary\"" in l][-1]
print(s["exit_code"])
for d in s["devices"]: print(d.get("name","")+"|"+d["result"])' "$1"; }
check "update --inventory: exit 1; the listed devices verified, the missing one \"not found\"" eval \
  'is $RC 1 && is "$(summary_rows "$ARTIFACTS/update.stdout")" "1
本社3F-東|verified
倉庫 A|verified
Store|not found"'
check "the JSON says which device is not in the inventory" has "$OUT" '{"devices":[{"ip":"10.77.0.12","mac":"02-4c-1a-00-20-02"}],"event":"unlisted"}'
check "the page: the missing device by name and result, the unlisted one" eval \
  'grep -q "<strong>Store</strong>" "$ARTIFACTS/run.html" && grep -q "r-bad\">not found" "$ARTIFACTS/run.html" &&
   grep -q "Not in inventory" "$ARTIFACTS/run.html" && grep -q "10.77.0.12" "$ARTIFACTS/run.html"'
check "the metrics: the missing device by name, names on the per-device series" eval \
  'grep -qx "tqm530r_device_not_found{name=\"Store\",mac=\"02-4c-1a-00-20-09\"} 1" "$ARTIFACTS/run.prom" &&
   grep -qx "tqm530r_devices{result=\"not found\"} 1" "$ARTIFACTS/run.prom" &&
   grep -q "^tqm530r_device_duration_seconds{.*name=\"本社3F-東\"" "$ARTIFACTS/run.prom"'
check "the history: a record per listed device, by name, the missing one \"not found\"" eval \
  '[ "$(history_count "r.get(\"name\")==\"Store\" and r[\"result\"]==\"not found\" and r[\"mac\"]==\"02-4c-1a-00-20-09\"")" = 1 ] &&
   [ "$(history_count "r.get(\"name\")==\"本社3F-東\" and r[\"ip\"]==\"10.77.0.10\" and r[\"result\"]==\"verified\"")" = 1 ]'
check "the trace names the device after its address" grep -q "10\.77\.0\.11:23\[倉庫 A\]" "$ARTIFACTS/run.trace"
check "the unlisted device was never connected to" eval '! grep -q connected "$ARTIFACTS/lab.log"'

# The table aligns by what a terminal shows: each column starts at the same
# display column in every row, Japanese names included.
run table on_segment "$CLI" update --all --yes --inventory "$inventory" --wait 1500
check "update's table: exit 1 (only the missing device failed), names first, the MAC column aligned" eval \
  'is $RC 1 && has "$OUT" "本社3F-東" && aligned "$ARTIFACTS/table.stdout" 3 && has "$OUT" "3 device(s): 2 succeeded, 1 failed"'
run history on_segment "$CLI" history
check "history's table: the names, the MAC column aligned" eval \
  'has "$(cat "$ARTIFACTS/history.stdout")" "倉庫 A" && aligned "$ARTIFACTS/history.stdout" 6'

# A rollout over the inventory: the waves and the budget count the listed
# devices that answered; the missing one is no failure of the budget.
run rollout on_segment "$CLI" update --all --yes --json --reinstall --no-verify --waves 1,100% --max-failures 0 \
  --inventory "$inventory" --wait 1500
check "a rollout: 2 devices to write in waves of 1 and 1, both updated, Store not found, exit 1 (not 6)" eval \
  'is $RC 1 && has "$OUT" "\"budget\":0,\"event\":\"rollout\",\"to_write\":2,\"waves\":[1,1]" &&
   is "$(summary_rows "$ARTIFACTS/rollout.stdout")" "1
本社3F-東|updated
倉庫 A|updated
Store|not found"'

# The two listed devices swap MACs: the names follow the MACs (the search
# lists its devices by entry, which names the MAC's last two bytes).
ip netns exec "${SEG}d0" ip link set "${SEG}v0" address "$mac_west"
ip netns exec "${SEG}d1" ip link set "${SEG}v1" address "$mac_east"
seg_host_exec ip neigh flush all
run detect-swapped on_segment "$CLI" detect --inventory "$inventory" --wait 1500 --json
check "after the swap each name stands at the other address" eval \
  'is "$(json_rows "$ARTIFACTS/detect-swapped.stdout" devices name ip)" "本社3F-東|10.77.0.11
倉庫 A|10.77.0.10"'
run plan-swapped on_segment "$CLI" plan --all --inventory "$inventory" --wait 1500 --json
check "plan after the swap: the names at their new addresses, the MAC check passes" eval \
  'is "$(json_rows "$ARTIFACTS/plan-swapped.stdout" devices name ip action | head -2)" "本社3F-東|10.77.0.11|skip
倉庫 A|10.77.0.10|skip"'
check "still the unlisted device was never connected to" eval '! grep -q connected "$ARTIFACTS/lab.log"'
finish
