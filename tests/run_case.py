#!/usr/bin/env python3
"""Runs one golden case: PROGRAM < STEM.in must print STEM.out exactly, exit
with STEM.status (0 when absent) and write STEM.err to standard error (empty
when absent).  Usage: run_case.py [EMULATOR ...] PROGRAM STEM."""
import os
import subprocess
import sys


def read(path, default):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read()


def main():
    command, stem = sys.argv[1:-1], sys.argv[-1]
    with open(stem + ".in", "rb") as f:
        run = subprocess.run(command, stdin=f, capture_output=True, timeout=600)
    want_out = read(stem + ".out", b"")
    want_err = read(stem + ".err", b"")
    want_status = int(read(stem + ".status", b"0"))
    failures = []
    if run.returncode != want_status:
        failures.append(f"exit status {run.returncode}, expected {want_status}")
    if run.stdout != want_out:
        got = run.stdout.decode(errors="replace").splitlines()
        want = want_out.decode(errors="replace").splitlines()
        for k in range(max(len(got), len(want))):
            g = got[k] if k < len(got) else "<end>"
            w = want[k] if k < len(want) else "<end>"
            if g != w:
                failures.append(f"stdout line {k + 1}: got {g!r}, expected {w!r}")
                break
        else:
            failures.append("stdout differs in its line endings")
    if run.stderr != want_err:
        failures.append(f"stderr {run.stderr!r}, expected {want_err!r}")
    for failure in failures:
        print(f"{os.path.basename(stem)}: {failure}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
