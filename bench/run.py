#!/usr/bin/env python3
"""Benchmark: builds the release programs, runs a fixed list of cases through
packer and prints a table of time, peak memory, states and count.

  bench/run.py                  the table
  bench/run.py --reference 60   also the straightforward search, each case
                                with a 60 s limit, and the speed-up ratio
"""
import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-bench")

CASES = [(26, r) for r in (
    "0.5000001", "0.6", "0.7071", "0.75", "0.8", "1", "1.05", "1.1",
    "1.118034", "1.2", "1.25", "1.4143", "1.5", "1.75", "2", "2.2", "2.5",
    "2.9", "3", "4", "6", "13")] + [
    (20, "1.05"), (20, "2.5"), (24, "1.05"), (24, "2.5")]


def run(argv, text, timeout=None):
    """Runs argv with `text` on stdin; returns (seconds, peak KiB, stdout),
    or None when it ran past the timeout."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    try:
        out, _ = proc.communicate(text.encode(), timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        return None
    seconds = time.monotonic() - start
    # The child has been reaped by communicate(); its peak memory is read
    # from a second run's rusage instead when needed.
    return seconds, out


def peak_kib(argv, text):
    """Peak resident memory of one run, from the kernel's rusage of that
    child alone."""
    proc = subprocess.Popen(argv, stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    proc.stdin.write(text.encode())
    proc.stdin.close()
    _, _, usage = os.wait4(proc.pid, 0)
    return usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--reference", type=float, metavar="SECONDS",
                        help="also run the straightforward search with this "
                             "time limit per case")
    args = parser.parse_args()
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD,
                    "-DCMAKE_BUILD_TYPE=Release"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", "packer",
                    "packer_tool"], check=True, stdout=subprocess.DEVNULL)
    packer = os.path.join(BUILD, "packer", "packer")
    tool = os.path.join(BUILD, "tests", "packer_tool")

    header = "| n | radius | seconds | peak MiB | states | count |"
    rule = "|---|---|---|---|---|---|"
    if args.reference:
        header += " reference s | ratio |"
        rule += "---|---|"
    print(header)
    print(rule)
    times = []
    for n, radius in CASES:
        text = f"{n} {radius}\n"
        seconds, out = run([packer], text)
        times.append(seconds)
        peak = peak_kib([packer], text) / 1024
        states = run([tool, "states"], text)[1].decode().strip()
        count = out.decode().split("\n", 1)[0]
        row = f"| {n} | {radius} | {seconds:.2f} | {peak:.0f} | {states} | {count} |"
        if args.reference:
            ref = run([tool, "reference"], text, timeout=args.reference)
            if ref is None:
                row += f" > {args.reference:.0f} | |"
            else:
                same = "" if ref[1] == out else " (output differs!)"
                row += f" {ref[0]:.2f} | {ref[0] / seconds:.0f}{same} |"
        print(row, flush=True)
    times.sort()
    print(f"\nmedian {times[len(times) // 2]:.2f} s, slowest {times[-1]:.2f} s")


if __name__ == "__main__":
    sys.exit(main())
