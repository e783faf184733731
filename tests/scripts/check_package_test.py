#!/usr/bin/env python3
"""scripts/check_package.py, the layout test of the archive a user installs: the shipped
orbiter/ folder with two DLLs of the right width passes, and each way an archive can be
wrong is named."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCRIPT = os.path.join(ROOT, "scripts", "check_package.py")
CFG = "Config/Vessels/DynamicPlanet.cfg"
LANDER = "Scenarios/touchdown/Lander on the Moon.scn"
FLEET = "Scenarios/touchdown/Resting fleet.scn"
PLUGIN = "Modules/Plugin/touchdown.dll"
TERRAIN = "Modules/dorvak.dll"


def pe_image(machine, magic, characteristics=0x2022):
    """The headers of a PE image, as far as a loader reads them to learn its width."""
    image = bytearray(512)
    image[:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x80)
    image[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<H", image, 0x84, machine)
    struct.pack_into("<HH", image, 0x80 + 22, characteristics, magic)
    return bytes(image)


X64_DLL = pe_image(0x8664, 0x20B)
X86_DLL = pe_image(0x014C, 0x10B)


def shipped_files():
    files = {}
    folder = os.path.join(ROOT, "orbiter")
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder).replace(os.sep, "/")] = f.read()
    files[PLUGIN] = X64_DLL
    files[TERRAIN] = X64_DLL
    return files


def edit(path, old, new):
    def apply(files):
        assert old in files[path], (path, old)
        files[path] = files[path].replace(old, new, 1)
    return apply


def add(path, data):
    return lambda files: files.__setitem__(path, data)


def inside_folder(files):
    for path in list(files):
        files["touchdown-1.0.0-x64/" + path] = files.pop(path)


# (what is wrong, the change to a good archive, words of the line that must name it)
BROKEN = [
    ("the stand-in host packed too", add("orbiter.exe", X64_DLL), "[orbiter.exe] more than"),
    ("a folder around everything", inside_folder,
     "[touchdown-1.0.0-x64/Config/Vessels/DynamicPlanet.cfg, "),
    ("a scenario left out", lambda files: files.pop(FLEET),
     "[Scenarios/touchdown/Resting fleet.scn] missing"),
    ("a 32-bit plug-in in the 64-bit archive", add(PLUGIN, X86_DLL),
     "touchdown.dll: x86, not an x64 DLL"),
    ("a terrain library that is a program", add(TERRAIN, pe_image(0x8664, 0x20B, 0x0022)),
     "dorvak.dll: an executable, not a DLL"),
    ("a byte-order mark", lambda files: files.__setitem__(CFG, b"\xef\xbb\xbf" + files[CFG]),
     "byte-order mark"),
    ("a tab between key and value", edit(CFG, b"Mass = ", b"Mass\t= "), "not printable ASCII"),
    ("a module for the carrier", edit(CFG, b"ClassName = DynamicPlanet\n",
                                      b"ClassName = DynamicPlanet\nModule = DynamicPlanet\n"),
     "has module"),
    ("the carrier takes the focus", edit(CFG, b"EnableFocus = FALSE", b"EnableFocus = TRUE"),
     "EnableFocus is not FALSE"),
    ("touchdown points nose, right, left", edit(CFG, b"-0.866 0 -0.5  0.866 0 -0.5",
                                                b"0.866 0 -0.5  -0.866 0 -0.5"),
     "upside down"),
    ("a description line that ends the block early",
     edit(LANDER, b"\nEND_DESC\n", b"\nEND_DESC is where this ends.\nEND_DESC\n"),
     "Lander on the Moon.scn:16: a line outside every block"),
    ("a description line that the simulator takes for the ships",
     edit(FLEET, b"\nThe module anchors", b"\nBEGIN_SHIPS is where they stand. The module anchors"),
     "a description line begins with BEGIN_SHIPS"),
    ("a focus on no ship", edit(LANDER, b"  Ship PB-1\n", b"  Ship PB-9\n"),
     "names no ship of the list"),
    ("a vessel name with a space", edit(LANDER, b"PB-1:ShuttlePB", b"PB 1:ShuttlePB"),
     "is not a ship's \"Name:Class\" line"),
    ("two carriers", edit(FLEET, b"PB-3:ShuttlePB", b"PB-3:DynamicPlanet"),
     "2 ships of class DynamicPlanet, not one"),
    ("a lander 5 km away", edit(LANDER, b"POS 23.474319 0.674000", b"POS 23.638000 0.674000"),
     "PB-1 stands 5005 m from the carrier"),
]


class CheckPackageTest(unittest.TestCase):
    def check(self, files, width="x64", name="touchdown-1.0.0-x64.zip", same_as=None):
        with tempfile.TemporaryDirectory() as tmp:
            archive = os.path.join(tmp, name)
            with zipfile.ZipFile(archive, "w") as z:
                for path, data in files.items():
                    z.writestr(path, data)
            extra = ["--same-as", same_as] if same_as else []
            unpacked = os.path.join(tmp, "unpacked")
            result = subprocess.run([sys.executable, SCRIPT, archive, width, "--unpack",
                                     unpacked, *extra], capture_output=True, text=True)
            unpacked_files = sorted(os.path.relpath(os.path.join(p, n), unpacked)
                                    for p, _, names in os.walk(unpacked) for n in names)
            return result.returncode, result.stdout, unpacked_files

    def test_the_shipped_folder_with_dlls_of_its_width_passes_and_is_unpacked(self):
        files = shipped_files()
        status, out, unpacked = self.check(files)
        self.assertEqual(status, 0, out)
        self.assertIn("8 files as the simulator's folder, x64 DLLs", out)
        self.assertEqual(unpacked, sorted(files))
        for path in (PLUGIN, TERRAIN):
            files[path] = X86_DLL
        status, out, _ = self.check(files, "x86", "touchdown-1.0.0-x86.zip")
        self.assertEqual(status, 0, out)

    def test_each_fault_is_named(self):
        for what, change, words in BROKEN:
            with self.subTest(what):
                files = shipped_files()
                change(files)
                status, out, _ = self.check(files)
                self.assertEqual(status, 1, out)
                self.assertIn(words, out)

    def test_an_archive_named_for_the_other_width_is_refused(self):
        status, out, _ = self.check(shipped_files(), name="touchdown-1.0.0-x86.zip")
        self.assertEqual(status, 1, out)
        self.assertIn("does not end in -x64.zip", out)

    def test_dlls_must_be_the_builds_own_bytes(self):
        with tempfile.TemporaryDirectory() as bin_dir:
            os.makedirs(os.path.join(bin_dir, "modules", "plugin"))
            for path, data in (("modules/plugin/touchdown.dll", X64_DLL),
                               ("modules/dorvak.dll", X64_DLL + b"\0")):
                with open(os.path.join(bin_dir, path), "wb") as f:
                    f.write(data)
            status, out, _ = self.check(shipped_files(), same_as=bin_dir)
        self.assertEqual(status, 1, out)
        self.assertIn("Modules/dorvak.dll differs from", out)
        self.assertNotIn("touchdown.dll differs", out)


if __name__ == "__main__":
    unittest.main()
