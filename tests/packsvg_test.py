#!/usr/bin/env python3
"""packsvg: its pictures are well-formed SVG (read back with a real XML
parser) that draw exactly the packing's circles at its radius, and it
refuses bad arguments and bad answers with a clear message."""
import subprocess
import sys
import xml.etree.ElementTree as ET

from report import finish

SVG = "{http://www.w3.org/2000/svg}"


def picture(packer, packsvg, n, radius):
    answer = subprocess.run([packer], input=f"{n} {radius}\n", text=True,
                            capture_output=True, check=True).stdout
    svg = subprocess.run([packsvg, str(n), radius], input=answer, text=True,
                         capture_output=True, check=True).stdout
    return answer, ET.fromstring(svg)


def check_picture(packer, packsvg, n, radius):
    answer, root = picture(packer, packsvg, n, radius)
    lines = answer.splitlines()
    count = int(lines[0])
    centres = {tuple(map(int, line.split())) for line in lines[1:]}
    discs = [c for c in root.iter(SVG + "circle") if c.get("class") == "disc"]
    errors = []
    if root.tag != SVG + "svg":
        errors.append(f"root element {root.tag}")
    if len(discs) != count:
        errors.append(f"{len(discs)} circles drawn, count is {count}")
    if any(d.get("r") != radius for d in discs):
        errors.append("a circle is drawn with another radius")
    drawn = {(int(d.get("cy")), int(d.get("cx"))) for d in discs}
    if drawn != centres:
        errors.append("the circles are not drawn at the answer's centres")
    dots = [c for c in root.iter(SVG + "circle") if c.get("class") != "disc"]
    if len(dots) != (n + 1) ** 2:
        errors.append(f"{len(dots)} lattice points drawn")
    title = root.find(SVG + "title").text
    if title != f"n = {n}, radius {radius}, {count} circle" + "s" * (count != 1):
        errors.append(f"title {title!r}")
    return [f"n={n} r={radius}: {e}" for e in errors]


def check_refusal(packsvg, args, stdin, message, status):
    run = subprocess.run([packsvg] + args, input=stdin, text=True,
                         capture_output=True)
    if run.returncode == status and run.stdout == "" and \
            run.stderr.startswith("packsvg: ") and message in run.stderr:
        return []
    return [f"packsvg {args} with {stdin!r}: status {run.returncode}, "
            f"stderr {run.stderr!r}"]


def main():
    packer, packsvg = sys.argv[1], sys.argv[2]
    errors = []
    for n, radius in [(1, "0.3"), (1, "0.9"), (12, "0.75"), (12, "1.5"),
                      (26, "0.1"), (26, "3"), (26, "13"), (7, "2.5")]:
        errors += check_picture(packer, packsvg, n, radius)
    help_run = subprocess.run([packsvg, "--help"], capture_output=True,
                              text=True)
    if help_run.returncode != 0 or "usage: packsvg N RADIUS" not in help_run.stdout:
        errors.append("--help does not print the usage")
    version = subprocess.run([packsvg, "--version"], capture_output=True,
                             text=True)
    if version.returncode != 0 or not version.stdout.startswith("packsvg "):
        errors.append("--version does not print the version")
    # What packer prints for radius 0, with CRLF line ends.
    zero = subprocess.run([packer], input="3 0\n", text=True,
                          capture_output=True, check=True).stdout
    drawn = subprocess.run([packsvg, "3", "0"], capture_output=True,
                           input=zero.replace("\n", "\r\n").encode())
    if drawn.returncode != 0 or drawn.stdout.count(b'class="disc"') != 4:
        errors.append(f"radius 0 with CRLF: {drawn.stderr!r}")
    # What packrange N K prints: the radius, then packer's answer.
    for bound, radius in [("2", "2"), ("sqrt(5)/2", "1.118")]:
        answer = subprocess.run([packer, "12", radius], text=True,
                                capture_output=True, check=True).stdout
        drawn = subprocess.run([packsvg, "12", radius], text=True,
                               input=f"{bound}\n{answer}",
                               capture_output=True)
        if drawn.returncode != 0 or drawn.stdout.count('class="disc"') != \
                int(answer.split()[0]):
            errors.append(f"packrange's answer at {bound}: {drawn.stderr!r}")
    errors += check_refusal(packsvg, [], "", "packsvg --help", 2)
    errors += check_refusal(packsvg, ["64", "1"], "0\n", "N must be", 2)
    errors += check_refusal(packsvg, ["5", "abc"], "0\n", "RADIUS must", 2)
    errors += check_refusal(packsvg, ["5", "-1"], "0\n", "RADIUS must", 2)
    errors += check_refusal(packsvg, ["5", "1"], "", "start with the count", 2)
    errors += check_refusal(packsvg, ["5", "1"], "2\n1 1\n", "count says 2", 2)
    errors += check_refusal(packsvg, ["5", "1"], "1\n1 6\n", "outside", 2)
    errors += check_refusal(packsvg, ["5", "1"], "1\n1,1\n", "line 1", 2)
    finish(errors)


if __name__ == "__main__":
    main()
