#!/usr/bin/env bash
# tqm530r against tqm530r-sim on 127.0.0.1: one case per ctest entry.
# Usage: loopback.sh CASE CLI SIM IMAGE ARTIFACTS
#        loopback.sh --list      the cases, one a line (ctest's list of them)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

case_usage() {
  run help "$CLI" --help
  check "--help exits 0 and lists the commands" eval 'is $RC 0 && has "$OUT" "update" && has "$OUT" "Exit codes"'
  for c in detect version update plan erase mac image history; do
    run help-$c "$CLI" $c --help
    check "$c --help exits 0" eval 'is $RC 0 && has "$OUT" "Usage: tqm530r $c"'
  done
  run version-flag "$CLI" --version
  check "--version names the tool and the image" eval 'is $RC 0 && has "$OUT" "carried image 1.0.05"'
  run none "$CLI"
  check "no command: exit 2, one reason on stderr" eval 'is $RC 2 && has "$ERR" "tqm530r:" && is "$OUT" ""'
  run unknown "$CLI" update --bogus
  check "unknown option: exit 2" eval 'is $RC 2 && has "$ERR" "--bogus"'
  run badport "$CLI" version 127.0.0.1:99999
  check "bad port: exit 2" eval 'is $RC 2 && has "$ERR" "bad port"'
  run nohost "$CLI" update --yes
  check "update without hosts or --all: exit 2" eval 'is $RC 2 && has "$ERR" "--all"'
  run both "$CLI" update --all 127.0.0.1
  check "hosts and --all together: exit 2" eval 'is $RC 2'
  check "--help names the exit codes after a signal" eval 'has "$(cat "$ARTIFACTS/help.stdout")" "143 by SIGTERM"'
  check "update --help names --retries and --retry-delay" eval \
    'has "$(cat "$ARTIFACTS/help-update.stdout")" "--retries" && has "$(cat "$ARTIFACTS/help-update.stdout")" "--retry-delay"'
  # Bad input: exit 2 with one line on stderr that says why, never an abort or a core
  # dump. With --yes an update that slipped through would go on to connect.
  local name says args
  while IFS='|' read -r name says args; do
    eval "set -- $args"
    run "bad-$name" "$CLI" "$@"
    check "$name: exit 2, one line on stderr" eval \
      'is $RC 2 && is "$(wc -l < "$ARTIFACTS/bad-$name.stderr")" 1 && has "$ERR" "$says" && is "$OUT" "" && lacks "$ERR" "e+38"'
  done <<'EOF'
empty-host|empty host|version ""
port-only|empty host|version :23
empty-in-hosts|empty host|plan 127.0.0.1:1 ""
five-digits|four hexadecimal digits|mac 127.0.0.1:1 12345
timeout-zero|--timeout: "0" is not allowed|update --yes --timeout 0 127.0.0.1:1
jobs-zero|--jobs: "0" is not allowed|update --yes --jobs 0 127.0.0.1:1
flash-timeout-negative|--flash-timeout|update --yes --flash-timeout -1 127.0.0.1:1
verify-timeout-text|--verify-timeout: "abc"|update --yes --verify-timeout abc 127.0.0.1:1
retries-over|--retries: "101"|update --yes --retries 101 127.0.0.1:1
progress-bars-typo|--progress: "bar" is not allowed; auto, bars, plain or none|update --yes --progress bar 127.0.0.1:1
huge-port|bad port|version 127.0.0.1:99999999999999999999999
since-nan|--since|history --since 2026-01-01T00:00:nanZ
since-feb-30|--since|history --since 2026-02-30T00:00:00Z
since-space|--since|history --since " 2026-01-01T00:00:00Z"
since-date-only|--since|history --since 2026-01-01
inventory-hosts|--inventory requires --all|update --yes --inventory x.csv 127.0.0.1:1
EOF
}

case_image() {
  run image "$CLI" image
  local sum; sum=$(sha256sum "$IMAGE" | cut -d' ' -f1)
  local bytes; bytes=$(stat -c %s "$IMAGE")
  check "image: version, size, lines, start, SHA-256, self-check" eval \
    'is $RC 0 && has "$OUT" "1.0.05" && has "$OUT" "$bytes bytes" && has "$OUT" "$IMAGE_LINES" && has "$OUT" "020488" && has "$OUT" "$sum" && has "$OUT" "checksum is right"'
  run image-json "$CLI" image --json
  check "image --json is valid JSON" json_doc_ok "$ARTIFACTS/image-json.stdout"
  check "image --json: ranges, sha256, checksums_ok" eval \
    '[ "$(json_get "$ARTIFACTS/image-json.stdout" "(d[\"lines\"], d[\"sha256\"], d[\"checksums_ok\"], d[\"ranges\"][0][\"first\"])")" = "($IMAGE_LINES, '"'"'$sum'"'"', True, '"'"'020000'"'"')" ]'
}

case_version() {
  sim_start dev
  run version "$CLI" version 127.0.0.1:$PORT_dev
  check "version: device, image and verdict" eval \
    'is $RC 0 && has "$OUT" "1.0.01" && has "$OUT" "1.0.05" && has "$OUT" "can be updated"'
  run version-json "$CLI" version 127.0.0.1 --port $PORT_dev --json
  check "version --json (and --port) is valid JSON with the verdict" eval \
    'is $RC 0 && json_doc_ok "$ARTIFACTS/version-json.stdout" && [ "$(json_get "$ARTIFACTS/version-json.stdout" "d[\"verdict\"]")" = can-update ]'
  run version-ja env LANG=ja_JP.UTF-8 LC_ALL= "$CLI" version 127.0.0.1:$PORT_dev
  check "version under a Japanese locale adds the dialog's text" eval 'has "$OUT" "最新のファームウェアへアップデートできます。"'
  # A device newer than the image: version and plan say the same thing.
  sim_start newer --firmware-version 1.0.06
  run version-newer "$CLI" version 127.0.0.1:$PORT_newer --json
  check "version of a newer device: update would refuse it" eval \
    'is $RC 0 && [ "$(json_get "$ARTIFACTS/version-newer.stdout" "d[\"verdict\"]")" = newer ] && has "$OUT" "would refuse"'
  run plan-newer "$CLI" plan 127.0.0.1:$PORT_newer
  check "plan of the same device refuses it" eval 'is $RC 0 && grep -q " refuse " <<<"$OUT"'
  run version-newer-ja env LANG=ja_JP.UTF-8 LC_ALL= "$CLI" version 127.0.0.1:$PORT_newer
  check "under a Japanese locale no dialog text claims it is the latest" eval \
    'is $RC 0 && has "$OUT" "update は書き込みません" && ! has "$OUT" "最新のファームウェアです"'
  sims_stop
  run refused "$CLI" version 127.0.0.1:$PORT_dev
  check "version of a device that is gone: exit 1, reason on stderr" eval \
    'is $RC 1 && has "$ERR" "cannot connect" && is "$OUT" ""'
}

