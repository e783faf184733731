#!/usr/bin/env python3
"""Holds each of the module's rules and constants to one home: the module's own folders.

Code outside them (touchdown-sim's app/ and sim/, the benchmarks, the fuzzers, the pages in
web/, the scripts) that needs a rule includes the module's header for it, as the account does
for the focus test. A copy drifts: the account's quarter turn once stood 7 ulps away from the
module's. This script knows the rules such code has been tempted to copy and a pattern that
spots each copy: a constant of the rule's value under a name that says what it is, or a
literal only the rule has (a class name, pi/2 to many digits). Comments are not copies, so
they are left out; so are tests/ and scenarios/, which may spell a value to state what they
expect, and data files (fuzz corpora and dictionaries). Each copy is printed as
file:line: the rule (its home), and the script exits with status 1.

    scripts/check_module_rules.py [repository root]     default: the one this script is in
"""
import pathlib
import re
import sys

# Where outside code lives, and which of its files are code.
FOLDERS = ("app", "sim", "bench", "fuzz", "web", "scripts")
SUFFIXES = {".cpp", ".h", ".js", ".mjs", ".py"}
SKIPPED = ("web/node_modules/",)

# A constant's definition: a name holding one of the words, then = and the value.
def defined(words, value):
    return rf"(?i)\b\w*(?:{words})\w*\s*(?<![=!<>])=(?!=)\s*{value}(?![\w.])"


# A string literal that begins with the text (not one inside another string, such as the
# TOML of a scenario written in a benchmark, where \" quotes it).
def literal(text):
    return rf"""(?<!\\)["']{text}"""


RULES = [
    ("the quarter turn", "math/angles.h kQuarterTurn_rad", r"\b1\.5707963"),
    ("the full turn", "math/angles.h kFullTurn_rad", r"\b6\.2831853|\b2\s*\*\s*M_PI\b"),
    ("the gravitational constant", "math/units.h kGravitationalConstant", r"\b6\.67\d*e-11\b"),
    ("a degree conversion", "math/units.h kRadPerDeg, kDegPerRad",
     r"(?:\b3\.14159\d*|\bM_PI|\bkPi)\s*/\s*180\b|\b180(?:\.0*)?\s*/\s*(?:3\.14159|M_PI\b|kPi\b)"),
    ("the focus distance", "module/step_driver.h kFocusReleaseAngle_rad",
     defined("focus|release", r"0?\.010*")),
    ("the focus test", "module/step_driver.h td::PlacesApart",
     r"\bremainder\s*\([^;]*(?:6\.2831|kTwoPi|kFullTurn|2\s*\*\s*(?:M_PI|kPi))"),
    ("the float-free clearance", "anchor/ground_probe.h kFloatFreeClearance_m, td::FloatsFree",
     defined("float_?free|clearance", r"0?\.10*")),
    ("the terrain altitude floor", "host/terrain.h kTerrainAltitudeFloor_m",
     defined("floor", r"-\s*1(?:\.0*)?")),
    ("the anchor slot count", "anchor/anchor_table.h kAnchorSlotCount",
     defined("slot|anchor", r"100")),
    ("a release or movement key", "module/key_table.h kKey...",
     r"(?:==|\bcase)\s*(?:'[GUCWASD]'|0x2[2-8]\b|0x[bB][eE]\b)"),
    ("a vessel class the module knows", "module/vessel_class.h",
     literal(r"(?:DynamicPlanet|UMmu|UCGO\\\\Cars)")),
    ("the anchor point id", "anchor/anchor_table.h kAnchorPointId", literal(r"VBS[\"']")),
]


def code_only(text, suffix):
    """The text with its comments blanked out (line breaks kept, so lines keep their numbers).
    Python's docstrings count as comments; strings of code stay as they are."""
    if suffix == ".py":
        text = re.sub(r'"""(?:.|\n)*?"""', lambda m: "\n" * m[0].count("\n"), text)
        token = re.compile(r"""#[^\n]*|"(?:\\.|[^"\\\n])*"|'(?:\\.|[^'\\\n])*'""")
    else:
        token = re.compile(r"""//[^\n]*|/\*(?:.|\n)*?\*/|"(?:\\.|[^"\\\n])*"|'(?:\\.|[^'\\\n])*'""")

    def blank(match):
        kept = match[0]
        if kept.startswith(("#", "//", "/*")):
            return "\n" * kept.count("\n")
        return kept

    return token.sub(blank, text)


def sources(root):
    """The code outside the module's folders, but this script, which names every rule."""
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            name = path.relative_to(root).as_posix()
            if (path.suffix in SUFFIXES and path.is_file() and not name.startswith(SKIPPED)
                    and path.resolve() != pathlib.Path(__file__).resolve()):
                yield name, path


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    patterns = [(what, home, re.compile(regex)) for what, home, regex in RULES]
    copies = files = 0
    for name, path in sources(root):
        files += 1
        code = code_only(path.read_text(encoding="utf-8", errors="replace"), path.suffix)
        for number, line in enumerate(code.split("\n"), 1):
            for what, home, pattern in patterns:
                if pattern.search(line):
                    copies += 1
                    print(f"{name}:{number}: {what}, whose home is {home}")
    if copies:
        print(f"check_module_rules: {copies} copies of the module's rules in {files} files")
        return 1
    print(f"check_module_rules: none of the module's {len(RULES)} rules is copied "
          f"in {files} files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
