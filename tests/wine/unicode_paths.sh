#!/usr/bin/env bash
# unicode_paths.sh EXE IMAGE ARTIFACTS: tqm530r.exe (x64) under Wine in the
# Japanese locale, whose ANSI code page 932 has neither Hangul nor umlauts,
# given paths holding both, as an operator types them (relative, with
# backslashes): the image is read, the history, trace, report and metrics
# are written where asked (checked from Linux, by their names on disk) and
# the history read back, JSON is UTF-8, a missing path is one line, a
# %LOCALAPPDATA% under such a user name takes the default history and the
# lock. The updates go to a closed loopback port: each fails at once and
# still leaves its history record.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
EXE=$1 IMAGE=$2 ARTIFACTS=$3
source "$here/../require.sh"
require_wine "$EXE"
require_tools python3
source "$here/wine_env.sh"
# The checks read tqm530r.exe's English; the locale stays Japanese for the code page.
export TQM530R_LANG=en
source "$here/../checks.sh"
rm -rf "$ARTIFACTS"
name='データ-한글-ä'
mkdir -p "$ARTIFACTS/$name"
cp "$IMAGE" "$ARTIFACTS/$name/fw.mot"

wine_start_display || exit 1
trap wine_stop_all EXIT

# tq NAME ARGS...: tqm530r.exe run from ARTIFACTS; stdout NAME.out, stderr NAME.err, exit code in RC.
tq() {
  local run=$1; shift
  (cd "$ARTIFACTS" && timeout 120 "$WINE" "$EXE" "$@" > "$run.out" 2> "$run.err")
  RC=$?
  OUT=$(tr -d '\r' < "$ARTIFACTS/$run.out")
  ERR=$(tr -d '\r' < "$ARTIFACTS/$run.err")
}
no_crash() { ! grep -qiE 'terminate called|filesystem_error|exception' "$ARTIFACTS/$1.err"; }
# json_value FILE KEY...: the value at KEY of FILE's one JSON document or of its
# last JSON line, read as strict UTF-8.
json_value() { python3 -c '
import json, sys
text = open(sys.argv[1], encoding="utf-8", errors="strict").read()
try: value = json.loads(text)
except ValueError: value = json.loads(text.strip().splitlines()[-1])
for key in sys.argv[2:]: value = value[key]
print(value)' "$@"; }

tq image image --image "$name\\fw.mot"
check "image --image under $name: read, its name printed as UTF-8" \
  eval '[ $RC = 0 ] && grep -qxF "image      $name\\fw.mot" <<<"$OUT"'
tq image-json image --json --image "$name\\fw.mot"
check "image --json: UTF-8 JSON naming the file" \
  eval '[ $RC = 0 ] && [ "$(json_value "$ARTIFACTS/image-json.out" image)" = "$name\\fw.mot" ]'

tq update update --yes --retries 0 --timeout 5 --image "$name\\fw.mot" --history "$name\\history.jsonl" \
  --trace "$name\\trace-$name.txt" --report "$name\\run-$name.html" --metrics "$name\\metrics-$name.prom" 127.0.0.1:1
check "update to a closed port: fails without a crash" eval '[ $RC != 0 ] && no_crash update'
check "the trace, report and metrics files have their Unicode names on disk" eval \
  '[ -f "$ARTIFACTS/$name/trace-$name.txt" ] && [ -s "$ARTIFACTS/$name/run-$name.html" ] &&
    [ -s "$ARTIFACTS/$name/metrics-$name.prom" ]'
check "the history record is written under $name" \
  eval '[ "$(json_value "$ARTIFACTS/$name/history.jsonl" device)" = 127.0.0.1:1 ]'

tq history history --history "$name\\history.jsonl"
check "history --history reads the record back" eval '[ $RC = 0 ] && no_crash history && grep -q 127.0.0.1 <<<"$OUT"'
tq history-json history --json --history "$name\\history.jsonl"
check "history --json: UTF-8 JSON with the image name the device process was given" \
  eval '[ $RC = 0 ] && [ "$(json_value "$ARTIFACTS/history-json.out" image)" = "$name\\fw.mot" ]'

tq report history --history "$name\\history.jsonl" --report "$name\\report-$name.html"
check "history --report writes the page at its Unicode name" \
  eval '[ $RC = 0 ] && grep -q 127.0.0.1 "$ARTIFACTS/$name/report-$name.html"'

# The profile's variable set in cmd, which hands it on as UTF-16.
user="ユーザー-$name"
cp "$EXE" "$WINEPREFIX/drive_c/tqm530r.exe"
(cd "$ARTIFACTS" && timeout 120 "$WINE" cmd /c "set LOCALAPPDATA=C:\\users\\$user\\AppData\\Local&& \
  C:\\tqm530r.exe update --yes --retries 0 --timeout 5 127.0.0.1:1" > default.out 2> default.err)
profile_history="$WINEPREFIX/drive_c/users/$user/AppData/Local/tqm530r/history.jsonl"
check "the default history and the device's lock land in %LOCALAPPDATA% of user $user" \
  eval 'no_crash default && [ "$(json_value "$profile_history" device)" = 127.0.0.1:1 ] &&
    [ -f "${profile_history%/*}/tqm530r-127.0.0.1-1.lock" ]'

tq missing image --image "$name\\missing.mot"
check "a missing image: one line naming it, exit 4" eval '[ $RC = 4 ] && no_crash missing &&
  [ "$(wc -l <<<"$ERR")" = 1 ] && grep -qF "$name\\missing.mot: cannot read it" <<<"$ERR"'
tq no-folder update --yes --trace "ない-$name\\trace.txt" 127.0.0.1:1
check "a trace in a missing folder: one line, exit 2" \
  eval '[ $RC = 2 ] && no_crash no-folder && [ "$(wc -l <<<"$ERR")" = 1 ] && grep -q "^tqm530r: --trace: " <<<"$ERR"'

finish_checks