case_needs_yes() {
  sim_start dev
  run update "$CLI" update 127.0.0.1:$PORT_dev
  check "update without --yes on a non-terminal: exit 2" eval 'is $RC 2 && has "$ERR" "--yes"'
  run erase "$CLI" erase 127.0.0.1:$PORT_dev
  check "erase without --yes on a non-terminal: exit 2" eval 'is $RC 2 && has "$ERR" "--yes"'
  check "nothing reached the device" eval '! grep -q connected "$ARTIFACTS/dev.log"'
  # On a terminal (script gives a pty) the tool asks; "n" sends nothing.
  echo n | script -qec "$CLI update 127.0.0.1:$PORT_dev" /dev/null > "$ARTIFACTS/ask.out" 2>&1
  RC=$?
  check "on a terminal it asks, and no means exit 1 with nothing sent" eval \
    'is $RC 1 && grep -q "\[y/N\]" "$ARTIFACTS/ask.out" && grep -q cancelled "$ARTIFACTS/ask.out" && ! grep -q connected "$ARTIFACTS/dev.log"'
}

case_update_verify() {
  sim_start dev
  run update "$CLI" update --yes 127.0.0.1:$PORT_dev
  check "update: exit 0, verified in the summary" eval 'is $RC 0 && has "$OUT" "verified" && has "$OUT" "1 succeeded, 0 failed"'
  check "plain lines without a terminal: its start and its end, no step of the transfer" eval \
    'is "$(wc -l <<<"$ERR")" 2 && has "$ERR" "$PORT_dev: started" && has "$ERR" "$PORT_dev: verified " && lacks "$ERR" "%"'
  run none "$CLI" update --yes --reinstall --progress none 127.0.0.1:$PORT_dev
  check "--progress none: nothing on stderr, the summary on stdout" eval 'is $RC 0 && is "$ERR" "" && has "$OUT" "1 succeeded"'
  sims_stop
  check "the device's flash equals the image" grep -q "flash matches image: yes" "$ARTIFACTS/dev.out"
  check "the device runs 1.0.05" grep -q "version: 1.0.05" "$ARTIFACTS/dev.out"
  check "one history line: versions, image SHA-256, result" eval \
    '[ "$(history_count "r[\"command\"]==\"update\" and r[\"old_version\"]==\"1.0.01\" and r[\"new_version\"]==\"1.0.05\" and len(r[\"image_sha256\"])==64 and r[\"result\"]==\"verified\" and r[\"seconds\"]>0")" = 1 ]'
  run history "$CLI" history
  check "history prints the update" eval 'is $RC 0 && has "$OUT" "verified" && has "$OUT" "127.0.0.1:$PORT_dev"'
  run history-json "$CLI" history --json
  check "history --json: valid JSON lines" json_lines_ok "$ARTIFACTS/history-json.stdout"

  sim_start json
  run json "$CLI" update --yes --json 127.0.0.1:$PORT_json
  check "update --json: every line is a JSON object" json_lines_ok "$ARTIFACTS/json.stdout"
  check "update --json: start, phases, progress, result and summary" eval \
    'has "$OUT" "\"event\":\"start\"" && has "$OUT" "\"phase\":\"transfer\"" && has "$OUT" "\"event\":\"progress\"" && has "$OUT" "\"result\":\"verified\"" && has "$OUT" "\"event\":\"summary\"" && is "$ERR" ""'
}

case_unverified() {
  sim_start dev --reset-keeps-version
  run update "$CLI" update --yes 127.0.0.1:$PORT_dev
  check "a device that comes back with the old version: not verified, exit 1" eval \
    'is $RC 1 && has "$OUT" "unverified" && has "$OUT" "came back with 1.0.01"'
  check "history says unverified" eval '[ "$(history_count "r[\"result\"]==\"unverified\"")" = 1 ]'
  # A device that takes a while to restart is waited for; one that never comes back is not verified.
  sim_start slow --reset-delay 2500
  run slow "$CLI" update --yes --timeout 1 127.0.0.1:$PORT_slow
  check "a device that restarts for 2.5 s is waited for and verified" eval 'is $RC 0 && has "$OUT" "verified"'
  sim_start gone --reset-delay 60000
  local t0=$SECONDS
  run gone "$CLI" update --yes --timeout 1 --verify-timeout 3 127.0.0.1:$PORT_gone
  check "a device that does not come back: unverified after the bound" eval \
    'is $RC 1 && has "$OUT" "did not come back within 3 s" && [ $((SECONDS - t0)) -lt 15 ]'
}

case_policy() {
  sim_start current --firmware-version 1.0.05
  sim_start newer --firmware-version 1.1.0
  sim_start old --firmware-version 0.1.0
  run plan "$CLI" plan 127.0.0.1:$PORT_current 127.0.0.1:$PORT_newer 127.0.0.1:$PORT_old
  check "plan: skip, refuse, update" eval \
    'is $RC 0 && has "$(grep :$PORT_current <<<"$OUT")" skip && has "$(grep :$PORT_newer <<<"$OUT")" refuse && has "$(grep :$PORT_old <<<"$OUT")" update'
  run plan-json "$CLI" plan --json 127.0.0.1:$PORT_current 127.0.0.1:$PORT_newer
  check "plan --json is valid with the actions" eval \
    'json_doc_ok "$ARTIFACTS/plan-json.stdout" && [ "$(json_get "$ARTIFACTS/plan-json.stdout" "[x[\"action\"] for x in d[\"devices\"]]")" = "['"'"'skip'"'"', '"'"'refuse'"'"']" ]'
  check "plan wrote nothing" eval '! grep -q "initbuf" "$ARTIFACTS"/{current,newer,old}.log'
  run update "$CLI" update --yes 127.0.0.1:$PORT_current 127.0.0.1:$PORT_newer 127.0.0.1:$PORT_old
  check "update: current skipped, newer refused, old verified; exit 1" eval \
    'is $RC 1 && has "$(grep :$PORT_current <<<"$OUT")" skipped && has "$(grep :$PORT_newer <<<"$OUT")" refused && has "$(grep :$PORT_old <<<"$OUT")" verified'
  check "no image line reached the skipped and the refused device" eval '! grep -q "initbuf" "$ARTIFACTS"/{current,newer}.log'
  run again "$CLI" update --yes --reinstall --allow-older 127.0.0.1:$PORT_current 127.0.0.1:$PORT_newer
  check "--reinstall and --allow-older write both: exit 0" eval 'is $RC 0 && has "$OUT" "2 succeeded, 0 failed"'
}

