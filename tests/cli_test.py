#!/usr/bin/env python3
"""packer's command line: --help and --version, refused arguments, operands,
--count, --threads, the progress line, the largest sides answered at once,
and the restart for huge pages (none with --sanitized).  The memory
limit's messages are limits_test.py's.

Usage: cli_test.py PACKER [--sanitized]"""
import os
import pty
import subprocess
import sys
import time

from report import finish


def run(program, args, stdin=b""):
    return subprocess.run([program] + args, input=stdin, capture_output=True,
                          timeout=120)


def on_terminal(program, args, stdin):
    """Runs program with standard error on a pseudo-terminal; returns what
    it wrote to standard output and to the terminal."""
    leader, follower = pty.openpty()
    proc = subprocess.Popen([program] + args, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=follower)
    os.close(follower)
    proc.stdin.write(stdin)
    proc.stdin.close()
    said = b""
    while True:
        try:
            chunk = os.read(leader, 4096)
        except OSError:  # the program has closed the terminal
            break
        if not chunk:
            break
        said += chunk
    out = proc.stdout.read()
    proc.wait(timeout=600)
    os.close(leader)
    return out, said


def main():
    program = sys.argv[1]
    failures = []

    def check(name, ok, got):
        if not ok:
            failures.append(f"{name}: {got}")

    r = run(program, ["--help"])
    check("--help", r.returncode == 0 and r.stdout.startswith(b"usage: packer")
          and b"--max-memory" in r.stdout and b"--threads" in r.stdout
          and not r.stderr, r)
    r = run(program, ["--version"])
    check("--version", r.returncode == 0 and r.stdout.startswith(b"packer ")
          and not r.stderr, r)
    # The parser's cases are unit tests; here only that the program says
    # them on one line, with exit status 2 and nothing on standard output.
    for args, said in [
            (["--bogus"], b"packer: unknown option '--bogus'"),
            (["12"], b"packer: expected N and RADIUS"),
            (["--threads=0"], b"packer: --threads needs a number of threads"),
            (["--threads"], b"packer: --threads needs a number of threads")]:
        r = run(program, args, b"5 1\n")
        check(" ".join(args), r.returncode == 2 and not r.stdout
              and r.stderr.startswith(said)
              and r.stderr.count(b"\n") == 1, r)

    # No arguments, and a generous limit: the answer as always; the two
    # numbers as operands: the same answer, standard input unread.
    plain = run(program, [], b"12 1.5\n")
    operands = run(program, ["12", "1.5"], b"5 1\n")
    check("packer 12 1.5", operands.returncode == 0 and
          operands.stdout == plain.stdout, operands)
    r = run(program, ["--", "3", "-1"])
    check("packer -- 3 -1", r.returncode == 0 and
          r.stdout == b"4\n1 1\n1 2\n2 1\n2 2\n", r)
    limited = run(program, ["--max-memory=1G"], b"12 1.5\n")
    check("--max-memory=1G", plain.returncode == 0 and plain.stdout
          and limited.stdout == plain.stdout, (plain, limited))

    # Every number of threads prints the same bytes: the bounded search
    # with rows large enough to be shared, and the count.
    for args in [["22", "1.2"], ["24", "1.55"], ["26", "2.5"],
                 ["--count", "24", "1.55"]]:
        runs = [run(program, ["--threads=%d" % k] + args) for k in (1, 2, 3)]
        check("--threads 1, 2, 3: " + " ".join(args),
              all(r.returncode == 0 and r.stdout == runs[0].stdout and
                  not r.stderr for r in runs) and runs[0].stdout, runs)

    # --count prints the first line of the answer alone, from standard
    # input or operands, and refuses what the full run refuses.
    for text in [b"12 1.5\n", b"1 0.3\n", b"5 0.3\n", b"14 0.85\n",
                 b"21 1.46\n", b"20 2\n", b"9 100\n"]:
        full = run(program, [], text)
        count = run(program, ["--count"], text)
        first = full.stdout.split(b"\n")[0] + b"\n"
        check("--count " + text.decode().strip(), count.returncode == 0 and
              full.returncode == 0 and count.stdout == first and
              not count.stderr, (full, count))
    r = run(program, ["--count", "12", "1.5"])
    check("--count 12 1.5", r.returncode == 0 and r.stdout == b"9\n", r)
    for text in [b"0 1\n", b"12\n", b"64 2\n"]:
        r = run(program, ["--count"], text)
        check("--count " + text.decode().strip(), r.returncode == 2 and
              not r.stdout and r.stderr.count(b"\n") == 1, r)
    # Every row full, just above radius one half, which the bounds prove
    # at once, and the grids above sqrt(2)/2 up to 1 and above sqrt(2) up
    # to 3/2: answered at once however large the side.
    for radius, want in [(b"0.6", b"1922\n"), (b"0.75", b"961\n")]:
        r = run(program, ["--count"], b"63 " + radius)
        check("--count 63 " + radius.decode(), r.returncode == 0 and
              r.stdout == want, r)
    r = run(program, ["63", "0.6"])
    check("63 0.6", r.returncode == 0 and r.stdout.startswith(b"1922\n")
          and r.stdout.count(b"\n") == 1923, (r.returncode, r.stderr))
    # The odd rows and columns below n; every third row and column from 2
    # up to n - 2.
    for text, count in [(b"63 1\n", 31 ** 2), (b"63 0.75\n", 31 ** 2),
                        (b"40 0.75\n", 20 ** 2), (b"34 1\n", 17 ** 2),
                        (b"63 1.5\n", 20 ** 2), (b"48 1.46\n", 15 ** 2),
                        (b"36 1.4143\n", 11 ** 2)]:
        started = time.monotonic()
        r = run(program, [], text)
        seconds = time.monotonic() - started
        lines = r.stdout.split(b"\n")
        check(text.decode().strip(),
              r.returncode == 0 and not r.stderr and
              lines[0] == str(count).encode() and
              len(lines) == count + 2 and seconds < 30, (r, seconds))
    # A run of a few seconds (on one thread: the line appears after the
    # first second): progress on a terminal, erased at the end, and
    # nothing at all when standard error is not a terminal.
    quiet = run(program, ["--threads=1"], b"29 1.55\n")
    check("29 1.55, standard error not a terminal",
          quiet.returncode == 0 and quiet.stdout and not quiet.stderr, quiet)
    shown = on_terminal(program, ["--threads=1"], b"29 1.55\n")
    check("29 1.55, standard error a terminal",
          shown[0] == quiet.stdout and b"\r\x1b[Kpacker: " in shown[1] and
          b" of 29, " in shown[1] and b" thread" in shown[1] and
          shown[1].endswith(b"\r\x1b[K"),
          shown[1][-200:])

    # Where the system leaves huge pages to each program, packer starts
    # again once with the allocator asked for them, unless the caller chose:
    # the environment it started with last says which (read while packer
    # waits for its input; the C library cuts the variable's value at each
    # ':' there as it reads it), and the answer is the same.
    try:
        with open("/sys/kernel/mm/transparent_hugepage/enabled") as f:
            asked = "[madvise]" in f.read() and "--sanitized" not in sys.argv
    except OSError:
        asked = False
    for given, restarts in [(None, asked), ("glibc.malloc.hugetlb=0", False),
                            ("glibc.malloc.tcache_count=0", asked)]:
        env = dict(os.environ)
        env.pop("GLIBC_TUNABLES", None)
        if given:
            env["GLIBC_TUNABLES"] = given
        proc = subprocess.Popen([program], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, env=env)
        for _ in range(20):
            with open("/proc/%d/environ" % proc.pid, "rb") as f:
                started = f.read().split(b"\0")
            seen = b"glibc.malloc.hugetlb=1" in started or \
                b"GLIBC_TUNABLES=glibc.malloc.hugetlb=1" in started
            if seen:
                break
            time.sleep(0.05)
        # Restarted or not, it goes by its own name in ps and top.
        with open("/proc/%d/comm" % proc.pid) as f:
            name = f.read().strip()
        out, _ = proc.communicate(b"12 1.5\n", timeout=60)
        check("GLIBC_TUNABLES %s" % given, proc.returncode == 0 and
              out == plain.stdout and seen == restarts and
              name == os.path.basename(program)[:15],
              (given, name, [v for v in started if b"glibc" in v.lower()]))

    finish(failures, "failed")


if __name__ == "__main__":
    main()
