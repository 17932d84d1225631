#!/usr/bin/env bash
# The sample run's metrics, read by the Prometheus client's own parser of the
# text format (Debian's python3-prometheus-client, hence /usr/bin/python3):
# every family parses, the counts add up to the 200 devices, the failed one is
# counted, the image is an info metric's labels; a later failed run keeps the
# earlier file's last success.
# Usage: report_metrics.sh REPORT_SAMPLE ARTIFACTS
set -uo pipefail
SAMPLE=$1 ARTIFACTS=$2
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
source "$(dirname "$0")/../checks.sh"
/usr/bin/python3 -c 'import prometheus_client.parser' 2>/dev/null || { echo "skip: python3-prometheus-client missing"; exit 77; }

# parsed FILE EXPR: a Python expression over s, {(name, labels as sorted tuple): value}.
parsed() { /usr/bin/python3 -c 'import sys
from prometheus_client.parser import text_string_to_metric_families
s = {}
for family in text_string_to_metric_families(open(sys.argv[1], encoding="utf-8").read()):
    assert family.type == "gauge", family.name
    assert family.documentation, family.name
    for sample in family.samples:
        s[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
print(eval(sys.argv[2]))' "$1" "$2"; }

prom="$ARTIFACTS/tqm530r.prom"
"$SAMPLE" "$ARTIFACTS/report.html" "$prom" > "$ARTIFACTS/devices.tsv"
check "the sample run wrote the metrics" test -s "$prom"
check "the parser reads every line" eval '[ "$(parsed "$prom" "len(s)")" -gt 200 ]'
check "devices by result add up to 200: 196 verified, 3 skipped, 1 failed" eval \
  '[ "$(parsed "$prom" "(sum(v for (n, l), v in s.items() if n == \"tqm530r_devices\"), s[(\"tqm530r_devices\", ((\"result\", \"verified\"),))], s[(\"tqm530r_devices\", ((\"result\", \"skipped\"),))], s[(\"tqm530r_devices\", ((\"result\", \"failed\"),))])")" = "(200.0, 196.0, 3.0, 1.0)" ]'
check "a duration for each device, the failed one with its wave" eval \
  '[ "$(parsed "$prom" "(sum(n == \"tqm530r_device_duration_seconds\" for n, l in s), s[(\"tqm530r_device_duration_seconds\", ((\"device\", \"10.20.0.13:23\"), (\"result\", \"failed\"), (\"wave\", \"2\")))] > 30)")" = "(200, True)" ]'
check "the image as an info metric's labels" eval \
  '[ "$(parsed "$prom" "[dict(l) for n, l in s if n == \"tqm530r_image_info\"][0][\"version\"]")" = 1.0.05 ]'
check "the run's end, exit code 1, and no last success yet" eval \
  '[ "$(parsed "$prom" "(s[(\"tqm530r_last_run_end_timestamp_seconds\", ())] > 1796670000, s[(\"tqm530r_last_run_exit_code\", ())], any(n == \"tqm530r_last_success_timestamp_seconds\" for n, l in s))")" = "(True, 1.0, False)" ]'
printf '# TYPE tqm530r_last_success_timestamp_seconds gauge\ntqm530r_last_success_timestamp_seconds 1796000000\n' > "$prom"
"$SAMPLE" "$ARTIFACTS/report.html" "$prom" > /dev/null
check "a failed run keeps the earlier file's last success" eval \
  '[ "$(parsed "$prom" "s[(\"tqm530r_last_success_timestamp_seconds\", ())]")" = 1796000000.0 ]'
check "nothing but the metrics file is left in its folder" eval \
  '[ "$(ls "$ARTIFACTS" | grep -c tmp)" = 0 ]'
finish_checks
