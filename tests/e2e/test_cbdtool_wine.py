"""cbdtool (the win64 build) against Wine's real clipboard."""
import os
import unittest

from winetest import (clipboard, cliphelper, put, record, records, run, scratch_dir, tool,
                      win_path)

TEXT = b"Hello from the Wine test\0"
NAME = "Stashwell E2E Format"
DATA = bytes([0, 1, 2, 0xFF, 0x80, 0x7F])


def cbdtool(*args, **kw):
    return run(tool("cbdtool"), *args, **kw)


class CbdtoolOnWine(unittest.TestCase):
    def setUp(self):
        self.dir = scratch_dir()

    def path(self, name):
        return os.path.join(self.dir, name)

    def test_capture_holds_exactly_the_formats_wine_lists(self):
        put((1, TEXT), (NAME, DATA))
        listed = clipboard()
        cbdtool("save", win_path(self.path("snap.cbd")))
        with open(self.path("snap.cbd"), "rb") as f:
            saved = records(f.read())
        # Every format Wine lists that is a memory block, in its order.
        expected = [(name if name else number, data) for number, name, data in listed if data is not None]
        self.assertEqual(saved, expected)
        self.assertEqual(saved[0], (1, TEXT))
        self.assertIn((NAME, DATA), saved)

    def test_restore_puts_every_record_back_in_restore_order(self):
        with open(self.path("in.cbd"), "wb") as f:
            f.write(record(1, TEXT) + record(NAME, DATA))
        cliphelper("empty")
        cbdtool("load", win_path(self.path("in.cbd")))
        listed = clipboard()
        # Each record is set in an open/close pair of its own, so the formats
        # that Wine adds for the text come before the registered format.
        self.assertEqual([number for number, _, _ in listed][:4], [1, 16, 7, 13])
        self.assertEqual(listed[0][2], TEXT)
        self.assertEqual(listed[4][1:], (NAME, DATA))
        self.assertEqual(len(listed), 5)

    def test_round_trip_save_clear_load(self):
        put((1, TEXT), (NAME, DATA))
        first = self.path("first.cbd")
        cbdtool("save", win_path(first))
        cbdtool("clear")
        self.assertEqual(clipboard(), [])
        cbdtool("save", win_path(self.path("empty.cbd")))
        self.assertEqual(os.path.getsize(self.path("empty.cbd")), 0)
        cbdtool("load", win_path(first))
        second = self.path("second.cbd")
        cbdtool("save", win_path(second))
        with open(first, "rb") as a, open(second, "rb") as b:
            before, after = records(a.read()), records(b.read())
        self.assertEqual(sorted(map(repr, before)), sorted(map(repr, after)))
        self.assertEqual(before[0], (1, TEXT))

    def test_long_registered_name_is_stored_cut_to_127(self):
        long_name = "Stashwell-" + "x" * 150
        put((long_name, b"z"))
        cbdtool("save", win_path(self.path("long.cbd")))
        with open(self.path("long.cbd"), "rb") as f:
            self.assertEqual(records(f.read()), [(long_name[:127], b"z")])

    def test_list_and_extract(self):
        with open(self.path("in.cbd"), "wb") as f:
            f.write(record(1, TEXT) + record(NAME, DATA) + b"\x00\x00")
        result = cbdtool("list", win_path(self.path("in.cbd")), check=False)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout.decode().replace("\r\n", "\n"),
                         f'#0 number 1 size {len(TEXT)}\n#1 name "{NAME}" size {len(DATA)}\n')
        self.assertEqual(result.stderr.decode().strip(), "cbdtool: Stream read error")
        cbdtool("extract", win_path(self.path("in.cbd")), "1", win_path(self.path("out.bin")))
        with open(self.path("out.bin"), "rb") as f:
            self.assertEqual(f.read(), DATA)

    def test_missing_file_fails_without_touching_the_clipboard(self):
        put((1, TEXT))
        result = cbdtool("load", win_path(self.path("missing.cbd")), check=False)
        self.assertEqual(result.returncode, 1)
        self.assertIn("Cannot open file", result.stderr.decode())
        self.assertEqual(clipboard()[0][2], TEXT)


if __name__ == "__main__":
    unittest.main()
