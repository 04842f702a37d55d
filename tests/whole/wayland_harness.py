"""Wayland test bench: sway headless as an unprivileged user (it refuses to run as root),
1.10 from a Debian 13 root made once with mmdebstrap and cached in $VTR_WAYLAND_CACHE
(default /var/cache/veltrane-tests; made again when its package list changes), or Debian
12's own 1.7 (no session lock). sway runs in a mount namespace of its own, so the bind
mounts into the root vanish with it; every process is ended by its pid. Needs root.

    with WaylandSession("1.10") as s:
        keyboard = s.keyboard()            # a virtual keyboard with the de keymap
        s.start_program()                  # appVTR with a password stored, as the tray
        s.lock_command("-f").wait(10)      # appVTR --lock -f: back once locked
        keyboard.type("a", "EuroSign", "Return")  # xkb keysym names
"""

import contextlib
import fcntl
import glob
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading

from vtr_harness import (PASSWORD, WRITE_PASSWORD, StartedSession, end_process,
                         program_processes, wait_until)

APP = os.environ.get("VTR_APP", "build/appVTR")
KEYBOARD_PROBE = os.environ.get("VTR_WL_KEYBOARD_PROBE",
                                os.path.join(os.path.dirname(APP), "tests/whole/wl_keyboard_probe"))
CACHE = os.environ.get("VTR_WAYLAND_CACHE", "/var/cache/veltrane-tests")
SUITE = "trixie"
# The smallest root that runs them: no apt inside, no documentation or translations.
MMDEBSTRAP_OPTIONS = ("--variant=essential", "--include=sway,swaybg,swaylock,grim") + tuple(
    f"--dpkgopt=path-exclude=/usr/share/{d}/*" for d in ("doc", "man", "locale", "info"))
ROOT_RUNTIME = "run/vtr"  # where sway's runtime folder appears inside the root
USER = int(os.environ.get("VTR_WAYLAND_UID", "65534"))


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
        if not os.path.exists(os.path.join(path, ".complete")):
            for old in glob.glob(os.path.join(CACHE, f"{SUITE}-*")):
                shutil.rmtree(old, ignore_errors=True)  # an older package list, or a broken try
            subprocess.run(["mmdebstrap", "--quiet", *MMDEBSTRAP_OPTIONS, SUITE, path + ".partial",
                            debian_mirror()], check=True, stdin=subprocess.DEVNULL)
            os.makedirs(os.path.join(path + ".partial", ROOT_RUNTIME), exist_ok=True)
            open(os.path.join(path + ".partial", ".complete"), "w").close()
            os.rename(path + ".partial", path)
        return path


