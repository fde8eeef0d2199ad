#!/usr/bin/env python3
"""packrange against packer and an independent list of thresholds: each
step's count is packer's at a radius inside it, no threshold is missed,
counts fall, the inverse query agrees with the table, bad arguments are
refused, and the SVG parses."""
import subprocess
import sys
import xml.etree.ElementTree as ET
from decimal import Decimal, getcontext

from report import finish

getcontext().prec = 40


def run(argv, stdin=b""):
    return subprocess.run(argv, input=stdin, capture_output=True, timeout=600)


def sums_of_two_squares(limit):
    return sorted({i * i + j * j for i in range(limit + 1)
                   for j in range(limit + 1) if 0 < i * i + j * j <= limit})


def bound_value(text):
    """The exact square of twice the bound (4 r^2), from its text."""
    if text == "inf":
        return None
    if text.startswith("sqrt("):
        return int(text[5:text.index(")")])
    return int(Decimal(text) * 2) ** 2


def count_at(packer, n, radius):
    out = run([packer], f"{n} {radius}\n".encode()).stdout
    return int(out.split(b"\n", 1)[0])


def table(packrange, n, problems):
    r = run([packrange, str(n)])
    lines = r.stdout.decode().splitlines()
    if r.returncode != 0 or not lines or \
            lines[0] != "from\tto\tcount\tfrom_decimal\tto_decimal":
        problems.append(f"packrange {n}: {r}")
        return []
    steps = []
    for line in lines[1:]:
        fields = line.split("\t")
        steps.append((bound_value(fields[0]), bound_value(fields[1]),
                      int(fields[2]), fields[1], fields[3], fields[4]))
    return steps


def check_decimals(packer, n, steps, problems):
    """Each printed decimal, read back by packer, is a radius of its own
    step, and the decimals strictly increase down the table."""
    printed = []
    for low, high, count, _, first, last in steps:
        for text in (first, last):
            if text == "inf":
                continue
            printed.append(Decimal(text))
            got = count_at(packer, n, text)
            if got != count:
                problems.append(f"n={n}: packer {text} gives {got}, the step "
                                f"holding it says {count}")
    if printed != sorted(set(printed)):
        problems.append(f"n={n}: decimals not strictly increasing: {printed}")


def check_table(packer, packrange, n, problems):
    steps = table(packrange, n, problems)
    if not steps:
        return steps
    if steps[0][0] != 0 or steps[-1][1] is not None or steps[-1][2] != 0:
        problems.append(f"n={n}: ends {steps[0]} ... {steps[-1]}")
    for a, b in zip(steps, steps[1:]):
        if a[1] != b[0] or not a[2] > b[2]:
            problems.append(f"n={n}: steps {a} then {b}")
    # Every sum of two squares up to n^2 (as 4 r^2) is where the answer may
    # change; between two neighbours, and at the upper one, packer must
    # print the count of the step that holds them.
    edges = [0] + sums_of_two_squares(n * n)
    for low, high in zip(edges, edges[1:]):
        inside = (Decimal(low).sqrt() + Decimal(high).sqrt()) / 4
        radii = [format(inside, ".30f")]
        if Decimal(high).sqrt() == int(Decimal(high).sqrt()):
            radii.append(str(Decimal(high).sqrt() / 2))
        want = next(s[2] for s in steps
                    if s[0] <= low and (s[1] is None or high <= s[1]))
        for radius in radii:
            got = count_at(packer, n, radius)
            if got != want:
                problems.append(f"n={n} r={radius}: packer {got}, "
                                f"table {want}")
    above = count_at(packer, n, format(Decimal(n) / 2 + Decimal("0.001")))
    if above != 0:
        problems.append(f"n={n}: {above} circles past n/2")
    return steps


