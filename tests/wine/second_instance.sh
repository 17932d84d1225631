#!/usr/bin/env bash
# A second update.exe started while the first runs ends at once with exit
# code 0 and opens no window; the first keeps running.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1
source "$here/../require.sh"
require_wine "$exe"
source "$here/wine_env.sh"
artifacts=$2
mkdir -p "$artifacts"
wine_start_display || exit 1
trap wine_stop_all EXIT

wine_run_desktop first "$exe" &
first_pid=$!
wine_wait_window "ファームウェアアップデート" 60 || { echo "first instance showed no dialog"; exit 1; }
windows_before=$(wine_count_windows "ファームウェアアップデート")

start=$(date +%s)
timeout 60 "$WINE" "$exe"
second_rc=$?
elapsed=$(( $(date +%s) - start ))
# The second instance has ended; any window of its own goes with it.
same_windows() { [ "$(wine_count_windows "ファームウェアアップデート")" = "$windows_before" ]; }
wait_until 30 same_windows
windows_after=$(wine_count_windows "ファームウェアアップデート")
wine_screenshot "$artifacts/second-instance.png"

fail=0
[ "$second_rc" = 0 ] || { echo "second instance exit code $second_rc"; fail=1; }
[ "$elapsed" -le 20 ] || { echo "second instance took ${elapsed}s"; fail=1; }
[ "$windows_after" = "$windows_before" ] || { echo "windows: $windows_before before, $windows_after after"; fail=1; }
kill -0 "$first_pid" 2>/dev/null || { echo "first instance ended"; fail=1; }
if [ $fail = 0 ]; then
  echo "second instance: exit 0 after ${elapsed}s, no new window, first still running"
else
  wine_ps > "$artifacts/wine-ps.txt"
  echo "kept: $artifacts/second-instance.png $artifacts/wine-ps.txt"
fi
exit $fail
