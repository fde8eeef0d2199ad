#!/usr/bin/env python3
"""A sweep over the sides past 26: for every n from FIRST to LAST, one
radius inside each of a spread of radius classes (the steps between
neighbouring thresholds sqrt(d)/2), run with a time limit; every answer is
checked by the independent checker (tests/packing.py), and every other
outcome must be a clean one-line refusal.

Usage: sweep_range.py PACKER [FIRST LAST] [--timeout S] [--jobs J]
                      [--max-memory SIZE]

Prints one line per run and a summary: runs answered and checked, runs
refused cleanly (memory), runs past the time limit, and failures (a crash,
an invalid packing, or a message that is not one line)."""
import argparse
import concurrent.futures
import math
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests"))
from packing import read_radius, validate  # noqa: E402


def thresholds(n):
    return sorted({i * i + j * j for i in range(n + 1) for j in range(n + 1)
                   if 0 < i * i + j * j <= n * n})


def classes(n):
    """(low, high) threshold pairs of a spread of classes: those holding
    radii near a few fixed values, fractions of n, and the radii whose last
    admissible column is 31, 32 or 33."""
    t = thresholds(n)
    pairs = list(zip(t, t[1:]))
    targets = [0.6, 0.85, 1.06, 1.27, 1.5, 1.9, 2.5, 3.5, n / 8, n / 5,
               n / 3, n - 31.5, n - 32.5, n - 33.5]
    chosen = []
    for r in targets:
        if r <= 0.5 or r >= n / 2:
            continue
        pair = min(pairs, key=lambda p: abs(math.sqrt(p[0]) / 2 +
                                            math.sqrt(p[1]) / 2 - 2 * r))
        if pair not in chosen:
            chosen.append(pair)
    return chosen


def middle(pair):
    """A radius halfway between the class's bounds (classes are at least
    1/252 wide, far more than a double's error)."""
    low, high = pair
    return f"{(math.sqrt(low) + math.sqrt(high)) / 4:.12f}"


def run(packer, n, radius, timeout, maxmemory):
    started = time.monotonic()
    try:
        r = subprocess.run([packer, f"--max-memory={maxmemory}"],
                           input=f"{n} {radius}\n".encode(),
                           capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return n, radius, "timeout", time.monotonic() - started, ""
    seconds = time.monotonic() - started
    err = r.stderr.decode(errors="replace")
    if r.returncode == 0:
        try:
            count = len(validate(n, read_radius(radius), r.stdout.decode()))
        except ValueError as e:
            return n, radius, "FAIL", seconds, f"invalid packing: {e}"
        if err:
            return n, radius, "FAIL", seconds, f"stderr {err!r}"
        return n, radius, "ok", seconds, str(count)
    lines = err.splitlines()
    if r.returncode == 1 and not r.stdout and len(lines) == 1 and \
            lines[0].startswith("packer: ") and \
            ("out of memory" in err or "needs at least" in err):
        return n, radius, "refused", seconds, lines[0]
    return n, radius, "FAIL", seconds, f"status {r.returncode}: {err!r}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("packer")
    ap.add_argument("first", type=int, nargs="?", default=27)
    ap.add_argument("last", type=int, nargs="?", default=63)
    ap.add_argument("--timeout", type=float, default=60)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--max-memory", default="8G")
    args = ap.parse_args()
    work = [(n, middle(p)) for n in range(args.first, args.last + 1)
            for p in classes(n)]
    tally = {}
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        futures = [pool.submit(run, args.packer, n, r, args.timeout,
                               args.max_memory) for n, r in work]
        for f in futures:
            n, radius, outcome, seconds, said = f.result()
            tally[outcome] = tally.get(outcome, 0) + 1
            print(f"{n}\t{radius}\t{outcome}\t{seconds:.1f}\t{said}",
                  flush=True)
    print(f"runs {len(work)}: " +
          ", ".join(f"{k} {v}" for k, v in sorted(tally.items())))
    sys.exit(1 if tally.get("FAIL") else 0)


if __name__ == "__main__":
    main()
