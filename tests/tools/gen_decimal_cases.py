#!/usr/bin/env python3
"""Expected results for CDecimal and CBigInteger, computed with Python's
decimal module, fractions and plain integers.

Writes tests/data/decimal_cases.txt and tests/data/biginteger_cases.txt.
Each line is one case, fields separated by tabs: an operation, its operands
and the expected text. "places<TAB>n" sets the maximum number of decimal
places for the lines that follow. The seed is fixed, so re-running the script
reproduces the files.

Where the library's rules differ from Python's defaults they are spelled out
here: halves round away from zero (ROUND_HALF_UP); a decimal quotient is
truncated to places + 2 digits and then rounded to places; integer division
truncates toward zero and the remainder takes the dividend's sign; results
carry no trailing zero fraction digits.
"""

import math
import os
import random
import sys
from decimal import ROUND_HALF_UP, Context, Decimal, setcontext
from fractions import Fraction

setcontext(Context(prec=200000, rounding=ROUND_HALF_UP, Emax=10**8, Emin=-10**8))

SEED = 20240611
DEFAULT_PLACES = 30
DOUBLE_BOUND = 17 * 10**307
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA = os.path.join(ROOT, "tests", "data")


# ---- the rules, as the library applies them --------------------------------

def limit(d, places):
    """Rounds to `places` fraction digits when it has more, halves away from zero."""
    if d.as_tuple().exponent < -places:
        d = d.quantize(Decimal(1).scaleb(-places), rounding=ROUND_HALF_UP)
    return d if d != 0 else Decimal(0)


def parse_decimal(text, places):
    return limit(Decimal(text), places)


def to_string(d):
    """Lexical form: no exponent, no trailing zero fraction digits, "0" for zero."""
    if d == 0:
        return "0"
    return format(d.normalize(), "f")


def to_string_n(d, n):
    """Exactly n places, halves away from zero; a negative value keeps its sign."""
    q = d.quantize(Decimal(1).scaleb(-n), rounding=ROUND_HALF_UP)
    text = format(q, "f")
    if d == 0:
        text = text.lstrip("-")
    return text + "." if n == 0 else text


def divide(a, b, places):
    """Quotient truncated to places + 2 digits, then rounded to places."""
    q = Fraction(a) / Fraction(b)
    scaled = abs(q) * 10 ** (places + 2)
    truncated = scaled.numerator // scaled.denominator
    units, rest = divmod(truncated, 100)
    if rest >= 50:
        units += 1
    result = Decimal(units).scaleb(-places)
    return -result if q < 0 else result


def round_integer(d):
    return int(d.quantize(Decimal(1), rounding=ROUND_HALF_UP))


def to_long(d):
    v = round_integer(d)
    return str(v) if -2**31 <= v <= 2**31 - 1 else "OVERFLOW"


def to_long_long(d):
    # Rounded to one place, then the place is dropped.
    v = int(d.quantize(Decimal("0.1"), rounding=ROUND_HALF_UP))
    return str(v) if -2**63 <= v <= 2**63 - 1 else "OVERFLOW"


def to_double(d):
    if abs(int(d)) > DOUBLE_BOUND:
        return "OVERFLOW"
    return repr(float(d))


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def trunc_mod(a, b):
    return a - b * trunc_div(a, b)


def round_double_to_integer(x):
    """ceil(|x| - 1/2) with the sign of x, computed exactly."""
    magnitude = math.ceil(Fraction(abs(x)) - Fraction(1, 2))
    return -magnitude if x < 0 else magnitude


# ---- random operands ---------------------------------------------------------

def digits(rng, n, leading_zero=False):
    if n == 0:
        return ""
    first = rng.choice("0123456789" if leading_zero else "123456789")
    return first + "".join(rng.choice("0123456789") for _ in range(n - 1))


def patterned_digits(rng, words):
    """Nine-digit blocks chosen to sit at the edges of the word arithmetic."""
    blocks = ["000000000", "999999999", "500000000", "499999999", "000000001", "100000000"]
    out = []
    for _ in range(words):
        out.append(rng.choice(blocks) if rng.random() < 0.7 else digits(rng, 9, True))
    text = "".join(out).lstrip("0")
    return text or "1"


