#!/usr/bin/env bash
# The Ansible collection across two sites, for real: a controller namespace
# and two site namespaces on a management bridge; each site runs sshd on its
# management address and has a device segment of its own with simulated
# devices. From the controller, ansible-playbook in check mode (nothing
# written), then for real (site A changed and verified, site B failed for its
# one bad device only), then again (site A unchanged).
# Usage: sites.sh CLI SIM IMAGE COLLECTIONS ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 COLLECTIONS=$4 ARTIFACTS=$5
here=$(cd "$(dirname "$0")" && pwd)
PATH=$PATH:/usr/sbin
source "$here/../require.sh"
require_netns
require_tools ansible-playbook sshd ssh ssh-keygen
rm -rf "$ARTIFACTS"
source "$here/../cli/lib.sh"
trap - EXIT

P=ta$$          # namespaces: ${P}c controller, ${P}a / ${P}b sites, ${P}a0... devices
PIDS=()
NAMESPACES=()
T=$(mktemp -d /tmp/tqm530r-sites.XXXXXX)
made_privsep=0

teardown() {
  local p ns
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null; done
  PIDS=()
  for ns in "${NAMESPACES[@]}"; do ip netns del "$ns" 2>/dev/null; done
  NAMESPACES=()
  [ "$made_privsep" = 1 ] && rmdir /run/sshd 2>/dev/null
  rm -rf "$T"
}
trap teardown EXIT

netns_add() { ip netns add "$1" && NAMESPACES+=("$1") && ip -n "$1" link set lo up; }

# The controller holds the management bridge, 10.88.0.0/24.
netns_add "${P}c"
ip -n "${P}c" link add mgmt0 address 02:00:00:88:00:01 type bridge
ip -n "${P}c" addr add 10.88.0.1/24 dev mgmt0
ip -n "${P}c" link set mgmt0 up

# site NAME INDEX: ${P}NAME at 10.88.0.(9+INDEX), its device bridge devs0 at 10.88.INDEX.1/24.
site() {
  local ns=${P}$1 i=$2
  netns_add "$ns"
  ip -n "$ns" link add mgmt type veth peer name "s$1" netns "${P}c"
  ip -n "${P}c" link set "s$1" master mgmt0 up
  ip -n "$ns" addr add "10.88.0.$((9 + i))/24" dev mgmt
  ip -n "$ns" link set mgmt up
  # Fixed MACs without the maker's bits: a random one would carry them now and then.
  ip -n "$ns" link add devs0 address "02:00:00:88:0$i:01" type bridge
  ip -n "$ns" addr add "10.88.$i.1/24" dev devs0
  ip -n "$ns" link set devs0 up
  ip -n "$ns" route add 224.0.0.0/4 dev devs0
}

# device SITE INDEX N VERSION [simulator options...]: a simulated device at 10.88.INDEX.(10+N).
device() {
  local s=$1 i=$2 n=$3 version=$4; shift 4
  local ns=${P}$s$n addr=10.88.$i.$((10 + n))
  netns_add "$ns"
  ip -n "$ns" link add eth0 type veth peer name "d$n" netns "${P}$s"
  ip -n "${P}$s" link set "d$n" master devs0 up
  ip -n "$ns" link set eth0 address "02:4c:1a:88:0$i:0$n"
  ip -n "$ns" addr add "$addr/24" dev eth0
  ip -n "$ns" link set eth0 up
  ip -n "$ns" route add 224.0.0.0/4 dev eth0
  ip netns exec "$ns" "$SIM" --bind "$addr" --firmware-version "$version" --log "$ARTIFACTS/$s$n.log" \
    --compare "$IMAGE" "$@" > "$ARTIFACTS/$s$n.out" 2>&1 &
  PIDS+=($!)
}

# sshd on the site's management address, root by the test's key only.
sshd_start() {
  local s=$1 addr=$2
  cat > "$T/sshd-$s.conf" <<CONF
ListenAddress $addr
HostKey $T/host_key
PidFile $T/sshd-$s.pid
AuthorizedKeysFile $T/client_key.pub
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
Subsystem sftp internal-sftp
CONF
  ip netns exec "${P}$s" "$(command -v sshd)" -D -f "$T/sshd-$s.conf" -E "$ARTIFACTS/sshd-$s.log" &
  PIDS+=($!)
}

