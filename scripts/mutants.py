#!/usr/bin/env python3
"""Plants faults in the module's sources, one at a time, and asks whether the tests notice.

Each mutant is one small edit of one line of module/, contact/, anchor/, math/, host/ or
platform/: a comparison flipped or made non-strict, an arithmetic or logical operator swapped,
a named constant nudged, a call statement or an early return taken out, the first two
arguments of a call swapped. For each, the tree is rebuilt incrementally and the suite run;
a failing suite kills the mutant, a passing one lets it survive, a mutant that does not
compile is stillborn and counts for nothing. With --confirm-dir, a survivor is run again in a
second build, the sanitizers' (out-of-bounds reads and writes, the invariant checks): the suite
runs in both, so a fault either catches is caught.

    scripts/mutants.py list                       the catalogue, one mutant a line
    scripts/mutants.py run [--ids FILE] [--out F] run them (all, or those named in FILE)
    scripts/mutants.py run --ids FILE --require-killed
                                                  exit 1 if any of them survives
    scripts/mutants.py run --confirm-dir build/asan
                                                  survivors run again in the asan build

A mutant's id names its file, a hash of the line it edits, which of the equal lines it is, and
the edit; it stays the same when other lines of the file move.
"""
import argparse
import hashlib
import json
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MODULE_DIRS = ("module", "contact", "anchor", "math", "host", "platform")
# Built only for Windows, or only compiled for the names it references and never linked: the
# suite here never runs them.
NOT_BUILT_HERE = re.compile(r"(_win|^host_calls)\.cpp$")
# Not the module's behaviour: the invariant checks (a fault in a check is no fault of the
# module) and the interface that only tests link.
NOT_BEHAVIOUR = re.compile(r"^(td_assert\.h|test_access\.(cpp|h))$")
# Tests that check no module behaviour: the benchmarks run once without asserting anything,
# and the run-comparison script's own test.
NOT_MODULE_TESTS = "bench_smoke|compare_runs"

COMPARISONS = {"<": ("<=", ">="), "<=": ("<", ">"), ">": (">=", "<="), ">=": (">", "<"),
               "==": ("!=",), "!=": ("==",)}
ARITHMETIC = {"+": ("-",), "-": ("+",), "*": ("/",), "/": ("*",)}
LOGICAL = {"&&": ("||",), "||": ("&&",)}
# clang-format puts a space on each side of a binary operator; templates, pointers and
# references have none, so they are never taken for one.
BINARY_OP = re.compile(r"(?<= )(<=|>=|==|!=|&&|\|\||<|>|\+|-|\*|/)(?= )")
NAMED_CONSTANT = re.compile(r"^(\s*(?:static )?constexpr (?:double|int) k\w+ = )([-0-9.e]+)(;.*)$")
CALL_STATEMENT = re.compile(r"^(\s*)((?:[A-Za-z_]\w*(?:\.|->|::))*[A-Za-z_]\w*\()")
EARLY_EXIT = re.compile(r"^(\s*)if \((.*)\) (return|continue|break)\b(.*;)\s*$")
TWO_ARGS = re.compile(r"\b([A-Z]\w*|oapi\w+)\(([A-Za-z_][\w.]*), ([A-Za-z_][\w.]*)([,)])")
# A definition starts at the beginning of a line: a return type, the name, its parameters.
FUNCTION_START = re.compile(r"^(?:[A-Za-z_][\w:<>,]*[\s*&]+)+([A-Za-z_]\w*)\([^;]*\{")
KEYWORDS = ("return", "if", "for", "while", "switch", "sizeof", "static_cast", "case")


def code_part(line):
    """The line without its comment and with string literals blanked."""
    line = re.sub(r'"(?:[^"\\]|\\.)*"', lambda m: '"' + " " * (len(m.group()) - 2) + '"', line)
    cut = line.find("//")
    return line if cut < 0 else line[:cut]


def sources():
    for folder in MODULE_DIRS:
        for path in sorted((ROOT / folder).glob("*")):
            if (path.suffix in (".cpp", ".h") and not NOT_BUILT_HERE.search(path.name) and
                    not NOT_BEHAVIOUR.search(path.name)):
                yield path


