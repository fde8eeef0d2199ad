#!/usr/bin/env python3
"""Property test: packer on 2,000 random inputs (n up to 14; radii drawn at
random and just above and below the thresholds where 4r^2 crosses a sum of
two squares).  Every answer must be a valid packing in exact arithmetic,
and its count optimal: against a brute-force maximum for n <= 7, and
against the closed forms for radii up to 1; every fourth is asked for its
count alone as well, which must be the answer's.  Then sides up to 63 at
radii up to 1: the count alone against the closed forms, and the whole
answer too where every row is full."""
import math
import random
import subprocess
import sys
from decimal import Decimal, getcontext
from fractions import Fraction

from packing import brute_force_optimum, read_radius, validate

CASES = 2000


def radii(rng):
    """Yields radius texts: random decimals, and threshold neighbours far
    enough (1e-18, many ulps) from sqrt(d)/2 that rounding to 64 bits keeps
    them on their side."""
    getcontext().prec = 40
    sums = sorted({i * i + j * j for i in range(9) for j in range(9)} - {0, 1})
    # First each threshold from both sides, then a random mix.
    for d in sums:
        for side in (1, -1):
            yield f"{Decimal(d).sqrt() / 2 + Decimal('1e-18') * side:.30f}"
    while True:
        if rng.random() < 0.5:
            places = rng.randint(1, 6)
            yield f"{rng.uniform(0.5, 4.0):.{places}f}"
        else:
            d = rng.choice(sums)
            threshold = Decimal(d).sqrt() / 2
            offset = Decimal("1e-18") * rng.choice([1, -1])
            yield f"{threshold + offset:.30f}"


def closed_form(n, radius):
    """The optimum where it is known in closed form, else None."""
    side = n - 1  # interior points per axis
    if 4 * radius * radius <= 2:  # only direct neighbours collide
        return (side * side + 1) // 2
    if radius <= 1:  # diagonal neighbours collide too
        return ((side + 1) // 2) ** 2
    return None


def ask(program, n, text, *options):
    return subprocess.run([program, *options], input=f"{n} {text}\n",
                          text=True, capture_output=True, timeout=600).stdout


def answered_count(program, n, text, radius):
    """The count of packer's answer, checked valid; None, said, if not."""
    try:
        return len(validate(n, radius, ask(program, n, text)))
    except ValueError as e:
        print(f"n={n} r={text}: invalid answer: {e}")
        return None


def main():
    program = sys.argv[1]
    rng = random.Random(2026)
    source = radii(rng)
    failures = checked_optimal = 0

    def expect(n, text, what, got, want):
        nonlocal failures
        if got != want:
            print(f"n={n} r={text}: {what} {got!r}, expected {want!r}")
            failures += 1

    for case in range(CASES):
        n = rng.randint(1, 14)
        text = next(source)
        radius = read_radius(text)
        if radius <= Fraction(1, 2):
            continue
        count = answered_count(program, n, text, radius)
        if count is None:
            failures += 1
            continue
        if case % 4 == 0:
            expect(n, text, "--count says", ask(program, n, text, "--count"),
                   f"{count}\n")
        want = closed_form(n, radius)
        if want is None and n <= 7:
            want = brute_force_optimum(n, radius)
        if want is not None:
            checked_optimal += 1
            expect(n, text, "circles", count, want)
    for case in range(40):
        n = rng.randint(15, 63)
        text = f"{rng.uniform(0.5, 1.0):.{rng.randint(1, 6)}f}"
        radius = read_radius(text)
        if radius <= Fraction(1, 2):
            continue
        want = closed_form(n, radius)
        checked_optimal += 1
        expect(n, text, "--count says", ask(program, n, text, "--count"),
               f"{want}\n")
        count = answered_count(program, n, text, radius)
        if count is None:
            failures += 1
            continue
        expect(n, text, "circles", count, want)
    print(f"{CASES + 40} cases, {checked_optimal} checked for optimality, "
          f"{failures} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
