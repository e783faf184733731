#!/usr/bin/env python3
"""Checks an archive a user unpacks into the simulator's folder (touchdown-VERSION-WIDTH.zip):

- it holds exactly the files below, at those paths, with no folder around them;
- both DLLs are Windows DLLs of the archive's width (x64: AMD64 machine, PE32+; x86: i386,
  PE32), read from their PE headers;
- with --same-as BIN, they are byte for byte the build's BIN/modules/plugin/touchdown.dll and
  BIN/modules/dorvak.dll, the files scripts/windows.sh tests;
- the class file and the scenarios are text the simulator reads as meant: plain ASCII with
  LF line ends, no byte-order mark, no tab, lines short enough for its line buffers; the
  class file a plain vessel (`Key = value` lines, no Module, no mesh, no focus) whose touchdown
  points keep it upright with its origin on the ground; each scenario's description, blocks
  and ships as the simulator looks them up, with one carrier, landed, and every ship landed
  within a kilometre of it.

With --unpack DIR the archive is unpacked into DIR (emptied first), where scripts/windows.sh
reads the DLLs' export tables. Prints one line per fault and exits 1 when there is any.
"""
import argparse
import io
import math
import os
import re
import shutil
import struct
import sys
import zipfile


def source_text(*path):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", *path)) as f:
        return f.read()


def carrier_class():
    """The carrier's class name, from the module's own header."""
    return re.search(r'kCarrierClass\[\] = "([^"]+)"',
                     source_text("module", "vessel_class.h")).group(1)


def body_radii():
    """Mean radii of the bodies vessels land on, from the terrain library's table (the
    simulator's own values)."""
    table = source_text("terrain", "solar_bodies.h")
    return {name: float(radius)
            for name, radius in re.findall(r'\{"(\w+)", ([0-9.e+]+),', table)}


CARRIER_CLASS = carrier_class()
PLUGIN = "Modules/Plugin/touchdown.dll"
TERRAIN = "Modules/dorvak.dll"
CLASS_FILE = "Config/Vessels/%s.cfg" % CARRIER_CLASS
SCENARIOS = ("Drive a UCGO car", "Lander on the Moon", "Resting fleet", "Walk with UMmu")
EXPECTED = sorted([PLUGIN, TERRAIN, CLASS_FILE, "touchdown-readme.txt"] +
                  ["Scenarios/touchdown/%s.scn" % name for name in SCENARIOS])
DLL_SOURCES = {PLUGIN: "modules/plugin/touchdown.dll", TERRAIN: "modules/dorvak.dll"}

# machine field, optional header magic
WIDTHS = {"x64": (0x8664, 0x20B), "x86": (0x014C, 0x10B)}
IMAGE_FILE_DLL = 0x2000

# The simulator reads a description line into 254 bytes and a ship's line into 256.
MAX_LINE = 250
NEARBY_M = 1000.0
BODY_RADIUS_M = body_radii()
NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?"


