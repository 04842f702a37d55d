"""Wayland test bench: sway headless as an unprivileged user, 1.10 from a Debian 13 root
made once with mmdebstrap and cached, or Debian 12's own 1.7 (no session lock).

    with WaylandSession("1.10") as s:
        keyboard = s.keyboard()            # a virtual keyboard with the de keymap
        s.start_program()                  # appVTR with a password stored, as the tray
        s.lock_command("-f").wait(10)      # appVTR --lock -f: back once locked
        keyboard.text("Open Sesame"); keyboard.type("Return")

The root lives in $VTR_WAYLAND_CACHE (default /var/cache/veltrane-tests), outside any
build tree, and is made again only when its package list changes. sway runs in a mount
namespace of its own, so the bind mounts into the root vanish with it; every process is
ended by its pid. Needs root (mmdebstrap, chroot); clients connect through the absolute
socket path in WAYLAND_DISPLAY.
"""

import fcntl
import glob
import hashlib
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

from vtr_harness import (PASSWORD, WRITE_PASSWORD, StartedSession, end_process,
                         program_processes, wait_until)

APP = os.environ.get("VTR_APP", "build/appVTR")
TOOLS = os.path.join(os.path.dirname(APP), "tests", "whole")
KEYBOARD_PROBE = os.environ.get("VTR_WL_KEYBOARD_PROBE", os.path.join(TOOLS, "wl_keyboard_probe"))
WINDOW_PROBE = os.environ.get("VTR_WL_WINDOW_PROBE", os.path.join(TOOLS, "wl_window_probe"))

CACHE = os.environ.get("VTR_WAYLAND_CACHE", "/var/cache/veltrane-tests")
SUITE = "trixie"
ROOT_PACKAGES = ("sway", "swaybg", "swaylock", "grim")
# The smallest root that runs them: no apt inside, no documentation or translations.
MMDEBSTRAP_OPTIONS = ("--variant=essential", "--include=" + ",".join(ROOT_PACKAGES)) + tuple(
    f"--dpkgopt=path-exclude=/usr/share/{d}/*" for d in ("doc", "man", "locale", "info"))
ROOT_RUNTIME = "run/vtr"  # where sway's runtime folder appears inside the root
USER = int(os.environ.get("VTR_WAYLAND_UID", "65534"))  # sway refuses to run as root
BACKGROUND = (0x20, 0x40, 0x60)


def debian_mirror():
    """The machine's own Debian mirror, as apt knows it."""
    for path in glob.glob("/etc/apt/sources.list.d/*.sources"):
        with open(path) as f:
            for line in f:
                if line.startswith("URIs:") and "security" not in line:
                    return line.split()[1]
    return "http://deb.debian.org/debian"


