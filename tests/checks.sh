# The pass/fail lines of a test script that needs no simulator: check
# DESCRIPTION COMMAND... counts a failure; finish_checks ends the script,
# naming $ARTIFACTS where the script keeps what it saw.
FAILURES=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; FAILURES=$((FAILURES + 1)); fi
}
finish_checks() {
  if [ "$FAILURES" -eq 0 ]; then echo "all checks passed"; exit 0; fi
  echo "$FAILURES check(s) failed${ARTIFACTS:+ (artifacts in $ARTIFACTS)}"
  exit 1
}
