#!/usr/bin/env python3
"""Every program under hostile conditions: huge or unreadable input, memory
limits set by the caller or by --max-memory (too small even to start, or
too small for the search), and output that cannot be written.  Each time
the run fails visibly and cleanly: the expected exit status, standard
output empty, and one line on standard error naming the program.

Usage: limits_test.py PACKER PACKRANGE PACKSVG TEST [--no-memory-limit]"""
import os
import resource
import subprocess
import sys

from report import finish

problems = []


def expect_failure(name, run, status, program, said=()):
    errors = []
    if run.returncode != status:
        errors.append(f"exit status {run.returncode}, expected {status}")
    if run.stdout:
        errors.append(f"wrote {len(run.stdout)} bytes to standard output")
    text = run.stderr.decode(errors="replace")
    lines = text.splitlines()
    if len(lines) != 1 or not lines[0].startswith(program + ": "):
        errors.append(f"standard error was {lines!r}")
    for words in said:
        if words not in text:
            errors.append(f"standard error {text!r} lacks {words!r}")
    problems.extend(f"{name}: {e}" for e in errors)


def run(argv, stdin=b"", limit=None, **kw):
    def cap():
        if limit is not None:
            resource.setrlimit(resource.RLIMIT_AS, limit)
    return subprocess.run(argv, input=stdin, capture_output=True,
                          preexec_fn=cap, timeout=300, **kw)


