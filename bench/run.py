#!/usr/bin/env python3
"""Benchmark: builds the release programs, runs a fixed list of cases through
packer, and prints a table of time, peak memory and count, side by side
with a previous release built from its commit.

  bench/run.py                     the table, against the previous release
  bench/run.py --previous COMMIT   against another commit
  bench/run.py --reference 60      also the straightforward search, each case
                                   with a 60 s limit
  bench/run.py --frontier 34       every class of radii of side 34 (one radius
                                   each), seconds and peak MiB, the slowest
                                   listed; --limit SECONDS per run (60)
  bench/run.py --mip 300           packer --count on the integer-programming
                                   cases, against cbc (bench/mip.py) given
                                   300 s each, when cbc is installed
  bench/run.py --scaling 2         packer --threads 2 against --threads 1 on
                                   the cases of the table, in turn, and the
                                   frontier cases over 5 s (FRONTIER_CASES);
                                   and two runs on one thread side by side,
                                   whose slowdown bounds the speed-up
  --threads K                      the threads packer and the previous
                                   release run on in the other modes
                                   (default 1; a previous release needs the
                                   option: 2.3 or later)
"""
import argparse
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-bench")
# The last release: version 2.19.
PREVIOUS = "8bd7f2c"

# One radius inside each class of radii that behave alike (between two
# neighbouring values sqrt(d)/2) where either release takes over 0.1 s at
# n = 26, then the two hardest classes, 1 < r <= sqrt(5)/2 and
# 3/2 < r <= sqrt(10)/2, for n = 27..32.
CASES = [(26, r) for r in (
    "0.6", "0.75", "1.1", "1.2", "1.45", "1.55", "1.75", "1.9", "2.1",
    "2.2", "2.5")] + [(n, r) for n in range(27, 33) for r in ("1.1", "1.55")]


TOOL = os.path.join(BUILD, "bench", "packer_tool")


def measure(argv, text, timeout=None):
    """Runs argv with `text` on stdin; returns (seconds, peak MiB, stdout,
    exit status), or None past the timeout.  The peak is read by the
    tool's `peak`, not from this process's wait: a process forked from
    this one would count this one's 14 MiB as its own."""
    with tempfile.TemporaryFile() as out, \
            tempfile.NamedTemporaryFile(mode="r") as peak:
        start = time.monotonic()
        proc = subprocess.Popen([TOOL, "peak", peak.name] + argv,
                                stdin=subprocess.PIPE, stdout=out,
                                stderr=subprocess.DEVNULL,
                                start_new_session=True)
        proc.stdin.write(text.encode())
        proc.stdin.close()
        # Waiting without polling: a poll every 5 ms took processor time
        # from a run on every core, and read a run up to 5 ms late, a
        # twentieth of a run of a tenth of a second.
        killed = threading.Event()

        def stop():
            killed.set()
            os.killpg(proc.pid, signal.SIGKILL)  # the tool and its run

        timer = threading.Timer(timeout, stop) if timeout else None
        if timer:
            timer.start()
        _, status, _ = os.wait4(proc.pid, 0)
        seconds = time.monotonic() - start
        if timer:
            timer.cancel()
        if killed.is_set():
            return None
        out.seek(0)
        return (seconds, int(peak.read()) / 1024, out.read(),
                os.waitstatus_to_exitcode(status))


# Where a general integer-programming solver is the yardstick: tie-heavy
# classes it proves at once, and hard ones it does not prove in minutes.
MIP_CASES = [(26, "1.54"), (30, "1.46"), (31, "1.54"), (32, "1.27"),
             (33, "0.6"), (33, "0.85"), (33, "1.46"), (34, "1.9"),
             (36, "2.5"), (40, "6.093020169082536")]


# The classes of the frontier table in bench/README.md that take over 5 s
# on one thread (the radius given there for each).
FRONTIER_CASES = [(34, r) for r in (
    "1.581138", "1.414213", "2.121320", "2.000000", "2.500000", "2.692582",
    "2.236067", "1.802775")]