def random_integer(rng, max_len=60):
    r = rng.random()
    if r < 0.15:
        text = patterned_digits(rng, rng.randint(1, max(1, max_len // 9)))
    elif r < 0.25:
        text = rng.choice(["9", "1"]) * rng.randint(1, max_len)
    else:
        text = digits(rng, rng.randint(1, max_len))
    value = int(text)
    return -value if rng.random() < 0.5 else value


def random_decimal_text(rng, whole_max=40, fraction_max=35, exponent=False):
    sign = rng.choice(["", "", "-", "+"])
    whole = digits(rng, rng.randint(0, whole_max), leading_zero=rng.random() < 0.1)
    fraction_len = rng.randint(0, fraction_max)
    if rng.random() < 0.1:
        fraction = "9" * fraction_len
    else:
        fraction = digits(rng, fraction_len, leading_zero=True)
    if rng.random() < 0.2:
        fraction += "0" * rng.randint(1, 4)
    if not whole and not fraction:
        whole = "0"
    text = sign + whole + ("." + fraction if fraction or rng.random() < 0.2 else "")
    if exponent:
        text += rng.choice("eE") + rng.choice(["", "+", "-"]) + str(rng.randint(0, 45))
    return text


def random_double(rng):
    kind = rng.random()
    if kind < 0.3:
        return rng.uniform(-1000, 1000)
    if kind < 0.5:
        return float(rng.randint(-10**6, 10**6)) + rng.choice([0.5, 0.25, 0.125, 0.0])
    if kind < 0.7:
        return rng.uniform(-1, 1) * 10 ** rng.randint(-20, 30)
    if kind < 0.8:
        return math.ldexp(rng.random(), rng.randint(40, 70)) * rng.choice([1, -1])
    return rng.uniform(-1, 1) * 10 ** rng.randint(100, 307)


# ---- the two files -----------------------------------------------------------

def decimal_cases(rng):
    lines = []
    for places in (DEFAULT_PLACES, 5, 0):
        lines.append("places\t%d" % places)
        many = places == DEFAULT_PLACES
        for _ in range(400 if many else 60):
            text = random_decimal_text(rng, exponent=rng.random() < 0.4)
            lines.append("parse\t%s\t%s" % (text, to_string(parse_decimal(text, places))))
        for op in ("add", "sub", "mul", "div"):
            for _ in range(300 if many else 50):
                ta = random_decimal_text(rng, whole_max=rng.choice([3, 20, 40]))
                tb = random_decimal_text(rng, whole_max=rng.choice([3, 20, 40]))
                a, b = parse_decimal(ta, places), parse_decimal(tb, places)
                if op == "add":
                    r = to_string(a + b)
                elif op == "sub":
                    r = to_string(a - b)
                elif op == "mul":
                    r = to_string(limit(a * b, places))
                else:
                    if b == 0:
                        continue
                    r = to_string(divide(a, b, places))
                lines.append("%s\t%s\t%s\t%s" % (op, ta, tb, r))
        if not many:
            continue
        for _ in range(300):
            ta = random_decimal_text(rng, whole_max=5, fraction_max=8)
            if rng.random() < 0.3:
                tb = ta if rng.random() < 0.5 else ta + "000"
            else:
                tb = random_decimal_text(rng, whole_max=5, fraction_max=8)
            a, b = parse_decimal(ta, places), parse_decimal(tb, places)
            lines.append("cmp\t%s\t%s\t%d" % (ta, tb, (a > b) - (a < b)))
        for _ in range(400):
            ta = random_decimal_text(rng, whole_max=rng.choice([2, 10, 30]), fraction_max=12)
            if rng.random() < 0.3:
                ta = ta.split(".")[0] + "." + "4" * rng.randint(0, 5) + "5"
            n = rng.choice([0, 0, 1, 2, 3, 5, 8, 12, 20, 35])
            lines.append("round\t%s\t%d\t%s" % (ta, n, to_string_n(parse_decimal(ta, places), n)))
        for _ in range(200):
            big = rng.random() < 0.5
            w = rng.choice([9, 10, 11]) if big else rng.randint(0, 9)
            ta = random_decimal_text(rng, whole_max=w, fraction_max=4)
            if rng.random() < 0.3:
                ta = rng.choice(["", "-"]) + rng.choice(["2147483647", "2147483648"]) + "." + rng.choice(["4", "5", "49", "5", "0"])
            lines.append("long\t%s\t%s" % (ta, to_long(parse_decimal(ta, places))))
        for _ in range(200):
            w = rng.choice([17, 18, 19, 20]) if rng.random() < 0.5 else rng.randint(0, 18)
            ta = random_decimal_text(rng, whole_max=w, fraction_max=4)
            if rng.random() < 0.3:
                ta = rng.choice(["", "-"]) + rng.choice(["9223372036854775807", "9223372036854775808"]) + "." + rng.choice(["94", "95", "96", "9", "04"])
            lines.append("longlong\t%s\t%s" % (ta, to_long_long(parse_decimal(ta, places))))
        for _ in range(200):
            ta = random_decimal_text(rng, whole_max=rng.choice([5, 20, 60]), fraction_max=30)
            if rng.random() < 0.2:
                ta = rng.choice(["", "-"]) + rng.choice(["17", "16", "18", "169"]) + "0" * 307 + rng.choice(["", ".5", "1"])
            lines.append("double\t%s\t%s" % (ta, to_double(parse_decimal(ta, places))))
        for _ in range(150):
            ta = random_decimal_text(rng, whole_max=rng.choice([2, 25]), fraction_max=6)
            lines.append("integer\t%s\t%d" % (ta, round_integer(parse_decimal(ta, places))))
        for _ in range(200):
            x = random_double(rng)
            lines.append("fromdouble\t%r\t%s" % (x, to_string(parse_decimal("%.13f" % x, places))))
    return lines


def biginteger_cases(rng):
    lines = ["places\t%d" % DEFAULT_PLACES]
    for _ in range(300):
        v = random_integer(rng, rng.choice([5, 30, 120]))
        zeros = "0" * rng.choice([0, 0, 1, 3])
        sign = "-" if v < 0 else rng.choice(["", "+"])
        text = rng.choice(["", " ", "  "]) + sign + zeros + str(abs(v)) + rng.choice(["", " "])
        lines.append("parse\t%s\t%d" % (text, v))
    for _ in range(200):
        text = random_decimal_text(rng, whole_max=25, fraction_max=35, exponent=rng.random() < 0.4)
        if "e" not in text.lower() and "." not in text:
            text += ".5"
        lines.append("parse\t%s\t%d" % (text, round_integer(parse_decimal(text, DEFAULT_PLACES))))
    for op in ("add", "sub", "mul", "div", "mod"):
        for i in range(400):
            size = 1000 if i < 10 else rng.choice([5, 20, 60, 200])
            a = random_integer(rng, size)
            b = random_integer(rng, rng.choice([size, max(1, size // 3), 9, 18]))
            if op in ("div", "mod"):
                if b == 0:
                    continue
                if i % 4 == 0:
                    # Dividends made from the divisor hit the quotient-estimate corrections.
                    a = b * random_integer(rng, size) + random_integer(rng, len(str(abs(b))))
            r = {"add": a + b, "sub": a - b, "mul": a * b,
                 "div": trunc_div(a, b) if b else 0, "mod": trunc_mod(a, b) if b else 0}[op]
            lines.append("%s\t%d\t%d\t%d" % (op, a, b, r))
    for _ in range(300):
        a = random_integer(rng, 25)
        b = a if rng.random() < 0.2 else random_integer(rng, 25)
        lines.append("cmp\t%d\t%d\t%d" % (a, b, (a > b) - (a < b)))
    for _ in range(200):
        v = rng.choice([rng.randint(-2**31 - 5, -2**31 + 5), rng.randint(2**31 - 5, 2**31 + 5),
                        rng.randint(-2**40, 2**40), random_integer(rng, 12)])
        lines.append("int\t%d\t%s" % (v, str(v) if -2**31 <= v < 2**31 else "OUT"))
    for _ in range(200):
        v = rng.choice([rng.randint(-2**63 - 5, -2**63 + 5), rng.randint(2**63 - 5, 2**63 + 5),
                        rng.randint(-2**70, 2**70), random_integer(rng, 22)])
        lines.append("int64\t%d\t%s" % (v, str(v) if -2**63 <= v < 2**63 else "OUT"))
    for _ in range(200):
        v = abs(random_integer(rng, rng.choice([3, 20, 80, 300])))
        if rng.random() < 0.3:
            root = abs(random_integer(rng, 40))
            v = root * root + rng.choice([0, -1, 1, 2 * root]) if root else 0
            v = max(v, 0)
        lines.append("sqrt\t%d\t%d" % (v, math.isqrt(v)))
    for n in list(range(0, 30)) + [81, 100, 999]:
        lines.append("pow10\t%d\t%d" % (n, 10**n))
    for _ in range(300):
        x = random_double(rng)
        lines.append("fromdouble\t%r\t%d" % (x, round_double_to_integer(x)))
    return lines


def write(name, lines):
    path = os.path.join(DATA, name)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("# Generated by tests/tools/gen_decimal_cases.py; do not edit.\n")
        for line in lines:
            f.write(line + "\n")
    print("%s: %d cases" % (path, len(lines)))


def main():
    rng = random.Random(SEED)
    os.makedirs(DATA, exist_ok=True)
    write("decimal_cases.txt", decimal_cases(rng))
    write("biginteger_cases.txt", biginteger_cases(rng))
    return 0


if __name__ == "__main__":
    sys.exit(main())
