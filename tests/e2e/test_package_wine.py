"""The release archive (scripts/package.sh): what is in it, that its program
is a 32-bit Windows program with its version resource, and that the program
runs from an unpacked folder of the same shape (the win64 build of the same
sources in place of the 32-bit one, which this machine cannot run)."""
import os
import re
import shutil
import struct
import subprocess
import time
import unittest
import zipfile

from winetest import BUILD, cliphelper, scratch_dir, start, wait_for

DIST = os.environ.get("STASHWELL_DIST", os.path.join(os.path.dirname(__file__), "../../dist"))
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(Stashwell VERSION (\d+\.\d+\.\d+)", f.read()).group(1)


def version_resource(exe):
    """The fixed file version and the FileVersion string of a PE file's
    version resource, found by its signature (None, None when absent)."""
    with open(exe, "rb") as f:
        data = f.read()
    key = "VS_VERSION_INFO".encode("utf-16-le")
    at = data.find(key)
    if at < 0:
        return None, None
    fixed = data.find(struct.pack("<I", 0xFEEF04BD), at)
    if fixed < 0:
        return None, None
    ms, ls = struct.unpack_from("<II", data, fixed + 8)
    binary = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    name = "FileVersion".encode("utf-16-le") + b"\0\0"
    text_at = data.find(name, fixed)
    text = None
    if text_at >= 0:
        start_at = text_at + len(name)
        start_at += (4 - start_at % 4) % 4  # the value is aligned to 32 bits
        end = data.find(b"\0\0", start_at)
        while end >= 0 and (end - start_at) % 2:
            end = data.find(b"\0\0", end + 1)
        text = data[start_at:end].decode("utf-16-le")
    return binary, text



class ReleaseArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.version = project_version()
        cls.archive = os.path.join(DIST, f"Stashwell-{cls.version}-win32.zip")
        if not os.path.exists(cls.archive):
            raise AssertionError(f"{cls.archive} is missing: scripts/package.sh makes it")
        cls.dir = scratch_dir()
        with zipfile.ZipFile(cls.archive) as z:
            cls.names = sorted(z.namelist())
            z.extractall(cls.dir)
        cls.folder = os.path.join(cls.dir, f"Stashwell-{cls.version}-win32")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_one_folder_with_the_program_its_readme_and_licence(self):
        top = f"Stashwell-{self.version}-win32/"
        self.assertEqual([n for n in self.names if not n.endswith("/")],
                         [top + "LICENSE.txt", top + "README.txt", top + "Stashwell.exe"])
        with open(os.path.join(self.folder, "LICENSE.txt"), "rb") as f:
            licence = f.read()
        self.assertIn(b"MIT License", licence)
        self.assertIn(b"Copyright (c) 2026 the Stashwell authors", licence)
        with open(os.path.join(self.folder, "README.txt"), "rb") as f:
            readme = f.read()
        # Written for Windows: its line ends, and the facts a user needs.
        self.assertNotIn(b"\n", readme.replace(b"\r\n", b""))
        for fact in (f"Stashwell {self.version}", r"HKEY_CURRENT_USER\Software\Stashwell\Options",
                     r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run",
                     r"HKEY_CLASSES_ROOT\.cbd", r"HKEY_CLASSES_ROOT\cbdfile", "Stashwell.cbd",
                     r'reg delete "HKCU\Software\Stashwell" /f'):
            self.assertIn(fact.encode(), readme)

    def test_the_program_is_a_32_bit_windows_program_with_its_version(self):
        exe = os.path.join(self.folder, "Stashwell.exe")
        header = subprocess.run(["objdump", "-f", exe], capture_output=True, check=True,
                                timeout=60).stdout.decode()
        self.assertIn("file format pei-i386", header)
        self.assertIn("architecture: i386", header)
        major, minor, patch = (int(v) for v in self.version.split("."))
        self.assertEqual(version_resource(exe), ((major, minor, patch, 0), self.version))
        # A release build: no debugging sections.
        sections = subprocess.run(["objdump", "-h", exe], capture_output=True, check=True,
                                  timeout=60).stdout.decode()
        self.assertNotIn(".debug_info", sections)

    def test_the_same_sources_run_from_an_unpacked_folder(self):
        # The win64 build takes the place of the 32-bit program in a copy of
        # the unpacked folder.
        layout = os.path.join(self.dir, "run", os.path.basename(self.folder))
        shutil.copytree(self.folder, layout)
        exe = os.path.join(layout, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), exe)
        self.assertEqual(version_resource(exe)[1], self.version)
        cliphelper("empty")
        process = start(exe, cwd=layout)
        try:
            lines = lambda: cliphelper("windows").stdout.decode(errors="replace").splitlines()
            self.assertTrue(wait_for(lambda: any(l.startswith("TMainForm ") for l in lines())),
                            "the main window did not appear")
            self.assertIn(f'TMainForm 1 "Stashwell v. {self.version}"',
                          [l.rstrip("\r") for l in lines()])
            cliphelper("close", "TMainForm")
            self.assertEqual(process.wait(timeout=30), 0)
        finally:
            if process.poll() is None:
                process.kill()
        # It keeps its snapshot beside itself, in the folder it was unpacked to.
        self.assertEqual(sorted(os.listdir(layout)),
                         ["LICENSE.txt", "README.txt", "Stashwell.cbd", "Stashwell.exe"])


if __name__ == "__main__":
    unittest.main()
