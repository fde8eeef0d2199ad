"""Independent checks of a packing, in exact rational arithmetic: shared by
the golden-case checker and the optimality test."""
from fractions import Fraction


def read_radius(token):
    """The radius the program decides with: the decimal value rounded to
    nearest, ties to even, to 64 significant bits.  Zero or below packs
    points, as a radius of zero would."""
    x = Fraction(token)
    if x <= 0:
        return Fraction(0)
    e = x.numerator.bit_length() - x.denominator.bit_length()
    if Fraction(2) ** e > x:
        e -= 1  # now 2^e <= x < 2^(e + 1)
    scaled = x * Fraction(2) ** (63 - e)  # in [2^63, 2^64)
    q, rest = divmod(scaled.numerator, scaled.denominator)
    twice = 2 * rest
    if twice > scaled.denominator or (twice == scaled.denominator and q % 2):
        q += 1
    return Fraction(q) * Fraction(2) ** (e - 63)


def parse_input(text):
    tokens = text.split()
    return int(tokens[0]), read_radius(tokens[1])


def validate(n, radius, output):
    """Returns the list of centres after checking that `output` is a valid,
    well-formed packing for side n and the exact radius; raises ValueError
    otherwise."""
    if not output.endswith("\n"):
        raise ValueError("output does not end with a newline")
    lines = output[:-1].split("\n")
    count = int(lines[0])
    centres = []
    for line in lines[1:]:
        row, col = line.split(" ")
        if str(int(row)) != row or str(int(col)) != col:
            raise ValueError(f"badly written centre {line!r}")
        centres.append((int(row), int(col)))
    if count != len(centres):
        raise ValueError(f"count {count} but {len(centres)} centres")
    if centres != sorted(set(centres)):
        raise ValueError("centres are not strictly ascending")
    for row, col in centres:
        for v in (row, col):
            if not (radius <= v and v + radius <= n):
                raise ValueError(f"circle at {row} {col} leaves the square")
    limit = 4 * radius * radius
    for k, (r1, c1) in enumerate(centres):
        for r2, c2 in centres[k + 1:]:
            if (r1 - r2) ** 2 + (c1 - c2) ** 2 < limit:
                raise ValueError(f"circles at {r1} {c1} and {r2} {c2} overlap")
    return centres


def brute_force_optimum(n, radius):
    """The largest number of pairwise non-overlapping circles, by an exact
    branch-and-bound over the admissible lattice points (small n only)."""
    points = [(r, c) for r in range(n + 1) for c in range(n + 1)
              if radius <= r <= n - radius and radius <= c <= n - radius]
    limit = 4 * radius * radius
    conflicts = [
        {j for j, q in enumerate(points)
         if j != i and (p[0] - q[0]) ** 2 + (p[1] - q[1]) ** 2 < limit}
        for i, p in enumerate(points)]
    best = 0

    def search(candidates, size):
        nonlocal best
        if size + len(candidates) <= best:
            return
        if not candidates:
            best = size
            return
        first = min(candidates)
        search(candidates - {first} - conflicts[first], size + 1)
        search(candidates - {first}, size)

    search(frozenset(range(len(points))), 0)
    return best
