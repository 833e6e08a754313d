"""The tray menu of the program (the win64 build) under Wine: opened as the
shell does it, by the tray icon's callback message for a right-button
release; where it shows, its keys, a click outside it, and what it looks
like on the screen."""
import os
import shutil
import subprocess
import time
import unittest

from winetest import BUILD, cliphelper, scratch_dir, start, wait_for

TRAY_CALLBACK = "1434"
RIGHT_BUTTON_UP = "0x205"
VK_RETURN, VK_ESCAPE, VK_DOWN, VK_DELETE = "13", "27", "40", "46"



def screen(left, top, width, height):
    """The screen's pixels in a rectangle: {(x, y): (r, g, b)} in screen coordinates."""
    out = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                          "-depth", "8", "txt:-"], capture_output=True, check=True,
                         timeout=60).stdout.decode()
    pixels = {}
    for line in out.splitlines()[1:]:
        at, rest = line.split(":", 1)
        x, y = (int(v) for v in at.split(","))
        rgb = rest.split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        pixels[(left + x, top + y)] = tuple(round(float(v)) for v in rgb)
    return pixels


def syscolor(index):
    c = cliphelper("syscolor", str(index)).stdout.decode().strip()
    return tuple(int(c[i:i + 2], 16) for i in (0, 2, 4))


