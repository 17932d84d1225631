#!/usr/bin/env python3
"""Runs one `tqm530r update` with its stderr and stdout on a pseudo-terminal
of COLUMNS x ROWS, reads (and drops) what it draws, and prints the CPU time of
the parent process alone, its children's not counted:
    parent_cpu=SECONDS wall=SECONDS bytes=N rc=N
The parent is read from /proc after it ended but before it is reaped, so the
figure is its whole life.   view_measure.py COLUMNS ROWS PROGRAM ARGS..."""
import fcntl
import os
import pty
import struct
import subprocess
import sys
import termios
import threading
import time

columns, rows = int(sys.argv[1]), int(sys.argv[2])
master, slave = pty.openpty()
fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))
drawn = [0]


def drain():
    while True:
        try:
            data = os.read(master, 65536)
        except OSError:
            return
        if not data:
            return
        drawn[0] += len(data)


reader = threading.Thread(target=drain, daemon=True)
reader.start()
started = time.monotonic()
child = subprocess.Popen(sys.argv[3:], stdin=subprocess.DEVNULL, stdout=slave, stderr=slave)
os.close(slave)
os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOWAIT)
wall = time.monotonic() - started
with open("/proc/%d/stat" % child.pid) as f:
    fields = f.read().rsplit(")", 1)[1].split()
ticks = os.sysconf("SC_CLK_TCK")
# Fields 14 and 15 (utime, stime) are the process's own; 16 and 17 its reaped children's.
parent_cpu = (int(fields[11]) + int(fields[12])) / ticks
rc = child.wait()
reader.join(timeout=5)
print("parent_cpu=%.2f wall=%.2f bytes=%d rc=%d" % (parent_cpu, wall, drawn[0], rc))