def blanks(packer):
    proc = subprocess.Popen([packer], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    chunk = b" \n\t" * (1 << 20)
    try:
        for _ in range(100):  # 300 MiB
            proc.stdin.write(chunk)
        proc.stdin.close()
    except BrokenPipeError:
        pass
    out, err = proc.stdout.read(), proc.stderr.read()
    proc.wait(timeout=300)
    result = subprocess.CompletedProcess(packer, proc.returncode, out, err)
    expect_failure("300 MiB of blanks", result, 2, "packer")


def unreadable_input(packer):
    # A directory for standard input, and standard input closed.
    fd = os.open("/", os.O_RDONLY | os.O_DIRECTORY)
    try:
        r = subprocess.run([packer], stdin=fd, capture_output=True, timeout=60)
    finally:
        os.close(fd)
    expect_failure("a directory on standard input", r, 1, "packer",
                   ["cannot read standard input"])
    r = subprocess.run([packer], stdin=subprocess.DEVNULL, capture_output=True,
                       timeout=60, preexec_fn=lambda: os.close(0))
    expect_failure("standard input closed", r, 1, "packer",
                   ["cannot read standard input"])


def unwritable_output(packer, packrange, packsvg, test):
    answer = run([packer], b"12 1.5\n").stdout
    cases = [
        ("packer", [packer], b"12 1.5\n", "the answer"),
        ("packrange", [packrange, "12"], b"", "the table"),
        ("packrange", [packrange, "12", "--svg"], b"", "the plot"),
        ("packrange", [packrange, "12", "5"], b"", "the answer"),
        ("packsvg", [packsvg, "12", "1.5"], answer, "the picture"),
        ("test", [test], b"5\n", "the answer"),
        ("packer", [packer, "--help"], b"", "the usage"),
        ("packrange", [packrange, "--version"], b"", "the version"),
        ("packsvg", [packsvg, "--help"], b"", "the usage"),
    ]
    for program, argv, stdin, what in cases:
        name = " ".join(os.path.basename(a) for a in argv)
        with open("/dev/full", "wb") as full:
            r = subprocess.run(argv, input=stdin, stdout=full,
                               stderr=subprocess.PIPE, timeout=120)
        r.stdout = b""
        expect_failure(f"{name} > /dev/full", r, 1, program,
                       [f"cannot write {what}: No space left on device"])
        r = subprocess.run(argv, input=stdin, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=120,
                           preexec_fn=lambda: os.close(1))
        r.stdout = b""
        expect_failure(f"{name} >&-", r, 1, program, [f"cannot write {what}"])


def packsvg_holds_no_more_than_its_count(packsvg):
    # A count of 0 followed by 100 MB, a count beyond the square, and one
    # endless line: each refused at once, within 64 MiB of address space.
    limit = (64 << 20, resource.RLIM_INFINITY)
    flood = b"0\n" + b"1 1\n" * (25 << 20)
    r = run([packsvg, "12", "1.5"], flood, limit=limit)
    expect_failure("packsvg, count 0 then 100 MB", r, 2, "packsvg",
                   ["more centres follow"])
    r = run([packsvg, "12", "1.5"], b"1000\n" + b"1 1\n" * 1000)
    expect_failure("packsvg, count 1000 for side 12", r, 2, "packsvg",
                   ["at most 121 circles fit"])
    r = run([packsvg, "12", "1.5"], b"1\n" + b"1" * (100 << 20), limit=limit)
    expect_failure("packsvg, a 100 MB line", r, 2, "packsvg", ["too long"])


def memory(packer, packrange):
    mib = 1 << 20
    # A cap below what the program needs to start: a message, never a crash.
    for size in ["1K", "100K", "1M", "3M", "5M", "6M"]:
        r = run([packer, f"--max-memory={size}"], b"5 1.5\n")
        expect_failure(f"packer --max-memory={size}", r, 1, "packer",
                       ["needs at least", "--max-memory"])
    # The caller's own limit is the one that applies, and is never raised
    # (29 1.55 needs about 160 MiB).
    limit = (100 * mib, resource.RLIM_INFINITY)
    r = run([packer], b"29 1.55\n", limit=limit)
    expect_failure("packer under ulimit -Sv 100000", r, 1, "packer",
                   ["out of memory (", "ulimit -v"])
    r = run([packer, "--max-memory=1G"], b"29 1.55\n", limit=limit)
    expect_failure("packer --max-memory=1G under ulimit -Sv 100000", r, 1,
                   "packer", ["out of memory (", "ulimit -v"])
    if b"--max-memory" in r.stderr:
        problems.append("under a caller's limit, the message says to raise "
                        "--max-memory")
    hard = (150 * mib, 150 * mib)
    r = run([packer], b"30 1.6\n", limit=hard)
    expect_failure("packer 30 1.6 under ulimit -v 150000", r, 1, "packer",
                   ["packer: n = 30, radius 1.6: out of memory (",
                    "address-space limit of 150 MiB"])
    # --max-memory below the need, during the search.
    r = run([packer, "--max-memory=150M"], b"32 1.6\n")
    expect_failure("packer --max-memory=150M", r, 1, "packer",
                   ["out of memory (", "limit of 150 MiB", "--max-memory"])
    # The cap counts a helper thread's stack: on two threads 26 1.2 fits
    # in little more than the 17 MiB it needs on one (with the system's
    # 8 MiB stacks it needed 29).
    r = run([packer, "--threads=2", "--max-memory=22M"], b"26 1.2\n")
    if r.returncode != 0 or r.stdout != run([packer, "--threads=1"],
                                            b"26 1.2\n").stdout:
        problems.append(f"26 1.2 on two threads within 22 MiB: {r}")
    # A caller's limit well above the need changes nothing printed.
    r = run([packer], b"12 1.5\n", limit=(1 << 30, resource.RLIM_INFINITY))
    if r.returncode != 0 or r.stdout != run([packer], b"12 1.5\n").stdout:
        problems.append(f"12 1.5 under a 1 GiB limit: {r}")
    # packrange: its own option, and the caller's limit.
    # (n = 29 needs about 430 MiB.)
    r = run([packrange, "--max-memory=100M", "29"])
    expect_failure("packrange --max-memory=100M 29", r, 1, "packrange",
                   ["n = 29: out of memory", "limit of 100 MiB"])
    r = run([packrange, "29"], limit=(150 * mib, 150 * mib))
    expect_failure("packrange 29 under ulimit -v 150000", r, 1, "packrange",
                   ["n = 29: out of memory", "ulimit -v"])
    r = run([packrange, "--max-memory", "2K", "5"])
    expect_failure("packrange --max-memory 2K 5", r, 1, "packrange",
                   ["needs at least"])


def main():
    packer, packrange, packsvg, test = sys.argv[1:5]
    blanks(packer)
    unreadable_input(packer)
    unwritable_output(packer, packrange, packsvg, test)
    # Address-space limits and the sanitizers' shadow memory do not mix.
    if "--no-memory-limit" not in sys.argv:
        packsvg_holds_no_more_than_its_count(packsvg)
        memory(packer, packrange)
    finish(problems)


if __name__ == "__main__":
    main()
