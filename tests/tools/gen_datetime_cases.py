#!/usr/bin/env python3
"""Generates the expected results of the date/time and duration tests.

Writes, under tests/data/:
  datetime_add.txt          op  start  duration  expected   (op "+" or "-"; a resulting year beyond
                                                             16 bits keeps its low 16 bits)
  datetime_compare.txt      a  b  result                    (Equal, Less, Greater, Indeterminate)
  datetime_format.txt       input  canonical  time_t  day-of-year  weekday-in-UTC (1 = Sunday)
  datetime_span_compare.txt a  b  result

Python's datetime is the oracle wherever the library's rules and Python's agree: plain calendar
arithmetic, instants of zoned values, time_t, day of year and weekday. Where the library's rules are
its own -- months added without clamping the day, days walked month by month from such a day, years
outside 1..9999 and negative years, the +14:00/-14:00 treatment of unzoned values, dates normalized
to a day (their hour is not compared), durations kept as written -- the rule is computed below in
plain arithmetic, and cross-checked against datetime on every case where both apply.

Run from the repository root: python3 tests/tools/gen_datetime_cases.py
"""

import calendar
import datetime as dt
import os
import random

SEED = 20261206
OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")

DAYS = [31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]


def is_leap(y):
    return y % 4 == 0 and (y % 100 != 0 or y % 400 == 0)


def days_in(y, m):
    return 29 if m == 2 and is_leap(y) else DAYS[m - 1]


# ---------------------------------------------------------------- values
# A value: dict(kind='dateTime'|'date', y, mo, d, h, mi, s, ms, us, ns, zone) where zone is None
# (unzoned), 'Z', or (hours, minutes) with the sign carried by hours (minutes >= 0).


def fmt_year(y):
    return ("-" if y < 0 else "") + "%04d" % abs(y)


def fmt_fraction(ms, us, ns):
    groups = [ms, us, ns]
    last = 2 if ns else 1 if us else 0 if ms else -1
    if last < 0:
        return ""
    text = "".join("%03d" % g for g in groups[:last])
    tail = ("%03d" % groups[last]).rstrip("0") or "0"
    return "." + text + tail


def fmt_zone(zone):
    if zone is None:
        return ""
    if zone == "Z":
        return "Z"
    h, m = zone
    return ("+" if h >= 0 else "-") + "%02d:%02d" % (abs(h), m)


def wrap_year(v):
    """The value with its year as a signed 16-bit field holds it."""
    y = v["y"] & 0xFFFF
    return dict(v, y=y - 0x10000 if y >= 0x8000 else y)


def fmt_value(v):
    text = "%s-%02d-%02d" % (fmt_year(v["y"]), v["mo"], v["d"])
    if v["kind"] == "dateTime":
        text += "T%02d:%02d:%02d" % (v["h"], v["mi"], v["s"]) + fmt_fraction(v["ms"], v["us"], v["ns"])
    return text + fmt_zone(v["zone"])


def random_zone(rng):
    r = rng.random()
    if r < 0.35:
        return None
    if r < 0.5:
        return "Z"
    h = rng.randint(-14, 14)
    m = rng.choice([0, 0, 0, 15, 30, 45, rng.randint(0, 59)])
    if h == 0 and m == 0 and rng.random() < 0.5:
        return (0, 0)
    return (h, m)


