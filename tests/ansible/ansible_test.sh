#!/usr/bin/env bash
# ansible-test on the collection, as its users run it: "sanity" (every sanity
# test this ansible-test has: the documentation against the options the code declares,
# ansible-doc, pep8, pylint, yamllint, the runtime metadata and its redirect,
# imports, shebangs...) or "units" (tests/unit with pytest). ansible-test wants
# the collection under ansible_collections/NAMESPACE/NAME and writes
# tests/output into it, so it runs on a copy in ARTIFACTS, with HOME there too
# (its environments), on the machine's Python and without containers.
# ansible-test lists the files through git when it stands in a git tree, and
# the build folder is one that ignores them all: the copy is a git tree of its
# own. pslint has no PowerShell to check and reports itself skipped.
# Usage: ansible_test.sh sanity|units COLLECTIONS ARTIFACTS
set -uo pipefail
MODE=$1 COLLECTIONS=$2 ARTIFACTS=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../require.sh"
require_tools ansible-test git
# The Python ansible-test runs on (its #! line): it has Ansible and the machine's packages.
python=$(sed -n '1s/^#! *//p' "$(command -v ansible-test)")
case $MODE in
  sanity) modules="voluptuous:python3-voluptuous pycodestyle:python3-pycodestyle yamllint:yamllint pylint:pylint" ;;
  units) modules="pytest:python3-pytest xdist:python3-pytest-xdist pytest_forked:python3-pytest-forked pytest_mock:python3-pytest-mock mock:python3-mock" ;;
  *) echo "usage: ansible_test.sh sanity|units COLLECTIONS ARTIFACTS"; exit 2 ;;
esac
for m in $modules; do
  "$python" -c "import ${m%%:*}" 2>/dev/null || skip "needs ${m#*:} (scripts/setup-deps installs it)"
done

rm -rf "$ARTIFACTS"
copy=$ARTIFACTS/ansible_collections/tqm530r/fleet
mkdir -p "$(dirname "$copy")"
cp -r "$COLLECTIONS/ansible_collections/tqm530r/fleet" "$copy" && rm -rf "$copy/tests/output"
export HOME=$ARTIFACTS/home LC_ALL=C.UTF-8
version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
cd "$copy" && git init -q . || exit 1
if [ "$MODE" = sanity ]; then
  tests=$(ansible-test sanity --list-tests 2>/dev/null) || { echo "ansible-test sanity --list-tests failed"; exit 1; }
  # shellcheck disable=SC2086 # one argument per test name
  "$python" "$here/sanity_venvs.py" $tests import.module import.plugin || exit 1
fi
ansible-test "$MODE" --local --python "$version" --python-interpreter "$python" --color no -v 2>&1 | tee "$ARTIFACTS/$MODE.log"
rc=${PIPESTATUS[0]}
[ "$rc" = 0 ] || exit "$rc"
# A run that found no files passes too: make sure it saw the update module (or its tests).
grep -q "plugins/modules/[a-z_]*tqm530r_update.py" "$ARTIFACTS/$MODE.log" || { echo "FAIL: ansible-test $MODE did not see the modules"; exit 1; }
echo "ansible-test $MODE: passed"
