#!/usr/bin/env bash
# ansible-doc shows both modules of the collection, and what it shows is what
# the code takes: the documented options are those the module takes (names,
# types, defaults), and every example uses documented options only.
# Usage: doc.sh COLLECTIONS ARTIFACTS
set -uo pipefail
COLLECTIONS=$1 ARTIFACTS=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../require.sh"
require_tools ansible-doc python3
rm -rf "$ARTIFACTS"
CLI= SIM= IMAGE=
source "$here/../cli/lib.sh"
# The Python that Ansible runs on, which can import its module_utils.
ansible_python=$(sed -n '1s/^#! *//p' "$(command -v ansible-doc)")
export ANSIBLE_COLLECTIONS_PATH=$COLLECTIONS ANSIBLE_LOCAL_TEMP=$ARTIFACTS/tmp HOME=$ARTIFACTS/home LC_ALL=C.UTF-8

run list ansible-doc -l tqm530r.fleet
check "ansible-doc -l lists both modules" eval \
  'is $RC 0 && has "$OUT" tqm530r.fleet.tqm530r_update && has "$OUT" tqm530r.fleet.tqm530r_devices'

for m in tqm530r_update tqm530r_devices; do
  run "$m" ansible-doc "tqm530r.fleet.$m"
  check "ansible-doc $m: description, options, notes, examples, return values" eval \
    'is $RC 0 && for s in OPTIONS NOTES EXAMPLES "RETURN VALUES" "- tqm530r" "- devices"; do has "$OUT" "$s" || exit 1; done'
  run "$m-json" ansible-doc --json "tqm530r.fleet.$m"
  check "$m: the documented options are those the module takes, with their types and defaults" $ansible_python -c '
import importlib, json, sys, yaml
name, doc_file = sys.argv[1], sys.argv[2]
sys.path.insert(0, sys.argv[3])
taken = importlib.import_module("ansible_collections.tqm530r.fleet.plugins.modules." + name).MODULE_OPTIONS
doc = json.load(open(doc_file))["tqm530r.fleet." + name]
options = doc["doc"]["options"]
assert set(options) == set(taken), (sorted(options), sorted(taken))
for k, o in options.items():
    assert o["type"] == taken[k]["type"], k
    assert o.get("default") == taken[k].get("default"), k
    assert o.get("elements") == taken[k].get("elements"), k
for task in yaml.safe_load(doc["examples"]):
    args = task.get("tqm530r.fleet." + name)
    if args is not None:
        assert set(args) <= set(options), (task["name"], set(args) - set(options))
assert doc["return"]["devices"]["contains"]' "$m" "$ARTIFACTS/$m-json.stdout" "$COLLECTIONS"
done
finish