def random_fraction(rng):
    digits = rng.choice([0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9])
    value = [0, 0, 0]
    text = "".join(str(rng.randint(0, 9)) for _ in range(digits))
    for i, c in enumerate(text):
        value[i // 3] += int(c) * (100, 10, 1)[i % 3]
    return value, text


def random_value(rng, kind, year_lo=1, year_hi=9999):
    y = rng.randint(year_lo, year_hi)
    if y == 0:
        y = 1
    mo = rng.randint(1, 12)
    d = rng.choice([rng.randint(1, days_in(y, mo)), days_in(y, mo), 1, min(29, days_in(y, mo))])
    v = dict(kind=kind, y=y, mo=mo, d=d, h=0, mi=0, s=0, ms=0, us=0, ns=0, zone=random_zone(rng))
    if kind == "dateTime":
        v["h"], v["mi"], v["s"] = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        (v["ms"], v["us"], v["ns"]), _ = random_fraction(rng)
    return v


# ---------------------------------------------------------------- durations
# A duration: dict(neg, Y, M, D, H, Mi, S, ms, us, ns), components as written.


def fmt_span(p):
    text = ("-" if p["neg"] else "") + "P"
    for key, des in (("Y", "Y"), ("M", "M"), ("D", "D")):
        if p[key]:
            text += "%d%s" % (p[key], des)
    frac = (p["ms"], p["us"], p["ns"])
    if not (p["H"] or p["Mi"] or p["S"] or any(frac)):
        return text
    text += "T"
    if p["H"]:
        text += "%dH" % p["H"]
    if p["Mi"]:
        text += "%dM" % p["Mi"]
    if p["S"] or any(frac):
        text += "%d" % p["S"] + fmt_fraction(*frac) + "S"
    return text


def random_span(rng, big=False):
    def comp(lo_hi, chance=0.5):
        return rng.randint(*lo_hi) if rng.random() < chance else 0

    p = dict(
        neg=rng.random() < 0.4,
        Y=comp((0, 3000) if big else (0, 40), 0.4),
        M=comp((0, 200) if big else (0, 30), 0.5),
        D=comp((0, 1200000) if big else (0, 800), 0.5),
        H=comp((0, 100000) if big else (0, 100), 0.5),
        Mi=comp((0, 10 ** 7) if big else (0, 5000), 0.5),
        S=comp((0, 10 ** 9) if big else (0, 200000), 0.5),
    )
    (p["ms"], p["us"], p["ns"]), _ = random_fraction(rng) if rng.random() < 0.5 else ((0, 0, 0), "")
    if not any(p[k] for k in ("Y", "M", "D", "H", "Mi", "S", "ms", "us", "ns")):
        p["D"] = 1  # a zero duration has no lexical form that parses ("P" alone is refused)
    return p


# ---------------------------------------------------------------- addition, by the library's rule


def add_rule(v, p):
    """The addition as the library defines it: months first (no clamping), floor division carrying
    upward, then days walked one month at a time. Returns the new value (not validated)."""
    s = -1 if p["neg"] else 1
    r = dict(v)
    q, rem = divmod(v["mo"] - 1 + s * p["M"], 12)
    r["mo"] = rem + 1
    r["y"] = v["y"] + s * p["Y"] + q
    carry, r["ns"] = divmod(v["ns"] + s * p["ns"], 1000)
    carry, r["us"] = divmod(carry + v["us"] + s * p["us"], 1000)
    carry, r["ms"] = divmod(carry + v["ms"] + s * p["ms"], 1000)
    carry, r["s"] = divmod(carry + v["s"] + s * p["S"], 60)
    carry, r["mi"] = divmod(carry + v["mi"] + s * p["Mi"], 60)
    carry, r["h"] = divmod(carry + v["h"] + s * p["H"], 24)
    n = s * p["D"] + carry
    y, mo, d = r["y"], r["mo"], v["d"]
    while n != 0:
        if n < 0:
            if d - 1 < -n:
                mo -= 1
                if mo == 0:
                    mo, y = 12, y - 1
                n += d
                d = days_in(y, mo)
            else:
                d += n
                n = 0
        else:
            m = days_in(y, mo)
            if d + n > m:
                n = n + d - m - 1
                d = 1
                mo += 1
                if mo == 13:
                    mo, y = 1, y + 1
            else:
                d += n
                n = 0
    r["y"], r["mo"], r["d"] = y, mo, d
    return r


def add_datetime(v, p):
    """The same addition through Python's datetime, where it applies: the day after the month step
    must exist and every year must stay within 1..9999. Returns None where it does not apply."""
    s = -1 if p["neg"] else 1
    q, rem = divmod(v["mo"] - 1 + s * p["M"], 12)
    y, mo = v["y"] + s * p["Y"] + q, rem + 1
    if not (1 <= y <= 9999) or v["d"] > days_in(y, mo):
        return None
    base = dt.datetime(y, mo, v["d"], v["h"], v["mi"], v["s"], v["ms"] * 1000 + v["us"])
    delta_ns = s * (((p["D"] * 24 + p["H"]) * 60 + p["Mi"]) * 60 + p["S"]) * 10 ** 9 \
        + s * (p["ms"] * 10 ** 6 + p["us"] * 1000 + p["ns"])
    micros, ns = divmod(v["ns"] + delta_ns, 1000)
    try:
        res = base + dt.timedelta(microseconds=micros)
    except OverflowError:
        return None
    r = dict(v)
    r.update(y=res.year, mo=res.month, d=res.day, h=res.hour, mi=res.minute, s=res.second,
             ms=res.microsecond // 1000, us=res.microsecond % 1000, ns=ns)
    return r


def gen_add(rng):
    lines = []
    checked = 0
    for i in range(2400):
        kind = "date" if rng.random() < 0.3 else "dateTime"
        if i % 10 == 9:
            v = random_value(rng, kind, -9999, -1)  # negative years: the rule only
        else:
            v = random_value(rng, kind)
        p = random_span(rng, big=(i % 7 == 6))
        op = "-" if rng.random() < 0.25 else "+"
        q = dict(p, neg=True) if op == "-" else p  # subtraction adds the span made negative
        r = add_rule(v, q)
        expected = fmt_value(wrap_year(r))
        alt = add_datetime(v, q)
        if alt is not None and -32768 <= r["y"] <= 32767:
            assert alt == r, (fmt_value(v), fmt_span(p), fmt_value(alt), fmt_value(r))
            checked += 1
        lines.append("\t".join((op, fmt_value(v), fmt_span(p), expected)))
    # Month steps onto a day the target month lacks: kept, not clamped.
    for y in (1999, 2000, 2001, 2100):
        for mo in range(1, 13):
            for d in (28, 29, 30, 31):
                if d > days_in(y, mo):
                    continue
                v = dict(kind="date", y=y, mo=mo, d=d, h=0, mi=0, s=0, ms=0, us=0, ns=0, zone=None)
                for months in (1, 13, -1):
                    p = dict(neg=months < 0, Y=0, M=abs(months), D=0, H=0, Mi=0, S=0, ms=0, us=0, ns=0)
                    lines.append("\t".join(("+", fmt_value(v), fmt_span(p), fmt_value(add_rule(v, p)))))
    # Years that leave the 16-bit field.
    for y in (9999, -9999):
        v = dict(kind="date", y=y, mo=6, d=15, h=0, mi=0, s=0, ms=0, us=0, ns=0, zone=None)
        for years in (22768, 22769, 42768, 60000):
            p = dict(neg=y < 0, Y=years, M=0, D=0, H=0, Mi=0, S=0, ms=0, us=0, ns=0)
            r = add_rule(v, p)
            lines.append("\t".join(("+", fmt_value(v), fmt_span(p), fmt_value(wrap_year(r)))))
    return lines, checked


# ---------------------------------------------------------------- order, by the library's rule


def normalized(v):
    """Fields moved to UTC for an explicit offset, as (kind, zoned, datetime, ns)."""
    base = dt.datetime(v["y"], v["mo"], v["d"], v["h"], v["mi"], v["s"], v["ms"] * 1000 + v["us"])
    zoned = v["zone"] is not None
    if isinstance(v["zone"], tuple):
        h, m = v["zone"]
        base -= dt.timedelta(hours=h, minutes=m if h >= 0 else -m)
    return (v["kind"], zoned, base, v["ns"])


def field_compare(a, b):
    """Year, month, day, then (for two dateTimes) the time of day; a date and a dateTime on the
    same day are Indeterminate because only one has an hour."""
    ka, _, da, na = a
    kb, _, db, nb = b
    ta, tb = (da.year, da.month, da.day), (db.year, db.month, db.day)
    if ta != tb:
        return "Less" if ta < tb else "Greater"
    if ka != kb:
        return "Indeterminate"
    if ka == "date":
        return "Equal"
    xa, xb = (da, na), (db, nb)
    return "Equal" if xa == xb else "Less" if xa < xb else "Greater"


def shifted(n, hours):
    """An unzoned normalized value given the zone +hours and normalized again."""
    kind, _, base, ns = n
    return (kind, True, base - dt.timedelta(hours=hours), ns)


def compare_rule(a, b):
    p, q = normalized(a), normalized(b)
    if p[1] == q[1]:
        return field_compare(p, q)
    if p[1]:
        if field_compare(p, shifted(q, 14)) == "Less":
            return "Less"
        return "Greater" if field_compare(p, shifted(q, -14)) == "Greater" else "Indeterminate"
    if field_compare(shifted(p, 14), q) == "Greater":
        return "Greater"
    return "Less" if field_compare(shifted(p, -14), q) == "Less" else "Indeterminate"


def instant_compare(a, b):
    """Python's own order of two zoned dateTimes, as a cross-check."""
    def aware(v):
        z = v["zone"]
        off = dt.timedelta(0) if z == "Z" else dt.timedelta(hours=z[0], minutes=z[1] if z[0] >= 0 else -z[1])
        return (dt.datetime(v["y"], v["mo"], v["d"], v["h"], v["mi"], v["s"], v["ms"] * 1000 + v["us"],
                            tzinfo=dt.timezone(off)), v["ns"])
    x, y = aware(a), aware(b)
    return "Equal" if x == y else "Less" if x < y else "Greater"


def near(rng, v, kind):
    """A value within a day or so of v, of the given kind and with a random zone."""
    minutes = rng.choice([0, rng.randint(-2000, 2000), rng.choice([-840, 840, -841, 841, -839, 839])])
    base = dt.datetime(v["y"], v["mo"], v["d"], v["h"], v["mi"], v["s"]) + dt.timedelta(minutes=minutes)
    w = dict(kind=kind, y=base.year, mo=base.month, d=base.day, h=0, mi=0, s=0, ms=0, us=0, ns=0,
             zone=random_zone(rng))
    if kind == "dateTime":
        w.update(h=base.hour, mi=base.minute, s=base.second)
        if rng.random() < 0.5:
            w.update(ms=v["ms"], us=v["us"], ns=v["ns"])
        else:
            (w["ms"], w["us"], w["ns"]), _ = random_fraction(rng)
    return w


def gen_compare(rng):
    lines = []
    checked = 0
    for i in range(1600):
        ka = rng.choice(["dateTime", "dateTime", "date"])
        kb = ka if rng.random() < 0.85 else ("date" if ka == "dateTime" else "dateTime")
        a = random_value(rng, ka, 2, 9998)
        b = near(rng, a, kb)
        if rng.random() < 0.2:
            b = dict(a, zone=random_zone(rng))
            b["kind"] = kb
            if kb == "date":
                b.update(h=0, mi=0, s=0, ms=0, us=0, ns=0)
        result = compare_rule(a, b)
        if ka == kb == "dateTime" and a["zone"] is not None and b["zone"] is not None:
            assert result == instant_compare(a, b)
            checked += 1
        lines.append("\t".join((fmt_value(a), fmt_value(b), result)))
    return lines, checked


# ---------------------------------------------------------------- formatting and conversions


def gen_format(rng):
    lines = []
    for i in range(1200):
        kind = "date" if rng.random() < 0.3 else "dateTime"
        v = random_value(rng, kind, 2, 9998)
        text = "%s-%02d-%02d" % (fmt_year(v["y"]), v["mo"], v["d"])
        if kind == "dateTime":
            (v["ms"], v["us"], v["ns"]), digits = random_fraction(rng)
            text += "T%02d:%02d:%02d" % (v["h"], v["mi"], v["s"])
            if digits or rng.random() < 0.1:
                text += "." + digits
        zone_text = fmt_zone(v["zone"])
        if isinstance(v["zone"], tuple) and v["zone"] == (0, 0) and rng.random() < 0.3:
            zone_text = rng.choice(["-00:00", "+24:00", "-24:00"])  # all read as +00:00
        elif isinstance(v["zone"], tuple) and v["zone"][0] == 0 and v["zone"][1] and rng.random() < 0.5:
            zone_text = "-00:%02d" % v["zone"][1]  # no sign without hours: read as +00:mm
        text += zone_text
        n = normalized(v)[2]
        time_t = calendar.timegm(n.timetuple())
        day_of_year = dt.date(v["y"], v["mo"], v["d"]).timetuple().tm_yday
        weekday = (dt.datetime(1970, 1, 1) + dt.timedelta(seconds=time_t)).isoweekday() % 7 + 1
        lines.append("\t".join((text, fmt_value(v), str(time_t), str(day_of_year), str(weekday))))
    return lines


# ---------------------------------------------------------------- duration order


REFERENCES = [(1696, 9), (1697, 2), (1903, 3), (1903, 7)]


def span_instant(ref, p):
    """Reference date plus the duration through Python's datetime (day 1 never needs clamping)."""
    s = -1 if p["neg"] else 1
    q, rem = divmod(ref[1] - 1 + s * p["M"], 12)
    base = dt.datetime(ref[0] + s * p["Y"] + q, rem + 1, 1)
    ns = s * ((((p["D"] * 24 + p["H"]) * 60 + p["Mi"]) * 60 + p["S"]) * 10 ** 9
              + p["ms"] * 10 ** 6 + p["us"] * 1000 + p["ns"])
    micros, rest = divmod(ns, 1000)
    return (base + dt.timedelta(microseconds=micros), rest)


def span_compare(a, b):
    first = None
    for ref in REFERENCES:
        x, y = span_instant(ref, a), span_instant(ref, b)
        r = "Equal" if x == y else "Less" if x < y else "Greater"
        if first is not None and r != first:
            return "Indeterminate"
        first = r
    return first


def zero_span():
    return dict(neg=False, Y=0, M=0, D=0, H=0, Mi=0, S=0, ms=0, us=0, ns=0)


def gen_span_compare(rng):
    lines = []
    for i in range(900):
        a = random_span(rng)
        a["Y"] = min(a["Y"], 10)
        mode = i % 4
        if mode == 0:  # the same length in other units
            total = (a["D"] * 24 + a["H"]) * 60 + a["Mi"]
            b = dict(zero_span(), neg=a["neg"], Y=a["Y"], M=a["M"], Mi=total, S=a["S"],
                     ms=a["ms"], us=a["us"], ns=a["ns"])
        elif mode == 1:  # months against a number of days near them
            months = rng.randint(1, 14)
            a = dict(zero_span(), neg=rng.random() < 0.3, M=months)
            days = round(months * 30.44) + rng.randint(-3, 3)
            b = dict(zero_span(), neg=a["neg"], D=days)
        elif mode == 2:  # years against days
            years = rng.randint(1, 5)
            a = dict(zero_span(), neg=rng.random() < 0.3, Y=years)
            b = dict(zero_span(), neg=a["neg"], D=years * 365 + rng.randint(-1, 2))
        else:
            b = random_span(rng)
            b["Y"] = min(b["Y"], 10)
        if rng.random() < 0.5:
            a, b = b, a
        lines.append("\t".join((fmt_span(a), fmt_span(b), span_compare(a, b))))
    return lines


def write(name, lines):
    path = os.path.join(OUT_DIR, name)
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print("%s: %d cases" % (name, len(lines)))


def main():
    rng = random.Random(SEED)
    add_lines, add_checked = gen_add(rng)
    write("datetime_add.txt", add_lines)
    print("  %d of them cross-checked against datetime" % add_checked)
    cmp_lines, cmp_checked = gen_compare(rng)
    write("datetime_compare.txt", cmp_lines)
    print("  %d of them cross-checked against aware datetimes" % cmp_checked)
    write("datetime_format.txt", gen_format(rng))
    write("datetime_span_compare.txt", gen_span_compare(rng))


if __name__ == "__main__":
    main()
