#!/usr/bin/env python3
"""Checks that a golden output is a valid packing for its input: centres
distinct, ascending, inside the square and at least two radii apart, with a
matching count line."""
import sys

from packing import parse_input, validate


def main():
    with open(sys.argv[1]) as f:
        n, radius = parse_input(f.read())
    with open(sys.argv[2]) as f:
        output = f.read()
    try:
        validate(n, radius, output)
    except ValueError as e:
        print(f"{sys.argv[2]}: {e}")
        sys.exit(1)


if __name__ == "__main__":
    main()
