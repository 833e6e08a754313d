"""httpget built against the simulator, through real SOCKS servers to nginx
(the simulator's WinSock runs over the host's sockets)."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from socks_peers import SocksCases  # noqa: E402

BUILD = os.environ["STASHWELL_BUILD"]


class SocksThroughRealServers(SocksCases, unittest.TestCase):
    def run_httpget(self, args, out):
        result = subprocess.run([os.path.join(BUILD, "tools", "httpget"), *args, out],
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=90)
        return (result.returncode, result.stdout.decode(errors="replace").splitlines(),
                result.stderr.decode(errors="replace"))


if __name__ == "__main__":
    unittest.main()
