#!/usr/bin/env python3
"""The packing problem as an integer programme, for a general solver as a
yardstick: a 0/1 variable per lattice point where a circle fits, maximise
their sum, and at most one circle in every set of points that pairwise
overlap.  Those sets are the axis-parallel rectangles of points whose
diagonal is shorter than a diameter, at every position: every overlapping
pair spans such a rectangle, so the constraints exclude exactly the
overlaps, and being cliques they make the relaxation far tighter than one
row per pair.

  bench/mip.py N RADIUS > model.lp       the model in LP format
  bench/mip.py --solve SECONDS N RADIUS  solved by cbc (Debian's
                                         coinor-cbc): "count seconds" when
                                         proven, "unproven best/bound
                                         seconds" past the limit

The radius is taken as the exact decimal typed; the benchmark's radii lie
well away from every threshold, where the 64-bit value read by packer
decides the same."""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time
from fractions import Fraction


def model(n, r):
    four_r2 = 4 * r * r
    fits = [c for c in range(n + 1) if r <= c <= n - r]
    points = {(i, j) for i in fits for j in fits}
    # Maximal rectangle shapes (rows a, columns b apart) whose corners do
    # not reach a diameter apart.
    shapes = [(a, b) for a in range(n + 1) for b in range(n + 1)
              if a * a + b * b < four_r2]
    maximal = [(a, b) for a, b in shapes
               if (a + 1, b) not in shapes and (a, b + 1) not in shapes]
    lines = ["Maximize", " obj: " + " + ".join(
        f"x_{i}_{j}" for i, j in sorted(points)), "Subject To"]
    seen = set()
    for a, b in maximal:
        for i0 in range(n + 1):
            for j0 in range(n + 1):
                cell = frozenset((i, j) for i in range(i0, i0 + a + 1)
                                 for j in range(j0, j0 + b + 1)
                                 if (i, j) in points)
                if len(cell) < 2 or cell in seen:
                    continue
                seen.add(cell)
                lines.append(f" c{len(seen)}: " + " + ".join(
                    f"x_{i}_{j}" for i, j in sorted(cell)) + " <= 1")
    lines.append("Binary")
    lines += [f" x_{i}_{j}" for i, j in sorted(points)]
    lines.append("End")
    return "\n".join(lines) + "\n"


def solve(n, radius, seconds):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "model.lp")
        with open(path, "w") as f:
            f.write(model(n, Fraction(radius)))
        start = time.monotonic()
        run = subprocess.run(["cbc", path, "sec", str(seconds), "threads",
                              "1", "solve"], capture_output=True, text=True)
        took = time.monotonic() - start
    out = run.stdout
    best = re.search(r"Objective value:\s+(-?[\d.e+]+)", out)
    best = round(abs(float(best.group(1)))) if best else 0
    if "Optimal solution found" in out:
        return f"{best} {took:.2f}"
    bound = re.search(r"Upper bound:\s+(-?[\d.e+]+)", out)
    bound = int(abs(float(bound.group(1))) + 1e-6) if bound else "?"
    return f"unproven {best}/{bound} {took:.2f}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--solve", type=float, metavar="SECONDS")
    parser.add_argument("n", type=int)
    parser.add_argument("radius")
    args = parser.parse_args()
    if args.solve:
        print(solve(args.n, args.radius, args.solve))
    else:
        sys.stdout.write(model(args.n, Fraction(args.radius)))


if __name__ == "__main__":
    main()
