"""The program (the win64 build) under Wine, driven by mouse and keyboard
(xdotool) as a user would: the error box modal to the program's forms, the
Preferences tabs answering the mouse after the keyboard, a large picture
scrolled to its edges, the tool buttons' tips, the menu and tool button
glyphs, the status bar after a resize, and long text opened at its
beginning. Each check samples the screen; the screenshots are kept in the
build folder."""
import os
import shutil
import struct
import subprocess
import time
import unittest

from winetest import BUILD, cliphelper, record, run, scratch_dir, start, win_path, wait_for

KEY = r"HKCU\Software\Stashwell"
TITLE = "Stashwell v. 2.0.1"



def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=30)


def screen(left, top, width, height):
    """The screen's pixels in a rectangle, row by row, as (r, g, b) tuples."""
    out = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                          "-depth", "8", "txt:-"], capture_output=True, check=True,
                         timeout=60).stdout.decode()
    pixels = [tuple(round(float(v)) for v in line.split("(", 1)[1].split(")", 1)[0].split(",")[:3])
              for line in out.splitlines()[1:]]
    return [pixels[row * width:(row + 1) * width] for row in range(height)]


def pixel(x, y):
    return screen(x, y, 1, 1)[0][0]


def screenshot(name):
    subprocess.run(["import", "-window", "root", os.path.join(BUILD, name)], check=True, timeout=60)


def colour(hex_text):
    return tuple(int(hex_text[i:i + 2], 16) for i in (0, 2, 4))


def syscolours(*indexes):
    return [colour(c) for c in cliphelper("syscolor", *map(str, indexes)).stdout.split()]


def near(a, b, tolerance=8):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def colourful(p):
    return max(p) - min(p) > 60


def top_windows():
    """The top-level windows: (class, visible, enabled, owner class, rect, text)."""
    windows = []
    for line in cliphelper("top").stdout.decode(errors="replace").replace("\r", "").splitlines():
        head, _, text = line.partition(' "')
        cls, visible, enabled, owner, left, top, right, bottom = head.split(" ")
        windows.append((cls, visible == "1", enabled == "1", owner,
                        (int(left), int(top), int(right), int(bottom)), text[:-1]))
    return windows


def top_window(cls, visible_only=True):
    return next((w for w in top_windows() if w[0] == cls and (w[1] or not visible_only)), None)


def rect(cls, child):
    return tuple(map(int, cliphelper("rect", cls, child).stdout.split()))


def area(cls, child):
    return tuple(map(int, cliphelper("area", cls, child).stdout.split()))


