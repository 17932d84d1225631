#!/usr/bin/env bash
# copyright.sh OUT: our copyright file followed by the notices of the
# header-only libraries compiled into tqm530r, taken from their installed
# Debian copyright files ("Files: *" and its license text).
set -euo pipefail
out=$1
{
  cat "$(dirname "$0")/copyright"
  for lib in libcli11-dev:usr/include/CLI nlohmann-json3-dev:usr/include/nlohmann; do
    pkg=${lib%%:*}
    echo
    awk -v RS= -v files="${lib#*:}/*" -v pkg="$pkg" '
      /^Files: \*\n/ {
        sub(/^Files: \*/, "Files: " files "\nComment: from " pkg ", compiled into usr/bin/tqm530r")
        match($0, /\nLicense: [^\n]*/); license = substr($0, RSTART + 1, RLENGTH - 1); print $0 "\n"
      }
      license != "" && index($0, license "\n") == 1 {print}' "/usr/share/doc/$pkg/copyright"
  done
} > "$out"
