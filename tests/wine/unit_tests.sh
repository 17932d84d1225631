#!/usr/bin/env bash
# unit_tests.sh EXE ARTIFACTS: one of the portable core's GoogleTest programs,
# built for win64, under Wine; passes when the program exits 0 (every test
# passed). Its console tests talk to a fake device on 127.0.0.1: Wine and its
# wineserver (where Wine's sockets live) run in a network namespace of this
# test's own with loopback only, so a name lookup goes nowhere.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 artifacts=$2
source "$here/../require.sh"
require_wine "$exe"
require_netns
source "$here/wine_env.sh"
rm -rf "$artifacts"
mkdir -p "$artifacts"

export WINE_NETNS=tqm-unit-$$
ip netns add "$WINE_NETNS" || exit 1
ip -n "$WINE_NETNS" link set lo up
trap 'wine_stop_all; ip netns del "$WINE_NETNS"' EXIT
wine_start_display || exit 1

report=$(echo "Z:$artifacts/$(basename "$exe" .exe).xml" | tr / '\\')
ip netns exec "$WINE_NETNS" timeout 1100 "$WINE" "$exe" --gtest_output="xml:$report" 2>&1 | tr -d '\r'
rc=${PIPESTATUS[0]}
[ "$rc" = 0 ] || { echo "FAIL: $(basename "$exe") exited $rc under Wine"; exit 1; }
echo "PASS: $(basename "$exe") under Wine"
