"""Whole-program test harness: the real appVTR, copied into a temporary program folder,
on its own Xvfb with openbox and trayer; a VtrSession ends every process it started, by
pid. Qt's menus are driven with the keys, Wine's (which take none) by the pointer."""

import collections
import contextlib
import ctypes
import os
import pathlib
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

BUILD = os.path.dirname(os.environ.get("VTR_APP", "build/appVTR"))
X_PROBE = os.environ.get("VTR_X_PROBE", os.path.join(BUILD, "tests", "whole", "x_probe"))
WRITE_PASSWORD = os.environ.get("VTR_WRITE_PASSWORD",
                                os.path.join(BUILD, "tests", "whole", "write_password_file"))
PASSWORD_FILE = "vtrpwd.sys"
PASSWORD = "Open Sesame"
ALREADY_GRABBED = "1"  # x_probe grab's answer while another client holds it

# The keys that choose each tray menu entry: Up from the bottom row (Quit, Help, Password,
# Lock Desktop); a submenu opens on its first enabled row (New, or Modify once a password
# is set: the two never are enabled together).
MENU_KEYS = {"Quit": "Up", "Contents...": "Up Up Right", "Check for update...": "Up Up Right Down",
             "About Veltrane...": "Up Up Right Down Down", "New": "Up Up Up Right",
             "Modify": "Up Up Up Right", "Forgot": "Up Up Up Right Down",
             "Lock Desktop": "Up Up Up Up"}

# The tray menu for the pointer ("-" is a separator; rows are counted without them).
MAIN_MENU = ["Menu", "-", "Lock Desktop", "-", "Password", "-", "Help", "-", "Quit"]
PASSWORD_MENU = ["New", "Modify", "Forgot"]
SUBMENUS = {"Password": PASSWORD_MENU,
            "Help": ["Contents...", "-", "Check for update...", "-", "About Veltrane..."]}
MenuWindow = collections.namedtuple("MenuWindow", "window x y width height")
# The arguments of each kind of appVTR process.
ROLES = {"tray": [], "guard": [b"--lock-supervisor"], "client": [b"--lock"]}


def row(structure, caption):
    return [entry for entry in structure if entry != "-"].index(caption)


def wait_until(predicate, timeout, interval=0.02):
    """Calls `predicate` until it returns something true; that value, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value or None
        time.sleep(interval)


def end_process(proc, grace=3.0):
    """Ends a process this test started, by its pid: SIGTERM, then SIGKILL after `grace`."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=grace)


def program_processes(program_path, role=None):
    def runs_program(entry):
        try:
            exe = os.readlink(f"/proc/{entry}/exe")
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                args = cmdline.read().split(b"\0")[1:-1]
        except OSError:
            return False
        return exe in (program_path, program_path + " (deleted)") and (
            role is None or args[:1] == ROLES[role][:1])
    return [int(pid) for pid in os.listdir("/proc") if pid.isdigit() and runs_program(pid)]


class Adopted:
    """A program process this session did not start (a tray started by --lock, a guard
    that became the tray), used as the Popen objects of the ones it started."""

    def __init__(self, pid):
        self.pid = pid

    def poll(self):
        return None if os.path.exists(f"/proc/{self.pid}/exe") else 0

    def send_signal(self, sig):
        with contextlib.suppress(ProcessLookupError):
            os.kill(self.pid, sig)

    def kill(self):
        self.send_signal(signal.SIGKILL)

    def wait(self, timeout):
        if not wait_until(lambda: self.poll() is not None, timeout):
            raise subprocess.TimeoutExpired(str(self.pid), timeout)
        return 0


def read_text(path):
    return pathlib.Path(path).read_text(errors="replace")


# The update key built into a program: the Base64 of a P-256 public key.
BUILT_IN_KEY = re.compile(rb"MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE[A-Za-z0-9+/]{86}==")


class ReleaseSigner:
    """A key pair of the test's own, made by openssl in `folder`: signs releases as the
    maker does, and goes into a copy of a program in place of the built-in key."""

    def __init__(self, folder):
        self.key = os.path.join(folder, "release-key.pem")
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout",
                        "-out", self.key], check=True)
        public = subprocess.run(["openssl", "pkey", "-in", self.key, "-pubout"], check=True,
                                capture_output=True).stdout
        self.public = b"".join(line for line in public.splitlines() if b"-----" not in line)

    def sign(self, path):
        subprocess.run(["openssl", "dgst", "-sha256", "-sign", self.key, "-out", f"{path}.sig",
                        path], check=True)

    def put_into(self, program_path):
        data = pathlib.Path(program_path).read_bytes()
        pathlib.Path(program_path).write_bytes(BUILT_IN_KEY.sub(self.public, data))


