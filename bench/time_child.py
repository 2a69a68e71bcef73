#!/usr/bin/env python3
"""Runs a command and prints "WALL CPU MAXRSS": its wall time and CPU time
(user + system) in seconds, from the child's own resource usage, and its peak
resident memory in KB. Output of the command goes to /dev/null; its exit code
becomes ours.

The peak memory is taken by /usr/bin/time (Debian package time) inside the
child: a process started straight from this one would count the memory of
the Python interpreter it was forked from. Without /usr/bin/time it is "nan".
"""
import os
import sys
import tempfile
import time

if len(sys.argv) < 2:
    sys.exit("usage: time_child.py COMMAND [ARGS...]")
command = sys.argv[1:]
rss_file = None
if os.access("/usr/bin/time", os.X_OK):
    handle, rss_file = tempfile.mkstemp(prefix="time_child.")
    os.close(handle)
    command = ["/usr/bin/time", "-q", "-f", "%M", "-o", rss_file] + command
start = time.monotonic()
pid = os.fork()
if pid == 0:
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    try:
        os.execvp(command[0], command)
    finally:
        os._exit(127)
_, status, usage = os.wait4(pid, 0)
wall = time.monotonic() - start
rss = "nan"
if rss_file:
    with open(rss_file) as f:
        lines = [line.strip() for line in f if line.strip()]
    os.unlink(rss_file)
    if lines and lines[-1].isdigit():
        rss = lines[-1]
print(f"{wall:.4f} {usage.ru_utime + usage.ru_stime:.4f} {rss}")
sys.exit(os.waitstatus_to_exitcode(status) & 0xFF)
