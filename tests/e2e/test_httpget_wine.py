"""httpget (the program's HTTP client) built for Windows, run under Wine
against local servers, so that the real WinSock of wsock32.dll is used."""
import http.server
import os
import shutil
import socket
import tempfile
import threading
import time
import unittest

from winetest import run, tool, win_path


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class HttpGetOnWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="stashwell-httpget-")
        cls.image = b"GIF89a" + os.urandom(200000)
        os.makedirs(os.path.join(cls.root, "img"))
        with open(os.path.join(cls.root, "img", "banner.gif"), "wb") as f:
            f.write(cls.image)
        handler = lambda *a, **kw: Handler(*a, directory=cls.root, **kw)
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        cls.port = cls.server.server_address[1]
        cls.thread = threading.Thread(target=cls.server.serve_forever, daemon=True)
        cls.thread.start()
        cls.out_dir = tempfile.mkdtemp(prefix="stashwell-httpget-out-")

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.root, ignore_errors=True)
        shutil.rmtree(cls.out_dir, ignore_errors=True)

    def httpget(self, url, name="out.bin"):
        out = os.path.join(self.out_dir, name)
        result = run(tool("httpget"), url, win_path(out), check=False, timeout=120)
        lines = result.stdout.decode(errors="replace").splitlines()
        return result, [l.rstrip("\r") for l in lines], out

    def test_get_writes_the_file_and_prints_the_events_in_order(self):
        result, lines, out = self.httpget(f"http://127.0.0.1:{self.port}/img/banner.gif")
        self.assertEqual(result.returncode, 0, lines)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), self.image)
        head = lines[:lines.index("OnHeaderBegin")]
        self.assertEqual(head, [
            "OnStateChange hsStarting", "OnStateChange hsResolving", "OnStateChange hsResolved",
            "OnStateChange hsSessionOpen", "OnSessionConnected", "OnStateChange hsAwaitingHeader",
            "OnRequestHeaderBegin", "OnBeforeHeaderSend GET",
            "OnCommand GET /img/banner.gif HTTP/1.0",
            "OnCommand Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*",
            "OnCommand User-Agent: Mozilla/3.0 (compatible)",
            "OnCommand Host: 127.0.0.1", "OnRequestHeaderEnd", "OnCommand"])
        self.assertIn("OnHeaderData HTTP/1.0 200 OK", lines)
        self.assertIn(f"OnHeaderData Content-Length: {len(self.image)}", lines)
        blocks = [int(l.split()[1]) for l in lines if l.startswith("OnDocData ")]
        self.assertEqual(sum(blocks), len(self.image))
        self.assertTrue(all(0 < b <= 8192 for b in blocks))
        tail = [l for l in lines if not l.startswith(("OnDocData", "OnHeaderData"))]
        self.assertEqual(tail[-8:], ["OnStateChange hsReceivingBody", "OnHeaderEnd", "OnDocBegin",
                                     "OnDocEnd", "OnStateChange hsIdle", "OnRequestDone 0",
                                     "ResponseCode 200", "ResponseReason OK"])
        self.assertEqual(lines[-2:], ["ResponseCode 200", "ResponseReason OK"])
        order = [l for l in lines if l in ("OnDocBegin", "OnDocEnd", "OnStateChange hsIdle")]
        self.assertEqual(order, ["OnDocBegin", "OnDocEnd", "OnStateChange hsIdle"])

    def test_not_found_exits_with_the_reason(self):
        result, lines, _ = self.httpget(f"http://127.0.0.1:{self.port}/none.gif", "none.bin")
        self.assertEqual(result.returncode, 1, lines)
        self.assertIn("ResponseCode 404", lines)
        self.assertIn(b"File not found", result.stderr)

    def test_refused_connection(self):
        result, lines, _ = self.httpget(f"http://127.0.0.1:{free_port()}/a.gif", "refused.bin")
        self.assertEqual(result.returncode, 1, lines)
        self.assertIn("ResponseReason Connection refused (Error #10061)", lines)

    def test_a_header_line_longer_than_the_buffer_ends_when_the_server_closes(self):
        # WinSock tells of the close only once every byte has been read: the
        # client reads on past a line it cannot keep, and ends at the close
        # instead of waiting for its time limit.
        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen(1)
            port = listener.getsockname()[1]

            def serve():
                conn, _ = listener.accept()
                with conn:
                    request = b""
                    while b"\r\n\r\n" not in request:
                        chunk = conn.recv(4096)
                        if not chunk:
                            return
                        request += chunk
                    conn.sendall(b"HTTP/1.0 200 OK\r\nX-Long: " + b"a" * 9000 + b"\r\n\r\nbody")

            server = threading.Thread(target=serve, daemon=True)
            server.start()
            begun = time.monotonic()
            result, lines, _ = self.httpget(f"http://127.0.0.1:{port}/long", "long.bin")
            waited = time.monotonic() - begun
            server.join(5)
        self.assertEqual(result.returncode, 0, lines)
        self.assertEqual(lines[-2:], ["ResponseCode 200", "ResponseReason OK"])
        self.assertLess(waited, 25.0)

    def test_a_silent_server_ends_the_request_after_30_seconds(self):
        # Accepts the connection and never answers.
        with socket.socket() as silent:
            silent.bind(("127.0.0.1", 0))
            silent.listen(1)
            port = silent.getsockname()[1]
            begun = time.monotonic()
            result, lines, _ = self.httpget(f"http://127.0.0.1:{port}/a.gif", "silent.bin")
            waited = time.monotonic() - begun
        self.assertEqual(result.returncode, 1, lines)
        self.assertEqual(lines[-2:], ["ResponseCode 404",
                                      "ResponseReason Connection timed out (Error #10060)"])
        self.assertEqual(result.stderr.decode().replace("\r", ""),
                         "httpget: Connection timed out (Error #10060)\n")
        self.assertGreaterEqual(waited, 29.0)


if __name__ == "__main__":
    unittest.main()
