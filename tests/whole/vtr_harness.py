"""Whole-program test harness: runs the real appVTR on its own X server.

A VtrSession starts Xvfb on a free display, openbox (window manager) and trayer (the
notification area), copies appVTR into a temporary program folder and runs it from
there. It finds the tray icon inside trayer, clicks it with xdotool, chooses menu rows
by position, finds windows by title, types, takes screenshots and reads pixels. Every
process it started is ended by its own pid when the session closes, also when a test
fails (use it as a context manager).

    with VtrSession() as s:
        s.start_program()
        s.choose_menu_entry("Password", "New")       # or, by row numbers:
        # s.open_tray_menu()
        # s.choose_menu_row(row(MAIN_MENU, "Password"), row(PASSWORD_MENU, "New"))
        w = s.find_window("Password Setup", timeout=5)
        s.type_text("secret"); s.key("Tab")

Qt draws its menus itself, so their labels cannot be read through X11: rows are found
from the menu window's height and the pixel rows of its separator lines, using the menu
structures below. Check enabled states in the widget tests.

Python 3 standard library only. The program is taken from $VTR_APP (default
build/appVTR beside the source tree).
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# The tray menu as it pops up ("-" is a separator); rows are counted without separators.
MAIN_MENU = ["Menu", "-", "Lock Desktop", "-", "Password", "-", "Help", "-", "Quit"]
PASSWORD_MENU = ["New", "Modify", "Forgot"]
HELP_MENU = ["Contents...", "-", "Check for update...", "-", "About Veltrane..."]
SUBMENUS = {"Password": PASSWORD_MENU, "Help": HELP_MENU}

PASSWORD_FILE = "vtrpwd.sys"


def rows_of(structure):
    """The entries of a menu structure without its separators."""
    return [entry for entry in structure if entry != "-"]


def row(structure, caption):
    """The row index of `caption` in `structure`."""
    return rows_of(structure).index(caption)


def default_app_path():
    env = os.environ.get("VTR_APP")
    if env:
        return env
    return os.path.normpath(os.path.join(HERE, "..", "..", "build", "appVTR"))


def wait_until(predicate, timeout, interval=0.02):
    """Calls `predicate` until it returns something true; that value, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


class HarnessError(AssertionError):
    pass


class MenuWindow:
    """A pop-up menu on screen: its window id and absolute geometry."""

    def __init__(self, window, x, y, width, height):
        self.window, self.x, self.y, self.width, self.height = window, x, y, width, height

    def __repr__(self):
        return f"MenuWindow({self.window:#x}, {self.x},{self.y} {self.width}x{self.height})"


