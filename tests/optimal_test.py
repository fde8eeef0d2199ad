#!/usr/bin/env python3
"""Runs packer on small squares and checks each answer twice over: it is a
valid packing, and its count equals an independent brute-force maximum.
At n = 26 it checks the counts known in closed form."""
import subprocess
import sys
from fractions import Fraction

from packing import brute_force_optimum, validate

# Round radii, and radii on both sides of the thresholds where 2r or 4r^2
# crosses an integer.
RADII = ["0.50001", "0.6", "0.7071", "0.7072", "0.75", "0.99999", "1",
         "1.0001", "1.118", "1.1181", "1.25", "1.4142", "1.4143", "1.5",
         "1.5001", "1.75", "2", "2.2", "2.5", "3", "3.5"]

# Closed forms at n = 26: just above one half the circles take every other
# point in checkerboard fashion ((25 * 25 + 1) / 2 of them); at radius 1,
# every other row and column (13 * 13).
CLOSED = [(26, "0.5000001", 313), (26, "1", 169), (26, "0.7", 313)]


def run(program, n, radius):
    out = subprocess.run([program], input=f"{n} {radius}\n", text=True,
                         capture_output=True, timeout=600, check=True).stdout
    return validate(n, Fraction(radius), out)


def main():
    program = sys.argv[1]
    failures = 0
    for n in range(1, 8):
        for radius in RADII:
            got = len(run(program, n, radius))
            want = brute_force_optimum(n, Fraction(radius))
            if got != want:
                print(f"n={n} r={radius}: {got} circles, optimum is {want}")
                failures += 1
    for n, radius, want in CLOSED:
        got = len(run(program, n, radius))
        if got != want:
            print(f"n={n} r={radius}: {got} circles, expected {want}")
            failures += 1
    print(f"{failures} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