def dib(width, height, paint):
    """A bottom-up 24-bit DIB (CF_DIB) whose pixel (x, y) is paint(x, y)."""
    stride = (width * 3 + 3) & ~3
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 0, 0, 0, 0)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = paint(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    return header + b"".join(rows)


class UiOnWine(unittest.TestCase):
    def setUp(self):
        # A copy of its own: the program autosaves beside its executable.
        self.dir = scratch_dir()
        self.exe = os.path.join(self.dir, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), self.exe)
        run("reg", "delete", KEY, "/f", check=False)
        cliphelper("empty")
        self.process = None

    def tearDown(self):
        if self.process and self.process.poll() is None:
            for _ in range(3):  # a box left up answers Esc first
                if not top_window("#32770"):
                    break
                xdotool("key", "Escape")
                time.sleep(0.5)
            cliphelper("close", "TMainForm", check=False)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
        run("reg", "delete", KEY, "/f", check=False)
        shutil.rmtree(self.dir, ignore_errors=True)

    def launch(self, *args):
        self.process = start(self.exe, *args, cwd=self.dir)
        self.assertTrue(wait_for(lambda: (top_window("TMainForm") or (None,))[0]),
                        "the main window did not appear")
        time.sleep(1.0)

    def tree(self, cls):
        return cliphelper("tree", cls, check=False).stdout.decode(errors="replace").replace("\r", "")

    def focus_main_window(self):
        """Gives the main window the keyboard: a click on its status bar."""
        left, top, right, bottom = rect("TMainForm", "TStatusBar")
        self.click((left + right) // 2, (top + bottom) // 2)
        time.sleep(0.5)

    def open_about(self):
        """Help, About..., then closes the box again."""
        frame = top_window("TMainForm")[4]
        self.click(frame[0] + 133, frame[1] + 34)  # the "Help" menu
        menu = wait_for(lambda: top_window("#32768"), timeout=5)
        self.assertTrue(menu, "the Help menu did not open")
        self.click(menu[4][0] + 40, menu[4][1] + 12)  # "About..."
        self.assertTrue(wait_for(lambda: top_window("TAboutForm")), "About did not open")
        xdotool("key", "Escape")
        self.assertTrue(wait_for(lambda: not top_window("TAboutForm")))
        time.sleep(0.5)

    def click(self, x, y):
        xdotool("mousemove", str(x), str(y))
        time.sleep(0.2)
        xdotool("click", "1")

    def test_the_error_box_is_modal_to_the_programs_forms(self):
        self.launch()
        self.focus_main_window()
        xdotool("key", "ctrl+p")
        self.assertTrue(wait_for(lambda: top_window("TOptionsForm")), "Preferences did not open")
        xdotool("key", "Escape")
        self.assertTrue(wait_for(lambda: not top_window("TOptionsForm")))
        self.open_about()
        self.focus_main_window()
        xdotool("key", "ctrl+o")
        self.assertTrue(wait_for(lambda: top_window("#32770")), "the open dialog did not appear")
        time.sleep(1.0)
        xdotool("type", "--delay", "50", win_path(os.path.join(self.dir, "missing.cbd")))
        xdotool("key", "Return")
        box = wait_for(lambda: next((w for w in top_windows()
                                     if w[0] == "#32770" and w[1] and w[5] == TITLE), None))
        self.assertTrue(box, top_windows())
        time.sleep(1.0)
        screenshot("screenshot-error-box.png")
        self.assertEqual(box[3], "TMainForm", "the box belongs to the main window")
        # Preferences and About have windows once they were shown: open and
        # closed before, they are there now.
        forms = [w for w in top_windows() if w[0] in ("TMainForm", "TOptionsForm", "TAboutForm")]
        self.assertEqual(sorted(w[0] for w in forms), ["TAboutForm", "TMainForm", "TOptionsForm"])
        for form in forms:
            self.assertFalse(form[2], f"{form[0]} is enabled while the box is up")
        # The box lies in front of the main window: its face shows where it is.
        face, = syscolours(15)
        left, top, right, bottom = box[4]
        middle = screen(left + 10, (top + bottom) // 2, right - left - 20, 1)[0]
        self.assertGreater(sum(near(p, face) for p in middle), len(middle) // 2)

        # The Preferences tool button does nothing now.
        panel = rect("TMainForm", "TPanel")
        self.click(panel[0] + 72 + 11, panel[1] + 11)
        time.sleep(1.5)
        self.assertIsNone(top_window("TOptionsForm"), "Preferences opened under the box")
        self.assertEqual(len([w for w in top_windows() if w[0] == "#32770" and w[1]]), 1)

        # Answered, everything is usable again.
        xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: not top_window("#32770")), "the box did not close")
        self.assertTrue(wait_for(lambda: all(w[2] for w in top_windows()
                                             if w[0] in ("TMainForm", "TOptionsForm", "TAboutForm"))))
        self.click(panel[0] + 72 + 11, panel[1] + 11)
        self.assertTrue(wait_for(lambda: top_window("TOptionsForm")), "Preferences did not open")
        xdotool("key", "Escape")
        self.assertTrue(wait_for(lambda: not top_window("TOptionsForm")))

    def test_a_tab_answers_the_mouse_after_the_keyboard(self):
        self.launch()
        # Opened a second time, the dialog chooses its first page again: that
        # is when the tab chosen before stopped answering.
        for opening in (1, 2):
            self.focus_main_window()
            xdotool("key", "ctrl+p")
            self.assertTrue(wait_for(lambda: top_window("TOptionsForm")), "Preferences did not open")
            self.assertTrue(wait_for(lambda: '  TTabSheet 1 1 "&Program"' in self.tree("TOptionsForm")),
                            self.tree("TOptionsForm"))
            time.sleep(1.0)
            xdotool("key", "Right")
            self.assertTrue(wait_for(lambda: '  TTabSheet 1 1 "&Clipboard"' in self.tree("TOptionsForm")),
                            self.tree("TOptionsForm"))
            if opening == 1:
                xdotool("key", "Escape")
                self.assertTrue(wait_for(lambda: not top_window("TOptionsForm")))
        tabs = rect("TOptionsForm", "TPageControl")
        self.click(tabs[0] + 24, tabs[1] + 10)  # the "&Program" tab
        self.assertTrue(wait_for(lambda: '  TTabSheet 1 1 "&Program"' in self.tree("TOptionsForm"),
                                 timeout=10), self.tree("TOptionsForm"))
        screenshot("screenshot-preferences-tab-clicked.png")
        xdotool("key", "Escape")

    def test_a_picture_scrolls_to_its_right_and_bottom_edges(self):
        # 800 x 500 grey, the last 8 columns red, the last 8 rows blue.
        def paint(x, y):
            if x >= 792:
                return (255, 0, 0)
            if y >= 492:
                return (0, 0, 255)
            return (128, 128, 128)
        given = os.path.join(self.dir, "picture.cbd")
        with open(given, "wb") as f:
            f.write(record(8, dib(800, 500, paint)))
        # Opened while the program runs, as a user would.
        self.launch()
        self.focus_main_window()
        xdotool("key", "ctrl+o")
        self.assertTrue(wait_for(lambda: top_window("#32770")), "the open dialog did not appear")
        time.sleep(1.0)
        xdotool("type", "--delay", "50", win_path(given))
        xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: not top_window("#32770")), "the open dialog stayed")
        self.assertTrue(wait_for(lambda: "TCoolClipboardViewer" in self.tree("TMainForm")))
        left, top, right, bottom = area("TMainForm", "TCoolClipboardViewer")
        self.assertTrue(wait_for(lambda: pixel(left + 5, top + 5) == (128, 128, 128)), pixel(left + 5, top + 5))
        # Page right and down by clicks in the bars' troughs, far more than needed.
        for _ in range(12):
            self.click(right - 30, bottom + 8)
            time.sleep(0.1)
        for _ in range(12):
            self.click(right + 8, bottom - 30)
            time.sleep(0.1)
        time.sleep(1.0)
        screenshot("screenshot-picture-scrolled.png")
        self.assertEqual(pixel(right - 2, top + 20), (255, 0, 0), "the last columns stay hidden")
        self.assertEqual(pixel(left + 20, bottom - 2), (0, 0, 255), "the last rows stay hidden")
        self.assertEqual(pixel(right - 2, bottom - 2), (255, 0, 0))

    def test_tool_buttons_show_their_short_hint_as_a_tip(self):
        self.launch()
        panel = rect("TMainForm", "TPanel")
        x, y = panel[0] + 11, panel[1] + 11
        xdotool("mousemove", str(x), str(y))
        time.sleep(0.3)
        xdotool("mousemove", str(x + 1), str(y))
        tip = wait_for(lambda: top_window("tooltips_class32"), timeout=5)
        self.assertTrue(tip, "no tip appeared")
        left, top, right, bottom = tip[4]
        self.assertLessEqual(abs(left - (x + 1)), 16)
        self.assertGreater(top, y)
        self.assertLess(top, y + 48)
        time.sleep(0.5)
        screenshot("screenshot-tool-tip.png")
        info_back, info_text = syscolours(24, 23)
        pixels = [p for row in screen(left, top, right - left, bottom - top) for p in row]
        self.assertGreater(sum(near(p, info_back) for p in pixels), len(pixels) // 2)
        self.assertGreater(sum(near(p, info_text, 40) for p in pixels), 10)
        # A press hides it ...
        xdotool("click", "1")
        self.assertTrue(wait_for(lambda: not top_window("tooltips_class32"), timeout=5))
        # ... and so does leaving the button.
        time.sleep(1.0)
        xdotool("mousemove", str(x + 24), str(y))
        self.assertTrue(wait_for(lambda: top_window("tooltips_class32"), timeout=5))
        xdotool("mousemove", str(x + 24), str(y + 200))
        self.assertTrue(wait_for(lambda: not top_window("tooltips_class32"), timeout=5))

    def test_long_text_opens_at_its_beginning(self):
        self.launch()
        text = "".join(f"clipboard line {i}\r\n" for i in range(200))
        cliphelper("text", text)
        self.assertTrue(wait_for(lambda: "TMemo" in self.tree("TMainForm")))
        time.sleep(0.5)
        first = int(cliphelper("send", "TMainForm", "TMemo", "0xCE", "0", "0").stdout)
        self.assertEqual(first, 0)
        screenshot("screenshot-long-text.png")

    def test_menu_glyphs_on_the_highlight_and_greyed_when_disabled(self):
        self.launch()  # an empty clipboard: Save and Send are disabled
        frame = top_window("TMainForm")[4]
        self.click(frame[0] + 17, frame[1] + 34)  # the "File" menu
        menu = wait_for(lambda: top_window("#32768"), timeout=5)
        self.assertTrue(menu, "the File menu did not open")
        left, top, _, _ = menu[4]
        xdotool("mousemove", str(left + 60), str(top + 12))  # onto "Open"
        time.sleep(1.0)
        screenshot("screenshot-file-menu.png")
        highlight, = syscolours(13)
        # The glyph column of the first item ("Open", highlighted) and of the
        # second ("Save", disabled).
        opened = [p for row in screen(left + 3, top + 4, 32, 16) for p in row]
        self.assertGreater(sum(near(p, highlight) for p in opened), len(opened) // 3,
                           "the highlighted item's glyph lies on no highlight")
        self.assertLess(sum(max(p) < 40 for p in opened), 12, "the glyph lies on black")
        self.assertTrue(any(colourful(p) and not near(p, highlight) for p in opened),
                        "the enabled glyph is not in colour")
        saved = [p for row in screen(left + 3, top + 22, 32, 16) for p in row]
        self.assertEqual(sum(colourful(p) for p in saved), 0, "the disabled item's glyph is in colour")
        self.assertGreater(sum(max(p) < 200 for p in saved), 20, "no greyed glyph")
        # The first Escape closes the menu, the second leaves the menu bar.
        xdotool("key", "Escape")
        time.sleep(0.3)
        xdotool("key", "Escape")

    def test_the_status_bar_shows_one_size_grip_after_resizing(self):
        self.launch()
        face, = syscolours(15)
        widths = []
        for width, height in ((640, 420), (700, 460)):
            left, top, right, bottom = rect("TMainForm", "TStatusBar")
            widths.append(right - left)
            cliphelper("size", "TMainForm", str(width), str(height))
            self.assertTrue(wait_for(lambda: rect("TMainForm", "TStatusBar")[2] - rect("TMainForm", "TStatusBar")[0]
                                     != widths[-1], timeout=10))
            time.sleep(1.0)
        time.sleep(1.0)
        screenshot("screenshot-status-bar-resized.png")
        left, top, right, bottom = rect("TMainForm", "TStatusBar")
        # Where the grips of the earlier sizes were, the bar shows its face.
        for old in widths:
            box = [p for row in screen(left + old - 14, bottom - 13, 12, 11) for p in row]
            self.assertLessEqual(sum(not near(p, face) for p in box), 2,
                                 f"a size grip stays where the bar ended at width {old}")
        grip = [p for row in screen(right - 13, bottom - 13, 12, 11) for p in row]
        self.assertGreater(sum(not near(p, face) for p in grip), 8, "no grip at the corner")

    def test_tool_button_captions_underline_their_accelerator(self):
        # Start-up stops at the wrong registry type: the buttons keep captions.
        run("reg", "add", KEY + r"\Options", "/v", "ProgPlaceToLive", "/t", "REG_DWORD", "/d", "0",
            "/f")
        self.process = start(self.exe, cwd=self.dir)
        box = wait_for(lambda: top_window("#32770"))
        self.assertTrue(box, "no error box at start")
        left, top, right, bottom = box[4]
        self.click((left + right) // 2, bottom - 20)  # its OK button
        self.assertTrue(wait_for(lambda: not top_window("#32770")), "the error box stayed")
        self.assertTrue(wait_for(lambda: top_window("TMainForm")), "the main window did not appear")
        time.sleep(1.5)
        screenshot("screenshot-captions.png")
        panel = rect("TMainForm", "TPanel")
        # The first button, right of its (mostly cut off) glyph: "Sa", its "S"
        # underlined. The lowest row of ink is the underline, apart from the
        # letters above it.
        rows = screen(panel[0] + 6, panel[1] + 2, 14, 18)
        ink = [[max(p) < 170 for p in row] for row in rows]
        inked = [i for i, row in enumerate(ink) if any(row)]
        self.assertTrue(inked, "no caption")
        last = inked[-1]
        self.assertFalse(any(ink[last - 1]), "the lowest ink touches the letters: no underline")
        runs = "".join("#" if v else "." for v in ink[last]).split(".")
        self.assertGreaterEqual(max(len(r) for r in runs), 4)

if __name__ == "__main__":
    unittest.main()