case_parallel() {
  sim_start a --log-times
  sim_start b --log-times --close-after-lines 2000
  sim_start c --log-times
  run update "$CLI" update --yes 127.0.0.1:$PORT_a 127.0.0.1:$PORT_b 127.0.0.1:$PORT_c
  check "three devices, one drops its connection: exit 1, 2 succeeded, 1 failed" eval \
    'is $RC 1 && has "$OUT" "2 succeeded, 1 failed" && has "$(grep :$PORT_b <<<"$OUT")" "closed the connection"'
  sims_stop
  check "the two others hold the image" eval 'grep -q "flash matches image: yes" "$ARTIFACTS/a.out" && grep -q "flash matches image: yes" "$ARTIFACTS/c.out"'
  check "the dropped one does not" eval '! grep -q "flash matches image: yes" "$ARTIFACTS/b.out"'
  check "the updates overlapped (parallel): all three devices connected at one moment" \
    first_connections_overlap "$ARTIFACTS"/{a,b,c}.log
  check "three history lines" eval '[ "$(history_count True)" = 3 ]'
  # --jobs 1 runs them one after another.
  sim_start d
  sim_start e
  run jobs "$CLI" update --yes --jobs 1 --no-verify --json 127.0.0.1:$PORT_d 127.0.0.1:$PORT_e
  check "--jobs 1: the second starts after the first ended" python3 -c '
import json,sys
ev=[json.loads(l) for l in open(sys.argv[1])]
first_result=next(i for i,e in enumerate(ev) if e["event"]=="result")
second_connect=[i for i,e in enumerate(ev) if e.get("phase")=="connect"][1]
assert second_connect > first_result, (first_result, second_connect)' "$ARTIFACTS/jobs.stdout"
}

# A rollout reads the devices' versions first, --jobs at once: a silent device
# holds its read for the whole login wait (2 s), so the three silent ones'
# connections overlap; the current one is skipped from its read, and --trace
# hears it. An interruption stops further reads.
case_rollout_reads() {
  local d hosts=()
  for d in s1 s2 s3; do sim_start $d --log-times --silent; done
  sim_start current --log-times --firmware-version 1.0.05
  for d in s1 s2 s3 current; do hosts+=("127.0.0.1:$(eval echo \$PORT_$d)"); done
  run rollout "$CLI" update --yes --json --waves 100% --jobs 3 --timeout 2 --retries 0 \
    --trace "$ARTIFACTS/trace.txt" "${hosts[@]}"
  local results
  results=$(grep '"event":"result"' <<<"$OUT")
  check "three silent devices failed, the current one skipped: exit 1" eval \
    'is $RC 1 && is "$(grep -c "\"result\":\"failed\"" <<<"$results")" 3 && is "$(grep -c "\"result\":\"skipped\"" <<<"$results")" 1 && has "$OUT" "\"to_write\":3"'
  sims_stop
  check "the silent devices' versions were read at one moment" first_connections_overlap "$ARTIFACTS"/s{1,2,3}.log
  check "the trace holds the current device's version, read on a thread of its own" \
    grep -q "  ${hosts[3]}  <  ver\.1\.0\.05" "$ARTIFACTS/trace.txt"
  # SIGTERM during the reads, one at a time: the read under way ends, no
  # further one starts, every device is "not started".
  for d in i1 i2 i3; do sim_start $d --silent; done
  start_cli int update --yes --json --waves 100% --jobs 1 --timeout 3 --retries 0 \
    127.0.0.1:$PORT_i1 127.0.0.1:$PORT_i2 127.0.0.1:$PORT_i3
  wait_for "$ARTIFACTS/i1.log" connected
  kill -TERM "$CLI_PID"
  end_cli int
  check "SIGTERM during the reads: exit 143, no device started" eval \
    'is $RC 143 && is "$(grep "\"event\":\"result\"" <<<"$OUT" | grep -c "not started (interrupted)")" 3'
  check "the devices after the one being read were never connected" eval \
    '! grep -q connected "$ARTIFACTS/i2.log" "$ARTIFACTS/i3.log"'
}

case_lock() {
  sim_start dev --slow-flash 1500
  "$CLI" update --yes --json 127.0.0.1:$PORT_dev > "$ARTIFACTS/first.stdout" 2> "$ARTIFACTS/first.stderr" < /dev/null &
  local first=$! i
  wait_for "$ARTIFACTS/first.stdout" '"phase":"flash"' 30
  run second "$CLI" update --yes localhost:$PORT_dev
  check "a second updater of the same device: exit 5 with the reason" eval \
    'is $RC 5 && has "$OUT" "busy" && has "$OUT" "another tqm530r"'
  run mac "$CLI" mac 127.0.0.1:$PORT_dev 12ab
  check "a MAC write meanwhile is refused too" eval 'is $RC 5 && has "$ERR" "another tqm530r"'
  run version "$CLI" version 127.0.0.1:$PORT_dev
  check "so is a version query (exit 5 at once)" eval 'is $RC 5 && has "$ERR" "another tqm530r"'
  wait $first
  check "the first updater finished: exit 0" is $? 0
  run third "$CLI" update --yes --reinstall 127.0.0.1:$PORT_dev
  check "after it, the device can be updated again" is $RC 0
}

