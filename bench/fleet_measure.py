#!/usr/bin/env python3
"""One fleet measurement for bench/fleet.sh: runs a command (the updater) or
one floor sender per device, all at once, and prints one line of figures.

  DEVICE_PIDS="PID..." fleet_measure.py floor FLOOR LOG... -- HOST:PORT...
  DEVICE_PIDS="PID..." fleet_measure.py update LOG... -- TQM530R ARGS...

span: from the first "initbuf" to the last "check" that the devices logged
(simulators run with --log-times, whose clock is this one's time.monotonic),
i.e. the image lines of every device; wall: the whole run. CPU: user+system
of every process the run started (the updater's children included), per
image line. RSS: the largest peak (VmHWM) of the run's first process and of
any process it started, sampled from /proc while they run. device_cpu: the
same for the simulators (DEVICE_PIDS), from /proc/PID/stat before and after."""
import os
import resource
import subprocess
import sys
import time


def cpu_seconds():
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


def device_cpu_seconds():
    ticks = 0
    for pid in os.environ.get("DEVICE_PIDS", "").split():
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks += int(fields[11]) + int(fields[12])  # utime, stime
    return ticks / os.sysconf("SC_CLK_TCK")


def peak_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []


def span(logs, since, until):
    first, last = None, None
    for path in logs:
        with open(path) as f:
            for line in f:
                stamp, _, text = line.rstrip("\n").partition(" ")
                try:
                    t = float(stamp)
                except ValueError:
                    continue
                if not since <= t <= until:
                    continue
                if text == "initbuf" and (first is None or t < first):
                    first = t
                if text == "check" and (last is None or t > last):
                    last = t
    return (last - first) if first is not None and last is not None else float("nan")


def main():
    mode, rest = sys.argv[1], sys.argv[2:]
    cut = rest.index("--")
    before, after = rest[:cut], rest[cut + 1:]
    if mode == "floor":
        floor, logs = before[0], before[1:]
        commands = [[floor] + host.rsplit(":", 1) for host in after]
    else:
        logs, commands = before, [after]
    cpu0, device0, start = cpu_seconds(), device_cpu_seconds(), time.monotonic()
    runs = [subprocess.Popen(c, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for c in commands]
    parent_kb = child_kb = 0
    while any(r.poll() is None for r in runs):
        for r in runs:
            parent_kb = max(parent_kb, peak_kb(r.pid))
            for c in children(r.pid):
                child_kb = max(child_kb, peak_kb(c))
        time.sleep(0.2)
    wall = time.monotonic() - start
    cpu = cpu_seconds() - cpu0
    device_cpu = device_cpu_seconds() - device0
    failed = sum(r.returncode != 0 for r in runs)
    print(f"span={span(logs, start, start + wall + 1):.3f} wall={wall:.3f} cpu={cpu:.3f} "
          f"device_cpu={device_cpu:.3f} parent_kb={parent_kb} child_kb={child_kb} failed={failed}")


main()
