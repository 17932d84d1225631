# Shared set-up for the Wine tests: a private prefix with a wineserver of its
# own, Xvfb on a display it picks itself, the Japanese locale (ANSI code page
# 932). Only processes started here are ended, and the test waits until they are gone.
source "$(dirname "${BASH_SOURCE[0]}")/../wait.sh"
export WINE=${WINE:-/usr/lib/wine/wine64}
export WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# Always a new prefix: a wineserver left by another run cannot serve this one.
export WINEPREFIX=$(mktemp -d /tmp/tqm530r-wine.XXXXXX)
export WINEARCH=win64

# Xvfb chooses a free display and writes its number once it accepts clients,
# so two tests starting at once never share a display and a stale socket of a
# display that was killed is never taken for a live server.
wine_start_xvfb() {
  local number_file
  number_file=$(mktemp /tmp/tqm530r-xvfb.XXXXXX)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  wait_until 60 eval '[ -s "$number_file" ] || ! kill -0 "$XVFB_PID" 2>/dev/null'
  local number; number=$(tr -dc 0-9 < "$number_file")
  rm -f "$number_file"
  if [ -z "$number" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    echo "Xvfb did not start"
    return 1
  fi
  export DISPLAY=:$number
}

wine_start_display() {
  wine_start_xvfb || return 1
  if [ -n "$(wine_prefix_pids)" ]; then
    echo "this prefix already has Wine processes: $(wine_prefix_pids)"
    return 1
  fi
  # Wine's sockets live in its wineserver: start it where the test's
  # network is, and keep it (-p) so that no later Wine process starts a
  # new one elsewhere once this one would have idled out.
  ${WINE_NETNS:+ip netns exec "$WINE_NETNS"} "$WINESERVER" -p >/dev/null 2>&1
  ${WINE_NETNS:+ip netns exec "$WINE_NETNS"} "$WINE" wineboot -i >/dev/null 2>&1
  # The dialog's proportional font: without this Wine draws it with the
  # fixed-width IPA Gothic and the longer labels are cut.
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
  return 0
}

# Runs a program in a Wine virtual desktop so that keys reach it without a window manager.
wine_run_desktop() {
  local name=$1; shift
  "$WINE" explorer "/desktop=$name,1024x768" "$@"
}

# True when this prefix has a wineserver and every one runs in namespace $1.
wine_server_in_netns() {
  local p ok=1 seen=0
  for p in $(pidof wineserver64 wineserver 2>/dev/null); do
    [ "$(tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -c "^WINEPREFIX=$WINEPREFIX$")" = 1 ] || continue
    seen=1
    ip netns pids "$1" | grep -qx "$p" || ok=0
  done
  [ $ok = 1 ] && [ $seen = 1 ]
}

wine_count_windows() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l
}

has_window() { [ "$(wine_count_windows "$1")" -gt 0 ]; }
no_window() { [ "$(wine_count_windows "$1")" = 0 ]; }

# wine_wait_window TITLE SECONDS: true once a window titled TITLE shows.
wine_wait_window() { wait_until "$2" has_window "$1"; }

wine_screenshot() {
  xwd -root -silent | convert xwd:- "$1" 2>/dev/null || import -window root "$1"
}

# The Wine processes of this prefix (the server, its programs, the probe):
# every one inherits WINEPREFIX, which is unique to this test.
wine_prefix_pids() {
  local e p
  for e in $(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
    p=${e#/proc/}; p=${p%/environ}
    case "$(readlink "/proc/$p/exe" 2>/dev/null)" in */wine*) echo "$p" ;; esac
  done
}

# wine_ps: one line per Wine process of this prefix still running.
wine_ps() {
  local pids; pids=$(wine_prefix_pids | paste -sd,)
  [ -n "$pids" ] && ps -o pid,ppid,etime,stat,args -p "$pids"
}

no_wine_left() { [ -z "$(wine_prefix_pids)" ]; }

# Ends this prefix's wineserver and with it every program of the prefix, the
# jobs started here and Xvfb, and waits until each is gone: the next test
# starts with none of them left.
wine_stop_all() {
  local p
  "$WINESERVER" -k >/dev/null 2>&1
  for p in $(jobs -p); do [ "$p" = "${XVFB_PID:-}" ] || kill "$p" 2>/dev/null; done
  if ! wait_until 30 no_wine_left; then
    echo "Wine processes of $WINEPREFIX still up after 30 s, killed:"
    wine_ps
    for p in $(wine_prefix_pids); do kill -KILL "$p" 2>/dev/null; done
    wait_until 10 no_wine_left
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait_until 10 eval '! kill -0 "$XVFB_PID" 2>/dev/null' || kill -KILL "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
  case "$WINEPREFIX" in /tmp/tqm530r-wine.*) rm -rf "$WINEPREFIX" ;; esac
}