case_timeout() {
  sim_start silent --silent
  local t0=$SECONDS
  run version "$CLI" version --timeout 1 127.0.0.1:$PORT_silent
  check "version of a silent device: exit 1 within a few seconds" eval \
    'is $RC 1 && has "$ERR" "within 1 s" && [ $((SECONDS - t0)) -lt 5 ]'
  t0=$SECONDS
  run update "$CLI" update --yes --timeout 1 --retries 0 127.0.0.1:$PORT_silent
  check "update of a silent device: exit 1 within a few seconds" eval \
    'is $RC 1 && has "$OUT" failed && [ $((SECONDS - t0)) -lt 5 ]'
  unanswered_start
  t0=$SECONDS
  run connect "$CLI" update --yes --timeout 1 --retries 0 127.0.0.1:$PORT_unanswered
  check "a connect that is never answered: failed after --timeout" eval \
    'is $RC 1 && has "$OUT" "no answer within 1 s" && [ $((SECONDS - t0)) -lt 5 ]'
  # Other text every 300 ms does not stretch the 1 s bound of "sum  :" or of a "complete".
  local stuck
  for stuck in --slow-check --slow-flash; do
    sim_start chatty --chatty 300 "$stuck" 60000
    t0=$SECONDS
    run chatty "$CLI" update --yes --timeout 1 --flash-timeout 1 --retries 0 --verify-timeout 2 127.0.0.1:$PORT_chatty
    check "a chatty device ($stuck): failed within a few seconds" eval 'is $RC 1 && [ $((SECONDS - t0)) -lt 6 ]'
  done
  sim_start mute --one-complete
  t0=$SECONDS
  run flash "$CLI" update --yes --flash-timeout 1 --verify-timeout 3 127.0.0.1:$PORT_mute
  check "a flash that never completes: failed after --flash-timeout" eval \
    'is $RC 1 && has "$OUT" "complete" && [ $((SECONDS - t0)) -lt 8 ]'
}

case_maintenance() {
  sim_start a
  sim_start b
  run bad "$CLI" mac 127.0.0.1:$PORT_a 12zz
  check "invalid MAC digits: exit 2, the rule on stderr" eval 'is $RC 2 && has "$ERR" "four hexadecimal digits"'
  run short "$CLI" mac 127.0.0.1:$PORT_a 12a
  check "three digits are invalid too" is $RC 2
  check "nothing was sent for invalid digits" eval '! grep -q connected "$ARTIFACTS/a.log"'
  run mac "$CLI" mac 127.0.0.1:$PORT_a 12ab
  check "mac: the Windows program's message, exit 0" eval 'is $RC 0 && is "$OUT" "MAC address [02-4C-1A-03-12-ab] written."'
  check "the device stored the tail" grep -q "mac tail 12AB" "$ARTIFACTS/a.log"
  run again "$CLI" mac 127.0.0.1:$PORT_a 12ab
  check "the same device again: no warning" eval 'is $RC 0 && lacks "$ERR" "warning"'
  run dup "$CLI" mac 127.0.0.1:$PORT_b 12AB
  check "the same tail to another device: a warning naming the first" eval \
    'is $RC 0 && has "$ERR" "warning" && has "$ERR" "127.0.0.1:$PORT_a"'
  # A first label of 64 octets: the lookup fails here, no name server is asked.
  run host "$CLI" mac "$(printf 'x%.0s' {1..64}).invalid" 12ab
  check "a host that does not resolve: exit 1, one reason" eval 'is $RC 1 && has "$ERR" "does not resolve"'
  run erase "$CLI" erase --yes 127.0.0.1:$PORT_b
  check "erase --yes: exit 0" is $RC 0
  check "the device got the 14 erase commands" eval '[ "$(grep -c "^era " "$ARTIFACTS/b.log")" = 14 ]'
  check "history: two MAC writes per device and one erase" eval \
    '[ "$(history_count "r[\"command\"]==\"mac\" and r[\"result\"]==\"written\"")" = 3 ] && [ "$(history_count "r[\"command\"]==\"erase\"")" = 1 ]'
  sim_start early --close-after-version
  run erase-ended "$CLI" erase --yes 127.0.0.1:$PORT_early
  check "erase of a device that ends the connection: exit 1, one line on stderr, never \"erase sent\"" eval \
    'is $RC 1 && [ "$(wc -l <<<"$ERR")" = 1 ] && has "$ERR" "erase failed" && lacks "$OUT" "erase sent"'
  check "history: that erase is failed, with the reason" eval \
    '[ "$(history_count "r[\"command\"]==\"erase\" and r[\"result\"]==\"failed\" and r[\"detail\"].startswith(\"erase failed\")")" = 1 ]'
}

case_terminal() {
  sim_start a --slow-flash 300
  sim_start b --slow-flash 300
  script -qec "$CLI update --yes 127.0.0.1:$PORT_a 127.0.0.1:$PORT_b" /dev/null > "$ARTIFACTS/tty.out" 2>&1 < /dev/null
  RC=$?
  check "on a terminal: exit 0" is $RC 0
  check "a bar per device, redrawn in place" eval \
    'grep -q "lines/s" "$ARTIFACTS/tty.out" && grep -q "left" "$ARTIFACTS/tty.out" && grep -qF "[####" "$ARTIFACTS/tty.out" && grep -qF $'"'"'\033[2A'"'"' "$ARTIFACTS/tty.out"'
  check "then the summary" grep -q "2 succeeded, 0 failed" "$ARTIFACTS/tty.out"
}

# Stopped from outside while devices are before "flash": nothing more reaches
# them, "flash" never does, and a device not yet started is never started.
case_interrupt_transfer() {
  sim_start a
  sim_start b
  sim_start c
  start_cli int update --yes --json --jobs 2 127.0.0.1:$PORT_a 127.0.0.1:$PORT_b 127.0.0.1:$PORT_c
  wait_for "$ARTIFACTS/int.stdout" '"lines":[0-9]{4}'
  kill -TERM "$CLI_PID"  # to the parent alone: it stops its children itself
  end_cli int
  check "SIGTERM: exit 143" is $RC 143
  check "the two started devices: interrupted, nothing written" eval \
    'has "$(result_of "$ARTIFACTS/int.stdout" 127.0.0.1:$PORT_a)" "interrupted before" && has "$(result_of "$ARTIFACTS/int.stdout" 127.0.0.1:$PORT_b)" "interrupted before"'
  check "the third: never started" eval 'has "$(result_of "$ARTIFACTS/int.stdout" 127.0.0.1:$PORT_c)" "not started" && ! grep -q connected "$ARTIFACTS/c.log"'
  wait_for "$ARTIFACTS/a.log" closed && wait_for "$ARTIFACTS/b.log" closed
  check "no \"check\" or \"flash\" reached a device, and each connection ended" eval \
    '! grep -qE "^(check|flash)$" "$ARTIFACTS/a.log" "$ARTIFACTS/b.log" && grep -q closed "$ARTIFACTS/a.log" && grep -q closed "$ARTIFACTS/b.log"'
  sims_stop
  check "their flash is untouched: still 1.0.01" eval 'grep -q "version: 1.0.01" "$ARTIFACTS/a.out" && grep -q "version: 1.0.01" "$ARTIFACTS/b.out"'
  check "history: the two interrupted devices, not the one never started" eval \
    '[ "$(history_count "r[\"result\"]==\"interrupted\"")" = 2 ] && [ "$(history_count True)" = 2 ]'
  # Ctrl-C reaches the whole process group; a closed terminal sends SIGHUP.
  local sig code
  for sig in INT HUP; do
    sim_start "$sig"
    start_cli "$sig" update --yes --json 127.0.0.1:$(eval echo \$PORT_$sig)
    wait_for "$ARTIFACTS/$sig.stdout" '"lines":[0-9]{4}'
    kill -"$sig" -- -"$CLI_PID"
    end_cli "$sig"
    code=130; [ "$sig" = HUP ] && code=129
    check "SIG$sig during the transfer: exit $code, interrupted, no \"flash\" sent" eval \
      'is $RC $code && has "$OUT" "\"result\":\"interrupted\"" && ! grep -q "^flash$" "$ARTIFACTS/$sig.log"'
  done
}

