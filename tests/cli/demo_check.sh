#!/usr/bin/env bash
# Runs scripts/demo (already built) and checks what it prints and that it ends in time.
set -uo pipefail
demo=$1
source "$(dirname "$0")/../require.sh"
require_netns
start=$SECONDS
out=$("$demo" 2>&1); rc=$?
echo "$out"
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }
check "demo exits 0" '[ $rc = 0 ]'
check "under a minute" '[ $((SECONDS - start)) -lt 60 ]'
check "detect lists the three maker devices" '[ "$(grep -c "^TQM-530R(" <<<"$out")" = 3 ]'
check "the verdicts of the three" 'grep -q "no valid firmware" <<<"$out" && grep -q "latest firmware" <<<"$out" && grep -q "can be updated" <<<"$out"'
check "the summary: 3 succeeded" 'grep -q "3 device(s): 3 succeeded, 0 failed" <<<"$out"'
check "two verified, one skipped" '[ "$(grep -c "  verified  " <<<"$out")" -ge 2 ] && grep -q "  skipped  " <<<"$out"'
exit $fail
