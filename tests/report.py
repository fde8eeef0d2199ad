"""Ends a script test: prints each problem found, then a count, and exits
non-zero when there was any."""
import sys


def finish(problems, noun="problems"):
    for p in problems:
        print(p)
    print(f"{len(problems)} {noun}")
    sys.exit(1 if problems else 0)