# Ctrl-C while a device flashes: it finishes flash and reset; a second Ctrl-C
# says what is awaited.
case_interrupt_flash() {
  sim_start a --slow-flash 2000
  start_cli int update --yes 127.0.0.1:$PORT_a
  wait_for "$ARTIFACTS/a.log" '^flash$'
  # Each Ctrl-C once the one before is heard: two signals at once would count as one.
  kill -INT -- -"$CLI_PID"
  wait_for "$ARTIFACTS/int.stderr" 'interrupted: no further device starts'
  kill -INT -- -"$CLI_PID"
  end_cli int
  check "SIGINT: exit 130" is $RC 130
  check "the second Ctrl-C names the device it waits for" eval 'has "$ERR" "waiting for 127.0.0.1:$PORT_a to finish"'
  check "the device was reset and told bye" eval 'grep -q "^reset$" "$ARTIFACTS/a.log" && grep -q "^bye$" "$ARTIFACTS/a.log"'
  check "reported written, the verify skipped" eval 'has "$OUT" "updated" && has "$OUT" "verify was skipped"'
  sims_stop
  check "the device runs the image" grep -q "version: 1.0.05" "$ARTIFACTS/a.out"
  check "its history record" eval '[ "$(history_count "r[\"result\"]==\"updated\"")" = 1 ]'
}

# The parent killed outright while a device flashes: the device's own process
# finishes it and writes the record. A third Ctrl-C leaves at once, the same way.
case_interrupt_kill() {
  sim_start a --slow-flash 2000
  start_cli kill update --yes --json 127.0.0.1:$PORT_a
  wait_for "$ARTIFACTS/a.log" '^flash$'
  kill -KILL "$CLI_PID"
  end_cli kill
  check "the device was reset after its parent died" wait_for "$ARTIFACTS/a.log" '^bye$'
  check "and its record was written" wait_for "$HISTORY" '"result":"updated"' 10
  sim_start b --slow-flash 3000
  start_cli third update --yes 127.0.0.1:$PORT_b
  wait_for "$ARTIFACTS/b.log" '^flash$'
  local t0=$SECONDS
  kill -INT -- -"$CLI_PID"
  wait_for "$ARTIFACTS/third.stderr" 'interrupted: no further device starts'
  kill -INT -- -"$CLI_PID"
  wait_for "$ARTIFACTS/third.stderr" 'Ctrl-C again'
  kill -INT -- -"$CLI_PID"
  end_cli third
  check "a third Ctrl-C ends at once: exit 130 before the flash is done" eval \
    'is $RC 130 && [ $((SECONDS - t0)) -lt 3 ] && ! grep -q "^reset$" "$ARTIFACTS/b.log"'
  check "and the device is still reset" wait_for "$ARTIFACTS/b.log" '^bye$'
}

# A failure before "flash" is tried again; one at or after it never is.
case_retries() {
  sim_start drop --close-after-lines 500
  run drop "$CLI" update --yes --json --retries 2 --retry-delay 0.2 127.0.0.1:$PORT_drop
  check "a dropped transfer: three tries, then failed" eval \
    'is $RC 1 && [ "$(grep -c "\"event\":\"retry\"" <<<"$OUT")" = 2 ] && [ "$(grep -c "^connected" "$ARTIFACTS/drop.log")" = 3 ]'
  check "its record counts the tries" eval '[ "$(history_count "r[\"attempts\"]==3")" = 1 ]'
  local port; port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  # The device starts once the first try has been refused.
  start_cli late update --yes --retries 3 --retry-delay 0.5 127.0.0.1:$port
  wait_for "$ARTIFACTS/late.stderr" 'attempt 2 of 4'  # the plain progress lines go to stderr
  "$SIM" --bind 127.0.0.1 --port "$port" --no-ssdp --log "$ARTIFACTS/late.log" > "$ARTIFACTS/late.out" 2>&1 &
  SIM_PIDS+=($!)
  end_cli late
  check "a device that starts late: refused, then updated on a later try" eval 'is $RC 0 && has "$OUT" verified'
  sim_start mute --one-complete
  run mute "$CLI" update --yes --flash-timeout 1 --verify-timeout 3 --retries 2 --retry-delay 0.2 127.0.0.1:$PORT_mute
  check "a flash that never completes is not tried again, and says what the device reports" eval \
    'is $RC 1 && [ "$(grep -c "^flash$" "$ARTIFACTS/mute.log")" = 1 ] && has "$OUT" "afterwards"'
}

