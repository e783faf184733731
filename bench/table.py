#!/usr/bin/env python3
"""Turns the JSON of a repeated touchdown_bench run into the table of docs/performance.md.

    touchdown_bench --benchmark_filter='opcPreStep/' --benchmark_repetitions=5 \
        --benchmark_format=json > run.json
    bench/table.py run.json

Medians of the repetitions; the exponent is the least-squares slope of log(cost per step)
against log(vessels) over 10 to 10 000 vessels.
"""
import json
import math
import sys
from collections import defaultdict


def fitted_exponent(points):
    xs = [math.log(n) for n, _ in points]
    ys = [math.log(cost) for _, cost in points]
    mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)


def main(path):
    with open(path) as f:
        run = json.load(f)
    rows = defaultdict(dict)  # (situation, n) -> counters of the median
    for b in run["benchmarks"]:
        if b.get("aggregate_name") != "median" or not b["name"].startswith("opcPreStep/"):
            continue
        _, situation, n = b["name"].split("/")[:3]
        rows[(situation, int(n))] = b
    print("| situation | vessels | ns per vessel-step | floor ns | x floor | vessel-steps/s |")
    print("|---|---:|---:|---:|---:|---:|")
    slopes = {}
    for situation in ("flight", "contact", "anchored"):
        points = []
        for n in sorted(n for s, n in rows if s == situation):
            b = rows[(situation, n)]
            ns = b["ns_per_vessel_step"]
            print(f"| {situation} | {n} | {ns:.0f} | {b['floor_ns']:.0f} | {b['x_floor']:.2f} "
                  f"| {b['items_per_second'] / 1e6:.2f} M |")
            if 10 <= n <= 10000:
                points.append((n, ns * n))
        if len(points) >= 2:
            slopes[situation] = fitted_exponent(points)
    print()
    for situation, slope in slopes.items():
        print(f"- {situation}: cost per step ~ n^{slope:.3f} over 10 .. 10 000 vessels")


if __name__ == "__main__":
    main(sys.argv[1])
