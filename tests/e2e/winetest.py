"""Shared helpers of the Wine tests: run the win64 programs, write and read
clipboard content files, talk to the clipboard through cliphelper."""
import os
import struct
import subprocess
import tempfile
import time

BUILD = os.environ.get("STASHWELL_WIN64_BUILD", os.path.join(os.path.dirname(__file__), "../../build/win64"))
BUILD = os.path.abspath(BUILD)
WINE = os.environ.get("STASHWELL_WINE", "/usr/lib/wine/wine64")


def win_path(path):
    """The Windows name of a local file (Wine maps / to drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(exe, *args, timeout=60, check=True, cwd=None):
    env = dict(os.environ, WINEDEBUG="-all")
    # Output goes through files, not pipes: Wine's helper processes inherit
    # the handles and would keep a pipe open long after the program ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.run([WINE, exe, *args], stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                 timeout=timeout, env=env, cwd=cwd)
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(process.args, process.returncode, out.read(), err.read())
    if check and result.returncode != 0:
        raise AssertionError(
            f"{os.path.basename(exe)} {' '.join(args)} exited {result.returncode}\n"
            f"stdout: {result.stdout.decode(errors='replace')}\nstderr: {result.stderr.decode(errors='replace')}")
    return result


def start(exe, *args, cwd=None):
    """Starts a Windows program in the background; returns the process."""
    env = dict(os.environ, WINEDEBUG="-all")
    return subprocess.Popen([WINE, exe, *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, env=env, cwd=cwd)


def tool(name):
    for folder in ("tools", "tests/e2e", "tests", "."):
        path = os.path.join(BUILD, folder, name + ".exe")
        if os.path.exists(path):
            return path
    raise FileNotFoundError(name)


def cliphelper(*args, **kw):
    return run(tool("cliphelper"), *args, **kw)


def clipboard():
    """The formats on Wine's clipboard, in its order: (number, name, bytes or None)."""
    formats = []
    for line in cliphelper("list").stdout.decode().splitlines():
        number, size, data, name = line.split(" ", 3)
        formats.append((int(number), None if name == "-" else name,
                        None if data == "-" else bytes.fromhex(data)))
    return formats


def put(*formats):
    """Puts (format number or name, bytes) pairs on the clipboard in one open/close pair."""
    args = []
    for fmt, data in formats:
        key = f"name:{fmt}" if isinstance(fmt, str) else str(fmt)
        args.append(f"{key}={data.hex()}")
    cliphelper("put", *args)


def record(fmt, data):
    """One record of a clipboard content file."""
    if isinstance(fmt, str):
        name = fmt.encode()
        return struct.pack("<ii", 1, len(name)) + name + struct.pack("<i", len(data)) + data
    return struct.pack("<iIi", 0, fmt, len(data)) + data


def records(blob):
    """Parses a clipboard content file into (number or name, bytes) pairs."""
    out, pos = [], 0
    while pos < len(blob):
        (named,) = struct.unpack_from("<i", blob, pos)
        pos += 4
        if named & 0xFF:
            (n,) = struct.unpack_from("<i", blob, pos)
            key = blob[pos + 4:pos + 4 + n].decode("latin-1")
            pos += 4 + n
        else:
            (key,) = struct.unpack_from("<I", blob, pos)
            pos += 4
        (size,) = struct.unpack_from("<i", blob, pos)
        pos += 4
        out.append((key, blob[pos:pos + size]))
        pos += size
    return out


def scratch_dir():
    return tempfile.mkdtemp(prefix="stashwell-wine-")


def wait_for(predicate, timeout=30.0, step=0.3):
    """Polls PREDICATE until it gives a true value or TIMEOUT seconds pass;
    returns its last value."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()