started=$SECONDS
site a 1
site b 2
device a 1 0 1.0.01
device a 1 1 0.1.0
device a 1 2 1.0.05
device b 2 0 1.0.01
device b 2 1 1.0.01 --close-after-lines 2000

ssh-keygen -q -t ed25519 -N '' -f "$T/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$T/client_key"
[ -d /run/sshd ] || { mkdir -p /run/sshd && made_privsep=1; }
sshd_start a 10.88.0.10
sshd_start b 10.88.0.11
for f in a0 a1 a2 b0 b1; do wait_for "$ARTIFACTS/$f.out" '^listening' 10 || { echo "simulator $f did not start"; exit 1; }; done
for s in a b; do wait_for "$ARTIFACTS/sshd-$s.log" 'Server listening' 10 || { echo "sshd $s did not start"; cat "$ARTIFACTS/sshd-$s.log"; exit 1; }; done

mkdir -p "$T/home" "$ARTIFACTS/locks"
cat > "$T/inventory.ini" <<INV
[sites]
site_a ansible_host=10.88.0.10
site_b ansible_host=10.88.0.11

[sites:vars]
ansible_user=root
ansible_ssh_private_key_file=$T/client_key
ansible_ssh_common_args='-o StrictHostKeyChecking=no -o UserKnownHostsFile=$T/known_hosts'
ansible_python_interpreter=/usr/bin/python3
device_interface=devs0
tqm530r_path=$CLI
out_dir=$ARTIFACTS
INV
cat > "$T/ansible.cfg" <<CFG
[defaults]
inventory = $T/inventory.ini
collections_path = $COLLECTIONS
local_tmp = $T/local
remote_tmp = $T/remote
retry_files_enabled = false
[ssh_connection]
pipelining = true
ssh_args = -F /dev/null -o ControlMaster=no -o ControlPersist=no
control_path_dir = $T/cp
CFG

