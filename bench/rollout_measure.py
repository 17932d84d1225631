#!/usr/bin/env python3
"""One rollout measurement for bench/rollout.sh: runs `tqm530r update --json
...`, stamps each JSON line as it arrives (time.monotonic) and prints one
line of figures.

  rollout_measure.py SOAK TQM530R ARGS...

wall: the whole run; first: from the run's start to the first device's
first phase (the versions read first, for a rollout); between: for each
pair of waves, from the last result of the one to the first phase of the
next, less the soak: the time the run spends between waves beyond the soak
(the reading again of the wave's devices and the start of the next
processes); failed: devices not verified."""
import json
import subprocess
import sys
import time


def main():
    soak = float(sys.argv[1])
    command = sys.argv[2:]
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
    first_phase, last_result, soaks, failed = {}, {}, [], 0
    for line in process.stdout:
        now = time.monotonic() - start
        try:
            event = json.loads(line)
        except ValueError:
            continue
        kind, device = event.get("event"), event.get("device")
        if kind == "phase" and device not in first_phase:
            first_phase[device] = now
        elif kind == "result":
            last_result[device] = now
        elif kind == "soak":
            soaks.append(now)
        elif kind == "summary":
            failed = sum(d["result"] != "verified" for d in event["devices"])
    process.wait()
    wall = time.monotonic() - start
    between = []
    for at in soaks:
        ended = max(t for t in last_result.values() if t <= at)
        next_start = min((t for t in first_phase.values() if t > at), default=None)
        if next_start is not None:
            between.append(next_start - ended - soak)
    first = min(first_phase.values()) if first_phase else float("nan")
    print("wall=%.3f first=%.3f waves=%d between=%s failed=%d" % (
        wall, first, len(soaks) + 1, ",".join("%.3f" % b for b in between) or "-", failed))


if __name__ == "__main__":
    main()
