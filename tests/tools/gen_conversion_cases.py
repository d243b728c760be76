#!/usr/bin/env python3
"""Expected results of the r4/r8 conversions, computed with Python's own
correctly rounded float parsing and formatting (an oracle independent of the
C++ runtime).

Writes tests/data/conversions_real_cases.txt, one case per line, fields
separated by tabs:
  parse   <text>  <r8 bits hex | inf | -inf>  <r4 bits hex | inf | -inf>
  format8 <r8 bits hex>  <printf "%.16g" with a three-digit exponent>
  format4 <r4 bits hex>  <printf "%.7g" of the widened value, three-digit exponent>
"""
import math
import random
import struct
import sys
from pathlib import Path


def bits8(x):
    return "%016x" % struct.unpack("<Q", struct.pack("<d", x))[0]


def bits4(x):
    return "%08x" % struct.unpack("<I", struct.pack("<f", x))[0]


def narrow(x):
    """The double rounded to float (nearest, ties to even); 'inf' when it overflows."""
    try:
        f = struct.unpack("<f", struct.pack("<f", x))[0]
    except OverflowError:
        return "-inf" if x < 0 else "inf"
    return bits4(f)


def wide(x):
    if math.isinf(x):
        return "-inf" if x < 0 else "inf"
    return bits8(x)


def three_digit_exponent(text):
    if "e" not in text:
        return text
    mantissa, exponent = text.split("e")
    sign = exponent[0]
    digits = exponent[1:]
    return mantissa + "e" + sign + digits.rjust(3, "0")


def random_text(rng):
    kind = rng.randrange(6)
    sign = rng.choice(["", "", "-", "+"])
    if kind == 0:
        return sign + str(rng.randrange(10 ** rng.randrange(1, 25)))
    if kind == 1:
        whole = str(rng.randrange(10 ** rng.randrange(0, 12))) if rng.random() < 0.8 else ""
        frac = "".join(rng.choice("0123456789") for _ in range(rng.randrange(1, 20)))
        return sign + whole + "." + frac
    if kind == 2:
        mant = str(rng.randrange(1, 10 ** rng.randrange(1, 18)))
        exp = rng.randrange(-330, 330)
        return sign + mant[0] + "." + mant[1:] + rng.choice("eE") + rng.choice(["", "+", "-"] if exp >= 0 else ["-"]) + str(abs(exp)).rjust(rng.randrange(1, 4), "0")
    if kind == 3:
        # around the float limits, where narrowing rounds or overflows
        mant = "3.40282" + "".join(rng.choice("0123456789") for _ in range(rng.randrange(1, 15)))
        return sign + mant + "e38"
    if kind == 4:
        # subnormal doubles and floats
        mant = str(rng.randrange(1, 10 ** rng.randrange(1, 17)))
        return sign + mant + "e-" + str(rng.choice([rng.randrange(38, 46), rng.randrange(300, 330)]))
    # long mantissas, beyond any fixed buffer
    return sign + "".join(rng.choice("0123456789") for _ in range(rng.randrange(60, 400))) + "e-" + str(rng.randrange(0, 400))


def main():
    rng = random.Random(20240611)
    lines = []
    fixed = ["0", "-0", "1", "0.1", ".5", "5.", "1e400", "-1e400", "1e-400", "4.9406564584124654e-324",
             "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623159e308",
             "3.4028234663852886e38", "3.4028235677973366e38", "3.40282356779733661637539395458142568448e38",
             "1.401298464324817e-45", "7.006492321624085e-46", "7.006492321624086e-46", "123456789012345678901234567890",
             "0.30000000000000004", "9007199254740993", "  42", "+7e+2", "1E5"]
    texts = fixed + [random_text(rng) for _ in range(1500)]
    for text in texts:
        value = float(text)
        lines.append("parse\t%s\t%s\t%s" % (text, wide(value), narrow(value)))

    doubles = [0.1, 1.0 / 3, 1e21, 1e-5, 1e16, 1e15, 123456789012345680.0, 5e-324, 1.7976931348623157e308,
               -2.5, 0.0, -0.0, 100.0, 1e100, 2.0 ** 60]
    for _ in range(1500):
        choice = rng.randrange(3)
        if choice == 0:
            doubles.append(struct.unpack("<d", struct.pack("<Q", rng.getrandbits(64)))[0])
        elif choice == 1:
            doubles.append(rng.uniform(-1e6, 1e6))
        else:
            doubles.append(float(rng.randrange(-10 ** 18, 10 ** 18)) * 10.0 ** rng.randrange(-30, 30))
    for x in doubles:
        if math.isnan(x) or math.isinf(x):
            continue
        lines.append("format8\t%s\t%s" % (bits8(x), three_digit_exponent("%.16g" % x)))

    floats = [0.1, 1.0 / 3, 1e21, 16777216.0, 3.4028234663852886e38, 1.401298464324817e-45, -0.0]
    for _ in range(1500):
        floats.append(struct.unpack("<f", struct.pack("<I", rng.getrandbits(32)))[0])
    for x in floats:
        f = struct.unpack("<f", struct.pack("<f", x))[0]
        if math.isnan(f) or math.isinf(f):
            continue
        lines.append("format4\t%s\t%s" % (bits4(f), three_digit_exponent("%.7g" % f)))

    out = Path(__file__).resolve().parent.parent / "data" / "conversions_real_cases.txt"
    out.write_text("\n".join(lines) + "\n")
    print("wrote %d cases to %s" % (len(lines), out), file=sys.stderr)


if __name__ == "__main__":
    main()