# An image file from the maker: a good one of another version is written byte
# for byte and verified; every kind of bad file is refused before any connect.
case_image_file() {
  local good="$ARTIFACTS/good.mot" sum
  "$(dirname "$CLI")/make_standin_image" "$good" 1.2.3
  sum=$(sha256sum "$good" | cut -d' ' -f1)
  run image "$CLI" image --image "$good"
  check "image --image: the file's version, SHA-256 and self-check" eval \
    'is $RC 0 && has "$OUT" "1.2.3" && has "$OUT" "$sum" && has "$OUT" "$good" && has "$OUT" "checksum is right"'
  sim_start dev --compare "$good"
  run update "$CLI" update --yes --json --image "$good" 127.0.0.1:$PORT_dev
  check "update --image: verified at the file's version" eval \
    'is $RC 0 && has "$(result_of "$ARTIFACTS/update.stdout" 127.0.0.1:$PORT_dev)" "running 1.2.3"'
  check "the JSON names the image used" eval 'has "$OUT" "\"image\":\"$good\"" && has "$OUT" "$sum"'
  sims_stop
  check "the device holds the file byte for byte" grep -q "flash matches image: yes" "$ARTIFACTS/dev.out"
  check "the record names the file, its version and SHA-256" eval \
    '[ "$(history_count "r[\"image\"]==\"$good\" and r[\"image_version\"]==\"1.2.3\" and r[\"image_sha256\"]==\"$sum\"")" = 1 ]'

  sim_start quiet
  local bad="$ARTIFACTS/bad" fifo="$ARTIFACTS/fifo"
  rm -f "$fifo"; mkfifo "$fifo"
  mkdir -p "$bad"
  : > "$bad/empty.mot"
  truncate -s 17M "$bad/huge.mot"
  { head -c 100 "$good"; printf '\0'; tail -c +101 "$good"; } > "$bad/zero.mot"
  sed '2s/\r$//' "$good" > "$bad/lf.mot"
  sed '3s/.*/\L&/' "$good" > "$bad/lower.mot"
  sed '4s/..\r$/00\r/' "$good" > "$bad/checksum.mot"
  sed '4s/^S2../S2FF/' "$good" > "$bad/count.mot"
  grep -v '^S2..020200' "$good" > "$bad/noversion.mot"
  local name expect
  while read -r name expect; do
    run "refuse-$(basename "$name")" "$CLI" update --yes --image "$name" 127.0.0.1:$PORT_quiet
    check "refused: $(basename "$name") ($expect)" eval 'is $RC 4 && has "$ERR" "$expect" && is "$(wc -l <<<"$ERR")" 1'
  done <<LIST
$ARTIFACTS/missing.mot No such file
$bad not a regular file
/dev/zero not a regular file
$fifo not a regular file
$bad/huge.mot larger than 16 MiB
$bad/empty.mot the file is empty
$bad/zero.mot line 4: a zero byte
$bad/lf.mot line 2: does not end in CR LF
$bad/lower.mot line 3: not an S-record
$bad/checksum.mot line 4:
$bad/count.mot line 4:
$bad/noversion.mot no version record
LIST
  check "nothing reached the device for any refused file" eval '! grep -q connected "$ARTIFACTS/quiet.log"'
}

# --image-sha256 pins the image: another one is refused before any device is
# reached, with both hashes in one line; a pin that is no SHA-256 is a usage error.
case_image_pinned() {
  local good="$ARTIFACTS/good.mot" sum carried other
  "$(dirname "$CLI")/make_standin_image" "$good" 1.2.3
  sum=$(sha256sum "$good" | cut -d' ' -f1)
  carried=$(sha256sum "$IMAGE" | cut -d' ' -f1)
  other=$(printf '%064d' 7)
  sim_start dev --compare "$good"
  local name rc says args
  while IFS='|' read -r name rc says args; do
    eval "set -- $args"
    run "pin-$name" "$CLI" "$@"
    check "$name: exit $rc${says:+, one line: $says}" eval \
      'is $RC $rc && { [ -z "$says" ] || { has "$ERR" "$says" && is "$(wc -l <<<"$ERR")" 1; }; }'
  done <<EOF
update-other|4|$sum, not $other|update --yes --image $good --image-sha256 $other 127.0.0.1:$PORT_dev
update-carried|4|$carried, not $sum|update --yes --image-sha256 $sum 127.0.0.1:$PORT_dev
plan-other|4|$carried, not $other|plan --image-sha256 $other 127.0.0.1:$PORT_dev
image-other|4|$carried, not $other|image --image-sha256 $other
short|2|64 hexadecimal digits|update --yes --image-sha256 ${sum:1} 127.0.0.1:$PORT_dev
not-hex|2|64 hexadecimal digits|plan --image-sha256 ${sum:1}g 127.0.0.1:$PORT_dev
image-same|0||image --image $good --image-sha256 ${sum^^}
EOF
  check "nothing reached the device for a refused image" eval '! grep -q connected "$ARTIFACTS/dev.log"'
  run pin-update "$CLI" update --yes --no-verify --image "$good" --image-sha256 "$sum" 127.0.0.1:$PORT_dev
  check "the pinned image itself updates" eval 'is $RC 0 && has "$OUT" "updated"'
}

# The --image file is replaced after the operator was asked and before the
# children read it: they find another SHA-256 than the confirmed one and
# refuse before any connect.
case_image_swapped() {
  sim_start dev
  local image="$ARTIFACTS/swapped.mot" fifo="$ARTIFACTS/answer" pid
  cp "$IMAGE" "$image"
  mkfifo "$fifo"
  script -qec "$CLI update --json --image $image 127.0.0.1:$PORT_dev" /dev/null < "$fifo" > "$ARTIFACTS/swap.out" 2>&1 &
  pid=$!
  exec 3> "$fifo"
  if wait_for "$ARTIFACTS/swap.out" '\[y/N\]'; then
    # Another sound image: one data record fewer.
    sed '5d' "$IMAGE" > "$image.new" && mv "$image.new" "$image"
    echo y >&3
  fi
  exec 3>&-
  wait "$pid"; RC=$?
  OUT=$(cat "$ARTIFACTS/swap.out")
  check "asked, then refused with the reason: exit 1" eval \
    'is $RC 1 && has "$OUT" "[y/N]" && has "$OUT" "\"result\":\"refused\"" && has "$OUT" "changed after it was confirmed"'
  check "nothing reached the device" eval '! grep -q connected "$ARTIFACTS/dev.log"'
  check "the history says why" eval \
    '[ "$(history_count "r[\"result\"]==\"refused\" and \"changed after it was confirmed\" in r[\"detail\"] and r[\"attempts\"]==0")" = 1 ]'
  run unchanged "$CLI" update --yes --no-verify --image "$IMAGE" 127.0.0.1:$PORT_dev
  check "the same file unchanged still updates" eval 'is $RC 0 && has "$OUT" "updated"'
}

# --trace: one whole line per send and receive, both devices in one file.
case_trace() {
  sim_start a
  sim_start b
  local trace="$ARTIFACTS/update.trace"
  run update "$CLI" update --yes --no-verify --trace "$trace" 127.0.0.1:$PORT_a 127.0.0.1:$PORT_b
  check "update --trace: exit 0" is $RC 0
  check "every line whole: time, device, direction, bytes" eval \
    '! grep -vE "^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\.[0-9]{6}Z  127\.0\.0\.1:[0-9]+  [<>]  [ -~]*$" "$trace"'
  local d
  for d in $PORT_a $PORT_b; do
    check "device $d: the login answered, the image lines as sent, the commands" eval \
      '[ "$(grep -c "  127.0.0.1:$d  >  S[0-9A-F]*\\\\r\\\\n$" "$trace")" = $IMAGE_LINES ] && grep -q "  127.0.0.1:$d  <  login: $" "$trace" && grep -q "  127.0.0.1:$d  >  \\\\r\\\\necho 0\\\\r\\\\n$" "$trace" && grep -q "  127.0.0.1:$d  >  flash\\\\r\\\\n$" "$trace"'
  done
  run version "$CLI" version --trace "$ARTIFACTS/version.trace" 127.0.0.1:$PORT_a
  check "version --trace: the query and its answer" eval \
    'grep -q ">  version\\\\r\\\\n$" "$ARTIFACTS/version.trace" && grep -q "<  .*ver\." "$ARTIFACTS/version.trace"'
}

