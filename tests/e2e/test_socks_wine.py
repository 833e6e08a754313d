"""httpget built for Windows, under Wine (the real wsock32.dll), through real
SOCKS servers to nginx."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from socks_peers import SocksCases  # noqa: E402
from winetest import run, tool, win_path  # noqa: E402


class SocksThroughRealServersOnWine(SocksCases, unittest.TestCase):
    def run_httpget(self, args, out):
        result = run(tool("httpget"), *args, win_path(out), check=False, timeout=120)
        lines = [line.rstrip("\r") for line in result.stdout.decode(errors="replace").splitlines()]
        return result.returncode, lines, result.stderr.decode(errors="replace")


if __name__ == "__main__":
    unittest.main()
