# What a test needs from this machine. Without it the test skips with its
# reason: exit 77, which ctest reports as skipped (SKIP_RETURN_CODE). Where
# everything is installed and the tests run as root (scripts/test), set
# TQM530R_REQUIRE_ALL=1: a missing need is then a failure, not a skip.
# Sourced by the test scripts before they create anything.

skip() {
  if [ "${TQM530R_REQUIRE_ALL:-0}" = 1 ]; then
    echo "FAIL: cannot run here ($*), and TQM530R_REQUIRE_ALL=1 forbids skipping"
    exit 1
  fi
  echo "SKIP: $*"
  exit 77
}

require_tools() {
  local t
  for t in "$@"; do
    command -v "$t" >/dev/null 2>&1 || skip "needs $t (scripts/setup-deps installs it)"
  done
}

# Network namespaces, veth pairs and bridges need root.
require_netns() {
  [ "$(id -u)" = 0 ] || skip "needs root to create network namespaces"
  require_tools ip python3
}

require_file() {  # require_file PATH WHAT-MAKES-IT
  [ -f "$1" ] || skip "needs $1 ($2)"
}

# The win64 build's programs under Wine in a virtual X display.
require_wine() {  # require_wine EXE [PROBE]
  local f
  for f in "$@"; do require_file "$f" "cmake --preset win64 && cmake --build --preset win64"; done
  [ -x "${WINE:-/usr/lib/wine/wine64}" ] || skip "needs ${WINE:-/usr/lib/wine/wine64} (package wine64)"
  require_tools Xvfb xdotool xdpyinfo
}