# --trace stopped by SIGTERM (to the whole group, as a service manager sends
# it) during the transfer: the trace is written in batches, and every line
# sent before the signal still reaches the file, whole and in order.
case_trace_interrupted() {
  sim_start a
  local trace="$ARTIFACTS/int.trace"
  start_cli int update --yes --json --trace "$trace" 127.0.0.1:$PORT_a
  wait_for "$ARTIFACTS/int.stdout" '"lines":[0-9]{4}'
  kill -TERM -- -"$CLI_PID"
  end_cli int
  check "SIGTERM: exit 143" is $RC 143
  check "every line whole: time, device, direction, bytes" eval \
    '! grep -vE "^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\.[0-9]{6}Z  127\.0\.0\.1:[0-9]+  [<>]  [ -~]*$" "$trace"'
  local shown
  shown=$(grep -oE '"lines":[0-9]+' "$ARTIFACTS/int.stdout" | tail -1 | cut -d: -f2)
  check "the image's lines up to the last one shown ($shown) are in the trace, in order, none twice" \
    python3 -c 'import sys
trace, image, shown = sys.argv[1], sys.argv[2], int(sys.argv[3])
sent = [l.rstrip("\n").split("  >  ", 1)[1][:-4] for l in open(trace) if "  >  S" in l]
lines = [l for l in open(image, newline="").read().split("\r\n") if l]
assert len(sent) >= shown, (len(sent), shown)
assert sent == lines[:len(sent)], "not the image in order"' "$trace" "$IMAGE" "$shown"
  check "the login before the transfer is there too" grep -q "  127.0.0.1:$PORT_a  <  login: $" "$trace"
}

# A stop sent the moment a device's process exists: to the parent alone
# (which passes it on) or to the whole group as Ctrl-C sends it. None is
# lost: every run ends interrupted and "flash" never reaches the device.
# Thirty whole runs fit the time on a busy machine; cli.ChildProcess.*
# starts and stops a hundred device processes.
case_stop_at_start() {
  sim_start dev
  local i n kids sig code lost=0 late=0
  for i in $(seq 30); do
    start_cli stop update --yes --json --retries 0 127.0.0.1:$PORT_dev
    kids= n=0
    while [ -z "$kids" ] && ((n++ < 100000)); do   # the child exists: at once, not a tick later
      read -r kids < "/proc/$CLI_PID/task/$CLI_PID/children" 2>/dev/null
    done
    [ -n "$kids" ] || late=$((late + 1))
    sig=TERM code=143
    if ((i % 2)); then kill -TERM "$CLI_PID"; else sig=INT code=130; kill -INT -- -"$CLI_PID"; fi
    end_cli stop
    if ! is $RC $code || ! has "$(result_of "$ARTIFACTS/stop.stdout" 127.0.0.1:$PORT_dev)" interrupted; then
      lost=$((lost + 1))
      cp "$ARTIFACTS/stop.stdout" "$ARTIFACTS/lost-$i.stdout"
    fi
  done
  check "a stop right after each of 30 device starts: every run interrupted ($lost not)" is $lost 0
  check "each stop came while the device's process was there ($late came late)" is $late 0
  sims_stop
  check "no \"flash\" reached the device, its firmware is untouched" eval \
    '! grep -q "^flash$" "$ARTIFACTS/dev.log" && grep -q "version: 1.0.01" "$ARTIFACTS/dev.out"'
}

# The program's file replaced by rename in the middle of a run, as a package
# upgrade does: the devices started later still run the build the run began
# with. The replacement would fail every device it ran.
case_binary_replaced() {
  local bin="$ARTIFACTS/bin"
  mkdir -p "$bin"
  cp "$CLI" "$bin/tqm530r"
  printf '#!/bin/sh\necho "{\\"event\\":\\"result\\",\\"result\\":\\"failed\\",\\"detail\\":\\"another build\\"}"\nexit 1\n' \
    > "$bin/tqm530r.new"
  chmod +x "$bin/tqm530r.new"
  sim_start a --slow-flash 1000
  sim_start b
  sim_start c
  local CLI="$bin/tqm530r"
  start_cli run update --yes --json --jobs 1 127.0.0.1:$PORT_a 127.0.0.1:$PORT_b 127.0.0.1:$PORT_c
  wait_for "$ARTIFACTS/run.stdout" '"phase":"flash"' 30
  mv -f "$bin/tqm530r.new" "$bin/tqm530r"
  end_cli run
  check "the file was replaced while the first device flashed (--jobs 1: the others not yet started)" \
    is "$(head -c 2 "$bin/tqm530r")" "#!"
  check "every device verified by the run's own build: exit 0" eval \
    'is $RC 0 && lacks "$OUT" "another build" && has "$(result_of "$ARTIFACTS/run.stdout" 127.0.0.1:$PORT_b)" "verified running 1.0.05" && has "$(result_of "$ARTIFACTS/run.stdout" 127.0.0.1:$PORT_c)" "verified running 1.0.05"'
  sims_stop
  check "the later devices hold the image" eval \
    'grep -q "flash matches image: yes" "$ARTIFACTS/b.out" && grep -q "flash matches image: yes" "$ARTIFACTS/c.out"'
}

