#!/usr/bin/env python3
"""Runs programs with the same arguments in turn, RUNS times each, and
prints the minimum and median of their wall and CPU times (user + system).

Usage: compare.py RUNS NAME:PROGRAM [NAME:PROGRAM ...] -- ARGUMENTS

The runs are interleaved (first program, second, first, ...), so that a
machine whose speed changes from one minute to the next slows all of them
alike; CPU time is less disturbed by other work on the machine than wall
time.
"""
import resource
import subprocess
import sys
import time


def main():
    if "--" not in sys.argv or len(sys.argv) < 4:
        sys.exit(__doc__)
    split = sys.argv.index("--")
    runs = int(sys.argv[1])
    programs = [entry.split(":", 1) for entry in sys.argv[2:split]]
    arguments = sys.argv[split + 1:]
    times = {name: [] for name, _ in programs}
    for _ in range(runs):
        for name, program in programs:
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            status = subprocess.run([program] + arguments, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL).returncode
            elapsed = time.perf_counter() - start
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
            times[name].append((elapsed, cpu, status))
    for name, samples in times.items():
        walls = sorted(s[0] for s in samples)
        cpus = sorted(s[1] for s in samples)
        statuses = sorted(set(s[2] for s in samples))
        print("%-8s wall min %.4f median %.4f   cpu min %.4f median %.4f   status %s"
              % (name, walls[0], walls[len(walls) // 2], cpus[0], cpus[len(cpus) // 2], statuses))


if __name__ == "__main__":
    main()