def check_lines(lines):
    """The numbers of the lines that belong to an invariant check's statement."""
    inside, in_check = set(), False
    for number, line in enumerate(lines):
        stripped = code_part(line).strip()
        if "TD_ASSERT(" in stripped or in_check:
            inside.add(number)
            in_check = not stripped.endswith(";")
    return inside


def function_bodies(lines):
    """(name, first line, last line) of each function defined at the start of a line."""
    for number, line in enumerate(lines):
        m = FUNCTION_START.match(code_part(line))
        if not m:
            continue
        end = number
        if not code_part(line).rstrip().endswith("}"):
            end = next((n for n in range(number + 1, len(lines)) if lines[n] == "}"), number)
        yield m.group(1), number, end


def check_only_lines(texts):
    """Per file, the lines of functions that only the invariant checks call: helpers of the
    checks, as much outside the module's behaviour as the checks themselves."""
    files = {rel: text.split("\n") for rel, text in texts.items()}
    in_checks = {rel: check_lines(lines) for rel, lines in files.items()}
    skipped = {rel: set() for rel in files}
    for rel, lines in files.items():
        for name, first, last in function_bodies(lines):
            call = re.compile(rf"\b{name}\(")
            uses = [(other, n) for other, other_lines in files.items()
                    for n, text in enumerate(other_lines)
                    if call.search(code_part(text)) and not (other == rel and first <= n <= last)]
            if uses and all(n in in_checks[other] for other, n in uses):
                skipped[rel].update(range(first, last + 1))
    return skipped


def mutants_of_file(path, skipped_lines=frozenset()):
    rel = path.relative_to(ROOT).as_posix()
    lines = path.read_text().split("\n")
    in_checks = check_lines(lines)
    seen = {}
    previous = ";"
    for number, line in enumerate(lines):
        code = code_part(line)
        stripped = code.strip()
        if not stripped or stripped.startswith(("#", "*", "/*", "static_assert")):
            continue
        # An invariant check, to the end of its statement, or a helper only the checks call.
        if number in in_checks or number in skipped_lines:
            continue
        key = hashlib.sha1(line.strip().encode()).hexdigest()[:8]
        seen[key] = seen.get(key, 0) + 1
        base = f"{rel}:{key}:{seen[key]}"
        edits = []  # (tag, new line, description)
        for m in BINARY_OP.finditer(code):
            op = m.group(1)
            table = COMPARISONS if op in COMPARISONS else LOGICAL if op in LOGICAL else ARITHMETIC
            for new in table[op]:
                edits.append((f"op{m.start()}{new}", line[:m.start()] + new + line[m.end():],
                              f"'{op}' -> '{new}'"))
        m = NAMED_CONSTANT.match(line)
        if m:
            value = m.group(2)
            nudged = str(int(value) + 1) if re.fullmatch(r"-?\d+", value) else repr(
                float(value) * 1.01 if float(value) != 0.0 else 1e-9)
            edits.append(("const", m.group(1) + nudged + m.group(3), f"{value} -> {nudged}"))
        m = EARLY_EXIT.match(code)
        if m:
            edits.append(("exit", f"{m.group(1)}if (false) {m.group(3)}{m.group(4)}",
                          f"early {m.group(3)} taken out"))
        m = CALL_STATEMENT.match(code)
        if (m and previous.rstrip().endswith((";", "{", "}", ")")) and
                not m.group(2).startswith(KEYWORDS) and "=" not in code.split("(")[0]):
            edits.append(("call", f"{m.group(1)}if (false) {line.lstrip()}", "call taken out"))
        for m in TWO_ARGS.finditer(code):
            if m.group(1) in KEYWORDS or m.group(2) == m.group(3):
                continue
            swapped = f"{m.group(1)}({m.group(3)}, {m.group(2)}{m.group(4)}"
            edits.append((f"swap{m.start()}", line[:m.start()] + swapped + line[m.end():],
                          f"arguments of {m.group(1)} swapped"))
        for tag, new_line, description in edits:
            yield {"id": f"{base}:{tag}", "file": rel, "line": number + 1, "new": new_line,
                   "what": description}
        previous = code if stripped else previous


def catalogue():
    paths = list(sources())
    texts = {path.relative_to(ROOT).as_posix(): path.read_text() for path in paths}
    skipped = check_only_lines(texts)
    return [m for path in paths
            for m in mutants_of_file(path, skipped[path.relative_to(ROOT).as_posix()])]