def debian13_root():
    """The cached Debian 13 root with sway 1.10, made when missing or out of date."""
    key = hashlib.sha256(" ".join((SUITE,) + MMDEBSTRAP_OPTIONS).encode()).hexdigest()[:12]
    path = os.path.join(CACHE, f"{SUITE}-{key}")
    os.makedirs(CACHE, exist_ok=True)
    with open(os.path.join(CACHE, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)  # one maker; the others wait for its root
        if os.path.exists(os.path.join(path, ".complete")):
            return path
        for old in glob.glob(os.path.join(CACHE, f"{SUITE}-*")):
            shutil.rmtree(old, ignore_errors=True)  # an older package list, or a broken try
        started = time.monotonic()
        partial = path + ".partial"
        subprocess.run(["mmdebstrap", "--quiet", *MMDEBSTRAP_OPTIONS, SUITE, partial,
                        debian_mirror()], check=True, stdin=subprocess.DEVNULL)
        os.makedirs(os.path.join(partial, ROOT_RUNTIME), exist_ok=True)
        open(os.path.join(partial, ".complete"), "w").close()
        os.rename(partial, path)
        print(f"made the Debian 13 root {path} in {time.monotonic() - started:.0f} s", flush=True)
        return path


class Process:
    """A started process whose stdout lines are collected as they come."""

    def __init__(self, popen, log):
        self.popen, self.log, self.lines = popen, log, []
        self._seen = threading.Condition()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.popen.stdout:
            with self._seen:
                self.lines.append(raw.decode(errors="replace").rstrip("\n"))
                self._seen.notify_all()

    @property
    def pid(self):
        return self.popen.pid

    def expect(self, prefix, timeout=10, start=0):
        """The first line from index `start` on that begins with `prefix`, or None."""
        deadline = time.monotonic() + timeout
        with self._seen:
            while True:
                found = [line for line in self.lines[start:] if line.startswith(prefix)]
                remaining = deadline - time.monotonic()
                if found or remaining <= 0:
                    return found[0] if found else None
                self._seen.wait(remaining)

    def lines_since(self, start, prefix=""):
        with self._seen:
            return [line for line in self.lines[start:] if line.startswith(prefix)]

    def write(self, line):
        self.popen.stdin.write((line + "\n").encode())
        self.popen.stdin.flush()

    def wait(self, timeout):
        """The exit status, or None while it still runs after `timeout`."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stderr(self):
        with open(self.log, errors="replace") as f:
            return f.read()


class Keyboard:
    """wl_keyboard_probe: a virtual keyboard made before any lock."""

    def __init__(self, process):
        self.process = process
        assert process.expect("ready"), "no virtual keyboard: " + process.stderr()

    def _run(self, line):
        start = len(self.process.lines)
        self.process.write(line)
        answer = self.process.expect("", 5, start)
        assert answer == "ok", f"{line!r}: {answer}"

    def type(self, *keysyms):
        self._run("type " + " ".join(keysyms))

    def text(self, text):
        self._run("text " + text)

    def mods(self, depressed, latched, locked):
        self._run(f"mods {depressed} {latched} {locked}")

    def hold(self, keysym, seconds):
        self._run("hold " + keysym)
        time.sleep(seconds)
        self._run("release " + keysym)


class WaylandSession(StartedSession):
    def __init__(self, sway="1.10", resolution="1280x720"):
        self.sway, self.resolution = sway, resolution
        self.root = debian13_root() if sway == "1.10" else None
        self.folder = tempfile.mkdtemp(prefix="vtr-wayland-")
        os.chmod(self.folder, 0o711)  # sway's user reaches its runtime folder inside
        self.runtime = os.path.join(self.folder, "sway")  # sway's own, the user's
        os.mkdir(self.runtime, 0o700)
        os.chown(self.runtime, USER, USER)
        client_runtime = os.path.join(self.folder, "clients")
        os.mkdir(client_runtime, 0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=client_runtime)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "DBUS_SESSION_BUS_ADDRESS"):
            self.env.pop(name, None)
        self.processes, self.ipc, self.program_path = [], None, None

    def _start(self):
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write(f"output HEADLESS-1 resolution {self.resolution}\n"
                    "output * bg #{:02x}{:02x}{:02x} solid_color\n".format(*BACKGROUND) +
                    "xwayland disable\ndefault_border none\n")
        os.chmod(config, 0o644)
        environment = ["WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"]
        if self.root:
            argv = self.in_root(["sway", "-c", f"/{ROOT_RUNTIME}/config"], environment)
        else:
            argv = ["setpriv", f"--reuid={USER}", f"--regid={USER}", "--clear-groups", "env",
                    "-i", "HOME=/tmp", "PATH=/usr/bin:/bin", *environment,
                    f"XDG_RUNTIME_DIR={self.runtime}", "sway", "-c", config]
        self.compositor = self.spawn("sway", argv, env={})
        socket = wait_until(lambda: glob.glob(os.path.join(self.runtime, "wayland-[0-9]")), 15)
        self.ipc = wait_until(lambda: glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock")), 5)
        assert socket and self.ipc, "sway did not start:\n" + self.compositor.stderr()
        self.ipc = self.ipc[0]
        self.socket_name = os.path.basename(socket[0])
        self.env["WAYLAND_DISPLAY"] = socket[0]
        assert wait_until(self.outputs, 5), "sway has no output"

    def in_root(self, argv, environment=()):
        """`argv` as a command line that runs it inside the Debian 13 root as sway's user,
        with the session's runtime folder (its sockets) at /run/vtr, in a mount namespace
        of its own: the mounts go when its last process ends."""
        script = ('mount --rbind /dev "$1/dev" && mount -t proc proc "$1/proc" && '
                  'mount --bind "$2" "$1/$3" && shift 3 && exec "$@"')
        return ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c", script, "sh",
                self.root, self.runtime, ROOT_RUNTIME, "chroot", f"--userspec={USER}:{USER}",
                self.root, "env", "-i", "PATH=/usr/bin:/bin", "HOME=/tmp",
                f"XDG_RUNTIME_DIR=/{ROOT_RUNTIME}", *environment, *argv]

    def close(self):
        if self.program_path:
            self.end_program()
        for process in reversed(self.processes):
            end_process(process.popen)
            if process.popen.stdin:
                process.popen.stdin.close()
            # Read to its end, unless something it started still holds its output.
            process.reader.join(1)
            if not process.reader.is_alive():
                process.popen.stdout.close()
        self.processes.clear()
        shutil.rmtree(self.folder, ignore_errors=True)

    def end_program(self):
        """Ends every process of the program, the ones it started itself too (a guard, the
        tray a guard became): the tray first, so that its guard ends with it."""
        for _ in range(20):
            running = self.program_processes("tray") or self.program_processes()
            if not running:
                return
            for pid in running:
                try:
                    os.kill(pid, signal.SIGTERM if pid in self.program_processes("tray")
                            else signal.SIGKILL)
                except ProcessLookupError:
                    pass
            wait_until(lambda: not set(running) & set(self.program_processes()), 2)

    def spawn(self, name, argv, env=None, stdin=False, pass_fds=()):
        """Starts a client of this compositor; its stderr goes to a log in the session."""
        log = os.path.join(self.folder, f"{name}-{len(self.processes)}.log")
        with open(log, "wb") as err:
            popen = subprocess.Popen(argv, env=self.env if env is None else env, stderr=err,
                                     stdout=subprocess.PIPE, cwd=self.folder, pass_fds=pass_fds,
                                     stdin=subprocess.PIPE if stdin else subprocess.DEVNULL)
        process = Process(popen, log)
        self.processes.append(process)
        return process

    def end(self, process, sig=None):
        if sig is None:
            end_process(process.popen)
        else:
            process.popen.send_signal(sig)
            process.popen.wait(timeout=5)

    def keyboard(self, layout="de"):
        return Keyboard(self.spawn("keyboard", [KEYBOARD_PROBE, layout], stdin=True))

    # As the D-Bus mocks (dbus_mocks.py) start and ask things.
    def _spawn(self, name, argv, pass_fds=()):
        return self.spawn(name, argv, pass_fds=pass_fds)

    def _run(self, argv, check=True):
        result = subprocess.run(argv, env=self.env, capture_output=True, timeout=20, text=True)
        assert not check or result.returncode == 0, f"{argv[0]}: {result.stderr}"
        return result.stdout

    # ----- the program ----------------------------------------------------------------

    def start_program(self, password=PASSWORD, args=()):
        """appVTR copied into a program folder of its own, with `password` stored (none when
        None), started with `args` as the tray; its process once it answers on its socket."""
        folder = os.path.join(self.folder, "program")
        os.makedirs(folder, exist_ok=True)
        self.program_path = os.path.join(folder, "appVTR")
        shutil.copy2(APP, self.program_path)
        if password is not None:
            subprocess.run([WRITE_PASSWORD, folder, password.encode("cp1252")], check=True)
        program = self.spawn("appVTR", [self.program_path, *args])
        socket = os.path.join(self.env["XDG_RUNTIME_DIR"], "*.socket")
        assert wait_until(lambda: glob.glob(socket), 10), "no instance:\n" + program.stderr()
        return program

    def lock_command(self, *args):
        """appVTR --lock with `args`, started."""
        return self.spawn("appVTR-lock", [self.program_path, "--lock", *args])

    def program_processes(self, role=None):
        return program_processes(self.program_path, role)

    def windows(self):
        """The titles of the windows sway shows."""
        def titles(node):
            own = [node["name"]] if node.get("pid") and node.get("visible") else []
            return own + [t for child in node.get("nodes", []) + node.get("floating_nodes", [])
                          for t in titles(child)]
        return titles(json.loads(self.swaymsg("-r", "-t", "get_tree")))

    # ----- sway's outputs -------------------------------------------------------------

    def swaymsg(self, *args):
        result = subprocess.run(["swaymsg", "-s", self.ipc, *args], capture_output=True,
                                text=True, timeout=10, env=self.env)
        assert result.returncode == 0, f"swaymsg {args}: {result.stderr}{result.stdout}"
        return result.stdout

    def outputs(self):
        return [o["name"] for o in json.loads(self.swaymsg("-r", "-t", "get_outputs"))]

    def add_output(self):
        """Adds a headless output; its name."""
        before = set(self.outputs())
        self.swaymsg("create_output")
        added = wait_until(lambda: set(self.outputs()) - before, 5)
        assert added, "no output was added"
        return added.pop()

    # ----- pixels ---------------------------------------------------------------------

    def screenshot(self, output):
        """(width, height, pixels) of what `output` shows, read with grim as PPM."""
        data = subprocess.run(["grim", "-t", "ppm", "-o", output, "-"], env=self.env,
                              capture_output=True, timeout=10, check=True).stdout
        fields, at = [], 0
        while len(fields) < 4:  # "P6 width height 255", one whitespace after the last
            while data[at:at + 1].isspace():
                at += 1
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        assert fields[0] == b"P6" and fields[3] == b"255", fields
        return int(fields[1]), int(fields[2]), data[at + 1:]

    def pixel(self, output, x, y):
        return shot_pixel(self.screenshot(output), x, y)


def shot_pixel(shot, x, y):
    """(r, g, b) at (x, y) of a screenshot."""
    width, _, pixels = shot
    offset = 3 * (y * width + x)
    return tuple(pixels[offset:offset + 3])


def panel_at(shot, x, y):
    """Whether (x, y) shows the lock panel's navy."""
    r, g, b = shot_pixel(shot, x, y)
    return b >= 100 and r < 60 and g < 60


def count_pixels(shot, area, predicate):
    """How many pixels of `area` (x, y, width, height) match `predicate` (r, g, b)."""
    x0, y0, w, h = area
    return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w)
               if predicate(shot_pixel(shot, x, y)))
