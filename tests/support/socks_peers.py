"""SOCKS servers that nobody here wrote (Dante's danted for SOCKS 4 and 5,
microsocks for SOCKS 5 with a user name and password) and nginx behind them,
each started on a free loopback port with a throwaway configuration, and the
cases that httpget runs through them. The cases are shared by the check of
the simulator build (tests/tools) and of the win64 build under Wine
(tests/e2e): each subclass says how httpget is run."""
import os
import shutil
import socket
import subprocess
import tempfile
import time

BODY = bytes((i * 7 + 3) % 256 for i in range(150000))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_listening(port, seconds=10.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return True
        time.sleep(0.05)
    return False


def program(name):
    for folder in ("/usr/sbin", "/usr/bin"):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return path
    path = shutil.which(name)
    if not path:
        raise FileNotFoundError(f"{name} is not installed (scripts/setup.sh installs it)")
    return path


class Peer:
    """A server process in a folder of its own, stopped by stop()."""

    def __init__(self, folder, argv, port, log):
        self.port = port
        self.log = log
        with open(os.path.join(folder, os.path.basename(argv[0]) + ".out"), "wb") as out:
            self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out,
                                            stderr=subprocess.STDOUT)
        if not wait_listening(port):
            self.stop()
            raise RuntimeError(f"{argv[0]} did not start:\n{self.logs()}")

    def logs(self):
        text = ""
        if self.log and os.path.exists(self.log):
            with open(self.log, errors="replace") as f:
                text = f.read()[-3000:]
        return text

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def start_nginx(folder):
    port = free_port()
    www = os.path.join(folder, "www", "img")
    os.makedirs(www)
    with open(os.path.join(www, "banner.gif"), "wb") as f:
        f.write(BODY)
    temp = "".join(f"  {kind}_temp_path {folder}/{kind};\n"
                   for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
    conf = (f"daemon off;\nmaster_process off;\nworker_processes 1;\npid {folder}/nginx.pid;\n"
            f"error_log {folder}/nginx-error.log;\nevents {{ worker_connections 64; }}\n"
            f"http {{\n  access_log off;\n{temp}  types {{ image/gif gif; }}\n"
            f"  server {{\n    listen 127.0.0.1:{port};\n    root {folder}/www;\n  }}\n}}\n")
    path = os.path.join(folder, "nginx.conf")
    with open(path, "w") as f:
        f.write(conf)
    return Peer(folder, [program("nginx"), "-p", folder, "-c", path], port,
                os.path.join(folder, "nginx-error.log"))


def start_danted(folder):
    """SOCKS 4 and 5 without authentication, to loopback destinations only."""
    port = free_port()
    log = os.path.join(folder, "danted.log")
    lines = [f"logoutput: {log}", f"internal: 127.0.0.1 port = {port}", "external: 127.0.0.1",
             "clientmethod: none", "socksmethod: none"]
    if os.geteuid() == 0:
        lines += ["user.privileged: root", "user.unprivileged: nobody"]
    lines += ["client pass {", "    from: 127.0.0.0/8 to: 0.0.0.0/0", "}",
              "socks pass {", "    from: 127.0.0.0/8 to: 127.0.0.0/8", "    protocol: tcp", "}"]
    path = os.path.join(folder, "danted.conf")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return Peer(folder, [program("danted"), "-f", path, "-N", "1",
                         "-p", os.path.join(folder, "danted.pid")], port, log)


def start_microsocks(folder, user, password):
    """SOCKS 5 that asks for a user name and password."""
    port = free_port()
    return Peer(folder, [program("microsocks"), "-i", "127.0.0.1", "-p", str(port),
                         "-u", user, "-P", password], port, None)


class SocksCases:
    """The requests through the proxies. A subclass (also a TestCase) sets
    run_httpget(args, out_path) -> (returncode, stdout lines, stderr text)."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="stashwell-socks-")
        cls.peers = []
        try:
            cls.nginx = cls.start(start_nginx, "nginx")
            cls.dante = cls.start(start_danted, "dante")
            cls.microsocks = cls.start(lambda f: start_microsocks(f, "alice", "s3cret"),
                                       "microsocks")
        except Exception:
            cls.tearDownClass()
            raise

    @classmethod
    def start(cls, starter, name):
        folder = os.path.join(cls.folder, name)
        os.makedirs(folder)
        peer = starter(folder)
        cls.peers.append(peer)
        return peer

    @classmethod
    def tearDownClass(cls):
        for peer in cls.peers:
            peer.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def url(self, path="/img/banner.gif"):
        return f"http://127.0.0.1:{self.nginx.port}{path}"

    def fetch(self, *socks, url=None):
        out = os.path.join(self.folder, f"out-{self.id().rsplit('.', 1)[-1]}.bin")
        code, lines, err = self.run_httpget(list(socks) + [url or self.url()], out)
        body = None
        if os.path.exists(out):
            with open(out, "rb") as f:
                body = f.read()
        return code, lines, err, body

    def assertFetched(self, code, lines, body, proxy):
        self.assertEqual(code, 0, "\n".join(lines) + "\n" + proxy.logs())
        self.assertIn("OnSocksConnected", lines)
        self.assertEqual(lines[-2:], ["ResponseCode 200", "ResponseReason OK"])
        self.assertEqual(body, BODY)

    def test_socks5_through_dante(self):
        code, lines, _, body = self.fetch("--socks", f"127.0.0.1:{self.dante.port}")
        self.assertFetched(code, lines, body, self.dante)

    def test_socks4_through_dante(self):
        code, lines, _, body = self.fetch("--socks", f"127.0.0.1:{self.dante.port}",
                                          "--socks-level", "4")
        self.assertFetched(code, lines, body, self.dante)

    def test_socks4a_through_dante_sends_the_address_the_client_looked_up(self):
        # The HTTP client resolves the host itself before it connects, so its
        # 4A request carries an address, as a SOCKS 4 one does. A 4A request
        # that carries a name is refused by Dante (reply code 91), and
        # microsocks speaks SOCKS 5 only: neither peer resolves a 4A name.
        code, lines, _, body = self.fetch("--socks", f"127.0.0.1:{self.dante.port}",
                                          "--socks-level", "4A")
        self.assertFetched(code, lines, body, self.dante)

    def test_a_destination_that_refuses_is_told_by_the_proxy(self):
        closed = free_port()
        code, lines, err, _ = self.fetch("--socks", f"127.0.0.1:{self.dante.port}",
                                         url=f"http://127.0.0.1:{closed}/a.gif")
        self.assertEqual(code, 1, lines)
        self.assertIn("OnSocksError 20008 Connection refused", lines)
        self.assertNotIn("OnSocksConnected", lines)
        self.assertIn("ResponseReason Connection refused", lines)
        self.assertEqual(err.replace("\r", ""), "httpget: Connection refused\n")

    def test_socks5_with_the_right_password_through_microsocks(self):
        code, lines, _, body = self.fetch("--socks", f"127.0.0.1:{self.microsocks.port}",
                                          "--socks-user", "alice", "--socks-password", "s3cret")
        self.assertFetched(code, lines, body, self.microsocks)

    def test_socks5_with_a_wrong_password_through_microsocks(self):
        code, lines, err, _ = self.fetch("--socks", f"127.0.0.1:{self.microsocks.port}",
                                         "--socks-user", "alice", "--socks-password", "wrong")
        self.assertEqual(code, 1, lines)
        self.assertIn("OnSocksError 20015 Authentication failed", lines)
        self.assertNotIn("OnSocksConnected", lines)
        self.assertEqual(err.replace("\r", ""), "httpget: Authentication failed\n")

    def test_socks5_without_a_password_where_one_is_asked_for(self):
        code, lines, err, _ = self.fetch("--socks", f"127.0.0.1:{self.microsocks.port}")
        self.assertEqual(code, 1, lines)
        self.assertIn("OnSocksError 20003 Authentication method not acceptable", lines)
        self.assertEqual(err.replace("\r", ""),
                         "httpget: Authentication method not acceptable\n")
