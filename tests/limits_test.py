#!/usr/bin/env python3
"""packer under hostile conditions: hundreds of megabytes of blanks on
standard input, a memory limit too small for the search, and a full disk.
Each time the run fails visibly: a non-zero exit status, standard output
empty, and one line on standard error that starts with "packer: "."""
import resource
import subprocess
import sys


def expect_failure(name, run, status):
    errors = []
    if run.returncode != status:
        errors.append(f"exit status {run.returncode}, expected {status}")
    if run.stdout:
        errors.append(f"wrote {len(run.stdout)} bytes to standard output")
    lines = run.stderr.decode(errors="replace").splitlines()
    if len(lines) != 1 or not lines[0].startswith("packer: "):
        errors.append(f"standard error was {lines!r}")
    for e in errors:
        print(f"{name}: {e}")
    return not errors


def blanks(program):
    proc = subprocess.Popen([program], stdin=subprocess.PIPE,
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
    run = subprocess.CompletedProcess(program, proc.returncode, out, err)
    return expect_failure("300 MiB of blanks", run, 2)


def memory_limit(program):
    """An address-space limit set from outside, below what the run needs:
    the run stops at the first allocation that fails, saying where."""
    def limit():
        size = 150 << 20
        resource.setrlimit(resource.RLIMIT_AS, (size, size))
    run = subprocess.run([program], input=b"30 1.6\n", capture_output=True,
                         preexec_fn=limit, timeout=300)
    ok = expect_failure("30 1.6 within 150 MiB", run, 1)
    if ok and not run.stderr.startswith(
            b"packer: n = 30, radius 1.6: out of memory ("):
        print(f"30 1.6 within 150 MiB: said {run.stderr!r}")
        ok = False
    return ok


def max_memory(program):
    """--max-memory below the need: stopped during the search, naming the
    limit and the option."""
    run = subprocess.run([program, "--max-memory=150M"], input=b"32 1.6\n",
                         capture_output=True, timeout=300)
    ok = expect_failure("32 1.6 with --max-memory=150M", run, 1)
    said = run.stderr.decode(errors="replace")
    if ok and not ("out of memory (" in said and "150 MiB" in said and
                   "--max-memory" in said):
        print(f"32 1.6 with --max-memory=150M: said {said!r}")
        ok = False
    return ok


def full_disk(program):
    with open("/dev/full", "wb") as full:
        run = subprocess.run([program], input=b"12 1.5\n", stdout=full,
                             stderr=subprocess.PIPE, timeout=60)
    ok = run.returncode == 1 and run.stderr.startswith(
        b"packer: cannot write the answer: ")
    if not ok:
        print(f"writing to /dev/full: status {run.returncode}, "
              f"said {run.stderr!r}")
    return ok


def main():
    program = sys.argv[1]
    checks = [blanks(program), full_disk(program)]
    # Address-space limits and the sanitizers' shadow memory do not mix.
    if "--no-memory-limit" not in sys.argv:
        checks += [memory_limit(program), max_memory(program)]
    print(f"{sum(checks)} passed, {len(checks) - sum(checks)} failed")
    sys.exit(0 if all(checks) else 1)


if __name__ == "__main__":
    main()
