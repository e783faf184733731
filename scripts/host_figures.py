#!/usr/bin/env python3
"""Measures the module, as it is, under both frame orders of the stand-in host.

Runs the scenarios of scenarios/host/ under `[host] post_step_sees = "end_of_step"` and
`"start_of_step"` (each from a temporary copy with that key added, and with the variant's
marked lines put in) and prints the table of docs/host.md, "The module as it is, under both
orders", in Markdown.

    scripts/host_figures.py [--bin build/default/bin/touchdown-sim]

Standard library only; about a minute on two cores.
"""

import argparse
import csv
import json
import math
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCENARIOS = os.path.join(ROOT, "scenarios", "host")
ORDERS = ("end_of_step", "start_of_step")
MOON_OMEGA = 2.0 * math.pi / 2360591.6
EARTH_OMEGA = 2.0 * math.pi / 86164.1
ANCHOR_SPEED_MPS = 0.5  # contact/contact_pass.cpp: slower than this relative to the carrier


class Run:
    """One run of touchdown-sim: its account, its attachment calls and its trace."""

    def __init__(self, stdout, events, trace):
        self.stdout = stdout
        self.events = events
        self.trace = trace  # vessel name -> list of rows in step order

    def detaches(self, child):
        return [e for e in self.events
                if e["kind"] == "DetachChild" and e.get("child") == child and e["result"]]

    def attaches(self, child):
        return [e for e in self.events
                if e["kind"] == "AttachChild" and e.get("child") == child and e["result"]]

    def releases(self, vessel):
        """The account's release causes of a vessel, in order."""
        causes, inside = [], False
        for line in self.stdout.splitlines():
            if line and not line.startswith(" "):
                inside = line.startswith(vessel + " (")
            elif inside and "released: " in line:
                causes.append(line.split("released: ", 1)[1].strip())
        return causes


def run(binary, tmp, name, order, markers=(), trace_every=1):
    with open(os.path.join(SCENARIOS, name + ".toml"), encoding="utf-8") as f:
        lines = f.read().splitlines()
    out = []
    for line in lines:
        for marker in markers:
            prefix = "# " + marker + ": "
            if line.startswith(prefix):
                line = line[len(prefix):]
        out.append(line)
    out += ["", "[host]", 'post_step_sees = "%s"' % order, ""]
    stem = "%s-%s-%s" % (name, "-".join(markers) or "base", order)
    scenario = os.path.join(tmp, stem + ".toml")
    with open(scenario, "w", encoding="utf-8") as f:
        f.write("\n".join(out))
    events, trace = os.path.join(tmp, stem + ".jsonl"), os.path.join(tmp, stem + ".csv")
    done = subprocess.run(
        [binary, scenario, "--quiet", "--events", events, "--events-kinds",
         "AttachChild,DetachChild", "--trace", trace, "--trace-every", str(trace_every)],
        capture_output=True, text=True, check=False)
    if done.returncode != 0:
        sys.exit("%s (%s) ended with status %d:\n%s" %
                 (name, order, done.returncode, done.stderr))
    with open(events, encoding="utf-8") as f:
        records = [json.loads(line) for line in f if line.strip()]
    rows = {}
    with open(trace, encoding="utf-8", newline="") as f:
        for row in csv.DictReader(f):
            rows.setdefault(row["vessel"], []).append(row)
    return Run(done.stdout, records, rows)


def pos(row):
    return (float(row["x_m"]), float(row["y_m"]), float(row["z_m"]))


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def norm(a):
    return math.sqrt(sum(x * x for x in a))


def at_step(rows, step):
    for row in rows:
        if int(row["step"]) >= step:
            return row
    return rows[-1]


# a. The displacement over the ground in the step of the release: the vessel's offset from
# the carrier (fixed to the ground) after the update that follows the DetachChild, less its
# offset in the State of the step whose post-step released it.
def release_displacement(r, vessel):
    detached = r.detaches(vessel)
    if not detached:
        return "not released"
    n = detached[0]["step"]
    rows, ground = r.trace[vessel], r.trace["surface"]
    before = sub(pos(at_step(rows, n)), pos(at_step(ground, n)))
    after = sub(pos(at_step(rows, n + 1)), pos(at_step(ground, n + 1)))
    return "%.3f m (at %.2f s)" % (norm(sub(after, before)), detached[0]["t"])


# b, e. First contact: the first State whose clearance is below zero; the highest clearance
# after it; the first anchoring at or after it.
def touchdown(r, vessel):
    rows = r.trace[vessel]
    contact = next((row for row in rows if row["clearance_m"] != "" and
                    float(row["clearance_m"]) < 0.0), None)
    if contact is None:
        return "no contact"
    t_c = float(contact["t_s"])
    later = [row for row in rows if float(row["t_s"]) >= t_c and row["clearance_m"] != ""]
    rebound = max(float(row["clearance_m"]) for row in later)
    anchored = [e for e in r.attaches(vessel) if e["t"] >= t_c - 1e-9]
    released = len(r.detaches(vessel))
    text = "rebound %.3f m; " % max(rebound, 0.0)
    text += ("anchored %.2f s after contact" % (anchored[0]["t"] - t_c)) if anchored else \
        "never anchored"
    if released:
        text += ", released %d times" % released
    end = rows[-1]
    text += "; at the end %s" % ("anchored" if end["parent"] else "free")
    return text