def pe_width(data):
    """The width a PE image is built for, or a sentence saying what it is instead."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return "no DOS header"
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0" or len(data) < pe + 26:
        return "no PE signature"
    machine, = struct.unpack_from("<H", data, pe + 4)
    characteristics, magic = struct.unpack_from("<HH", data, pe + 22)
    if not characteristics & IMAGE_FILE_DLL:
        return "an executable, not a DLL"
    for width, (want_machine, want_magic) in WIDTHS.items():
        if (machine, magic) == (want_machine, want_magic):
            return width
    return "machine 0x%04x with optional header 0x%03x" % (machine, magic)


def text_faults(name, data):
    """Faults of a text file as the simulator reads it; its lines when there are none."""
    if data.startswith(b"\xef\xbb\xbf"):
        return ["%s: starts with a byte-order mark" % name], []
    faults = []
    if any(byte > 0x7E or (byte < 0x20 and byte != 0x0A) for byte in data):
        faults.append("%s: holds a byte that is not printable ASCII, LF excepted (tab, CR, NUL or"
                      " beyond ASCII)" % name)
    if not data.endswith(b"\n"):
        faults.append("%s: the last line has no line end" % name)
    lines = data.decode("ascii", "replace").split("\n")[:-1]
    for number, line in enumerate(lines, 1):
        if len(line) > MAX_LINE:
            faults.append("%s:%d: %d characters, more than %d"
                          % (name, number, len(line), MAX_LINE))
    return faults, lines


def cfg_faults(name, lines):
    items = {}
    faults = []
    for number, line in enumerate(lines, 1):
        if not line.strip() or line.startswith(";"):
            continue
        match = re.fullmatch(r"([A-Za-z_][A-Za-z0-9_]*) = (\S.*)", line)
        if not match:
            faults.append("%s:%d: not a \"Key = value\" line or a comment" % (name, number))
        elif match.group(1).lower() in items:
            faults.append("%s:%d: %s given twice" % (name, number, match.group(1)))
        else:
            items[match.group(1).lower()] = match.group(2)
    for key in ("module", "meshname"):
        if key in items:
            faults.append("%s: has %s: the carrier is a plain vessel, never seen" % (name, key))
    if items.get("classname") != CARRIER_CLASS:
        faults.append("%s: ClassName is not %s" % (name, CARRIER_CLASS))
    if items.get("enablefocus", "").upper() != "FALSE":
        faults.append("%s: EnableFocus is not FALSE" % name)
    for key in ("mass", "size"):
        if not re.fullmatch(NUMBER, items.get(key, "")) or not float(items[key]) > 0:
            faults.append("%s: %s is not a positive number" % (name, key))
    return faults + touchdown_faults(name, items.get("touchdownpoints", ""))


def touchdown_faults(name, value):
    numbers = value.split()
    if len(numbers) != 9 or not all(re.fullmatch(NUMBER, n) for n in numbers):
        return ["%s: TouchdownPoints is not nine numbers" % name]
    p = [[float(c) for c in numbers[i:i + 3]] for i in (0, 3, 6)]
    # The simulator's up: (nose - middle of the mains) x (right - left), y in its left-handed frame.
    a = [p[0][k] - (p[1][k] + p[2][k]) / 2 for k in range(3)]
    b = [p[2][k] - p[1][k] for k in range(3)]
    up = (a[2] * b[0] - a[0] * b[2])
    faults = []
    if not up > 0:
        faults.append("%s: TouchdownPoints are not nose, left, right: the carrier would stand"
                      " upside down" % name)
    if any(point[1] != 0 for point in p):
        faults.append("%s: TouchdownPoints leave the plane y = 0: the origin would not stand on"
                      " the ground" % name)
    return faults


def blocks_of(name, lines):
    """Block name -> its lines, read as the simulator reads them: a block runs from its
    BEGIN_NAME line to the first line that begins with END_NAME (case ignored); and the
    faults of a file whose lines do not fall into blocks that way."""
    blocks, faults, block, start = {}, [], None, 0
    for number, line in enumerate(lines, 1):
        if block is not None:
            if line.upper().startswith("END_" + block):
                blocks[block] = lines[start:number - 1]
                block = None
            continue
        match = re.fullmatch(r"BEGIN_([A-Z]+)( \S+)?", line)
        if match:
            block, start = match.group(1), number
            if block in blocks and block != "MFD":
                faults.append("%s:%d: a second BEGIN_%s" % (name, number, block))
        elif line.strip():
            faults.append("%s:%d: a line outside every block" % (name, number))
    if block is not None:
        faults.append("%s: BEGIN_%s has no END_%s" % (name, block, block))
    return blocks, faults


def scn_faults(name, lines):
    faults = []
    if not lines or lines[0] != "BEGIN_DESC":
        faults.append("%s: does not begin with its description (BEGIN_DESC)" % name)
    blocks, block_faults = blocks_of(name, lines)
    faults += block_faults
    for block in ("DESC", "ENVIRONMENT", "FOCUS", "SHIPS"):
        if block not in blocks:
            faults.append("%s: no BEGIN_%s ... END_%s block" % (name, block, block))
    if faults:
        return faults
    for line in blocks["DESC"]:
        # The simulator finds each block by the first line that begins with its BEGIN_ word.
        if line.upper().startswith("BEGIN_"):
            faults.append("%s: a description line begins with %s: the simulator would take it"
                          " for the block" % (name, line.split()[0]))
    environment = [line.strip() for line in blocks["ENVIRONMENT"]]
    if not any(re.fullmatch(r"Date MJD " + NUMBER, line) for line in environment):
        faults.append("%s: the environment has no \"Date MJD <days>\"" % name)
    ships, ship_faults = ships_of(name, blocks["SHIPS"])
    focus = [line.split()[1] for line in blocks["FOCUS"] if re.fullmatch(r"\s*Ship \S+", line)]
    if len(focus) != 1 or focus[0] not in ships:
        faults.append("%s: the focus block names no ship of the list" % name)
    elif ships[focus[0]]["class"] == CARRIER_CLASS:
        faults.append("%s: the focus is the carrier, which takes no focus" % name)
    return faults + ship_faults + placement_faults(name, ships)


def ships_of(name, lines):
    ships, faults, ship = {}, [], None
    for line in lines:
        if ship is None:
            match = re.fullmatch(r"([A-Za-z0-9_-]+):(\S+)", line)
            if not match:
                faults.append("%s: \"%s\" is not a ship's \"Name:Class\" line" % (name, line))
                continue
            ship = {"class": match.group(2)}
            if match.group(1) in ships:
                faults.append("%s: two ships are named %s" % (name, match.group(1)))
            ships[match.group(1)] = ship
        elif line == "END":
            ship = None
        else:
            key, _, value = line.strip().partition(" ")
            ship[key.upper()] = value
    if ship is not None:
        faults.append("%s: the last ship has no END" % name)
    return ships, faults


def placement_faults(name, ships):
    faults, places = [], {}
    for ship_name, ship in ships.items():
        status = re.fullmatch(r"Landed (\S+)", ship.get("STATUS", ""))
        pos = re.fullmatch(r"(%s) (%s)" % (NUMBER, NUMBER), ship.get("POS", ""))
        heading = re.fullmatch(NUMBER, ship.get("HEADING", ""))
        if not (status and pos and heading):
            faults.append("%s: %s is not \"STATUS Landed <body>\" with \"POS <lon> <lat>\" and"
                          " \"HEADING <deg>\"" % (name, ship_name))
            continue
        lon, lat = float(pos.group(1)), float(pos.group(2))
        if not (-180 <= lon <= 360 and -90 <= lat <= 90 and 0 <= float(heading.group()) < 360):
            faults.append("%s: %s stands at no place (POS %s, HEADING %s)"
                          % (name, ship_name, ship["POS"], ship["HEADING"]))
            continue
        places[ship_name] = (status.group(1), math.radians(lon), math.radians(lat))
    carriers = [n for n, ship in ships.items() if ship["class"] == CARRIER_CLASS]
    if len(carriers) != 1:
        return faults + ["%s: %d ships of class %s, not one" % (name, len(carriers), CARRIER_CLASS)]
    if carriers[0] not in places:
        return faults
    body, lon0, lat0 = places[carriers[0]]
    radius = BODY_RADIUS_M.get(body)
    if radius is None:
        return faults + ["%s: the carrier stands on %s, a body the terrain library does not know"
                         % (name, body)]
    for ship_name, (ship_body, lon, lat) in places.items():
        cosine = (math.sin(lat0) * math.sin(lat) +
                  math.cos(lat0) * math.cos(lat) * math.cos(lon - lon0))
        distance = radius * math.acos(max(-1.0, min(1.0, cosine)))
        if ship_body != body or distance > NEARBY_M:
            faults.append("%s: %s stands %s from the carrier, not within %g m on %s"
                          % (name, ship_name, "%.0f m" % distance if ship_body == body
                             else "on " + ship_body, NEARBY_M, body))
    return faults


def archive_faults(archive, width, same_as):
    names = [info.filename for info in archive.infolist()]
    files = sorted(n for n in names if not n.endswith("/"))
    folders = {n for n in names if n.endswith("/")}
    faults = []
    if files != EXPECTED:
        faults.append("files: [%s] more than expected, [%s] missing"
                      % (", ".join(sorted(set(files) - set(EXPECTED))),
                         ", ".join(sorted(set(EXPECTED) - set(files)))))
    parents = {f[:i + 1] for f in EXPECTED for i, c in enumerate(f) if c == "/"}
    for folder in sorted(folders - parents):
        faults.append("folder %s holds none of the expected files" % folder)
    for path in (PLUGIN, TERRAIN):
        if path not in files:
            continue
        data = archive.read(path)
        found = pe_width(data)
        if found != width:
            faults.append("%s: %s, not an %s DLL" % (path, found, width))
        if same_as:
            with open(os.path.join(same_as, DLL_SOURCES[path]), "rb") as built:
                if built.read() != data:
                    faults.append("%s differs from %s" % (path, os.path.join(same_as,
                                                                             DLL_SOURCES[path])))
    for path in files:
        if path.endswith((".cfg", ".scn", ".txt")):
            text, lines = text_faults(path, archive.read(path))
            faults += text
            if not text and path.endswith(".cfg"):
                faults += cfg_faults(path, lines)
            elif not text and path.endswith(".scn"):
                faults += scn_faults(path, lines)
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("zip")
    parser.add_argument("width", choices=sorted(WIDTHS))
    parser.add_argument("--same-as", metavar="BIN", help="the build's bin folder")
    parser.add_argument("--unpack", metavar="DIR", help="unpack the archive into DIR")
    args = parser.parse_args()
    faults = []
    if not os.path.basename(args.zip).endswith("-%s.zip" % args.width):
        faults.append("%s: the name does not end in -%s.zip" % (args.zip, args.width))
    with open(args.zip, "rb") as f:
        archive = zipfile.ZipFile(io.BytesIO(f.read()))
    faults += archive_faults(archive, args.width, args.same_as)
    if args.unpack:
        shutil.rmtree(args.unpack, ignore_errors=True)
        archive.extractall(args.unpack)
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print("%s: %d files as the simulator's folder, %s DLLs" % (args.zip, len(EXPECTED), args.width))
    return 0


if __name__ == "__main__":
    sys.exit(main())
