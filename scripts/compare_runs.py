#!/usr/bin/env python3
"""Compares two outputs of touchdown-sim, record by record: an event log (JSON Lines) or a
trace (CSV). The records must be the same and in the same order; numbers may differ by a
relative tolerance, everything else (names, kinds, integers, flags, missing values) must be
equal. Prints the largest relative difference found, or the first differences, and exits 1
when the outputs disagree.

What a number is relative to:
- a component of a vector (a JSON list of numbers; x, y and z columns of a trace), to the
  vector's largest component: the others may be the round-off of a zero, such as the
  cos(pi/2) of 6.1e-17 in a unit vector, which sine and cosine of different math libraries
  leave at different values;
- an angle (a column ending in _deg or _rad), to a full turn;
- a height over the ground (altitude, clearance), to no less than a kilometre: it is the
  difference of a place and the ground, both worked out from coordinates of the host's global
  frame, where a Moon that moves at 30 km/s is thousands of kilometres out within minutes and
  a coordinate's round-off alone is tenths of a nanometre and more;
- any other number, to itself;
- and never to less than 1e-12: a vector that is all round-off of a zero, such as a brake
  force of 1e-30 N against a speed of nothing, has no scale of its own, and nothing in these
  outputs means anything below a piconewton, a picometre or a picometre per second.
Integers are written without a decimal point and read back as integers: they are counts,
steps, key codes and flag words, which no platform may change.
"""
import argparse
import csv
import json
import math
import re
import sys

FULL_TURN = {"_deg": 360.0, "_rad": 2.0 * math.pi}
SMALLEST_SCALE = 1e-12
HEIGHT = re.compile(r"^(altitude|clearance)(_m)?$")
HEIGHT_SCALE_M = 1000.0
VECTOR_COLUMN = re.compile(r"^(.*?)[xyz](_.*)$")


class Mismatch(Exception):
    pass


def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def is_vector(value):
    return isinstance(value, list) and len(value) > 0 and all(is_number(v) for v in value)


class Comparison:
    def __init__(self, tolerance):
        self.tolerance = tolerance
        self.largest = 0.0
        self.largest_where = ""

    def numbers(self, a, b, scale, where):
        if a == b:
            return
        d = abs(a - b) / max(scale, SMALLEST_SCALE)
        if d > self.largest:
            self.largest, self.largest_where = d, where
        if d > self.tolerance:
            raise Mismatch(f"{where}: {a!r} and {b!r} differ by {d:.3g} relative")

    def values(self, a, b, where, key=""):
        if is_number(a) and is_number(b) and (isinstance(a, float) or isinstance(b, float)):
            # The shortest form of a double that happens to be whole has no decimal point.
            turn = next((t for suffix, t in FULL_TURN.items() if key.endswith(suffix)), None)
            scale = max(abs(a), abs(b), HEIGHT_SCALE_M if HEIGHT.match(key) else 0.0)
            self.numbers(a, b, turn or scale, where)
        elif is_vector(a) and is_vector(b) and len(a) == len(b) and a != b:
            scale = max(abs(v) for v in a + b)
            for i, (x, y) in enumerate(zip(a, b)):
                self.numbers(x, y, scale, f"{where}[{i}]")
        elif type(a) is not type(b):
            raise Mismatch(f"{where}: {a!r} != {b!r}")
        elif isinstance(a, dict):
            if list(a) != list(b):
                raise Mismatch(f"{where}: fields {list(a)} != {list(b)}")
            for k in a:
                self.values(a[k], b[k], f"{where}.{k}", k)
        elif isinstance(a, list):
            if len(a) != len(b):
                raise Mismatch(f"{where}: {len(a)} values != {len(b)}")
            for i, (x, y) in enumerate(zip(a, b)):
                self.values(x, y, f"{where}[{i}]", key)
        elif a != b:
            raise Mismatch(f"{where}: {a!r} != {b!r}")


def csv_value(text):
    for parse in (int, float):
        try:
            return parse(text)
        except ValueError:
            pass
    return text


def trace_records(rows):
    """Trace rows as records: x, y and z columns of one quantity become one vector."""
    header = rows[0]
    records = [{"columns": header}]
    for row in rows[1:]:
        record = {}
        for name, text in zip(header, row):
            value = csv_value(text)
            match = VECTOR_COLUMN.match(name)
            if match and is_number(value):
                record.setdefault(f"{match[1]}xyz{match[2]}", []).append(value)
            else:
                record[name] = value
        records.append(record)
    return records


def read_records(path):
    with open(path, newline="") as f:
        if path.endswith(".csv"):
            return trace_records(list(csv.reader(f)))
        return [json.loads(line) for line in f if line.strip()]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("expected")
    parser.add_argument("actual")
    parser.add_argument("--tolerance", type=float, default=1e-9,
                        help="largest relative difference of two numbers (default 1e-9)")
    parser.add_argument("--most", type=int, default=5, help="differences to show (default 5)")
    args = parser.parse_args()

    expected, actual = read_records(args.expected), read_records(args.actual)
    comparison = Comparison(args.tolerance)
    problems = []
    if len(expected) != len(actual):
        problems.append(f"{len(expected)} records != {len(actual)}")
    for line, (a, b) in enumerate(zip(expected, actual), start=1):
        try:
            comparison.values(a, b, f"record {line}")
        except Mismatch as e:
            problems.append(str(e))
            if len(problems) >= args.most:
                break
    if problems:
        print(f"{args.actual} differs from {args.expected}:")
        for p in problems:
            print(f"  {p}")
        return 1
    where = f" ({comparison.largest_where})" if comparison.largest > 0 else ""
    print(f"{len(expected)} records agree; largest relative difference "
          f"{comparison.largest:.3g}{where}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