# A history with damaged lines (fields of another type, a line that is no
# object, binary junk, a 2 MB line) and a last record cut by a power loss:
# mac, history and history --since read it, each says once how many lines
# it skipped, and the MAC write's record starts on a line of its own.
case_damaged_history() {
  sim_start a
  mkdir -p "$(dirname "$HISTORY")"
  python3 - "$HISTORY" <<'EOF'
import sys
lines = [
    b'{"time":"2026-01-01T00:00:00Z","command":"mac","result":"written","mac_tail":"12AB","ip":"10.9.9.9",'
    b'"port":23,"device":"\\u001b]0;pwn\\u0007dev"}',
    b'{"time":"2026-01-02T00:00:00Z","command":null,"result":null,"mac_tail":null}',
    b'{"time":5,"command":5,"device":[1],"port":"23"}',
    b'[1,2,3]',
    b'\x00\xff\x1b[2J\x9b junk',
    b'{"detail":"' + b'x' * (2 << 20) + b'"}',
    b'{"time":"2026-01-03T00:00:00Z","command":"update","result":"verified","device":"10.8.8.8:23"}',
]
open(sys.argv[1], "wb").write(b"\n".join(lines) + b'\n{"time":"2026-01-04T00:00:00Z","comm')
EOF
  local note="tqm530r: skipped 4 damaged line(s) in $HISTORY"
  run mac "$CLI" mac 127.0.0.1:$PORT_a 12ab
  check "mac: exit 0, the warning names the earlier device visibly, one note" eval \
    'is $RC 0 && has "$ERR" "written to \\x1B]0;pwn\\x07dev on" && is "$(grep -cF "$note" <<<"$ERR")" 1 && terminal_safe "$ARTIFACTS/mac.stderr"'
  check "the MAC write's record stands on a line of its own after the cut one" eval \
    '[ "$(tail -n 1 "$HISTORY" | python3 -c "import json,sys; print(json.load(sys.stdin)[\"command\"])")" = mac ]'
  run history "$CLI" history
  check "history: exit 0, every sound record, the note alone on stderr" eval \
    'is $RC 0 && has "$OUT" "10.8.8.8:23" && has "$OUT" "127.0.0.1:$PORT_a" && is "$ERR" "$note" && terminal_safe "$ARTIFACTS/history.stdout"'
  run since "$CLI" history --since 2026-01-03T00:00:00Z
  check "history --since: exit 0, the records from then on, the note alone on stderr" eval \
    'is $RC 0 && has "$OUT" "10.8.8.8:23" && lacks "$OUT" "2026-01-01" && is "$ERR" "$note"'
  run json "$CLI" history --json
  check "history --json: one object a line for each of the 5 records kept" eval \
    'is $RC 0 && json_lines_ok "$ARTIFACTS/json.stdout" && is "$(wc -l < "$ARTIFACTS/json.stdout")" 5'
  run bad-since "$CLI" history --since 2026-01-01T00:00:nanZ
  check "a bad --since is refused before the history is read: exit 2, one line" eval \
    'is $RC 2 && is "$(wc -l < "$ARTIFACTS/bad-since.stderr")" 1 && lacks "$ERR" "damaged"'
}

# A device whose version answer holds terminal controls (a title, a clear
# screen, a CSI as C1 and as a raw byte): version, plan, the summary table,
# the progress lines and history's table show them visibly; --json keeps them,
# escaped. A second device comes back from its reset with that answer.
case_device_text() {
  local hostile=$'\e]0;pwn\a\e[2J\xc2\x9b\x9b1'
  local shown='\x1B]0;pwn\x07\x1B[2J\xC2\x9B'$'\xef\xbf\xbd''1'
  local esc=$'\e'
  sim_start hostile --firmware-version "$hostile"
  sim_start comeback --version-after-reset "$hostile"
  run version "$CLI" version 127.0.0.1:$PORT_hostile
  check "version: exit 0, the answer shown visibly" eval \
    'is $RC 0 && has "$OUT" "device   $shown" && terminal_safe "$ARTIFACTS/version.stdout"'
  run version-json "$CLI" version 127.0.0.1:$PORT_hostile --json
  check "version --json: the exact answer, escaped" eval \
    'is $RC 0 && lacks "$OUT" "$esc" && is "$(json_get "$ARTIFACTS/version-json.stdout" "ascii(d[\"device_version\"])")" "'"'"'\x1b]0;pwn\x07\x1b[2J\x9b\ufffd1'"'"'"'
  run plan "$CLI" plan 127.0.0.1:$PORT_hostile
  check "plan: the current version shown visibly" eval \
    'is $RC 0 && has "$OUT" "$shown" && terminal_safe "$ARTIFACTS/plan.stdout"'
  run update "$CLI" update --yes 127.0.0.1:$PORT_hostile 127.0.0.1:$PORT_comeback
  check "update: exit 1 (one came back wrong); summary and progress lines visible" eval \
    'is $RC 1 && has "$OUT" "$shown" && terminal_safe "$ARTIFACTS/update.stdout" && has "$ERR" "came back with $shown" && terminal_safe "$ARTIFACTS/update.stderr"'
  run history "$CLI" history
  check "history's table: the answer visible, as a version and in a detail" eval \
    'is $RC 0 && is "$(grep -cF "$shown" <<<"$OUT")" 2 && terminal_safe "$ARTIFACTS/history.stdout"'
  run history-json "$CLI" history --json
  check "history --json keeps the answer, escaped" eval \
    'is $RC 0 && json_lines_ok "$ARTIFACTS/history-json.stdout" && lacks "$OUT" "$esc" && has "$OUT" "\\u001b]0;pwn\\u0007"'
}

case_japanese_update() {
  sim_start dev
  TQM530R_LANG=ja run ja "$CLI" update --yes 127.0.0.1:$PORT_dev 127.0.0.1:1
  check "update in Japanese: the summary's words and a failure's reason" eval \
    'is $RC 1 && has "$OUT" "確認済み" && has "$OUT" "装置 2 台: 成功 1、失敗 1" && has "$OUT" "コンソールに接続できません" && has "$ERR" "失敗"'
  local lang
  for lang in en ja; do
    # One device, so that no two devices' events interleave differently between the runs.
    TQM530R_LANG=$lang run json-$lang "$CLI" update --yes --json 127.0.0.1:1
    # Times differ between two runs: mask them, the rest is compared byte for byte.
    sed -E 's/"(seconds|delay_seconds|time)":"?[-0-9.:TZe+]+"?/"\1":0/g' \
      "$ARTIFACTS/json-$lang.stdout" > "$ARTIFACTS/json-$lang.masked"
  done
  check "update --json is the same in Japanese and English" cmp "$ARTIFACTS/json-en.masked" "$ARTIFACTS/json-ja.masked"
}

# Every case is defined above this line, so that --list names them all.
if [ "${1:-}" = --list ]; then
  declare -F | sed -n 's/^declare -f case_//p'
  exit 0
fi
CASE=$1 CLI=$2 SIM=$3 IMAGE=$4 ARTIFACTS=$5/$1
type "case_$CASE" > /dev/null 2>&1 || { echo "no case $CASE"; exit 2; }
rm -rf "$ARTIFACTS"
source "$here/lib.sh"
"case_$CASE"
finish
