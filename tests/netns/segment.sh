# A virtual segment: a host namespace with a bridge and one namespace per
# simulated device, joined by veth pairs. Only this machine's own namespaces
# carry the traffic; teardown ends only the processes started here.
source "$(dirname "${BASH_SOURCE[0]}")/../wait.sh"
SEG=${SEG:-tq$$}
SEG_HOST=${SEG}h
SEG_PIDS=()
SEG_DEVICES=()
SEG_SIMS=0
SEG_PC_ADDR=${SEG_PC_ADDR:-10.77.0.1}

seg_host_exec() { ip netns exec "$SEG_HOST" "$@"; }

seg_create() {
  ip netns add "$SEG_HOST"
  mkdir -p "/etc/netns/$SEG_HOST"
  # The host's own name resolves to its segment address, as on a PC on that segment.
  printf '127.0.0.1 localhost\n%s %s\n' "$SEG_PC_ADDR" "$(hostname)" > "/etc/netns/$SEG_HOST/hosts"
  seg_host_exec ip link set lo up
  # A fixed MAC without the maker's bits: a random one would carry them now and then.
  seg_host_exec ip link add br0 address 02:00:00:77:00:01 type bridge
  seg_host_exec ip addr add "$SEG_PC_ADDR/24" dev br0
  seg_host_exec ip link set br0 up
  seg_host_exec ip route add 224.0.0.0/4 dev br0
}

# seg_add_station INDEX MAC: a namespace ${SEG}dINDEX at 10.77.0.(10+INDEX), nothing running
seg_add_station() {
  local i=$1 mac=$2
  local ns=${SEG}d$i addr=10.77.0.$((10 + i))
  ip netns add "$ns"
  ip link add "${SEG}v$i" type veth peer name "${SEG}p$i"
  ip link set "${SEG}v$i" netns "$ns"
  ip link set "${SEG}p$i" netns "$SEG_HOST"
  seg_host_exec ip link set "${SEG}p$i" master br0 up
  ip netns exec "$ns" ip link set lo up
  ip netns exec "$ns" ip link set "${SEG}v$i" address "$mac"
  ip netns exec "$ns" ip addr add "$addr/24" dev "${SEG}v$i"
  ip netns exec "$ns" ip link set "${SEG}v$i" up
  ip netns exec "$ns" ip route add 224.0.0.0/4 dev "${SEG}v$i"
  SEG_DEVICES+=("$ns")
}

# seg_add_device INDEX MAC [simulator options...]: a simulated device at 10.77.0.(10+INDEX)
seg_add_device() {
  local i=$1 mac=$2; shift 2
  seg_add_station "$i" "$mac"
  ip netns exec "${SEG}d$i" "$SIM" --bind "10.77.0.$((10 + i))" "$@" > "$ARTIFACTS/sim-$i.log" 2>&1 &
  SEG_PIDS+=($!)
  SEG_SIMS=$((SEG_SIMS + 1))
}

# seg_set_loss P: every IP packet arriving in the segment's namespaces (the
# host's and each station's) is dropped with probability P (0 to 1; 0 ends the
# loss). The kernel here has no netem; a drop on INPUT loses the datagram on
# the way, where one on OUTPUT would make the sender's own send fail. ARP is
# not IP and is never dropped.
seg_set_loss() {
  local p=$1 ns
  for ns in "$SEG_HOST" "${SEG_DEVICES[@]}"; do
    ip netns exec "$ns" iptables -F INPUT || return 1
    if [ "$p" != 0 ]; then
      ip netns exec "$ns" iptables -A INPUT -m statistic --mode random --probability "$p" -j DROP || return 1
    fi
  done
}

# seg_dropped_packets: how many packets seg_set_loss's rules dropped so far,
# over every namespace of the segment.
seg_dropped_packets() {
  local ns dropped=0 n
  for ns in "$SEG_HOST" "${SEG_DEVICES[@]}"; do
    n=$(ip netns exec "$ns" iptables -L INPUT -v -n -x | awk '$3 == "DROP" {s += $1} END {print s + 0}')
    dropped=$((dropped + n))
  done
  echo "$dropped"
}

seg_devices_listening() { [ "$(grep -l listening "$ARTIFACTS"/sim-*.log 2>/dev/null | wc -l)" -ge "$SEG_SIMS" ]; }
seg_wait_devices() { wait_until 30 seg_devices_listening; }

seg_teardown() {
  local p ns
  for p in "${SEG_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${SEG_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  for ns in "${SEG_DEVICES[@]}"; do ip netns del "$ns" 2>/dev/null; done
  ip netns del "$SEG_HOST" 2>/dev/null
  rm -rf "/etc/netns/$SEG_HOST"
}
