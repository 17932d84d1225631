#!/usr/bin/env bash
# A real run's report: two devices on loopback, one of which drops its
# connection mid-transfer. Its page opened in headless Chromium lists both
# with their results, the failed one with its reason (screenshot kept); its
# metrics read by the Prometheus client's parser; the history's records of
# the run as a page; a run stopped by SIGTERM still writes page and metrics.
# Usage: report_run.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$(realpath -m "$4/report-run")
rm -rf "$ARTIFACTS"
source "$here/lib.sh"
source "$here/chromium_lib.sh"
command -v chromium > /dev/null || { echo "skip: chromium missing"; exit 77; }
/usr/bin/python3 -c 'import prometheus_client.parser' 2>/dev/null || { echo "skip: python3-prometheus-client missing"; exit 77; }
profile=$(mktemp -d)
trap 'sims_stop; rm -rf "$profile"' EXIT

# rows PAGE: the rendered table's rows, "label<TAB>result<TAB>reason" each.
rows() { python3 -c '
import sys
from html.parser import HTMLParser
class Rows(HTMLParser):
    def __init__(self):
        super().__init__(); self.rows, self.row, self.cell, self.body = [], None, None, False
    def handle_starttag(self, tag, attrs):
        if tag == "tbody": self.body = True
        elif tag == "tr" and self.body: self.row = []
        elif tag == "td" and self.row is not None: self.cell = []
        elif tag == "span" and self.cell is not None and ("class", "sub") in attrs: self.cell.append(" ")
    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None: self.row.append("".join(self.cell)); self.cell = None
        elif tag == "tr" and self.row is not None: self.rows.append(self.row); self.row = None
        elif tag == "tbody": self.body = False
    def handle_data(self, data):
        if self.cell is not None: self.cell.append(data)
p = Rows(); p.feed(open(sys.argv[1], encoding="utf-8").read())
for r in p.rows: print(r[0].split(" ")[0], r[1], r[-1], sep="\t")' "$1"; }

# metric FILE EXPR: a Python expression over s, {(name, labels as sorted tuple): value}.
metric() { /usr/bin/python3 -c 'import sys
from prometheus_client.parser import text_string_to_metric_families
s = {}
for family in text_string_to_metric_families(open(sys.argv[1], encoding="utf-8").read()):
    for sample in family.samples:
        s[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
print(eval(sys.argv[2]))' "$1" "$2"; }

sim_start good
sim_start drop --close-after-lines 2000
good=127.0.0.1:$PORT_good drop=127.0.0.1:$PORT_drop
page="$ARTIFACTS/run.html" prom="$ARTIFACTS/run.prom"
run update "$CLI" update --yes --report "$page" --metrics "$prom" "$good" "$drop"
check "one device fails: exit 1" is $RC 1
check "the page and the metrics are written, no temporary left" eval \
  'test -s "$page" && test -s "$prom" && [ "$(ls "$ARTIFACTS" | grep -c "\.tmp$")" = 0 ]'

chrome "$page" "$ARTIFACTS" "$profile" dom --dump-dom
chrome "$page" "$ARTIFACTS" "$profile" wide --screenshot="$ARTIFACTS/report-run.png" --window-size=1280,900 --hide-scrollbars
check "Chromium rendered the page and kept a screenshot" eval \
  'grep -q "</html>" "$ARTIFACTS/dom.out" && test -s "$ARTIFACTS/report-run.png"'
rows "$ARTIFACTS/dom.out" > "$ARTIFACTS/rows.tsv"
check "both devices in the rendered table, the failed one first with its reason" python3 -c '
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1], encoding="utf-8")]
assert len(rows) == 2, rows
assert rows[0][0] == sys.argv[3] and rows[0][1] == "failed" and "closed the connection" in rows[0][2], rows[0]
assert rows[1][0] == sys.argv[2] and rows[1][1] == "verified", rows[1]' "$ARTIFACTS/rows.tsv" "$good" "$drop"
check "the page names the image, the host and the options" eval \
  'grep -q "1.0.05" "$page" && grep -q "$(hostname)" "$page" && grep -q -- "--metrics" "$page"'

check "metrics: one verified, one failed, exit code 1, no last success" eval \
  '[ "$(metric "$prom" "(s[(\"tqm530r_devices\", ((\"result\", \"verified\"),))], s[(\"tqm530r_devices\", ((\"result\", \"failed\"),))], s[(\"tqm530r_last_run_exit_code\", ())], any(n == \"tqm530r_last_success_timestamp_seconds\" for n, l in s))")" = "(1.0, 1.0, 1.0, False)" ]'

# The history's records of that run, phases included.
check "each history record keeps its phases and host" python3 -c '
import json, sys
records = [json.loads(l) for l in open(sys.argv[1])]
assert len(records) == 2, len(records)
for r in records:
    assert r["host"] and [p["phase"] for p in r["phases"]][:2] == ["connect", "transfer"], r' "$HISTORY"
run history "$CLI" history --report "$ARTIFACTS/history.html"
check "history --report: exit 0, both devices, the failed one first with its reason" eval \
  'is $RC 0 && rows "$ARTIFACTS/history.html" > "$ARTIFACTS/history.tsv" && [ "$(cut -f1,2 "$ARTIFACTS/history.tsv" | tr "\t\n" " ;")" = "$drop failed;$good verified;" ] && grep -q "closed the connection" "$ARTIFACTS/history.tsv"'
check "history --report colours the transfer from the records" grep -q 'transfer' "$ARTIFACTS/history.html"
run since "$CLI" history --since 2999-01-01T00:00:00Z --report "$ARTIFACTS/none.html"
check "history --since after every record: exit 1, no page" eval 'is $RC 1 && has "$ERR" "no update records" && ! test -e "$ARTIFACTS/none.html"'

# A later successful run keeps its own last success.
run again "$CLI" update --yes --no-verify --reinstall --metrics "$prom" "$good"
check "a successful run: exit 0 and its last success" eval \
  'is $RC 0 && [ "$(metric "$prom" "s[(\"tqm530r_last_success_timestamp_seconds\", ())] > 1796000000")" = True ]'

# A report that cannot be written is refused before any device is touched.
run nowhere "$CLI" update --yes --report "$ARTIFACTS/no/such/folder/r.html" "$good"
check "--report into a missing folder: exit 2, nothing sent" eval \
  'is $RC 2 && has "$ERR" "--report" && has "$ERR" "nothing sent"'

# Stopped by SIGTERM during the transfer: the page and metrics say so.
sim_start slow
start_cli int update --yes --json --report "$ARTIFACTS/int.html" --metrics "$ARTIFACTS/int.prom" 127.0.0.1:$PORT_slow
wait_for "$ARTIFACTS/int.stdout" '"lines":[0-9]{4}'
kill -TERM "$CLI_PID"
end_cli int
check "SIGTERM: exit 143" is $RC 143
check "its page says it was interrupted, the device with its result" eval \
  'grep -q "interrupted by SIGTERM" "$ARTIFACTS/int.html" && [ "$(rows "$ARTIFACTS/int.html" | cut -f2)" = interrupted ]'
check "its metrics: exit code 143, one device interrupted" eval \
  '[ "$(metric "$ARTIFACTS/int.prom" "(s[(\"tqm530r_last_run_exit_code\", ())], s[(\"tqm530r_devices\", ((\"result\", \"interrupted\"),))])")" = "(143.0, 1.0)" ]'
finish
