"""The GIF animator under Wine: its timer thread steps the frames of a real
animation through real windows, and the program ends cleanly while the
thread sleeps."""
import os
import subprocess
import time
import unittest

from winetest import cliphelper, scratch_dir, start, tool


def pixel(x, y):
    out = subprocess.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"],
                         capture_output=True, check=True, timeout=60).stdout.decode()
    rgb = out.splitlines()[1].split("(", 1)[1].split(")", 1)[0].split(",")[:3]
    return tuple(round(float(v)) for v in rgb)


class AnimatorOnWine(unittest.TestCase):
    def setUp(self):
        self.dir = scratch_dir()
        # Two frames of 40 x 30, red then blue, a third of a second each.
        self.gif = os.path.join(self.dir, "two-frames.gif")
        subprocess.run(["convert", "-delay", "33", "-size", "40x30", "xc:#ff0000", "xc:#0000ff",
                        "-loop", "0", self.gif], check=True, timeout=60)
        self.process = start(tool("animhelper"), self.gif, cwd=self.dir)

    def tearDown(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=20)

    def animator_centre(self):
        deadline = time.time() + 30
        while time.time() < deadline:
            windows = cliphelper("windows").stdout.decode(errors="replace").replace("\r", "")
            if 'TForm 1 "Animator"' in windows:
                break
            time.sleep(0.3)
        else:
            self.fail("the animator's form did not appear")
        left, top = map(int, cliphelper("client", "TForm").stdout.split())
        # The animator sits at 10, 10 of the client area and is 40 x 30.
        return left + 10 + 20, top + 10 + 15

    def test_frames_alternate_and_the_program_ends_while_the_thread_sleeps(self):
        x, y = self.animator_centre()
        seen = set()
        deadline = time.time() + 15
        while time.time() < deadline and not {(255, 0, 0), (0, 0, 255)} <= seen:
            seen.add(pixel(x, y))
            time.sleep(0.1)
        self.assertIn((255, 0, 0), seen)
        self.assertIn((0, 0, 255), seen)

        cliphelper("close", "TForm")
        self.assertEqual(self.process.wait(timeout=30), 0)


if __name__ == "__main__":
    unittest.main()
