"""The banner under Wine: the program built with banner addresses on a local
server (the build folder of scripts/wine-tests.sh, STASHWELL_WIN64_BANNER_BUILD)
fetches the chosen advertiser's GIF with exactly the client's request, shows
and animates it in the banner row, and opens the advertiser's page through
the program registered for http on a click; a 404 gives one error box and
then the main window, and a silent server is given up after 10 s. The
ordinary build, without addresses, starts without a box."""
import os
import re
import shutil
import socket
import subprocess
import threading
import time
import unittest

from winetest import BUILD, WINE, cliphelper, scratch_dir, start, tool, win_path, wait_for

TITLE = "Stashwell v. 2.0.1"
BANNER_BUILD = os.path.abspath(os.environ.get("STASHWELL_WIN64_BANNER_BUILD",
                                              os.path.join(BUILD, "..", "win64-banner")))
REQUEST = ("GET {path} HTTP/1.0\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n"
           "Host: 127.0.0.1\r\n"
           "\r\n").encode()
# The two frames of the banner: left and right halves in these colours.
FRAMES = [((255, 0, 0), (255, 255, 0)), ((0, 0, 255), (0, 255, 0))]


def configured_addresses():
    """The four banner addresses the banner build was configured with."""
    values = {}
    with open(os.path.join(BANNER_BUILD, "CMakeCache.txt")) as cache:
        for line in cache:
            m = re.match(r"STASHWELL_BANNER_([AB]_(?:IMAGE|LINK)):STRING=(.*)$", line.rstrip("\n"))
            if m:
                values[m.group(1)] = m.group(2)
    return values



def screen(left, top, width, height):
    out = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                          "-depth", "8", "txt:-"], capture_output=True, check=True,
                         timeout=60).stdout.decode()
    return [tuple(round(float(v)) for v in line.split("(", 1)[1].split(")", 1)[0].split(",")[:3])
            for line in out.splitlines()[1:]]


def top_windows():
    lines = cliphelper("windows").stdout.decode(errors="replace").replace("\r", "").splitlines()
    return [line for line in lines if line]


class BannerServer:
    """A raw HTTP server on the configured port: records each request as it
    came and answers as the test says ("gif", "404" or "silent")."""

    def __init__(self, port, gif):
        self.gif = gif
        self.mode = "gif"
        self.requests = []
        self.request_times = []
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", port))
        self.listener.listen(8)
        self.held = []
        self.stopped = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopped:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            request = b""
            conn.settimeout(10)
            try:
                while b"\r\n\r\n" not in request:
                    chunk = conn.recv(4096)
                    if not chunk:
                        break
                    request += chunk
            except OSError:
                pass
            self.requests.append(request)
            self.request_times.append(time.monotonic())
            if self.mode == "silent":
                self.held.append(conn)  # never answered
                continue
            if self.mode == "404":
                conn.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n")
            else:
                conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: "
                             + str(len(self.gif)).encode() + b"\r\n\r\n" + self.gif)
            conn.close()

    def stop(self):
        self.stopped = True
        self.listener.close()
        for conn in self.held:
            conn.close()


class BannerOnWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.addresses = configured_addresses()
        port = int(re.match(r"http://127\.0\.0\.1:(\d+)/", cls.addresses["A_IMAGE"]).group(1))
        cls.dir = scratch_dir()
        # Two frames of 470 x 62, each two halves of colour, half a second each.
        left = [f"xc:rgb{FRAMES[i][0]}" for i in range(2)]
        right = [f"xc:rgb{FRAMES[i][1]}" for i in range(2)]
        frames = []
        for i in range(2):
            frames += ["(", "-size", "235x62", left[i], "-size", "235x62", right[i], "+append", ")"]
        gif = os.path.join(cls.dir, "banner.gif")
        subprocess.run(["convert", "-delay", "50", *frames, "-loop", "0", gif], check=True, timeout=60)
        with open(gif, "rb") as f:
            cls.server = BannerServer(port, f.read())

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.dir, ignore_errors=True)

    def setUp(self):
        self.server.mode = "gif"
        self.server.requests.clear()
        self.server.request_times.clear()
        self.process = None
        self.run_dir = scratch_dir()

    def tearDown(self):
        if self.process and self.process.poll() is None:
            # Whatever a failed look at the windows says, the program must go:
            # one left running would be taken for a first instance by the next check.
            for cls in ("#32770", "TMainForm"):
                cliphelper("close", cls, check=False)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=20)
        shutil.rmtree(self.run_dir, ignore_errors=True)

    def start(self, build=BANNER_BUILD):
        exe = os.path.join(self.run_dir, "Stashwell.exe")
        shutil.copy(os.path.join(build, "Stashwell.exe"), exe)
        self.process = start(exe, cwd=self.run_dir)

    def main_window_shown(self):
        return f'TMainForm 1 "{TITLE}"' in top_windows()

    def error_box(self):
        """The text of the error box on the screen, or None."""
        if not any(line.startswith("#32770 1 ") for line in top_windows()):
            return None
        tree = cliphelper("tree", "#32770", check=False).stdout.decode(errors="replace")
        texts = re.findall(r'^\s*Static 1 \d "(.+)"\r?$', tree, re.M)
        return texts[0] if texts else ""

    def banner_origin(self):
        """The banner's top-left corner on the screen: 11, 28 in the control bar."""
        left, top, _, _ = map(int, cliphelper("rect", "TMainForm", "TControlBar").stdout.split())
        return left + 11, top + 28

    def chosen(self):
        """Which advertiser the program chose, by the image it asked for."""
        self.assertEqual(len(self.server.requests), 1, self.server.requests)
        for advertiser in "AB":
            path = "/" + self.addresses[f"{advertiser}_IMAGE"].split("/", 3)[3]
            if self.server.requests[0] == REQUEST.replace(b"{path}", path.encode()):
                return advertiser
        self.fail(f"not the client's request: {self.server.requests[0]!r}")

    def test_the_gif_shows_animates_and_a_click_opens_the_link(self):
        # The program registered for http in the test prefix is the recorder.
        record = os.path.join(self.run_dir, "opened.txt")
        key = r"HKCR\http\shell\open\command"
        before = subprocess.run([WINE, "reg", "query", key, "/ve"], capture_output=True, timeout=60)
        command = f'"{win_path(tool("urlrecorder"))}" "{win_path(record)}" "%1"'
        subprocess.run([WINE, "reg", "add", key, "/ve", "/d", command, "/f"], check=True,
                       capture_output=True, timeout=60)
        try:
            self.start()
            self.assertTrue(wait_for(self.main_window_shown), top_windows())
            self.assertIsNone(self.error_box())
            advertiser = self.chosen()
            x, y = self.banner_origin()

            # Both frames appear in the banner area, left and right half each.
            def frame_shown(index):
                row = screen(x, y + 30, 470, 1)
                return row[5] == FRAMES[index][0] and row[230] == FRAMES[index][0] and \
                    row[240] == FRAMES[index][1] and row[464] == FRAMES[index][1]
            for index in (0, 1, 0):
                self.assertTrue(wait_for(lambda: frame_shown(index), timeout=15), screen(x, y + 30, 470, 1)[::47])
            # Nothing of it outside its 470 x 62.
            self.assertNotIn(screen(x + 5, y + 62, 1, 1)[0], (FRAMES[0][0], FRAMES[1][0]))

            shot = os.path.join(BUILD, "screenshot-banner.png")
            left, top, right, bottom = map(int, cliphelper("frame", "TMainForm").stdout.split()[:4])
            subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                            shot], check=True, timeout=60)

            subprocess.run(["xdotool", "mousemove", str(x + 200), str(y + 30), "click", "1"], check=True,
                           timeout=60)
            link = self.addresses[f"{advertiser}_LINK"]
            def recorded():
                if not os.path.exists(record):
                    return None
                with open(record) as f:
                    return f.read()
            opened = wait_for(recorded, timeout=20)
            self.assertEqual(opened, link + "\n")
        finally:
            old = re.search(r"REG_SZ\s+(.+)", before.stdout.decode(errors="replace"))
            if old:
                subprocess.run([WINE, "reg", "add", key, "/ve", "/d", old.group(1).strip(), "/f"],
                               capture_output=True, timeout=60)

    def test_a_404_gives_one_error_box_then_the_main_window(self):
        self.server.mode = "404"
        self.start()
        self.assertEqual(wait_for(self.error_box), "Not Found.")
        self.assertFalse(self.main_window_shown())
        self.chosen()
        cliphelper("close", "#32770")
        self.assertTrue(wait_for(self.main_window_shown), top_windows())
        time.sleep(2)
        self.assertIsNone(self.error_box())
        self.assertEqual(len(self.server.requests), 1)

    def test_a_silent_server_gives_the_main_window_within_about_12_seconds(self):
        self.server.mode = "silent"
        self.start()
        self.assertEqual(wait_for(self.error_box, timeout=40, step=0.1),
                         "Connection timed out (Error #10060)")
        # Timed from the request, so that Wine's own start-up does not count.
        waited = time.monotonic() - self.server.request_times[0]
        self.assertGreaterEqual(waited, 9.5)
        self.assertLess(waited, 12.5)
        self.chosen()
        cliphelper("close", "#32770")
        self.assertTrue(wait_for(self.main_window_shown, timeout=10), top_windows())

    def test_without_addresses_the_program_starts_without_a_box(self):
        self.start(BUILD)
        self.assertTrue(wait_for(self.main_window_shown), top_windows())
        time.sleep(2)
        self.assertIsNone(self.error_box())
        self.assertEqual(self.server.requests, [])


if __name__ == "__main__":
    unittest.main()
