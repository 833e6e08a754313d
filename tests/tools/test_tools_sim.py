"""The command-line programs built against the simulator, run as a user runs
them: their time limits hold in real time, and a start that fails ends with
the tool's name and the message on standard error, never in an abort."""
import os
import socket
import subprocess
import tempfile
import threading
import time
import unittest

BUILD = os.environ["STASHWELL_BUILD"]


def program(name):
    for folder in ("tools", "."):
        path = os.path.join(BUILD, folder, name)
        if os.path.exists(path):
            return path
    raise FileNotFoundError(name)


class SilentServer:
    """Accepts connections and reads what comes, but never answers."""

    def __init__(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(4)
        self.port = self.listener.getsockname()[1]
        self.connections = []
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            self.connections.append(conn)

    def close(self):
        self.listener.close()
        for conn in self.connections:
            conn.close()


def run(args, env=None, timeout=60):
    return subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout,
                          env=dict(os.environ, **(env or {})))


class HttpgetTimeLimit(unittest.TestCase):
    def test_a_silent_server_ends_the_request_after_30_seconds(self):
        server = SilentServer()
        out = tempfile.mktemp(prefix="stashwell-httpget-")
        try:
            begun = time.monotonic()
            # Far more than the limit: the run fails here if the limit does not hold.
            result = run([program("httpget"), f"http://127.0.0.1:{server.port}/a.gif", out],
                         timeout=90)
            waited = time.monotonic() - begun
        finally:
            server.close()
            if os.path.exists(out):
                os.remove(out)
        lines = result.stdout.decode().splitlines()
        self.assertEqual(result.returncode, 1, lines)
        self.assertEqual(lines[-2:], ["ResponseCode 404",
                                      "ResponseReason Connection timed out (Error #10060)"])
        self.assertEqual(result.stderr.decode(), "httpget: Connection timed out (Error #10060)\n")
        self.assertEqual(len(server.connections), 1)
        # The limit is the client's 30 s, not a shorter one.
        self.assertGreaterEqual(waited, 29.0)


class StartUpFailures(unittest.TestCase):
    """Without an application window (as under Wine in a prefix first used
    without a display) each program says why and ends with status 1."""

    no_window = {"STASHWELL_SIM_REFUSE_WINDOW_CLASS": "TApplication"}
    message = "Cannot create the application window (error 1411)"

    def test_cbdtool(self):
        result = run([program("cbdtool"), "clear"], env=self.no_window)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.decode(), f"cbdtool: {self.message}\n")

    def test_httpget(self):
        out = tempfile.mktemp(prefix="stashwell-httpget-")
        try:
            result = run([program("httpget"), "http://127.0.0.1:9/a.gif", out], env=self.no_window)
        finally:
            if os.path.exists(out):
                os.remove(out)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.decode(), f"httpget: {self.message}\n")

    def test_the_program(self):
        result = run([program("Stashwell")], env=self.no_window)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.decode(), f"Stashwell: {self.message}\n")


if __name__ == "__main__":
    unittest.main()