def sidebyside(argv, text, count):
    """Runs `count` copies of argv at once, each with `text` on stdin;
    returns their mean time.  A run on one thread takes longer while others
    run beside it (the cores share caches and memory, and on a virtual
    machine the host), so `count` times one run alone over this bounds the
    speed-up of `count` threads on this machine."""
    start = time.monotonic()
    procs = [subprocess.Popen([TOOL, "peak", os.devnull] + argv,
                              stdin=subprocess.PIPE,
                              stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
             for _ in range(count)]
    for proc in procs:
        proc.stdin.write(text.encode())
        proc.stdin.close()
    ends = [0.0] * count

    def wait(k):  # each as it ends, whatever the order
        procs[k].wait()
        ends[k] = time.monotonic() - start

    waiters = [threading.Thread(target=wait, args=(k,)) for k in range(count)]
    for waiter in waiters:
        waiter.start()
    for waiter in waiters:
        waiter.join()
    return sum(ends) / count


def scaling(packer, threads, repeat):
    """packer --threads `threads` against --threads 1, paired; and the
    bound the machine sets, from `threads` runs on one thread side by
    side."""
    print(f"| n | radius | count | 1 thread s | MiB | {threads} threads s | "
          f"MiB | speed-up | memory | {threads} side by side s | bound |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for n, radius in CASES + FRONTIER_CASES:
        text = f"{n} {radius}\n"
        many, one, rounds = paired([packer, f"--threads={threads}"],
                                   [packer, "--threads=1"], text, repeat)
        count = one[2].decode().split("\n", 1)[0]
        same = "" if many[2] == one[2] else " (output differs!)"
        side = median([sidebyside([packer, "--threads=1"], text, threads)
                       for _ in range(rounds)])
        print(f"| {n} | {radius} | {count} | {one[0]:.2f} | {one[1]:.0f} | "
              f"{many[0]:.2f} | {many[1]:.0f} | {one[0] / many[0]:.2f}x{same} "
              f"| {many[1] / one[1] - 1:+.0%} | {side:.2f} | "
              f"{threads * one[0] / side:.2f}x |", flush=True)


def frontier(packer, tool, n, limit, slowest=12):
    """Runs packer on one radius of every class of side n; prints the
    slowest runs and how many finished within the limit."""
    radii = subprocess.run([tool, "classes", str(n)], check=True,
                           capture_output=True, text=True).stdout.split()
    runs = []
    for radius in radii:
        got = measure(packer, f"{n} {radius}\n", timeout=limit)
        if got is None:
            runs.append((float("inf"), 0, radius, f"over {limit:.0f} s"))
        elif got[3] != 0:
            runs.append((got[0], got[1], radius, "refused"))
        else:
            count = got[2].decode().split("\n", 1)[0]
            runs.append((got[0], got[1], radius, count))
        print(f"  {radius}: {runs[-1][3]} {runs[-1][0]:.2f} s", file=sys.stderr,
              flush=True)
    answered = sum(1 for r in runs if r[0] <= limit and r[3] != "refused")
    print(f"n = {n}: {answered} of {len(runs)} classes answered within "
          f"{limit:.0f} s; the slowest:\n")
    print("| radius | count | seconds | peak MiB |")
    print("|---|---|---|---|")
    for seconds, peak, radius, count in sorted(runs, reverse=True)[:slowest]:
        shown = "-" if seconds == float("inf") else f"{seconds:.2f}"
        print(f"| {radius} | {count} | {shown} | {peak:.0f} |")


def mip(packer, limit):
    """packer --count against cbc on MIP_CASES."""
    here = os.path.dirname(os.path.abspath(__file__))
    print("| n | radius | packer --count | seconds | cbc | cbc seconds |")
    print("|---|---|---|---|---|---|")
    for n, radius in MIP_CASES:
        got = measure(packer + ["--count"], f"{n} {radius}\n")
        count = got[2].decode().strip()
        solver = subprocess.run(
            [sys.executable, os.path.join(here, "mip.py"), "--solve",
             str(limit), str(n), radius], capture_output=True, text=True,
            check=True).stdout.split()
        print(f"| {n} | {radius} | {count} | {got[0]:.2f} | "
              f"{' '.join(solver[:-1])} | {solver[-1]} |", flush=True)


def median(values):
    """The middle value, the lower of the two middle ones for an even
    count."""
    return sorted(values)[(len(values) - 1) // 2]


def paired(new, old, text, repeat):
    """Runs the two programs in turn, `repeat` times while a run takes
    under 30 s, and at least nine times while every run takes under a
    second (the ratios of the runs of a fifth of a second moved by up to
    0.3 between two runs of three pairs), the order swapped each round
    (whichever runs first was seen to run a third slower); returns the run
    of each with the median time, and how many rounds it made."""
    runs = ([], [])
    k, slowest = 0, 0
    while k < repeat or (k < 9 and slowest < 1):
        for which in ((0, 1) if k % 2 == 0 else (1, 0)):
            runs[which].append(measure([new, old][which], text))
        k += 1
        slowest = max(r[0] for r in runs[0] + runs[1])
        if slowest > 30:
            break
    return tuple(median(r) for r in runs) + (k,)


def build(source, build_dir, targets):
    subprocess.run(["cmake", "-S", source, "-B", build_dir,
                    "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j2", "--target"] +
                   targets, check=True, stdout=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--previous", default=PREVIOUS, metavar="COMMIT")
    parser.add_argument("--reference", type=float, metavar="SECONDS",
                        help="also run the straightforward search with this "
                             "time limit per case")
    parser.add_argument("--repeat", type=int, default=3, metavar="K",
                        help="runs of each program per case (median shown)")
    parser.add_argument("--frontier", type=int, metavar="N")
    parser.add_argument("--limit", type=float, default=60, metavar="SECONDS")
    parser.add_argument("--mip", type=float, metavar="SECONDS")
    parser.add_argument("--scaling", type=int, metavar="THREADS")
    parser.add_argument("--threads", type=int, default=1, metavar="K")
    parser.add_argument("--with-frontier", action="store_true",
                        help="compare on the frontier table's slow classes "
                             "too")
    args = parser.parse_args()
    build(ROOT, BUILD, ["packer", "packer_tool"])
    binary = os.path.join(BUILD, "packer", "packer")
    packer = [binary, f"--threads={args.threads}"]
    if args.scaling:
        return scaling(binary, args.scaling, args.repeat)
    if args.frontier:
        return frontier(packer, TOOL, args.frontier, args.limit)
    if args.mip:
        return mip(packer, args.mip)
    old_source = os.path.join(BUILD, "previous-source")
    if not os.path.isdir(old_source):
        subprocess.run(["git", "-C", ROOT, "worktree", "add", "--detach",
                        old_source, args.previous], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["git", "-C", old_source, "checkout", "--detach",
                    args.previous], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    build(old_source, os.path.join(BUILD, "previous"), ["packer"])
    old = os.path.join(BUILD, "previous", "packer", "packer")

    header = ("| n | radius | count | seconds | peak MiB | previous s "
              "| previous MiB | speed-up |")
    rule = "|---|---|---|---|---|---|---|---|"
    if args.reference:
        header += " reference s |"
        rule += "---|"
    print(header)
    print(rule)
    for n, radius in CASES + (FRONTIER_CASES if args.with_frontier else []):
        text = f"{n} {radius}\n"
        now, was, _ = paired(packer, [old, f"--threads={args.threads}"],
                             text, args.repeat)
        seconds, peak, out, _ = now
        count = out.decode().split("\n", 1)[0]
        row = f"| {n} | {radius} | {count} | {seconds:.2f} | {peak:.0f} |"
        if was[3] != 0:
            row += " refused | | |"
        else:
            same = "" if was[2] == out else " (output differs!)"
            row += (f" {was[0]:.2f} | {was[1]:.0f} | "
                    f"{was[0] / seconds:.1f}x{same} |")
        if args.reference:
            ref = measure([TOOL, "reference"], text, timeout=args.reference)
            if ref is None:
                row += f" > {args.reference:.0f} |"
            else:
                same = "" if ref[2] == out else " (output differs!)"
                row += f" {ref[0]:.2f}{same} |"
        print(row, flush=True)


if __name__ == "__main__":
    sys.exit(main())