# playbook NAME [ansible-playbook options...]: from the controller; sets RC and OUT.
playbook() {
  local name=$1; shift
  run "playbook-$name" ip netns exec "${P}c" env HOME="$T/home" LC_ALL=C.UTF-8 ANSIBLE_CONFIG="$T/ansible.cfg" \
    ansible-playbook "$here/sites.yml" -e run_name="$name" "$@"
}
# recap HOST: the PLAY RECAP line of HOST.
recap() { grep -E "^$1 +:" <<<"$OUT"; }
# result NAME HOST EXPR: a Python expression over u (the update's result) and v (the devices').
result() { python3 -c 'import json,sys
r=json.load(open(sys.argv[1])); u=r["update"]; v=r["devices"]
by={d["device"]: d for d in u.get("devices", [])}
assert eval(sys.argv[2]), json.dumps(r, indent=1)' "$ARTIFACTS/$1-$2.json" "$3"; }
initbufs() { cat "$ARTIFACTS"/{a0,a1,a2,b0,b1}.log | grep -c '^initbuf$'; }

playbook check --check
check "check mode: exit 0, both sites report a change and no failure" eval \
  'is $RC 0 && has "$(recap site_a)" "changed=1" && has "$(recap site_b)" "changed=1" && has "$(recap site_a)" "failed=0" && has "$(recap site_b)" "failed=0"'
check "check mode: site A plans update, update, skip; no device written" result check site_a \
  '[(d["result"], d["before"], d["written"]) for d in u["devices"]] == [("update","1.0.01",False), ("update","0.1.0",False), ("skip","1.0.05",False)] and u["changed"] and u["counts"] == {"update": 2, "skip": 1}'
check "check mode: tqm530r_devices_info lists site A's versions and actions" result check site_a \
  '[(d["ip"], d["version"], d["action"]) for d in v["devices"]] == [("10.88.1.10","1.0.01","update"), ("10.88.1.11","0.1.0","update"), ("10.88.1.12","1.0.05","skip")] and v["needs_update"] and not v["changed"] and all(d["mac"].startswith("02-4c-1a-88-01-") for d in v["devices"])'
check "check mode: no simulator received initbuf" is "$(initbufs)" 0

playbook run
check "real run: exit 2 (a host failed); site A changed, site B failed" eval \
  'is $RC 2 && has "$(recap site_a)" "failed=0" && has "$(recap site_a)" "changed=1" && has "$(recap site_b)" "failed=1"'
check "real run: site A verified, verified, skipped, with the versions before and after" result run site_a \
  '[(d["result"], d["before"], d["after"], d["written"]) for d in u["devices"]] == [("verified","1.0.01","1.0.05",True), ("verified","0.1.0","1.0.05",True), ("skipped","1.0.05","1.0.05",False)] and u["changed"] and not u.get("failed") and u["rc"] == 0 and u["counts"] == {"verified": 2, "skipped": 1}'
check "real run: site B failed for its bad device only, its reason in msg; the good one verified" result run site_b \
  'u["failed"] and u["changed"] and by["10.88.2.10"]["result"] == "verified" and by["10.88.2.11"]["result"] == "failed" and not by["10.88.2.11"]["written"] and u["msg"] == "10.88.2.11: failed: " + by["10.88.2.11"]["detail"] and "closed the connection" in u["msg"]'
check "real run: each site host's history holds its devices' records" eval \
  '[ "$(wc -l < "$ARTIFACTS/history-site_a.jsonl")" = 3 ] && [ "$(wc -l < "$ARTIFACTS/history-site_b.jsonl")" = 2 ]'

playbook again
check "second run: site A unchanged and not failed, every device skipped" eval \
  'has "$(recap site_a)" "changed=0" && has "$(recap site_a)" "failed=0" && result again site_a "not u[\"changed\"] and u[\"counts\"] == {\"skipped\": 3}"'
check "second run: site B fails again for the bad device, the good one skipped" result again site_b \
  'u["failed"] and not u["changed"] and by["10.88.2.10"]["result"] == "skipped" and by["10.88.2.11"]["result"] == "failed"'
# On the controller itself: its management bridge has no device on it.
adhoc() {
  run "adhoc-$1" ip netns exec "${P}c" env HOME="$T/home" LC_ALL=C.UTF-8 ANSIBLE_CONFIG="$T/ansible.cfg" \
    ansible localhost -e ansible_python_interpreter=/usr/bin/python3 -m "tqm530r.fleet.$2" -a "$3"
}
adhoc empty tqm530r_devices_info "interface=mgmt0 wait=500 tqm530r=$CLI"
check "tqm530r_devices_info on a segment where nobody answers: an empty list, not a failure" eval \
  'is $RC 0 && has "$OUT" "localhost | SUCCESS" && has "$OUT" "\"devices\": []" && has "$OUT" "\"needs_update\": false"'
adhoc old-name tqm530r_devices "interface=mgmt0 wait=500 tqm530r=$CLI"
check "the old name tqm530r_devices still runs tqm530r_devices_info" eval \
  'is $RC 0 && has "$OUT" "localhost | SUCCESS" && has "$OUT" "\"devices\": []"'
adhoc neither tqm530r_update "tqm530r=$CLI"
check "tqm530r_update with neither hosts nor all: fails, names them" eval \
  'is $RC 2 && has "$OUT" "one of the following is required: hosts, all"'
took=$((SECONDS - started))
teardown
trap - EXIT

check "the updated devices hold the image; the bad one and the current one were never flashed" eval \
  'for f in a0 a1 b0; do grep -q "flash matches image: yes" "$ARTIFACTS/$f.out" || exit 1; done; ! grep -qx flash "$ARTIFACTS/a2.log" "$ARTIFACTS/b1.log"'
check "nothing left behind: no namespace of this test, no temporary files" eval \
  '! ip netns list | grep -q "^$P" && [ ! -e "$T" ]'
echo "took $took s"
finish