# c. The walker's distance from the carrier over the ground (its offset's length; the
# carrier is at lat 0, lon 0, so the chord is the distance to within metres).
def walker(r):
    rows, ground = r.trace["crew"], r.trace["surface"]
    def dist(row):
        return norm(sub(pos(row), pos(at_step(ground, int(row["step"]))))) / 1000.0
    end = rows[-1]
    detached = r.detaches("crew")
    causes = r.releases("crew")
    text = "ends %.2f km from the carrier, %s" % (dist(end), "anchored" if end["parent"]
                                                   else "free")
    if detached:
        first = detached[0]
        text += "; first released at %.1f s, %.2f km out (%s), released %d times" % (
            first["t"], dist(at_step(rows, first["step"])), causes[0] if causes else "?",
            len(detached))
    else:
        text += "; never released"
    return text


# d. Which crates the module anchored: in the first step, or at all within the run.
def rest(r, omega):
    names = sorted((v for v in r.trace if v.startswith("d")), key=lambda v: float(v[1:-2]))
    first_step = int(r.trace["surface"][0]["step"])
    at_once, at_all, never = [], [], []
    for v in names:
        attached = r.attaches(v)
        d = float(v[1:-2])
        if attached and attached[0]["step"] <= first_step:
            at_once.append(d)
        if attached and r.trace[v][-1]["parent"]:
            at_all.append(d)
        if not attached:
            never.append(d)
    text = "anchored in the first step up to %g km; anchored at the end up to %g km" % (
        max(at_once, default=0), max(at_all, default=0))
    text += "; never anchored: %s" % (", ".join("%g" % d for d in never) or "none")
    text += " (tried %s km; 0.5 m/s / ω = %.1f km)" % (
        ", ".join("%g" % float(v[1:-2]) for v in names), ANCHOR_SPEED_MPS / omega / 1000.0)
    return text


def sessions(binary, tmp, order):
    """The second of two sessions of one host, after two_sessions_a.toml: the calls that named
    the first session's objects (errors, by call), and what the release key G did."""
    files = []
    for name in ("two_sessions_a", "two_sessions_b"):
        with open(os.path.join(SCENARIOS, name + ".toml"), encoding="utf-8") as f:
            text = f.read()
        files.append(os.path.join(tmp, "%s-%s.toml" % (name, order)))
        with open(files[-1], "w", encoding="utf-8") as f:
            f.write(text + '\n[host]\npost_step_sees = "%s"\n' % order)
    events = os.path.join(tmp, "sessions-%s.jsonl" % order)
    done = subprocess.run([binary] + files + ["--quiet", "--events", events],
                          capture_output=True, text=True, check=False)
    if done.returncode != 0:
        sys.exit("sessions (%s) ended with status %d:\n%s" % (order, done.returncode, done.stderr))
    second = events[:-len(".jsonl")] + "-2.jsonl"
    with open(second, encoding="utf-8") as f:
        records = [json.loads(line) for line in f if line.strip()]
    stale = {}
    for r in records:
        if r["kind"] == "StaleHandle":
            key = "%s (%s %d)" % (r["call"], r["object"], r["serial"])
            stale[key] = stale.get(key, 0) + 1
    at_g = [r for r in records if r["kind"] == "DetachChild" and 0.5 <= r["t"] < 0.6]
    g_text = ", ".join("point %d: %s" % (r["attachment"],
                                         "let go of " + r["child"] if r["result"] else "nothing")
                       for r in at_g)
    anchored = [r["child"] for r in records if r["kind"] == "AttachChild" and r["result"]]
    return ("errors: %s; G: DetachChild x%d (%s) for the 1 vessel anchored in this session; "
            "anchorings: %s" % (", ".join("%s x%d" % kv for kv in stale.items()) or "none",
                                len(at_g), g_text, ", ".join(anchored)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "default", "bin",
                                                      "touchdown-sim"))
    args = parser.parse_args()
    rows = []
    with tempfile.TemporaryDirectory(prefix="host_figures-") as tmp:
        for moon, markers in (("Moon at rest", ()), ("Moon turning, 30 km/s", ("moving",))):
            runs = {o: run(args.bin, tmp, "release", o, markers) for o in ORDERS}
            for vessel, how in (("by_key", "G"), ("by_thrust", "thrust"),
                                ("car", "floating free")):
                rows.append(("a. released by %s, %s" % (how, moon),
                             [release_displacement(runs[o], vessel) for o in ORDERS]))
        for label, markers in (("", ()), ("e. jitter ±30 %: ", ("jitter",)),
                               ("e. jitter ±30 %, time acceleration 10: ",
                                ("jitter", "accel"))):
            runs = {o: run(args.bin, tmp, "touchdown", o, markers) for o in ORDERS}
            for vessel, what in (("down5", "5 m/s down"), ("slide3", "3 m/s across, 0.1 down"),
                                 ("across1", "1 m/s down, 1 across")):
                rows.append(((label or "b. ") + what,
                             [touchdown(runs[o], vessel) for o in ORDERS]))
        runs = {o: run(args.bin, tmp, "walker", o, trace_every=25) for o in ORDERS}
        rows.append(("c. walker, W held 5 100 s (20.4 km)", [walker(runs[o]) for o in ORDERS]))
        for body, omega in (("moon", MOON_OMEGA), ("earth", EARTH_OMEGA)):
            runs = {o: run(args.bin, tmp, "rest_" + body, o) for o in ORDERS}
            rows.append(("d. at rest on the turning %s" % body.capitalize(),
                         [rest(runs[o], omega) for o in ORDERS]))
        rows.append(("f. second session reusing handles",
                     [sessions(args.bin, tmp, o) for o in ORDERS]))

    print("| figure | end_of_step | start_of_step |")
    print("|---|---|---|")
    for label, figures in rows:
        print("| %s | %s | %s |" % (label, figures[0], figures[1]))


if __name__ == "__main__":
    main()
