#!/usr/bin/env bash
# The sample run's page (200 devices, one failed) in headless Chromium, as an
# operator opens it from a file share: the rendered page lists every device
# with its result and the failed one with its reason, the page loads nothing
# (no src or href to anywhere, and Chromium's own network log shows no request
# but the file), and screenshots wide and narrow and a printed PDF are kept.
# The same run in Japanese renders its Japanese headings.
# Usage: report_chromium.sh REPORT_SAMPLE ARTIFACTS
set -uo pipefail
SAMPLE=$1 ARTIFACTS=$2
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
source "$(dirname "$0")/../checks.sh"
command -v chromium > /dev/null || { echo "skip: chromium missing"; exit 77; }

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
page="$ARTIFACTS/report.html"
"$SAMPLE" "$page" "$ARTIFACTS/tqm530r.prom" > "$ARTIFACTS/devices.tsv"
check "the sample run wrote its page" test -s "$page"

source "$(dirname "$0")/chromium_lib.sh"
chrome "$page" "$ARTIFACTS" "$profile" dom --dump-dom
check "Chromium rendered the page" grep -q '</html>' "$ARTIFACTS/dom.out"
chrome "$page" "$ARTIFACTS" "$profile" wide --screenshot="$ARTIFACTS/report-wide.png" --window-size=1280,4600 --hide-scrollbars
chrome "$page" "$ARTIFACTS" "$profile" narrow --screenshot="$ARTIFACTS/report-narrow.png" --window-size=400,1400 --hide-scrollbars
chrome "$page" "$ARTIFACTS" "$profile" print --print-to-pdf="$ARTIFACTS/report.pdf" --no-pdf-header-footer
for shot in report-wide.png report-narrow.png report.pdf; do
  check "kept $shot" test -s "$ARTIFACTS/$shot"
done

# The rendered table: one row per device, its label in the first cell, its
# result in the second, its reason in the last.
check "every device appears with its result, the failed one with its reason" python3 - "$ARTIFACTS/dom.out" "$ARTIFACTS/devices.tsv" <<'PY'
import sys
from html.parser import HTMLParser

class Rows(HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.row, self.cell, self.in_body = [], None, None, False
        self.links = []
    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("src", "href", "srcset", "action", "poster", "data"):
                self.links.append((tag, name, value))
        if tag == "tbody": self.in_body = True
        elif tag == "tr" and self.in_body: self.row = []
        elif tag == "td" and self.row is not None: self.cell = []
        elif tag == "span" and self.cell is not None and any(a == ("class", "sub") for a in attrs): self.cell.append(" ")
    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.row.append("".join(self.cell)); self.cell = None
        elif tag == "tr" and self.row is not None:
            self.rows.append(self.row); self.row = None
        elif tag == "tbody": self.in_body = False
    def handle_data(self, data):
        if self.cell is not None: self.cell.append(data)

parser = Rows()
parser.feed(open(sys.argv[1], encoding="utf-8").read())
table = {row[0].split(" ")[0]: row for row in parser.rows}
wanted = [line.rstrip("\n").split("\t") for line in open(sys.argv[2], encoding="utf-8")]
assert len(wanted) == 200 and len(parser.rows) == 200, (len(wanted), len(parser.rows))
failed = 0
for label, result, reason in wanted:
    row = table.get(label)
    assert row, label + " missing"
    assert row[1] == result, (label, row[1], result)
    assert row[-1] == reason, (label, row[-1], reason)
    failed += result == "failed"
assert failed == 1
assert parser.rows[0][1] == "failed", "the failed device leads the table"
assert not parser.links, parser.links
PY
# The same run in Japanese: a page that says so, whose rendered text holds
# the Japanese headings (the fonts have the glyphs: a screenshot is kept).
ja_page="$ARTIFACTS/report-ja.html"
TQM530R_LANG=ja "$SAMPLE" "$ja_page" "$ARTIFACTS/tqm530r-ja.prom" > /dev/null
chrome "$ja_page" "$ARTIFACTS" "$profile" dom-ja --dump-dom
chrome "$ja_page" "$ARTIFACTS" "$profile" wide-ja --screenshot="$ARTIFACTS/report-ja-wide.png" --window-size=1280,1400 --hide-scrollbars
check "the Japanese page renders in Japanese" eval 'grep -q "<html lang=\"ja\">" "$ARTIFACTS/dom-ja.out" &&
  grep -q ">タイムライン</h2>" "$ARTIFACTS/dom-ja.out" && grep -q ">装置</h2>" "$ARTIFACTS/dom-ja.out"'
check "kept report-ja-wide.png" test -s "$ARTIFACTS/report-ja-wide.png"
check "the metrics are the same in both languages" cmp -s "$ARTIFACTS/tqm530r.prom" "$ARTIFACTS/tqm530r-ja.prom"
check "the page has no http(s) address at all" eval '! grep -qiE "https?:" "$page"'
# Chromium's own background requests (initiator "not an origin") go nowhere
# under the resolver rule; a request of the page has the page's origin.
check "the page made no network request (Chromium's network log)" python3 - "$ARTIFACTS"/*.netlog.json <<'PY'
import json, sys
for path in sys.argv[1:]:
    log = json.load(open(path))
    start = log["constants"]["logEventTypes"]["URL_REQUEST_START_JOB"]
    for event in log.get("events", []):
        params = event.get("params", {})
        url = params.get("url")
        if event["type"] != start or not url or params.get("initiator") == "not an origin":
            continue
        if not url.startswith(("file:", "data:", "about:")):
            raise SystemExit("%s: the page requested %s" % (path, url))
PY

finish_checks
