"""Times the win64 programs under Wine beside bare programs that do only the
least, in one run, and prints the ratios as its last lines (best of
--rounds, default 3, each round taking both sides in turn):

  save    `cbdtool save` of a clipboard that holds one 64 MB block of a
          registered format, beside `barehelper save` (open the clipboard,
          lock the block, write it to a file, close); the file cbdtool
          writes must hold exactly that one record;
  load    `cbdtool load` of that file, beside `barehelper load` (read the
          data into a fresh block, open, empty, set, close); the clipboard
          must hold the block afterwards;
          both also beside `barehelper savecopy` and `loadcopy`, which add
          the one copy into fresh memory that a capture (data copied out of
          the clipboard before the file is written) and a restore (whole
          file loaded before the block is filled) cannot do without;
  http    the win64 `httpget` beside curl fetching 50 MB from a local
          nginx, each less its time for an empty file (a Wine process start
          alone costs 0.1-0.2 s); the files must hold the body. Beside
          them `barehttp` (8192 bytes per recv, like the client): `block`
          on a blocking socket, `async` with one recv per FD_READ notice,
          the least that WinSock under Wine allows the program;
  start   the time from starting Stashwell.exe to its main window showing,
          beside `minwindow`, which shows one window and nothing else, and
          `minwindow_styled`, the same with the program's manifest asking for
          version 6 of the common controls (their visual style's start-up
          cost is Wine's, not the program's).

Each part runs its rounds before the next part begins. --parts picks some
of them (for example `--parts http`); the ratios of parts not run are left
out.

Run through wine_bench.sh. Exit status 1 when a result check failed."""
import argparse
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from winetest import BUILD, cliphelper, run, start, tool as built_tool, win_path  # noqa: E402

NAME = "Stashwell Bench Block"
SIZE = 64 << 20
BODY = 50 << 20
failures = []


def tool(name):
    path = os.path.join(BUILD, "bench", "wine", name + ".exe")
    return path if os.path.exists(path) else built_tool(name)


def fail(message):
    print("CHECK FAILED: " + message, flush=True)
    failures.append(message)


def timed(exe, *args):
    begin = time.perf_counter()
    result = run(exe, *args, check=False, timeout=300)
    elapsed = time.perf_counter() - begin
    if result.returncode != 0:
        fail(f"{os.path.basename(exe)} {' '.join(args)} exited {result.returncode}: "
             f"{result.stderr.decode(errors='replace').strip()}")
    return elapsed


def file_is(path, expected):
    try:
        with open(path, "rb") as f:
            return f.read() == expected
    except OSError:
        return False


class Best:
    def __init__(self):
        self.times = {}

    def add(self, key, seconds):
        self.times[key] = min(self.times.get(key, float("inf")), seconds)
        print(f"  {key}: {seconds * 1e3:.0f} ms", flush=True)

    def __getitem__(self, key):
        return self.times.get(key, float("nan"))


def put_block(bare):
    """Puts the block on the clipboard and makes sure that it is there
    before a side is timed."""
    for _ in range(3):
        run(bare, "put", NAME, str(SIZE))
        if run(bare, "check", NAME, str(SIZE), check=False).returncode == 0:
            return
    fail("the block does not stay on the clipboard after barehelper put")


