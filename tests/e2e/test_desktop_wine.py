"""The program (the win64 build) with Wine's desktop: the start-up entry and
the ".cbd" association in Wine's registry, one instance per program file
(a second start hands over and ends, a copy elsewhere runs beside), and the
notification-area icon of the tray-only mode."""
import os
import shutil
import subprocess
import time
import unittest

from winetest import BUILD, cliphelper, clipboard, record, run, scratch_dir, start, win_path, wait_for

TITLE = "Stashwell v. 2.0.1"
KEY = r"HKCU\Software\Stashwell"
OPTIONS = KEY + r"\Options"
RUN = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"



def reg(*args):
    return run("reg", *args, check=False)


def default_value(key, name=None):
    """The data of a string value ("(Default)" when no name), None when missing."""
    result = reg("query", key, "/v", name) if name else reg("query", key, "/ve")
    if result.returncode != 0:
        return None
    for line in result.stdout.decode(errors="replace").replace("\r", "").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1] == "REG_SZ":
            return parts[2] if len(parts) > 2 else ""
    return None


def windows():
    return cliphelper("windows").stdout.decode(errors="replace").replace("\r", "").splitlines()


def count(prefix):
    return sum(1 for line in windows() if line.startswith(prefix))


def tray_icons():
    return [line for line in cliphelper("trayicons").stdout.decode().splitlines() if line.strip()]


class DesktopOnWine(unittest.TestCase):
    def setUp(self):
        self.dir = scratch_dir()
        self.exe = os.path.join(self.dir, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), self.exe)
        reg("delete", KEY, "/f")
        cliphelper("empty")
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                cliphelper("close", "TMainForm", check=False)
        for process in self.processes:
            try:
                process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                process.kill()
        reg("delete", KEY, "/f")
        shutil.rmtree(self.dir, ignore_errors=True)

    def launch(self, exe=None, mains=1):
        process = start(exe or self.exe, cwd=os.path.dirname(exe or self.exe))
        self.processes.append(process)
        self.assertTrue(wait_for(lambda: count("TMainForm ") >= mains), "the main window did not appear")
        return process

    def stop_all(self):
        for process in self.processes:
            if process.poll() is None:
                self.assertEqual(cliphelper("close", "TMainForm", check=False).returncode, 0)
        for process in self.processes:
            self.assertEqual(process.wait(timeout=30), 0)

    def test_registry_at_every_start(self):
        self.launch()
        program = win_path(self.exe)
        self.assertEqual(default_value(RUN, "Stashwell"), f'"{program}"')
        self.assertEqual(default_value(r"HKCR\.cbd"), "cbdfile")
        self.assertEqual(default_value(r"HKCR\cbdfile"), "Stashwell")
        self.assertEqual(default_value(r"HKCR\cbdfile\Shell\Open\Command"), f'"{program}" "%1"')
        self.stop_all()

        # Start-up registration off: only the Run value goes.
        reg("add", OPTIONS, "/v", "ProgLoadOnStart", "/t", "REG_SZ", "/d", "0", "/f")
        self.processes = []
        self.launch()
        self.assertIsNone(default_value(RUN, "Stashwell"))
        self.assertEqual(default_value(r"HKCR\.cbd"), "cbdfile")
        self.assertEqual(default_value(r"HKCR\cbdfile\Shell\Open\Command"), f'"{program}" "%1"')
        self.stop_all()

    def test_second_start_hands_over_and_ends(self):
        self.launch()
        second = run(self.exe, timeout=60, check=False, cwd=self.dir)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(sum(1 for line in windows() if line.startswith("TApplication ") and TITLE in line), 1)

        # With a clipboard content file, the ending start still puts it on the clipboard.
        given = os.path.join(self.dir, "given.cbd")
        with open(given, "wb") as f:
            f.write(record(1, b"handed over\0"))
        second = run(self.exe, win_path(given), timeout=60, check=False, cwd=self.dir)
        self.assertEqual(second.returncode, 0)
        self.assertIn((1, None, b"handed over\0"), clipboard())
        self.assertEqual(count("TMainForm "), 1)
        self.stop_all()

    def test_copy_under_another_path_runs_beside(self):
        self.launch()
        other_dir = scratch_dir()
        try:
            other = os.path.join(other_dir, "Stashwell.exe")
            shutil.copy(self.exe, other)
            self.launch(other, mains=2)
            time.sleep(2)
            self.assertEqual(count("TMainForm "), 2, "the copy keeps running")
            self.stop_all()
        finally:
            shutil.rmtree(other_dir, ignore_errors=True)

    def test_tray_only_mode_shows_one_icon_and_a_double_click_toggles(self):
        reg("add", OPTIONS, "/v", "ProgPlaceToLive", "/t", "REG_SZ", "/d", "1", "/f")
        self.launch()
        self.assertTrue(wait_for(lambda: len(tray_icons()) == 1), f"tray icons: {tray_icons()}")
        self.assertIn(f'TMainForm 0 "{TITLE}"', windows())
        if os.environ.get("STASHWELL_TRAY_SHOT"):
            subprocess.run(["import", "-window", "root", os.environ["STASHWELL_TRAY_SHOT"]], check=False)

        self.assertEqual(cliphelper("traydouble", TITLE).returncode, 0)
        self.assertTrue(wait_for(lambda: f'TMainForm 1 "{TITLE}"' in windows()), "shown by a double click")
        self.assertEqual(cliphelper("traydouble", TITLE).returncode, 0)
        self.assertTrue(wait_for(lambda: f'TMainForm 0 "{TITLE}"' in windows()), "hidden by the next one")
        self.assertEqual(len(tray_icons()), 1)

        self.stop_all()
        self.assertTrue(wait_for(lambda: not tray_icons(), timeout=10), "the icon goes with the program")


if __name__ == "__main__":
    unittest.main()
