"""The platform conformance tests, built for Windows, run against Wine."""
import unittest

from winetest import run, tool


class PlatformConformanceOnWine(unittest.TestCase):
    def test_conformance_suite_passes(self):
        result = run(tool("test_platform"), timeout=300, check=False)
        output = result.stdout.decode(errors="replace")
        self.assertEqual(result.returncode, 0, output[-4000:])
        self.assertIn("[  PASSED  ]", output)


if __name__ == "__main__":
    unittest.main()