class TrayMenuOnWine(unittest.TestCase):
    def setUp(self):
        # A copy of its own: the program autosaves beside its executable.
        self.dir = scratch_dir()
        self.exe = os.path.join(self.dir, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), self.exe)
        cliphelper("empty")
        self.process = start(self.exe, cwd=self.dir)
        self.assertTrue(wait_for(lambda: b"TMainForm 1" in cliphelper("windows").stdout, timeout=30),
                        "the main window did not appear")

    def tearDown(self):
        if self.process.poll() is None:
            cliphelper("close", "TMainForm", check=False)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()

    def popup(self):
        """(visible, topmost, left, top, right, bottom) of the menu window."""
        return tuple(int(v) for v in cliphelper("popup", "TTrayIconWindow").stdout.split())

    def open_menu(self, x, y):
        cliphelper("cursor", str(x), str(y))
        cliphelper("postall", "TMainForm", "TPUtilWindow", TRAY_CALLBACK, RIGHT_BUTTON_UP)
        self.assertTrue(wait_for(lambda: self.popup()[0] == 1), "the menu did not open")
        return self.popup()

    def keys(self, *keys):
        cliphelper("keys", *keys)

    def menu_hidden(self):
        return wait_for(lambda: self.popup()[0] == 0, timeout=10)

    def test_it_opens_topmost_above_and_left_of_the_cursor_and_stays_on_the_screen(self):
        visible, topmost, left, top, right, bottom = self.open_menu(900, 700)
        self.assertEqual((visible, topmost, right, bottom), (1, 1, 900, 700))
        self.assertGreater(right - left, 100)
        self.assertGreater(bottom - top, 100)
        self.keys(VK_ESCAPE)
        self.assertTrue(self.menu_hidden())
        # Near the top-left corner it is pushed to (0, 0).
        _, _, left, top, _, _ = self.open_menu(40, 30)
        self.assertEqual((left, top), (0, 0))

    def test_escape_hides_it_and_gives_the_shortcuts_back(self):
        # Wine keeps menus inside their process, so the restored shortcuts are
        # checked by use: Del on the main window empties the clipboard again.
        cliphelper("text", "to be deleted")
        self.open_menu(900, 700)
        self.keys(VK_ESCAPE)
        self.assertTrue(self.menu_hidden())
        left, top, right, bottom = map(int, cliphelper("rect", "TMainForm", "TCoolClipboardViewer")
                                       .stdout.split())
        cliphelper("click", str((left + right) // 2), str((top + bottom) // 2))
        time.sleep(1)
        self.assertNotEqual(cliphelper("list").stdout.strip(), b"")
        self.keys(VK_DELETE)
        self.assertTrue(wait_for(lambda: cliphelper("list").stdout.strip() == b"", timeout=10),
                        cliphelper("list").stdout)

    def test_d_empties_the_clipboard(self):
        cliphelper("text", "to be deleted")
        self.open_menu(900, 700)
        self.keys("0x44")
        self.assertTrue(self.menu_hidden())
        self.assertTrue(wait_for(lambda: cliphelper("list").stdout.strip() == b"", timeout=10),
                        cliphelper("list").stdout)

    def test_x_ends_the_program_with_its_autosave(self):
        cliphelper("text", "kept by the autosave")
        time.sleep(1)
        self.open_menu(900, 700)
        self.keys("0x58")
        self.assertEqual(self.process.wait(timeout=30), 0)
        with open(os.path.join(self.dir, "Stashwell.cbd"), "rb") as f:
            self.assertIn(b"kept by the autosave", f.read())

    def test_down_and_enter_run_the_first_item(self):
        self.open_menu(900, 700)
        self.keys(VK_DOWN, VK_RETURN)  # About
        self.assertTrue(self.menu_hidden())
        self.assertTrue(wait_for(lambda: b"TAboutForm 1" in cliphelper("windows").stdout),
                        cliphelper("windows").stdout)
        # The modal box hides on WM_CLOSE; its window stays.
        cliphelper("close", "TAboutForm", check=False)
        self.assertTrue(wait_for(lambda: b"TAboutForm 1" not in cliphelper("windows").stdout))

    def test_a_click_on_the_delete_button_hides_the_menu_and_deletes(self):
        cliphelper("text", "to be deleted")
        left, top, _, _ = map(int, cliphelper("rect", "TMainForm", "TPanel").stdout.split())
        self.open_menu(900, 700)
        cliphelper("click", str(left + 48 + 11), str(top + 11))  # the third tool button
        self.assertTrue(self.menu_hidden())
        self.assertTrue(wait_for(lambda: cliphelper("list").stdout.strip() == b"", timeout=10),
                        cliphelper("list").stdout)

    def test_the_side_label_and_the_lit_item_on_the_screen(self):
        _, _, left, top, right, bottom = self.open_menu(900, 700)
        self.keys(VK_DOWN, VK_DOWN)  # About, then Open past the separator
        time.sleep(1)
        cx, cy = (int(v) for v in cliphelper("client", "TTrayIconWindow").stdout.split())
        shot = os.path.join(BUILD, "screenshot-tray-menu.png")
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{right - left}x{bottom - top}+{left}+{top}", shot], check=True, timeout=60)
        pixels = screen(left, top, right - left, bottom - top)
        client_bottom = bottom - (cy - top)  # the frame is as wide below as above
        # The label's gradient, read two pixels right of its left edge: grey
        # in the lowest band, 63/64 of the way to RGB(191, 191, 170) in the
        # highest, the bands in between rising.
        column = [pixels[(cx + 2, y)] for y in range(cy + 1, client_bottom - 1)]
        self.assertEqual(column[-1], (128, 128, 128))
        self.assertEqual(column[0], (190, 190, 169))
        reds = [p[0] for p in reversed(column)]
        self.assertEqual(reds, sorted(reds))
        self.assertGreater(len(set(column)), 40)
        # The lit Open item: the highlight colour from the image column's end
        # (25 + 16 + 2 x 4), the menu colour before it.
        highlight, menu = syscolor(13), syscolor(4)
        rows = [y for y in range(cy, client_bottom) if pixels[(cx + 60, y)] == highlight]
        self.assertGreater(len(rows), 10)
        row = rows[0]
        first = min(x for x in range(cx + 25, right) if pixels[(x, row)] == highlight)
        self.assertEqual(first - cx, 25 + 24)
        self.assertEqual(pixels[(cx + 26, row + 8)], menu)


if __name__ == "__main__":
    unittest.main()
