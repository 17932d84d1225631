# update.exe's tests on a virtual segment: Wine, the namespaces, the dialog
# checks, and the teardown of all of them at exit.
here=${here:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}
source "$here/wine_env.sh"
source "$here/../netns/segment.sh"
source "$here/dialog_checks.sh"
wine_segment_cleanup() { wine_stop_all; seg_teardown; }
trap wine_segment_cleanup EXIT

# The PC sorts after the devices, and its own looped-back request is dropped
# as Windows' SendARP would have filtered it (Wine's SendARP is a stub).
# Wine's sockets live in its wineserver, so that starts inside the segment.
wine_segment_start() {
  SEG_PC_ADDR=10.77.0.200
  seg_create
  seg_host_exec iptables -A INPUT -s "$SEG_PC_ADDR" -p udp --dport 1900 -j DROP
  WINE_NETNS=$SEG_HOST
  wine_start_display || return 1
  wine_server_in_netns "$SEG_HOST" || { echo "wineserver is not in the test namespace: not searching"; return 1; }
}