def run_suite(build_dir, timeout_s):
    build = subprocess.run(["cmake", "--build", str(build_dir)], capture_output=True)
    if build.returncode != 0:
        return "stillborn"
    try:
        test = subprocess.run(
            ["ctest", "--test-dir", str(build_dir), "-LE", "long|visual|valgrind", "-E",
             NOT_MODULE_TESTS, "--stop-on-failure", "-j2", "--timeout", "120"],
            capture_output=True, timeout=timeout_s)
    except subprocess.TimeoutExpired:
        return "killed"  # a suite that hangs has noticed
    return "survived" if test.returncode == 0 else "killed"


def run_one(mutant, build_dir, timeout_s, confirm_dir=None):
    """The mutant's status, and the build that killed it. A survivor of the first build is
    run again in the confirming one (the sanitizers' build, with the invariant checks on),
    since the suite runs both."""
    path = ROOT / mutant["file"]
    original = path.read_text()
    lines = original.split("\n")
    lines[mutant["line"] - 1] = mutant["new"]
    try:
        path.write_text("\n".join(lines))
        status = run_suite(build_dir, timeout_s)
        if status == "survived" and confirm_dir is not None:
            if run_suite(confirm_dir, timeout_s) == "killed":
                return "killed", confirm_dir.name
        return status, build_dir.name if status == "killed" else None
    finally:
        path.write_text(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("command", choices=("list", "run"))
    parser.add_argument("--ids", type=Path, help="run only the mutants named in this file")
    parser.add_argument("--build-dir", type=Path, default=ROOT / "build" / "default")
    parser.add_argument("--out", type=Path, help="write the results here (JSON Lines)")
    parser.add_argument("--timeout", type=float, default=300, help="seconds for one suite run")
    parser.add_argument("--confirm-dir", type=Path,
                        help="run each survivor again in this build (the asan preset's)")
    parser.add_argument("--require-killed", action="store_true",
                        help="exit 1 if any mutant run survives or is stillborn")
    args = parser.parse_args()

    mutants = catalogue()
    if args.ids:
        wanted = [w.split()[0] for w in args.ids.read_text().splitlines()
                  if w.strip() and not w.startswith("#")]
        by_id = {m["id"]: m for m in mutants}
        missing = [w for w in wanted if w not in by_id]
        if missing:
            sys.exit(f"mutants.py: no such mutant (the source changed?): {', '.join(missing)}")
        mutants = [by_id[w] for w in wanted]
    if args.command == "list":
        for m in mutants:
            print(f"{m['id']}  {m['file']}:{m['line']}  {m['what']}")
        return 0

    for build_dir in filter(None, (args.build_dir, args.confirm_dir)):
        subprocess.run(["cmake", "--build", str(build_dir)], check=True, capture_output=True)
    counts = {"killed": 0, "survived": 0, "stillborn": 0}
    out = args.out.open("w") if args.out else None
    start = time.monotonic()
    for i, mutant in enumerate(mutants, 1):
        status, killed_in = run_one(mutant, args.build_dir, args.timeout, args.confirm_dir)
        counts[status] += 1
        where = f" (in {killed_in})" if killed_in and killed_in != args.build_dir.name else ""
        print(f"[{i}/{len(mutants)} {time.monotonic() - start:.0f} s] {status:9} {mutant['id']}"
              f"  {mutant['file']}:{mutant['line']} {mutant['what']}{where}", flush=True)
        if out:
            record = {"id": mutant["id"], "status": status, "what": mutant["what"],
                      "at": f"{mutant['file']}:{mutant['line']}"}
            if killed_in:
                record["killed_in"] = killed_in
            out.write(json.dumps(record) + "\n")
            out.flush()
    for build_dir in filter(None, (args.build_dir, args.confirm_dir)):
        subprocess.run(["cmake", "--build", str(build_dir)], capture_output=True)
    live = counts["killed"] + counts["survived"]
    score = 100.0 * counts["killed"] / live if live else 100.0
    print(f"killed {counts['killed']}, survived {counts['survived']}, "
          f"stillborn {counts['stillborn']}: score {score:.1f} %")
    if args.require_killed and (counts["survived"] or counts["stillborn"]):
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