class Process:
    """A started process whose stdout lines are collected as they come."""

    def __init__(self, popen, log):
        self.popen, self.log, self.pid, self.lines = popen, log, popen.pid, []
        self._seen = threading.Condition()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.popen.stdout:
            with self._seen:
                self.lines.append(raw.decode(errors="replace").rstrip("\n"))
                self._seen.notify_all()

    def expect(self, pattern, timeout=10, start=0):
        """The first line from index `start` on in which `pattern` is found, or None."""
        with self._seen:
            self._seen.wait_for(lambda: self.lines_since(start, pattern), timeout)
            return (self.lines_since(start, pattern) or [None])[0]

    def lines_since(self, start, pattern=""):
        with self._seen:
            return [line for line in self.lines[start:] if re.search(pattern, line)]

    def wait(self, timeout):
        """The exit status, or None while it still runs after `timeout`."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stderr(self):
        with open(self.log, errors="replace") as f:
            return f.read()


class Keyboard(Process):
    """wl_keyboard_probe: a virtual keyboard made before any lock."""

    def send(self, line):
        start = len(self.lines)
        self.popen.stdin.write((line + "\n").encode())
        self.popen.stdin.flush()
        answer = self.expect("^(ok|error)$", 5, start)
        assert answer == "ok", f"{line!r}: {answer}"

    def type(self, *keysyms):
        self.send("type " + " ".join(keysyms))


class WaylandSession(StartedSession):
    def __init__(self, sway="1.10", resolution="1280x720"):
        self.resolution = resolution
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
        self.processes, self.program_path = [], None

    def _start(self):
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write(f"output HEADLESS-1 resolution {self.resolution}\noutput * bg #204060 "
                    "solid_color\nxwayland disable\ndefault_border none\n")
        os.chmod(config, 0o644)
        environment = ["WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"]
        if self.root:
            argv = self.in_root(["sway", "-c", f"/{ROOT_RUNTIME}/config"], environment)
        else:
            argv = ["setpriv", f"--reuid={USER}", f"--regid={USER}", "--clear-groups", "env",
                    "-i", "HOME=/tmp", "PATH=/usr/bin:/bin", *environment,
                    f"XDG_RUNTIME_DIR={self.runtime}", "sway", "-c", config]
        sway = self.spawn("sway", argv, env={})
        socket = wait_until(lambda: glob.glob(os.path.join(self.runtime, "wayland-[0-9]")), 15)
        self.ipc = wait_until(lambda: glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock")), 5)
        assert socket and self.ipc, "sway did not start:\n" + sway.stderr()
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
        # The program's processes first, the ones it started itself too (its guard, the
        # tray a guard became): all at once, so that no guard outlives its program.
        for _ in range(5 if self.program_path else 0):
            running = self.program_processes()
            for pid in running:
                with contextlib.suppress(ProcessLookupError):
                    os.kill(pid, signal.SIGKILL)
            wait_until(lambda: not set(running) & set(self.program_processes()), 2)
        for process in reversed(self.processes):
            end_process(process.popen)
            if process.popen.stdin:
                process.popen.stdin.close()
            # Read to its end, unless something it started still holds its output.
            process.reader.join(1)
            if not process.reader.is_alive():
                process.popen.stdout.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def spawn(self, name, argv, env=None, pass_fds=(), kind=Process):
        """Starts a client of this compositor; its stderr goes to a log in the session."""
        log = os.path.join(self.folder, f"{name}-{len(self.processes)}.log")
        with open(log, "wb") as err:
            popen = subprocess.Popen(
                argv, env=self.env if env is None else env, stderr=err, stdout=subprocess.PIPE,
                stdin=subprocess.PIPE if kind is Keyboard else subprocess.DEVNULL,
                cwd=self.folder, pass_fds=pass_fds)
        self.processes.append(kind(popen, log))
        return self.processes[-1]

    def keyboard(self, layout="de"):
        keyboard = self.spawn("keyboard", [KEYBOARD_PROBE, layout], kind=Keyboard)
        assert keyboard.expect("ready"), "no virtual keyboard: " + keyboard.stderr()
        return keyboard

    _spawn = spawn  # as the D-Bus mocks (dbus_mocks.py) start things

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
            self.store_password(password)
        program = self.spawn("appVTR", [self.program_path, *args])
        socket = os.path.join(self.env["XDG_RUNTIME_DIR"], "*.socket")
        assert wait_until(lambda: glob.glob(socket), 10), "no instance:\n" + program.stderr()
        return program

    def store_password(self, password):
        subprocess.run([WRITE_PASSWORD, os.path.dirname(self.program_path),
                        password.encode("cp1252")], check=True)

    def lock_command(self, *args):
        """appVTR --lock with `args`, started."""
        return self.spawn("appVTR-lock", [self.program_path, "--lock", *args])

    def program_processes(self, role=None):
        return program_processes(self.program_path, role)

    def windows(self):
        """The titles of the windows sway shows (and the names of its outputs and workspaces)."""
        return re.findall(r'"name": "([^"]*)"', self.swaymsg("-r", "-t", "get_tree"))

    # ----- sway's outputs -------------------------------------------------------------

    def swaymsg(self, *args):
        return self._run(["swaymsg", "-s", self.ipc, *args])

    def outputs(self):
        return [o["name"] for o in json.loads(self.swaymsg("-r", "-t", "get_outputs"))]

    def add_output(self):
        """Adds a headless output; its name."""
        before = set(self.outputs())
        self.swaymsg("create_output")
        added = wait_until(lambda: set(self.outputs()) - before, 5)
        assert added, "no output was added"
        return added.pop()

    def screenshot(self, output):
        """(width, height, pixels) of what `output` shows, read with grim as PPM."""
        ppm = subprocess.run(["grim", "-t", "ppm", "-o", output, "-"], env=self.env,
                             capture_output=True, timeout=10, check=True).stdout
        magic, size, depth, pixels = ppm.split(b"\n", 3)  # grim writes "P6\nW H\n255\n"
        assert (magic, depth) == (b"P6", b"255"), ppm[:20]
        return (*map(int, size.split()), pixels)
