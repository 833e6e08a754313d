"""The program (the win64 build) under Wine: its windows, the live viewer
(text and a GIF picture), the commands following the clipboard, a clean
end, and a screenshot."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from winetest import BUILD, WINE, cliphelper, scratch_dir, start, tool, wait_for

TITLE = "Stashwell v. 2.0.1"



class ProgramOnWine(unittest.TestCase):
    def setUp(self):
        # A copy of its own: the program autosaves beside its executable.
        self.dir = scratch_dir()
        self.exe = os.path.join(self.dir, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), self.exe)
        cliphelper("empty")
        self.process = start(self.exe, cwd=self.dir)
        self.assertTrue(wait_for(lambda: self.main_window_line()), "the main window did not appear")

    def tearDown(self):
        if self.process.poll() is None:
            cliphelper("close", "TMainForm", check=False)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()

    def main_window_line(self):
        lines = cliphelper("windows").stdout.decode(errors="replace").splitlines()
        return next((l for l in lines if l.startswith("TMainForm ")), None)

    def tree(self):
        return cliphelper("tree", "TMainForm").stdout.decode(errors="replace").replace("\r", "")

    def colourful_pixels(self, button):
        """How many strongly coloured pixels the tool-bar button (0-3) shows now:
        an enabled glyph is in colour, a disabled one in greys."""
        left, top, _, _ = map(int, cliphelper("rect", "TMainForm", "TPanel").stdout.split())
        box = f"23x22+{left + 24 * button}+{top}"
        out = subprocess.run(["import", "-window", "root", "-crop", box, "txt:-"], capture_output=True,
                             check=True, timeout=60).stdout.decode()
        count = 0
        for line in out.splitlines()[1:]:
            rgb = line.split("(", 1)[1].split(")", 1)[0].split(",")[:3]
            r, g, b = (float(v) for v in rgb)
            if max(r, g, b) - min(r, g, b) > 60:
                count += 1
        return count

    def save_enabled(self):
        return self.colourful_pixels(0) > 10

    def test_windows_viewer_commands_and_clean_end(self):
        windows = cliphelper("windows").stdout.decode(errors="replace").replace("\r", "").splitlines()
        self.assertIn(f'TApplication 1 "{TITLE}"', windows)
        self.assertIn(f'TMainForm 1 "{TITLE}"', windows)

        # Wine keeps menus inside their process, so the command states are read
        # off the tool bar: the Save button's glyph is grey while disabled.
        self.assertTrue(wait_for(lambda: not self.save_enabled(), timeout=10))

        # Text from another program shows in the viewer and enables Save.
        cliphelper("text", "Text copied by another program")
        self.assertTrue(wait_for(lambda: 'TMemo 1 1 "Text copied by another program"' in self.tree()),
                        self.tree())
        self.assertTrue(wait_for(self.save_enabled, timeout=10))

        # Emptying the clipboard disables it again.
        cliphelper("empty")
        self.assertTrue(wait_for(lambda: not self.save_enabled(), timeout=10))
        self.assertNotIn("TMemo", self.tree())

        # WM_CLOSE ends the program cleanly.
        cliphelper("close", "TMainForm")
        self.assertEqual(self.process.wait(timeout=30), 0)

    def pixel(self, x, y):
        out = subprocess.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"],
                             capture_output=True, check=True, timeout=60).stdout.decode()
        rgb = out.splitlines()[1].split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        return tuple(round(float(v)) for v in rgb)

    def test_a_gif_image_from_another_program_shows_its_picture(self):
        gif = subprocess.run(["convert", "-size", "40x20", "xc:#ff0000", "gif:-"], capture_output=True,
                             check=True, timeout=60).stdout
        cliphelper("put", f"name:GIF Image={gif.hex()}")
        left, top, right, bottom = map(int, cliphelper("rect", "TMainForm", "TCoolClipboardViewer")
                                       .stdout.split())
        # The picture is centred in the viewer.
        middle = ((left + right) // 2, (top + bottom) // 2)
        self.assertTrue(wait_for(lambda: self.pixel(*middle) == (255, 0, 0), timeout=10),
                        self.pixel(*middle))
        self.assertNotEqual(self.pixel(middle[0] + 30, middle[1]), (255, 0, 0))

    @staticmethod
    def screen(left, top, width, height):
        """The screen's pixels in a rectangle, as (r, g, b) tuples."""
        out = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                              "-depth", "8", "txt:-"], capture_output=True, check=True,
                             timeout=60).stdout.decode()
        return [tuple(round(float(v)) for v in line.split("(", 1)[1].split(")", 1)[0].split(",")[:3])
                for line in out.splitlines()[1:]]

    def window_on_screen(self):
        """The main window's rectangle when the screen shows the window there:
        its menu bar (the menu colour, with the menu captions in the menu text
        colour) right above its client area, and its viewer (the window colour,
        with the clipboard's text in the window text colour). None when not.
        On a bare X server Wine leaves the caption to a window manager that is
        not there, so the check looks at what the program itself draws."""
        fields = [int(v) for v in cliphelper("frame", "TMainForm").stdout.split()]
        window, (cl, ct, cr, cb), menu_height = fields[0:4], fields[4:8], fields[8]
        menu, menu_text, paper, ink = (tuple(int(c[i:i + 2], 16) for i in (0, 2, 4))
                                       for c in cliphelper("syscolor", "4", "7", "5", "8").stdout.split())
        left, top, right, bottom = (int(v) for v in cliphelper("rect", "TMainForm", "TMemo").stdout.split())

        def near(a, b):
            return all(abs(p - q) <= 8 for p, q in zip(a, b))

        def drawn(pixels, ground, text):
            return (sum(near(p, ground) for p in pixels) > len(pixels) * 0.6 and
                    sum(near(p, text) for p in pixels) >= 20)

        bar = self.screen(cl, ct - menu_height, cr - cl, menu_height)
        view = self.screen(left + 2, top + 2, right - left - 4, bottom - top - 4)
        return window if drawn(bar, menu, menu_text) and drawn(view, paper, ink) else None

    def test_screenshot_of_the_main_window(self):
        cliphelper("text", "Stashwell keeps the clipboard.")
        self.assertTrue(wait_for(lambda: "TMemo" in self.tree()), self.tree())
        frame = wait_for(self.window_on_screen, timeout=20)
        self.assertTrue(frame, "the main window is not on the screen")
        left, top, right, bottom = frame
        shot = os.path.join(BUILD, "screenshot-main-window.png")
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{right - left}x{bottom - top}+{left}+{top}", shot], check=True, timeout=60)
        self.assertGreater(os.path.getsize(shot), 2000)

class ProgramWithoutDisplay(unittest.TestCase):
    """In a Wine prefix made without a display no window can be created: the
    program says so on standard error and ends with status 1."""

    def setUp(self):
        self.dir = scratch_dir()
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.dir, "prefix"), WINEDEBUG="-all")
        self.env.pop("DISPLAY", None)
        os.makedirs(self.env["WINEPREFIX"])
        subprocess.run(["wineboot", "-i"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)

    def tearDown(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        shutil.rmtree(self.dir, ignore_errors=True)

    def test_no_application_window_is_reported_on_standard_error(self):
        exe = os.path.join(self.dir, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), exe)
        # Output through a file: the prefix's wine server would hold a pipe open.
        with tempfile.TemporaryFile() as err:
            code = subprocess.run([WINE, exe], env=self.env, cwd=self.dir, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=err, timeout=120).returncode
            err.seek(0)
            error = err.read()
        self.assertEqual(code, 1, error)
        # Wine without a display fails the creation without an error code of
        # its own, so the number is whatever the thread's last error was.
        self.assertRegex(error.decode(errors="replace").replace("\r", ""),
                         r"\AStashwell: Cannot create the application window \(error \d+\)\n\Z")


if __name__ == "__main__":
    unittest.main()
