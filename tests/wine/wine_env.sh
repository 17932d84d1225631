# Shared set-up for the Wine tests: a private prefix, Xvfb on a free display,
# the Japanese locale (ANSI code page 932). Only processes started here are ended.
export WINE=${WINE:-/usr/lib/wine/wine64}
export WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEPREFIX=${WINEPREFIX:-$(mktemp -d /tmp/tqm530r-wine.XXXXXX)}
export WINEARCH=win64
WINE_PIDS=()

wine_start_display() {
  local n
  for n in $(seq 91 120); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    if xdpyinfo >/dev/null 2>&1 || [ -e /tmp/.X11-unix/X$n ]; then
      # Wine's sockets live in its wineserver: start it where the test's
      # network is, and keep it (-p) so that no later Wine process starts a
      # new one elsewhere once this one would have idled out.
      ${WINE_NETNS:+ip netns exec "$WINE_NETNS"} "$WINESERVER" -p >/dev/null 2>&1
      ${WINE_NETNS:+ip netns exec "$WINE_NETNS"} "$WINE" wineboot -i >/dev/null 2>&1
      # The dialog's proportional font: without this Wine draws it with the
      # fixed-width IPA Gothic and the longer labels are cut.
      "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
      return 0
    fi
  done
  echo "no X display could be started"; return 1
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

wine_wait_window() {
  local title=$1 seconds=$2 i
  for i in $(seq $((seconds * 4))); do
    [ "$(wine_count_windows "$title")" -gt 0 ] && return 0
    sleep 0.25
  done
  return 1
}

wine_screenshot() {
  xwd -root -silent | convert xwd:- "$1" 2>/dev/null || import -window root "$1"
}

wine_stop_all() {
  local p
  WINEPREFIX=$WINEPREFIX "$WINESERVER" -k >/dev/null 2>&1
  for p in $(jobs -p); do kill "$p" 2>/dev/null; done
  WINEPREFIX=$WINEPREFIX timeout 10 "$WINESERVER" -w >/dev/null 2>&1   # done with the prefix before it goes
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  case "$WINEPREFIX" in /tmp/tqm530r-wine.*) rm -rf "$WINEPREFIX" ;; esac
}