class VtrSession:
    def __init__(self, app_path=None, screen="1024x768x24", tray=True):
        self.app_path = app_path or default_app_path()
        self.screen = screen
        self.want_tray = tray
        self.root = tempfile.mkdtemp(prefix="vtr-whole-")
        self.program_folder = os.path.join(self.root, "program")
        self.runtime_dir = os.path.join(self.root, "runtime")
        os.makedirs(self.program_folder)
        os.makedirs(self.runtime_dir, mode=0o700)
        self.program_path = os.path.join(self.program_folder, "appVTR")
        shutil.copy2(self.app_path, self.program_path)
        self.display = None
        self.env = None
        self._processes = []  # (name, Popen) in start order
        self.xvfb = self.openbox = self.trayer = None
        self.program = None
        self.program_started_at = None
        self._separators = {}

    # ----- life cycle -------------------------------------------------------------

    def __enter__(self):
        try:
            self.start_desktop()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def start_desktop(self):
        self.start_x_server()
        self.openbox = self._spawn("openbox", ["openbox", "--sm-disable"])
        wait_until(lambda: self._has_window_manager(), 5)
        if self.want_tray:
            self.start_tray_host()

    def start_x_server(self):
        read_end, write_end = os.pipe()
        width, height, depth = self.screen.split("x")
        self.xvfb = self._spawn(
            "Xvfb",
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x{depth}",
             "-nolisten", "tcp", "-noreset"],
            env=os.environ.copy(), pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 10
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise HarnessError("Xvfb did not report a display")
        self.display = ":" + number.decode().strip()
        env = os.environ.copy()
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # the XEmbed tray, no StatusNotifier
        env.pop("WAYLAND_DISPLAY", None)
        env.update({"DISPLAY": self.display, "XDG_RUNTIME_DIR": self.runtime_dir,
                    "QT_QPA_PLATFORM": "xcb", "XAUTHORITY": os.devnull})
        self.env = env

    def start_tray_host(self):
        self.trayer = self._spawn(
            "trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                       "request", "--height", "32", "--SetDockType", "true"])
        if not wait_until(lambda: self._xdotool("search", "--pid", str(self.trayer.pid)), 10):
            raise HarnessError("trayer shows no window")

    def close(self):
        """Ends every process this session started, by pid, newest first."""
        for name, proc in reversed(self._processes):
            self._end(proc)
        self._processes.clear()
        shutil.rmtree(self.root, ignore_errors=True)

    @staticmethod
    def _end(proc, grace=3.0):
        if proc.poll() is not None:
            return
        try:
            proc.send_signal(signal.SIGTERM)
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=grace)
        except ProcessLookupError:
            pass

    def _spawn(self, name, argv, env=None, pass_fds=(), cwd=None):
        log = open(os.path.join(self.root, f"{name}-{len(self._processes)}.log"), "wb")
        proc = subprocess.Popen(argv, env=env or self.env, stdout=log, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, pass_fds=pass_fds, cwd=cwd)
        log.close()
        self._processes.append((name, proc))
        return proc

    def _has_window_manager(self):
        out = self._run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in out

    # ----- the program ------------------------------------------------------------

    @property
    def program_pid(self):
        return self.program.pid if self.program else None

    def program_file(self, name):
        return os.path.join(self.program_folder, name)

    def start_program(self, wait_icon=True, timeout=10):
        """Starts appVTR from the program folder; waits for its tray icon."""
        self.program_started_at = time.monotonic()
        self.program = self._spawn("appVTR", [self.program_path], cwd=self.root)
        if wait_icon:
            if not self.tray_icon_window(timeout):
                raise HarnessError("the tray icon did not appear\n" + self.program_log())
        return self.program

    def start_another_instance(self, timeout=10):
        """Starts appVTR once more and waits for it to end; its exit status."""
        proc = self._spawn("appVTR-second", [self.program_path], cwd=self.root)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("the second instance did not end")

    def program_log(self):
        parts = []
        for name in sorted(os.listdir(self.root)):
            if name.startswith("appVTR") and name.endswith(".log"):
                with open(os.path.join(self.root, name), errors="replace") as f:
                    parts.append(f"--- {name}\n{f.read()}")
        return "\n".join(parts)

    def wait_for_exit(self, timeout=10):
        """The program's exit status, or None when it still runs after `timeout`."""
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def program_processes(self):
        """Pids of running processes whose executable is this session's appVTR."""
        pids = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                if os.readlink(f"/proc/{entry}/exe") == self.program_path:
                    pids.append(int(entry))
            except OSError:
                pass
        return pids

    # ----- X11 helpers ------------------------------------------------------------

    def _run(self, argv, check=True, timeout=10):
        result = subprocess.run(argv, env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=timeout, text=True)
        if check and result.returncode != 0:
            raise HarnessError(f"{argv[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def _xdotool(self, *args):
        """Window ids (or other lines) printed by xdotool; empty on failure."""
        out = self._run(["xdotool", *args], check=False)
        return [line for line in out.split() if line]

    def windows_of(self, pid, visible_only=True):
        args = ["search"] + (["--onlyvisible"] if visible_only else []) + ["--pid", str(pid)]
        return [int(w) for w in self._xdotool(*args) if w.isdigit()]

    def geometry(self, window):
        """(x, y, width, height) of a window, absolute; None when it is gone."""
        out = self._run(["xwininfo", "-id", str(window)], check=False)
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            m = re.search(label + r":\s+(-?\d+)", out)
            if not m:
                return None
            values[key] = int(m.group(1))
        return values["x"], values["y"], values["w"], values["h"]

    def is_viewable(self, window):
        out = self._run(["xwininfo", "-id", str(window)], check=False)
        return "IsViewable" in out

    def parent(self, window):
        out = self._run(["xwininfo", "-children", "-id", str(window)], check=False)
        m = re.search(r"Parent window id: (0x[0-9a-f]+)", out)
        return int(m.group(1), 16) if m else 0

    def ancestors(self, window, limit=12):
        chain = []
        current = window
        for _ in range(limit):
            current = self.parent(current)
            if not current:
                break
            chain.append(current)
        return chain

    def tray_icon_windows(self):
        """The windows of this session's appVTR processes embedded in the tray host."""
        if not self.trayer:
            return []
        tray = set(self.windows_of(self.trayer.pid, visible_only=False))
        icons = []
        for pid in self.program_processes():
            for window in self.windows_of(pid, visible_only=False):
                if self.is_viewable(window) and tray.intersection(self.ancestors(window)):
                    icons.append(window)
        return icons

    def tray_icon_window(self, timeout=0):
        """The program's icon window inside the tray host (waits up to `timeout`)."""
        def find():
            if not self.program:
                return None
            for window in self.windows_of(self.program.pid):
                if self.trayer and set(self.windows_of(self.trayer.pid, False)).intersection(
                        self.ancestors(window)):
                    return window
            return None
        return wait_until(find, timeout) if timeout else find()

    def icon_centre(self):
        window = self.tray_icon_window(5)
        if not window:
            raise HarnessError("no tray icon")
        x, y, w, h = self.geometry(window)
        return x + w // 2, y + h // 2

    # ----- mouse and keyboard -----------------------------------------------------

    def move_mouse(self, x, y):
        # No --sync: it waits forever when the pointer is already there.
        self._run(["xdotool", "mousemove", str(x), str(y)])
        time.sleep(0.03)

    def click(self, x, y, button=1, repeat=1):
        self.move_mouse(x, y)
        self._run(["xdotool", "click", "--repeat", str(repeat), "--delay", "80", str(button)])

    def click_icon(self, button=1, repeat=1):
        x, y = self.icon_centre()
        self.click(x, y, button, repeat)

    def press_and_hold_icon(self, button=3):
        x, y = self.icon_centre()
        self.move_mouse(x, y)
        self._run(["xdotool", "mousedown", str(button)])

    def release_mouse(self, button=3):
        self._run(["xdotool", "mouseup", str(button)])

    def type_text(self, text, delay_ms=20):
        self._run(["xdotool", "type", "--delay", str(delay_ms), "--", text])

    def key(self, *keys):
        """Key names as xdotool knows them: "Return", "Escape", "Tab", "ctrl+a"."""
        self._run(["xdotool", "key", "--delay", "30", *keys])

    # ----- windows ----------------------------------------------------------------

    def find_window(self, title, timeout=5):
        """A visible window of the program whose title is exactly `title`, or None."""
        def find():
            for window in self._xdotool("search", "--onlyvisible", "--name",
                                        "^" + re.escape(title) + "$"):
                if window.isdigit():
                    return int(window)
            return None
        return wait_until(find, timeout)

    def window_title(self, window):
        return self._run(["xdotool", "getwindowname", str(window)], check=False).strip()

    def popup_windows(self):
        """Visible top-level windows of the program other than its tray icon (menus,
        message boxes, dialogs)."""
        icon = self.tray_icon_window()
        return [w for w in self.windows_of(self.program.pid) if w != icon]

    def menu_windows(self):
        """Open pop-up menus, outermost first (override-redirect windows of the program)."""
        menus = []
        for window in self.popup_windows():
            info = self._run(["xwininfo", "-id", str(window)], check=False)
            if "Override Redirect State: yes" in info:
                geometry = self.geometry(window)
                if geometry:
                    menus.append(MenuWindow(window, *geometry))
        return menus

    # ----- the tray menu ----------------------------------------------------------

    def open_tray_menu(self, timeout=5):
        """Right-clicks the icon and waits for the pop-up; its MenuWindow."""
        self.click_icon(button=3)
        menus = wait_until(self.menu_windows, timeout)
        if not menus:
            raise HarnessError("the tray menu did not open\n" + self.program_log())
        time.sleep(0.1)  # let it paint before anyone reads its pixels
        self.separator_lines(menus[0])
        return menus[0]

    def close_menu(self):
        self.key("Escape")

    def separator_lines(self, menu):
        """Pixel rows (relative to the menu's top) of the menu's separator lines. Read
        once per menu window and size, before any row is highlighted."""
        key = (menu.window, menu.width, menu.height)
        if key not in self._separators:
            self._separators[key] = self._read_separator_lines(menu)
        return self._separators[key]

    def _read_separator_lines(self, menu):
        column = self.read_column(menu.x + 10, menu.y, menu.height)
        lines = []
        for i in range(2, len(column) - 2):
            # A separator is a thin line: differs from the rows two above and two below,
            # which are both background.
            if column[i] != column[i - 2] and column[i - 2] == column[i + 2]:
                if not lines or i - lines[-1] > 2:
                    lines.append(i)
        return lines

    def row_centres(self, menu, structure):
        """Absolute y of the centre of each row of `menu` laid out as `structure`."""
        frame = 1
        separators = structure.count("-")
        items = len(structure) - separators
        inner = menu.height - 2 * frame
        if separators == 0:
            item, separator = inner / items, 0.0
        else:
            lines = self.separator_lines(menu)
            if len(lines) != separators:
                raise HarnessError(f"expected {separators} separators, saw rows {lines}")
            if separators >= 2:
                first, second = structure.index("-"), structure.index("-", structure.index("-") + 1)
                between = second - first - 1
                pitch = lines[1] - lines[0]
                item = (inner - separators * pitch) / (items - separators * between)
                separator = pitch - between * item
            else:
                before = structure.index("-")
                # The line sits in the middle of its separator row.
                item = (lines[0] - frame) / (before + 0.5)
                separator = (inner - items * item)
        centres, top = [], menu.y + frame
        for entry in structure:
            if entry == "-":
                top += separator
            else:
                centres.append(round(top + item / 2))
                top += item
        return centres

    def menu_row_point(self, menu, structure, index):
        return menu.x + min(40, menu.width // 2), self.row_centres(menu, structure)[index]

    def open_submenu(self, caption, menu=None):
        """Opens the submenu of the tray menu's row `caption` ("Password", "Help");
        its MenuWindow."""
        menu = menu or self.menu_windows()[0]
        x, y = self.menu_row_point(menu, MAIN_MENU, row(MAIN_MENU, caption))
        self.click(x, y)
        subs = wait_until(lambda: [m for m in self.menu_windows() if m.window != menu.window], 5)
        if not subs:
            raise HarnessError(f"submenu {caption} did not open")
        time.sleep(0.1)
        self.separator_lines(subs[0])  # before the pointer highlights a row
        return subs[0]

    def choose_menu_row(self, index, submenu_index=None, menu=None):
        """Clicks row `index` of the open tray menu; with `submenu_index`, opens that
        row's submenu and clicks its row instead."""
        menu = menu or self.menu_windows()[0]
        if submenu_index is None:
            self.click(*self.menu_row_point(menu, MAIN_MENU, index))
            return
        caption = rows_of(MAIN_MENU)[index]
        sub = self.open_submenu(caption, menu)
        x, y = self.menu_row_point(sub, SUBMENUS[caption], submenu_index)
        self.move_mouse(x, y)
        time.sleep(0.05)
        self.click(x, y)

    def choose_menu_entry(self, caption, sub_caption=None):
        """Opens the tray menu and chooses an entry by its caption:
        choose_menu_entry("Quit"), choose_menu_entry("Password", "New")."""
        menu = self.open_tray_menu()
        sub_index = None if sub_caption is None else row(SUBMENUS[caption], sub_caption)
        self.choose_menu_row(row(MAIN_MENU, caption), sub_index, menu)

    def menu_rows_enabled(self, menu, structure):
        """For each row of an open menu, whether it is drawn enabled: its darkest pixel
        is near black (greyed text stays light). Move the pointer off the menu first."""
        shot = self.screenshot()
        states = []
        for centre in self.row_centres(menu, structure):
            pixels = self.read_region(menu.x + 4, centre - 6, menu.width - 8, 12, shot)
            darkest = min(sum(p) for line in pixels for p in line if p)
            states.append(darkest < 200)
        return states

    # ----- pixels -----------------------------------------------------------------

    def screenshot(self, path=None):
        """The whole screen as a PNG file; its path."""
        path = path or os.path.join(self.root, f"shot-{time.monotonic_ns()}.png")
        self._run(["import", "-window", "root", path])
        return path

    def read_region(self, x, y, width, height, shot=None):
        """Pixels of a screen rectangle as rows of (r, g, b)."""
        shot = shot or self.screenshot()
        out = self._run(["convert", shot, "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                         "-depth", "8", "txt:-"])
        pixels = [[None] * width for _ in range(height)]
        for line in out.splitlines()[1:]:
            m = re.match(r"(\d+),(\d+):\s*\((\d+),(\d+),(\d+)", line.replace(" ", ""))
            if m:
                px, py, r, g, b = map(int, m.groups())
                pixels[py][px] = (r, g, b)
        return pixels

    def read_column(self, x, y, height, shot=None):
        return [row_[0] for row_ in self.read_region(x, y, 1, height, shot)]

    def pixel(self, x, y, shot=None):
        return self.read_region(x, y, 1, 1, shot)[0][0]

    # ----- files --------------------------------------------------------------------

    def dos_attributes(self, name=PASSWORD_FILE):
        """The user.DOSATTRIB value of a program file ("0x6"), or None."""
        try:
            return os.getxattr(self.program_file(name), "user.DOSATTRIB").decode()
        except OSError:
            return None

    def is_read_only(self, name=PASSWORD_FILE):
        return os.stat(self.program_file(name)).st_mode & 0o222 == 0

    def remove_program_file(self, name):
        path = self.program_file(name)
        os.chmod(path, 0o644)
        os.remove(path)

    def write_program_file(self, name, data):
        path = self.program_file(name)
        if os.path.exists(path):
            os.chmod(path, 0o644)
        with open(path, "wb") as f:
            f.write(data)

    # ----- measuring -----------------------------------------------------------------

    def proc_stat(self, pid=None):
        """(utime + stime in clock ticks, resident kB) of the program."""
        pid = pid or self.program.pid
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = int(fields[11]) + int(fields[12])  # utime, stime
        rss_kb = 0
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    rss_kb = int(line.split()[1])
        return ticks, rss_kb