def clipboard_round(best, work):
    bare = tool("barehelper")
    cbdtool = tool("cbdtool")
    raw = os.path.join(work, "raw.bin")
    # The data the block holds, as the bare helper writes it; the record a
    # capture must write is that behind the named record's header.
    if not os.path.exists(raw):
        run(bare, "put", NAME, str(SIZE))
        run(bare, "save", NAME, win_path(raw))
    with open(raw, "rb") as f:
        data = f.read()
    name = NAME.encode()
    record = struct.pack("<ii", 1, len(name)) + name + struct.pack("<i", len(data)) + data
    cbd = os.path.join(work, "in.cbd")
    if not os.path.exists(cbd):
        with open(cbd, "wb") as f:
            f.write(record)

    put_block(bare)
    out = os.path.join(work, "out.cbd")
    best.add("cbdtool save", timed(cbdtool, "save", win_path(out)))
    if not file_is(out, record):
        listed = run(cbdtool, "list", win_path(out), check=False).stdout.decode(errors="replace")
        fail("the file cbdtool saved does not hold the clipboard's record; it lists:\n" + listed)
    if os.path.exists(out):
        os.remove(out)
    # The block put anew, so that each side starts from the clipboard as
    # another program left it.
    for command in ("save", "savecopy"):
        put_block(bare)
        out = os.path.join(work, "out.bin")
        best.add(f"barehelper {command}", timed(bare, command, NAME, win_path(out)))
        if not file_is(out, data):
            fail(f"the file barehelper {command} wrote does not hold the block")
        if os.path.exists(out):
            os.remove(out)

    cliphelper("empty")
    best.add("cbdtool load", timed(cbdtool, "load", win_path(cbd)))
    if run(bare, "check", NAME, str(SIZE), check=False).returncode != 0:
        fail("after cbdtool load the clipboard does not hold the block")
    for command in ("load", "loadcopy"):
        cliphelper("empty")
        best.add(f"barehelper {command}", timed(bare, command, NAME, win_path(raw)))
        if run(bare, "check", NAME, str(SIZE), check=False).returncode != 0:
            fail(f"after barehelper {command} the clipboard does not hold the block")
    cliphelper("empty")