def check_largest(packer, packrange, n, steps, problems):
    for k in sorted({1, 2, 3, steps[0][2], steps[1][2] if len(steps) > 2
                     else 1} - {0}):
        r = run([packrange, str(n), str(k)])
        lines = r.stdout.decode().split("\n", 1)
        step = [s for s in steps if s[2] >= k][-1]
        if r.returncode != 0 or lines[0] != step[3]:
            problems.append(f"packrange {n} {k}: {r}, expected {step[3]}")
            continue
        # The packing is packer's for a radius of that step: just below its
        # upper end, which belongs to it.
        radius = format(Decimal(step[1]).sqrt() / 2 - Decimal("1e-12"), ".25f")
        want = run([packer], f"{n} {radius}\n".encode()).stdout
        if lines[1].encode() != want:
            problems.append(f"packrange {n} {k}: the packing differs from "
                            f"packer at {radius}")


def check_refusals(packrange, problems):
    for args, said in [([], b"expected N"), (["0"], b"N must be"),
                       (["64"], b"N must be"), (["x"], b"N must be"),
                       (["5", "x"], b"K must be"), (["5", "0"], b"K must be"),
                       (["5", "1000"], b"at most 16 circles fit"),
                       (["5", "1", "2"], b"expected N")]:
        r = run([packrange] + args)
        if r.returncode != 2 or r.stdout or \
                not r.stderr.startswith(b"packrange: ") or \
                said not in r.stderr or r.stderr.count(b"\n") != 1:
            problems.append(f"packrange {' '.join(args)}: {r}")
    for args, said in [(["--max-memory"], b"--max-memory needs a size"),
                       (["--max-memory=lots", "5"], b"--max-memory needs"),
                       (["--frobnicate", "5"], b"unknown option"),
                       (["5", "--svg", "3"], b"expected N")]:
        r = run([packrange] + args)
        if r.returncode != 2 or r.stdout or said not in r.stderr:
            problems.append(f"packrange {' '.join(args)}: {r}")
    r = run([packrange, "--help"])
    if r.returncode != 0 or not r.stdout.startswith(b"usage: packrange"):
        problems.append(f"packrange --help: {r}")
    r = run([packrange, "--version"])
    if r.returncode != 0 or not r.stdout.startswith(b"packrange "):
        problems.append(f"packrange --version: {r}")
    # Options may come anywhere; a generous limit changes nothing.
    plain = run([packrange, "9"]).stdout
    for args in (["--max-memory=2G", "9"], ["9", "--max-memory", "2G"]):
        if run([packrange] + args).stdout != plain:
            problems.append(f"packrange {' '.join(args)} differs from "
                            f"packrange 9")


def check_svg(packrange, n, steps, problems):
    r = run([packrange, str(n), "--svg"])
    try:
        root = ET.fromstring(r.stdout)
    except ET.ParseError as e:
        problems.append(f"packrange {n} --svg: not XML: {e}")
        return
    ns = "{http://www.w3.org/2000/svg}"
    lines = root.findall(f"{ns}line")
    levels = [x for x in lines if x.get("class") == "step"]
    marks = [x for x in lines if x.get("class") == "threshold"]
    texts = [t.text for t in root.iter(f"{ns}text")]
    if root.tag != f"{ns}svg" or len(levels) != len(steps) or \
            len(marks) != len(steps) - 1 or "radius" not in texts or \
            "circles" not in texts:
        problems.append(f"packrange {n} --svg: {len(levels)} steps, "
                        f"{len(marks)} marks, texts {texts[:4]}")


def main():
    packer, packrange = sys.argv[1], sys.argv[2]
    problems = []
    for n in (1, 2, 5, 9, 12, 17):
        steps = check_table(packer, packrange, n, problems)
        check_decimals(packer, n, steps, problems)
        if steps and n >= 5:
            check_largest(packer, packrange, n, steps, problems)
            check_svg(packrange, n, steps, problems)
    check_refusals(packrange, problems)
    finish(problems)


if __name__ == "__main__":
    main()
