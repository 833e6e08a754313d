"""The platform conformance tests, built for Windows, run against Wine."""
import sys
import unittest

from winetest import run, tool


class PlatformConformanceOnWine(unittest.TestCase):
    def test_conformance_suite_passes(self):
        result = run(tool("test_platform"), timeout=300, check=False)
        output = result.stdout.decode(errors="replace")
        self.assertEqual(result.returncode, 0, output[-4000:])
        self.assertIn("[  PASSED  ]", output)
        # The rules checked per area, shown so that a shrinking suite is seen.
        counts = [line.rstrip("\r") for line in output.splitlines() if line.startswith("conformance ")]
        self.assertTrue(counts, "no count of rules per area")
        print("\n" + "\n".join(counts), file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
