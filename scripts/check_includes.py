#!/usr/bin/env python3
"""Holds touchdown-sim's folders to one direction of dependency:

    base <- scenario <- world <- run <- {account, outputs, visuals} <- live <- cli <- main.cpp

A source in app/ may include a header of its own folder or of a folder below it; never one
above, and never one of a sibling (account, outputs and visuals know nothing of each other).
Each offence is printed as file:line: from -> to, and the script exits with status 1.

    scripts/check_includes.py [repository root]     default: the one this script is in
"""
import pathlib
import re
import sys

# Folders of one rank are siblings.
RANKS = {
    "base": 0,
    "scenario": 1,
    "world": 2,
    "run": 3,
    "account": 4,
    "outputs": 4,
    "visuals": 4,
    "live": 5,
    "cli": 6,
    "": 7,  # app/ itself: main.cpp
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"app/([^"]+)"')


def folder_of(path_in_app):
    """The folder of a path below app/ ("run/runner.h" -> "run", "main.cpp" -> "")."""
    parts = pathlib.PurePosixPath(path_in_app).parts
    return parts[0] if len(parts) > 1 else ""


def offence(source, target):
    """Why a source in folder `source` may not include a header in folder `target`, or None."""
    if source == target:
        return None
    for folder in (source, target):
        if folder not in RANKS:
            return f"app/{folder}/ is not in the order of folders"
    if RANKS[target] > RANKS[source]:
        return "against the direction"
    if RANKS[target] == RANKS[source]:
        return "between siblings"
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    app = root / "app"
    files = sorted(p for p in app.rglob("*") if p.suffix in (".cpp", ".h") and p.is_file())
    offences = includes = 0
    for path in files:
        source = folder_of(path.relative_to(app).as_posix())
        with open(path, encoding="utf-8") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                includes += 1
                target = folder_of(match[1])
                why = offence(source, target)
                if why:
                    offences += 1
                    print(f"{path.relative_to(root).as_posix()}:{number}: "
                          f"{source or 'app'} -> {target or 'app'} ({why})")
    if offences:
        print(f"check_includes: {offences} of {includes} includes in app/ break the order")
        return 1
    print(f"check_includes: {includes} includes in {len(files)} files of app/ follow the order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
