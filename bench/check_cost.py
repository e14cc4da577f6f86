#!/usr/bin/env python3
"""Times xmlpp-check --depfile against xmlpp on the same inputs, in the same run.

Usage: check_cost.py BIN_DIR WORK_DIR [RUNS] [BEFORE_XMLPP]
BIN_DIR holds xmlpp and xmlpp-check. With BEFORE_XMLPP (an xmlpp built from
an earlier commit), its time is measured too and compared with xmlpp's.
Inputs (generate.py, into WORK_DIR once): the 100 MB pass-through and the
50 MB directives input with its includes, macros and loops. The programs
take turns, one run each per round and each first in turn, so that a
change in the machine's load reaches them all alike. Prints the median wall time of each over RUNS runs
with min and max, and the ratios of the medians.
"""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
INPUTS = [("project 100 MB (pass-through)", "project", 100, []),
          ("directives 50 MB", "directives", 50, ["platform=ARM"])]


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def fmt(times):
    return "%.3f (%.3f–%.3f)" % (statistics.median(times), min(times), max(times))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    bin_dir, work = os.path.abspath(sys.argv[1]), sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    before = os.path.abspath(sys.argv[4]) if len(sys.argv) > 4 else None
    os.makedirs(work, exist_ok=True)
    print("| input | xmlpp s | xmlpp-check --depfile s | check / xmlpp |" + (" before s | xmlpp / before |" if before else ""))
    print("|---|---|---|---|" + ("---|---|" if before else ""))
    for name, kind, size, macros in INPUTS:
        path = os.path.join(work, "%s-%d.xml" % (kind, size))
        if not os.path.exists(path):
            subprocess.run([sys.executable, os.path.join(HERE, "generate.py"), kind, str(size), path], check=True)
        out, depfile = os.path.join(work, "out.xml"), os.path.join(work, "out.d")
        commands = {"xmlpp": [os.path.join(bin_dir, "xmlpp"), path, out] + macros,
                    "check": [os.path.join(bin_dir, "xmlpp-check"), "--depfile", depfile, path, out] + macros}
        if before:
            commands["before"] = [before, path, out] + macros
        times = {key: [] for key in commands}
        keys = list(commands)
        for round_number in range(runs):
            # Each takes each place in the order in turn: the first run of a
            # round pays for what the last one left (its output file, say).
            shift = round_number % len(keys)
            for key in keys[shift:] + keys[:shift]:
                times[key].append(timed(commands[key]))
        m = {key: statistics.median(value) for key, value in times.items()}
        row = "| %s | %s | %s | %.3f |" % (name, fmt(times["xmlpp"]), fmt(times["check"]), m["check"] / m["xmlpp"])
        if before:
            row += " %s | %+.1f%% |" % (fmt(times["before"]), (m["xmlpp"] / m["before"] - 1) * 100)
        print(row)
        sys.stdout.flush()
    for leftover in ("out.xml", "out.d"):
        if os.path.exists(os.path.join(work, leftover)):
            os.remove(os.path.join(work, leftover))


if __name__ == "__main__":
    main()
