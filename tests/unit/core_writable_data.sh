#!/bin/bash
# The portable core keeps no writable data of its own: every call takes what
# it works on. Lists the data and bss symbols that the given static libraries
# define and fails on any, leaving out what the compiler adds on its own
# (guard variables, sanitizer markers) and data that is read-only once
# relocated (.data.rel.ro).
set -u
command -v nm >/dev/null || { echo "nm missing"; exit 77; }
[ $# -gt 0 ] || { echo "usage: $0 LIBRARY..."; exit 2; }
found=0
for library in "$@"; do
  [ -f "$library" ] || { echo "missing: $library"; exit 1; }
  writable=$(nm -f sysv --defined-only "$library" | awk -F'|' '
    NF >= 7 {
      name = $1; class = $3; section = $7
      gsub(/ /, "", name); gsub(/ /, "", class); gsub(/ /, "", section)
      if (class !~ /^[BbDd]$/) next
      if (section ~ /^\.data\.rel\.ro/) next
      if (name ~ /^_ZGV/ || name ~ /^__odr_asan/ || name ~ /^\.L/) next
      print name " (" section ")"
    }')
  if [ -n "$writable" ]; then
    echo "$(basename "$library") defines writable data:"
    echo "$writable" | sed 's/^/  /'
    found=1
  fi
done
[ $found = 0 ] && echo "no writable data in $# libraries"
exit $found