class Nginx:
    def __init__(self, work, body):
        self.dir = os.path.join(work, "nginx")
        www = os.path.join(self.dir, "www")
        os.makedirs(www)
        os.chmod(work, 0o755)
        os.chmod(self.dir, 0o755)
        os.chmod(www, 0o755)
        for name, content in (("big.bin", body), ("empty.bin", b"")):
            with open(os.path.join(www, name), "wb") as f:
                f.write(content)
            os.chmod(os.path.join(www, name), 0o644)
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        conf = os.path.join(self.dir, "nginx.conf")
        with open(conf, "w") as f:
            f.write(f"pid {self.dir}/nginx.pid;\nerror_log {self.dir}/error.log;\n"
                    "events { worker_connections 64; }\n"
                    "http { access_log off; sendfile on;\n"
                    + "".join(f"  {k}_temp_path {self.dir}/{k};\n"
                              for k in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
                    + f"  server {{ listen 127.0.0.1:{self.port}; root {www}; }} }}\n")
        self.args = ["nginx", "-p", self.dir, "-c", conf]
        if subprocess.run(self.args, stderr=subprocess.DEVNULL).returncode != 0:
            raise SystemExit("nginx did not start")
        for _ in range(100):
            if subprocess.run(["curl", "-s", "-o", "/dev/null", self.url("empty.bin")]).returncode == 0:
                return
            time.sleep(0.05)
        self.stop()
        raise SystemExit("nginx started but does not answer")

    def url(self, name):
        return f"http://127.0.0.1:{self.port}/{name}"

    def stop(self):
        subprocess.run(self.args + ["-s", "stop"], stderr=subprocess.DEVNULL)


def http_round(best, server, body, work):
    httpget = tool("httpget")
    bare = tool("barehttp")
    for name, content in (("big.bin", body), ("empty.bin", b"")):
        out = os.path.join(work, "httpget-" + name)
        best.add(f"httpget {name}", timed(httpget, server.url(name), win_path(out)))
        if not file_is(out, content):
            fail(f"httpget's {name} does not hold the body")
        for mode in ("block", "async"):
            out = os.path.join(work, f"barehttp-{mode}-{name}")
            best.add(f"barehttp {mode} {name}", timed(bare, mode, server.url(name), win_path(out)))
            if not file_is(out, content):
                fail(f"barehttp {mode}'s {name} does not hold the body")
        out = os.path.join(work, "curl-" + name)
        begin = time.perf_counter()
        ok = subprocess.run(["curl", "-s", "-o", out, server.url(name)]).returncode == 0
        best.add(f"curl {name}", time.perf_counter() - begin)
        if not ok or not file_is(out, content):
            fail(f"curl's {name} does not hold the body")


def shown(title):
    """A visible X window of that title larger than a few pixels."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                           capture_output=True, text=True).stdout.split()
    for window in found:
        geometry = subprocess.run(["xdotool", "getwindowgeometry", window],
                                  capture_output=True, text=True).stdout
        size = geometry.split("Geometry:")[-1].split()[0] if "Geometry:" in geometry else "0x0"
        width, height = (int(v) for v in size.split("x"))
        if width > 50 and height > 50:
            return True
    return False


def start_round(best, work):
    program_dir = os.path.join(work, "program")
    os.makedirs(program_dir, exist_ok=True)
    exe = os.path.join(program_dir, "Stashwell.exe")
    shutil.copy(os.path.join(BUILD, "Stashwell.exe"), exe)
    for label, path, title, window_class in (
            ("Stashwell start", exe, "^Stashwell v", "TMainForm"),
            ("minwindow start", tool("minwindow"), "^Minimal Window$", "MinimalWindow"),
            ("styled minwindow start", tool("minwindow_styled"), "^Minimal Window$",
             "MinimalWindow")):
        cliphelper("empty")
        begin = time.perf_counter()
        process = start(path, cwd=program_dir)
        while not shown(title):
            if process.poll() is not None or time.perf_counter() - begin > 60:
                fail(f"{label}: no window appeared")
                break
            time.sleep(0.005)
        else:
            best.add(label, time.perf_counter() - begin)
        cliphelper("close", window_class, check=False)
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--megabytes", type=int, default=64, help="size of the clipboard block")
    parser.add_argument("--parts", default="save,http,start",
                        help="comma-separated parts to run: save (save and load), http, start")
    options = parser.parse_args()
    parts = options.parts.split(",")
    unknown = [p for p in parts if p not in ("save", "http", "start")]
    if unknown:
        parser.error("unknown part: " + ", ".join(unknown))
    rounds = options.rounds
    global SIZE
    SIZE = options.megabytes << 20
    best = Best()
    work = tempfile.mkdtemp(prefix="stashwell-wine-bench-")
    body = os.urandom(BODY)
    server = Nginx(work, body) if "http" in parts else None
    try:
        # The clipboard rounds come first: after the program has run once,
        # Wine's clipboard was seen to lose the block between two programs
        # now and then, which would fail a check for no fault of the side.
        for name, part in (("save", lambda: clipboard_round(best, work)),
                           ("http", lambda: http_round(best, server, body, work)),
                           ("start", lambda: start_round(best, work))):
            if name not in parts:
                continue
            for round_ in range(1, rounds + 1):
                print(f"{name} round {round_}", flush=True)
                part()
    finally:
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)

    def ratio(what, ours, theirs):
        print(f"{what}: {ours / theirs:.2f} ({ours * 1e3:.0f} ms / {theirs * 1e3:.0f} ms)")

    if "save" in parts:
        ratio("cbdtool save / bare save", best["cbdtool save"], best["barehelper save"])
        ratio("cbdtool save / bare copy+save", best["cbdtool save"], best["barehelper savecopy"])
        ratio("cbdtool load / bare load", best["cbdtool load"], best["barehelper load"])
        ratio("cbdtool load / bare load+copy", best["cbdtool load"], best["barehelper loadcopy"])
    if "http" in parts:
        def body_time(side):
            return best[f"{side} big.bin"] - best[f"{side} empty.bin"]

        ratio("barehttp block / curl beyond each one's start", body_time("barehttp block"),
              body_time("curl"))
        ratio("barehttp async / curl beyond each one's start", body_time("barehttp async"),
              body_time("curl"))
        ratio("httpget / barehttp async beyond each one's start", body_time("httpget"),
              body_time("barehttp async"))
        ratio("httpget / curl beyond each one's start", body_time("httpget"), body_time("curl"))
    if "start" in parts:
        ratio("styled minimal window start / minimal window start",
              best["styled minwindow start"], best["minwindow start"])
        ratio("Stashwell start / styled minimal window start", best["Stashwell start"],
              best["styled minwindow start"])
        ratio("Stashwell start / minimal window start", best["Stashwell start"],
              best["minwindow start"])
    if failures:
        print("a result check failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
