"""The program (the win64 build) under Wine with Wine's registry and clipboard:
settings written only at shutdown, a ".cbd" file named on the command line,
the autosave file written at the end, a changed autosave name, and the
Preferences dialog driven from the keyboard (xdotool)."""
import os
import shutil
import subprocess
import time
import unittest

from winetest import BUILD, cliphelper, clipboard, put, record, records, run, scratch_dir, start, win_path, wait_for

KEY = r"HKCU\Software\Stashwell"
OPTIONS = KEY + r"\Options"
NAMED = "Stashwell wine test format"



def reg(*args):
    return run("reg", *args, check=False)


def query(key):
    """The values of a key as {name: (type, data)}; None when the key is missing."""
    result = reg("query", key)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.decode(errors="replace").replace("\r", "").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
    return values


class SettingsOnWine(unittest.TestCase):
    def setUp(self):
        # A copy of its own: the program keeps its autosave file beside itself.
        self.dir = scratch_dir()
        self.exe = os.path.join(self.dir, "Stashwell.exe")
        shutil.copy(os.path.join(BUILD, "Stashwell.exe"), self.exe)
        reg("delete", KEY, "/f")
        cliphelper("empty")
        self.process = None

    def tearDown(self):
        self.stop(check=False)
        # Later tests start from a first start again.
        reg("delete", KEY, "/f")
        shutil.rmtree(self.dir, ignore_errors=True)

    def launch(self, *args):
        self.process = start(self.exe, *args, cwd=self.dir)
        self.assertTrue(wait_for(self.main_window_up), "the main window did not appear")

    def main_window_up(self):
        lines = cliphelper("windows").stdout.decode(errors="replace").splitlines()
        return any(line.startswith("TMainForm ") for line in lines)

    def stop(self, check=True):
        if not self.process or self.process.poll() is not None:
            return
        cliphelper("close", "TMainForm", check=check)
        try:
            code = self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise
        if check:
            self.assertEqual(code, 0)

    def test_first_start_writes_the_nine_defaults_only_at_shutdown(self):
        self.assertIsNone(query(KEY))
        self.launch()
        self.assertIsNotNone(query(KEY), "the key is created at start")
        self.assertIsNone(query(OPTIONS), "nothing under Options before the shutdown")
        self.stop()
        values = query(OPTIONS)
        self.assertEqual(values, {
            "ProgPlaceToLive": ("REG_SZ", "0"),
            "ProgLoadOnStart": ("REG_SZ", "1"),
            "ProgHotKey": ("REG_SZ", "Alt+Ctrl+C"),
            "CbdLoadOnStart": ("REG_SZ", "1"),
            "CbdSaveOnExit": ("REG_SZ", "1"),
            "CbdSaveOnReboot": ("REG_SZ", "1"),
            "CbdSaveOnTime": ("REG_SZ", "1"),
            "CbdSaveInterval": ("REG_SZ", "60"),
            "CbdFileName": ("REG_SZ", "Stashwell.cbd"),
        })

    def test_a_cbd_file_on_the_command_line_goes_on_the_clipboard(self):
        given = os.path.join(self.dir, "given.cbd")
        with open(given, "wb") as f:
            f.write(record(1, b"From the command line\0") + record(NAMED, b"\x01\x02\x03"))
        self.launch(win_path(given))
        formats = wait_for(lambda: [f for f in clipboard() if f[0] == 1 or f[1] == NAMED])
        texts = [data for number, _, data in formats if number == 1]
        self.assertTrue(texts and texts[0].startswith(b"From the command line\0"), formats)
        self.assertIn(b"\x01\x02\x03", [data for _, name, data in formats if name == NAMED])

    def test_closing_writes_the_autosave_file_with_the_clipboards_records(self):
        self.launch()
        put((1, b"Kept at the end\0"), (NAMED, b"\xAA\xBB"))
        time.sleep(1.0)
        self.stop()
        autosave = os.path.join(self.dir, "Stashwell.cbd")
        self.assertTrue(os.path.exists(autosave))
        with open(autosave, "rb") as f:
            saved = records(f.read())
        self.assertIn((1, b"Kept at the end\0"), saved)
        self.assertIn((NAMED, b"\xAA\xBB"), saved)

    def test_a_changed_file_name_is_used_by_the_next_run(self):
        reg("add", OPTIONS, "/v", "CbdFileName", "/t", "REG_SZ", "/d", "other.cbd", "/f")
        with open(os.path.join(self.dir, "other.cbd"), "wb") as f:
            f.write(record(1, b"Loaded from other.cbd\0"))
        self.launch()
        # Loaded at start from the program's folder under the stored name ...
        self.assertTrue(wait_for(lambda: any(d and d.startswith(b"Loaded from other.cbd\0")
                                             for n, _, d in clipboard() if n == 1)), clipboard())
        put((1, b"Saved under the new name\0"))
        time.sleep(1.0)
        self.stop()
        # ... and saved there at the end.
        self.assertFalse(os.path.exists(os.path.join(self.dir, "Stashwell.cbd")))
        with open(os.path.join(self.dir, "other.cbd"), "rb") as f:
            self.assertIn((1, b"Saved under the new name\0"), records(f.read()))
        self.assertEqual(query(OPTIONS)["CbdFileName"], ("REG_SZ", "other.cbd"))

    def tree(self, cls):
        return cliphelper("tree", cls, check=False).stdout.decode(errors="replace").replace("\r", "")

    def dialog_shown(self):
        lines = cliphelper("windows").stdout.decode(errors="replace").replace("\r", "").splitlines()
        return 'TOptionsForm 1 "Preferences"' in lines

    def open_preferences(self):
        """Ctrl+P until Preferences shows: a key pressed before the new main
        window has the X input focus is lost, which happens on a busy machine."""
        for _ in range(3):
            self.keys("ctrl+p")
            if wait_for(self.dialog_shown, timeout=10.0):
                return True
        return False

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", *keys], check=True, timeout=30)

    def test_preferences_from_the_keyboard_and_ok_rewriting_the_hot_key(self):
        self.launch()
        time.sleep(1.0)
        self.assertTrue(self.open_preferences(), "Preferences did not open")
        tree = self.tree("TOptionsForm")
        self.assertIn('  TTabSheet 1 1 "&Program"', tree)
        self.assertIn('  TTabSheet 0 1 "&Clipboard"', tree)
        self.assertIn('    THotKey 1 1', tree)
        self.keys("alt+c")  # the second tab's accelerator
        self.assertTrue(wait_for(lambda: '  TTabSheet 1 1 "&Clipboard"' in self.tree("TOptionsForm")),
                        self.tree("TOptionsForm"))
        self.assertIn('    TEdit 1 1 "60"', self.tree("TOptionsForm"))
        subprocess.run(["import", "-window", "root", os.path.join(BUILD, "screenshot-preferences.png")],
                       check=True, timeout=60)
        self.keys("Escape")
        self.assertTrue(wait_for(lambda: not self.dialog_shown()), "Esc did not close the dialog")
        self.keys("ctrl+p")
        self.assertTrue(wait_for(self.dialog_shown))
        self.assertIn('  TTabSheet 1 1 "&Program"', self.tree("TOptionsForm"))  # each showing
        self.keys("Return")  # OK with nothing changed
        self.assertTrue(wait_for(lambda: not self.dialog_shown()), "Enter did not close the dialog")
        self.assertIsNone(query(OPTIONS), "nothing is written before the shutdown")
        self.stop()
        self.assertEqual(query(OPTIONS)["ProgHotKey"], ("REG_SZ", "Ctrl+Alt+C"))


if __name__ == "__main__":
    unittest.main()
