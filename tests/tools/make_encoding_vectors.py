#!/usr/bin/env python3
"""Writes test vectors for the byte encoders from Python's own codecs.

tests/data/base64_vectors.txt: one line per case, "<bytes as hex> <base64>"
(a lone "-" stands for no bytes / no text).
tests/data/utf8_vectors.txt: "<UTF-16 units as 4-digit hex, joined by dots>
<UTF-8 bytes as hex>"; texts with an unpaired surrogate expect the UTF-8 of the
part before it only.
Run from the repository root: python3 tests/tools/make_encoding_vectors.py
"""
import base64
import random

rng = random.Random(20240611)


def hexs(b):
    return b.hex().upper() if b else "-"


with open("tests/data/base64_vectors.txt", "w") as f:
    for n in list(range(0, 40)) + [rng.randrange(40, 3000) for _ in range(40)]:
        data = bytes(rng.randrange(256) for _ in range(n))
        f.write("%s %s\n" % (hexs(data), base64.b64encode(data).decode() or "-"))


def units(text):
    raw = text.encode("utf-16-le", "surrogatepass")
    return [raw[i] | raw[i + 1] << 8 for i in range(0, len(raw), 2)]


def random_char():
    kind = rng.randrange(6)
    if kind == 0:
        return chr(rng.randrange(0x20, 0x7F))
    if kind == 1:
        return chr(rng.randrange(0x80, 0x800))
    if kind == 2:
        c = rng.randrange(0x800, 0xF000)
        return chr(c + 0x800 if 0xD800 <= c < 0xE000 else c)
    if kind == 3:
        return chr(rng.randrange(0x10000, 0x110000))
    return rng.choice("<>&\"'\n\r\t ")


with open("tests/data/utf8_vectors.txt", "w") as f:
    for n in range(1, 120):
        text = "".join(random_char() for _ in range(n))
        us = units(text)
        # Every fifth case gets an unpaired surrogate somewhere.
        if n % 5 == 0:
            at = rng.randrange(len(us) + 1)
            lone = rng.choice([0xD800, 0xDBFF, 0xDC00, 0xDFFF])
            # A high surrogate must not be followed by a low one to stay unpaired.
            if 0xD800 <= lone < 0xDC00 and at < len(us) and 0xDC00 <= us[at] < 0xE000:
                lone = 0xDC00
            # Do not split an existing pair.
            while at > 0 and 0xD800 <= us[at - 1] < 0xDC00:
                at -= 1
            us = us[:at] + [lone] + us[at:]
            valid = bytes(b for u in us[:at] for b in (u & 0xFF, u >> 8)).decode("utf-16-le")
        else:
            valid = text
        f.write("%s %s\n" % (".".join("%04X" % u for u in us), hexs(valid.encode("utf-8"))))