class StartedSession:
    """A context manager that starts with `_start()` and ends with `close()`, which also
    runs when starting fails halfway."""

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()


class VtrSession(StartedSession):
    def __init__(self, app_path=None, screen="1024x768x24", tray=True):
        self.app_path = app_path or os.environ.get("VTR_APP", "build/appVTR")
        self.screen, self.want_tray = screen, tray
        self.root = tempfile.mkdtemp(prefix="vtr-whole-")
        self.program_folder = os.path.join(self.root, "program")
        os.makedirs(self.program_folder)
        os.makedirs(os.path.join(self.root, "runtime"), mode=0o700)
        self.program_path = os.path.join(self.program_folder, "appVTR")
        shutil.copy2(self.app_path, self.program_path)
        self.env = self.trayer = self.program = self._xtest = None
        self._processes, self._separators = [], {}

    def _start(self):
        self._start_desktop()

    def _start_desktop(self):
        read_end, write_end = os.pipe()
        self._spawn("Xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                             "-nolisten", "tcp", "-noreset"], os.environ.copy(), (write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip() if select.select([pipe], [], [], 10)[0] else b""
        assert number, "Xvfb did not report a display"
        self.env = dict(os.environ, DISPLAY=":" + number.decode(), QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=os.path.join(self.root, "runtime"), XAUTHORITY=os.devnull)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # the XEmbed tray, no StatusNotifier
        self.env.pop("WAYLAND_DISPLAY", None)
        self._spawn("openbox", ["openbox", "--sm-disable"])
        wait_until(lambda: "window id" in self._run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False), 5)
        if self.want_tray:
            self.start_tray_host()

    def start_tray_host(self):
        self.trayer = self._spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right",
                                             "--widthtype", "request", "--height", "32",
                                             "--SetDockType", "true"])
        wait_until(lambda: self.windows_of(self.trayer.pid, False), 10)

    def close(self):
        """Ends every process this session started, by pid, newest first, then those the
        program started itself (its guard; a tray started by --lock), found by executable."""
        if self._xtest:
            self._xtest[0].XCloseDisplay(self._xtest[2])
            self._xtest = None
        for proc in reversed(self._processes):
            self._end(proc)
        self._processes.clear()
        if self.program_path.startswith(self.root + os.sep):
            for pid in self.program_processes():
                self._end(Adopted(pid))
        shutil.rmtree(self.root, ignore_errors=True)

    _end = staticmethod(end_process)

    def _spawn(self, name, argv, env=None, pass_fds=(), cwd=None):
        """Starts a process in the session's folder; its output goes to proc.log."""
        path = os.path.join(self.root, f"{name}-{len(self._processes)}.log")
        with open(path, "wb") as log:
            proc = subprocess.Popen(argv, env=env or self.env, cwd=cwd or self.root,
                                    pass_fds=pass_fds, stdout=log, stderr=subprocess.STDOUT,
                                    stdin=subprocess.DEVNULL)
        proc.log = path
        self._processes.append(proc)
        return proc

    def program_file(self, name):
        return os.path.join(self.program_folder, name)

    def start_program(self, wait_icon=True):
        self.program = self._spawn("appVTR", [self.program_path])
        assert not wait_icon or self.tray_icon_window(10), "no tray icon\n" + self.program_log()
        return self.program

    def adopt_tray(self, timeout=10):
        """Makes the one running tray process, however it started, `self.program`."""
        trays = wait_until(lambda: self.program_processes("tray"), timeout)
        assert trays and len(trays) == 1, f"trays: {trays}\n" + self.program_log()
        self.program = Adopted(trays[0])
        return self.program

    def program_log(self):
        return "\n".join(f"--- {log.name}\n{log.read_text(errors='replace')}"
                         for log in sorted(pathlib.Path(self.root).glob("appVTR*.log")))

    def wait_for_exit(self, timeout):
        """The program's exit status, or None when it still runs after `timeout`."""
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def program_processes(self, role=None):
        return program_processes(self.program_path, role)

    def dos_attributes(self, name=PASSWORD_FILE):
        """The user.DOSATTRIB value of a program file ("0x6"), or None."""
        try:
            return os.getxattr(self.program_file(name), "user.DOSATTRIB").decode()
        except OSError:
            return None

    def is_read_only(self, name=PASSWORD_FILE):
        return os.stat(self.program_file(name)).st_mode & 0o222 == 0

    def _run(self, argv, check=True):
        result = subprocess.run(argv, env=self.env, capture_output=True, timeout=20, text=True)
        if check and result.returncode != 0:
            raise AssertionError(f"{argv[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def _info(self, window):
        return self._run(["xwininfo", "-id", str(window)], check=False)

    def windows_of(self, pid, visible_only=True):
        args = ["xdotool", "search"] + (["--onlyvisible"] if visible_only else [])
        return [int(w) for w in self._run(args + ["--pid", str(pid)], False).split() if w.isdigit()]

    def geometry(self, window, info=None):
        """(x, y, width, height) of a window, absolute; None when it is gone."""
        info = info or self._info(window)
        found = [re.search(label + r":\s+(-?\d+)", info) for label in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        return tuple(int(m.group(1)) for m in found) if all(found) else None

    def is_viewable(self, window):
        return "IsViewable" in self._info(window)

    def ancestors(self, window):
        chain = []
        while len(chain) < 12:
            out = self._run(["xwininfo", "-children", "-id", str(window)], check=False)
            m = re.search(r"Parent window id: (0x[0-9a-f]+)", out)
            if not m or int(m.group(1), 16) == 0:
                return chain
            window = int(m.group(1), 16)
            chain.append(window)
        return chain

    def tray_icon_windows(self, pids=None):
        """The viewable windows of this session's appVTR processes (or of `pids`) inside the
        tray host: the program's icons."""
        tray = set(self.windows_of(self.trayer.pid, visible_only=False)) if self.trayer else set()
        return [window for pid in (pids or self.program_processes())
                for window in self.windows_of(pid) if tray.intersection(self.ancestors(window))]

    def tray_icon_window(self, timeout=0):
        icons = wait_until(lambda: self.tray_icon_windows([self.program.pid]), timeout)
        return icons[0] if icons else None

    def icon_centre(self):
        x, y, w, h = self.geometry(self.tray_icon_window(5))
        return x + w // 2, y + h // 2

    def find_window(self, title, timeout=5):
        """A visible window whose title is exactly `title`, or None."""
        args = ["xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(title) + "$"]
        found = wait_until(lambda: self._run(args, check=False).split(), timeout)
        return int(found[0]) if found else None

    def popup_windows(self):
        """Visible top-level windows of the program other than its tray icon."""
        icon = self.tray_icon_window()
        return [w for w in self.windows_of(self.program.pid) if w != icon]

    def override_windows(self, pids):
        found = []
        for window in [w for pid in pids for w in self.windows_of(pid)]:
            info = self._info(window)
            if "Override Redirect State: yes" in info and self.geometry(window, info):
                found.append(MenuWindow(window, *self.geometry(window, info)))
        return found

    def menu_windows(self):
        """Open pop-up menus: the program's override-redirect windows narrower than a screen."""
        icon = self.tray_icon_window()
        return [w for w in self.override_windows([self.program.pid])
                if w[3] < 640 and w[0] != icon]

    def lock_windows(self):
        """The lock window and its covers, of the program or of its supervisor."""
        return [w for w in self.override_windows(self.program_processes()) if w[3] >= 640]

    def move_mouse(self, x, y):
        # No --sync: it waits forever when the pointer is already there.
        self._run(["xdotool", "mousemove", str(x), str(y)])
        wait_until(lambda: f"x:{x} y:{y} " in self._run(["xdotool", "getmouselocation"]), 2)

    def click(self, x, y, button=1, repeat=1):
        self.move_mouse(x, y)
        self._run(["xdotool", "click", "--repeat", str(repeat), "--delay", "80", str(button)])

    def click_icon(self, button=1, repeat=1):
        self.click(*self.icon_centre(), button, repeat)

    def type_text(self, text, delay_ms=20):
        self._run(["xdotool", "type", "--delay", str(delay_ms), "--", text])

    def key(self, *keys):
        self._run(["xdotool", "key", "--delay", "30", *keys])

    def press_codes(self, *keys):
        """Presses keys by their codes, as the keyboard does under the layout set now:
        "108+26" holds 108 while 26 goes down and up. (xdotool looks keysyms up in the
        map and may switch the group or change the map to reach them.)"""
        if not self._xtest:
            x11, xtst = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
            x11.XOpenDisplay.restype = ctypes.c_void_p
            xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                               ctypes.c_ulong]
            display = ctypes.c_void_p(x11.XOpenDisplay(self.env["DISPLAY"].encode()))
            self._xtest = (x11, xtst, display)
        x11, xtst, display = self._xtest
        for key in keys:
            codes = [int(code) for code in key.split("+")]
            for code, down in [(c, 1) for c in codes] + [(c, 0) for c in reversed(codes)]:
                xtst.XTestFakeKeyEvent(display, code, down, 0)
                x11.XSync(display, 0)
                time.sleep(0.01)

    def open_tray_menu(self):
        self.click_icon(button=3)
        menus = wait_until(self.menu_windows, 5)
        assert menus, "the tray menu did not open\n" + self.program_log()
        return menus[0]

    def choose_menu_entry(self, entry):
        menu = self.open_tray_menu()
        self.key(*MENU_KEYS[entry].split(), "Return")
        return menu

    def store_password(self, password=PASSWORD):
        subprocess.run([WRITE_PASSWORD, self.program_folder, password.encode("cp1252")],
                       check=True)

    def try_grab(self, what):
        return self._run([X_PROBE, "grab", what]).strip()

    def wait_locked(self):
        assert wait_until(lambda: self.lock_windows() and self.try_grab("keyboard") ==
                          ALREADY_GRABBED, 5), "not locked\n" + self.program_log()

    def lock_from_tray(self):
        menu = self.choose_menu_entry("Lock Desktop")
        self.wait_locked()
        return menu

    def unlock(self, password=PASSWORD):
        self.type_text(password)
        self.key("Return")
        return wait_until(lambda: not self.lock_windows(), 3)

    def screenshot(self, path=None):
        path = path or os.path.join(self.root, f"shot-{time.monotonic_ns()}.png")
        self._run(["import", "-window", "root", path])
        return path

    def pixel(self, x, y, shot):
        return self._run(["convert", shot, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"])

    def count_colour(self, colour, shot=None, region=None, fuzz=0):
        """Pixels of that colour (within `fuzz` %) on the screen or in a region ("WxH+X+Y")."""
        out = self._run(["convert", shot or self.screenshot()] + (["-crop", region] if region
                                                                  else []) +
                        ["-fuzz", f"{fuzz}%", "-fill", "black", "+opaque", "#" + colour,
                         "-fill", "white", "-opaque", "#" + colour, "-format",
                         "%[fx:int(mean*w*h+0.5)]", "info:"])
        return int(out.strip())

    def read_region(self, x, y, width, height, shot=None):
        out = self._run(["convert", shot or self.screenshot(), "-crop",
                         f"{width}x{height}+{x}+{y}", "+repage", "-depth", "8", "txt:-"])
        pixels = [[None] * width for _ in range(height)]
        for m in re.finditer(r"^(\d+),(\d+):\((\d+),(\d+),(\d+)", out.replace(" ", ""), re.M):
            px, py, r, g, b = map(int, m.groups())
            pixels[py][px] = (r, g, b)
        return pixels

    def separator_lines(self, menu, expected):
        """Pixel rows (from the menu's top) of its separator lines, read until `expected`
        show (the menu is painted), for 3 s at the most; once per menu, before any row is
        highlighted."""
        def read():
            column = [line[0] for line in self.read_region(menu.x + 10, menu.y, 1, menu.height)]
            lines = []
            for i in range(2, len(column) - 2):
                # A thin line: differs from the rows two above and two below, which are both
                # background.
                if column[i] != column[i - 2] == column[i + 2] and (not lines or i - lines[-1] > 2):
                    lines.append(i)
            return lines if len(lines) == expected else None
        if menu not in self._separators:
            self._separators[menu] = wait_until(read, 3) or []
        return self._separators[menu]

    def row_centres(self, menu, structure):
        """Absolute y of the centre of each row of `menu` laid out as `structure` (no
        separator, or at least two)."""
        frame, separators = 1, structure.count("-")
        items, inner = len(structure) - separators, menu.height - 2 * frame
        item, separator = inner / items, 0.0
        if separators:
            lines = self.separator_lines(menu, separators)
            if len(lines) != separators:
                raise AssertionError(f"expected {separators} separators, saw rows {lines}")
            # The first two lines are a separator and the items between them apart.
            first = structure.index("-")
            between = structure.index("-", first + 1) - first - 1
            pitch = lines[1] - lines[0]
            item = (inner - separators * pitch) / (items - separators * between)
            separator = pitch - between * item
        centres, top = [], menu.y + frame
        for entry in structure:
            if entry != "-":
                centres.append(round(top + item / 2))
            top += separator if entry == "-" else item
        return centres

    def open_submenu(self, caption, menu):
        self.row_centres(menu, MAIN_MENU)  # before the pointer highlights a row
        self.choose_menu_row(row(MAIN_MENU, caption), menu)
        subs = wait_until(lambda: [m for m in self.menu_windows() if m.window != menu.window], 5)
        assert subs, f"submenu {caption} did not open"
        self.row_centres(subs[0], SUBMENUS[caption])
        return subs[0]

    def choose_menu_row(self, index, menu):
        self.click(menu.x + min(40, menu.width // 2), self.row_centres(menu, MAIN_MENU)[index])

    def menu_rows_enabled(self, menu, structure):
        """For each row of an open menu, whether it is drawn enabled: its darkest pixel
        is near black (greyed text stays light). Move the pointer off the menu first."""
        shot = self.screenshot()
        return [min(sum(p) for line in self.read_region(menu.x + 4, centre - 6, menu.width - 8,
                                                        12, shot) for p in line if p) < 200
                for centre in self.row_centres(menu, structure)]
