#!/usr/bin/env python3
"""Checks that a golden output is a valid packing for its input: centres
distinct, ascending, inside the square and at least two radii apart, with a
matching count line.  For sides up to 9 the count must also equal an
independent brute-force maximum."""
import sys
from fractions import Fraction

from packing import brute_force_optimum, parse_input, validate


def main():
    with open(sys.argv[1]) as f:
        n, radius = parse_input(f.read())
    with open(sys.argv[2]) as f:
        output = f.read()
    try:
        count = len(validate(n, radius, output))
    except ValueError as e:
        print(f"{sys.argv[2]}: {e}")
        sys.exit(1)
    if radius > Fraction(1, 2) and n <= 9:
        best = brute_force_optimum(n, radius)
        if count != best:
            print(f"{sys.argv[2]}: {count} circles, the optimum is {best}")
            sys.exit(1)


if __name__ == "__main__":
    main()
