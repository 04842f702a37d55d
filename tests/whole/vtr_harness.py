"""Whole-program test harness: runs the real appVTR on its own X server.

A VtrSession (a context manager) starts Xvfb on a free display, openbox (unless
window_manager=False) and trayer, copies appVTR into a temporary program folder and runs
it from there; closing it ends every process it started, by pid. Qt draws its menus itself, so their labels cannot be
read through X11: rows are found from the menu window's height and the pixel rows of its
separator lines, using the menu structures below; check enabled states in widget tests.

    with VtrSession() as s:
        s.start_program()
        s.choose_menu_entry("Password", "New")
        s.find_window("Password Setup"); s.type_text("secret"); s.key("Tab")

Python 3 standard library only; the program is $VTR_APP (default build/appVTR).
"""

import collections
import os
import pathlib
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

# The tray menu as it pops up ("-" is a separator); rows are counted without separators.
MAIN_MENU = ["Menu", "-", "Lock Desktop", "-", "Password", "-", "Help", "-", "Quit"]
PASSWORD_MENU = ["New", "Modify", "Forgot"]
HELP_MENU = ["Contents...", "-", "Check for update...", "-", "About Veltrane..."]
SUBMENUS = {"Password": PASSWORD_MENU, "Help": HELP_MENU}

PASSWORD_FILE = "vtrpwd.sys"

# A pop-up menu on screen: its window id and absolute geometry.
MenuWindow = collections.namedtuple("MenuWindow", "window x y width height")


def row(structure, caption):
    """The row index of `caption` in a menu structure."""
    return [entry for entry in structure if entry != "-"].index(caption)


def wait_until(predicate, timeout, interval=0.02):
    """Calls `predicate` until it returns something true; that value, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value or None
        time.sleep(interval)


class VtrSession:
    def __init__(self, app_path=None, screen="1024x768x24", tray=True, window_manager=True):
        self.app_path = app_path or os.environ.get("VTR_APP") or os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "appVTR")
        self.screen, self.want_tray, self.want_wm = screen, tray, window_manager
        self.root = tempfile.mkdtemp(prefix="vtr-whole-")
        self.program_folder = os.path.join(self.root, "program")
        os.makedirs(self.program_folder)
        os.makedirs(os.path.join(self.root, "runtime"), mode=0o700)
        self.program_path = os.path.join(self.program_folder, "appVTR")
        shutil.copy2(self.app_path, self.program_path)
        self.env = self.trayer = self.program = self.program_started_at = None
        self._processes = []  # (name, Popen) in start order
        self._separators = {}

    # ----- life cycle -------------------------------------------------------------

    def __enter__(self):
        try:
            self._start_desktop()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _start_desktop(self):
        read_end, write_end = os.pipe()
        self._spawn("Xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                             "-nolisten", "tcp", "-noreset"], env=os.environ.copy(),
                    pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip() if select.select([pipe], [], [], 10)[0] else b""
        if not number:
            raise AssertionError("Xvfb did not report a display")
        self.env = dict(os.environ, DISPLAY=":" + number.decode(), QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=os.path.join(self.root, "runtime"),
                        XAUTHORITY=os.devnull)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # the XEmbed tray, no StatusNotifier
        self.env.pop("WAYLAND_DISPLAY", None)
        if self.want_wm:
            self._spawn("openbox", ["openbox", "--sm-disable"])
            wait_until(lambda: "window id" in self._run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False), 5)
        if self.want_tray:
            self.start_tray_host()

    def start_tray_host(self):
        self.trayer = self._spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right",
                                             "--widthtype", "request", "--height", "32",
                                             "--SetDockType", "true"])
        if not wait_until(lambda: self.windows_of(self.trayer.pid, visible_only=False), 10):
            raise AssertionError("trayer shows no window")

    def close(self):
        """Ends every process this session started, by pid, newest first."""
        for _, proc in reversed(self._processes):
            self._end(proc)
        self._processes.clear()
        shutil.rmtree(self.root, ignore_errors=True)

    @staticmethod
    def _end(proc, grace=3.0):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=grace)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=grace)

    def _spawn(self, name, argv, env=None, pass_fds=(), cwd=None):
        with open(os.path.join(self.root, f"{name}-{len(self._processes)}.log"), "wb") as log:
            proc = subprocess.Popen(argv, env=env or self.env, cwd=cwd, pass_fds=pass_fds,
                                    stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self._processes.append((name, proc))
        return proc

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
        if wait_icon and not self.tray_icon_window(timeout):
            raise AssertionError("the tray icon did not appear\n" + self.program_log())
        return self.program

    def start_another_instance(self, timeout=10):
        """Starts appVTR once more and waits for it to end; its exit status."""
        return self._spawn("appVTR-second", [self.program_path], cwd=self.root).wait(timeout)

    def program_log(self):
        """What every appVTR started here wrote, for failure messages."""
        return "\n".join(f"--- {log.name}\n{log.read_text(errors='replace')}"
                         for log in sorted(pathlib.Path(self.root).glob("appVTR*.log")))

    def wait_for_exit(self, timeout=10):
        """The program's exit status, or None when it still runs after `timeout`."""
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def program_processes(self):
        """Pids of running processes whose executable is this session's appVTR."""
        def runs_program(entry):
            try:
                return os.readlink(f"/proc/{entry}/exe") == self.program_path
            except OSError:
                return False
        return [int(pid) for pid in os.listdir("/proc") if pid.isdigit() and runs_program(pid)]

    # ----- X11 windows ------------------------------------------------------------

    def _run(self, argv, check=True, timeout=10):
        result = subprocess.run(argv, env=self.env, capture_output=True, timeout=timeout, text=True)
        if check and result.returncode != 0:
            raise AssertionError(f"{argv[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def _info(self, window):
        return self._run(["xwininfo", "-id", str(window)], check=False)

    def windows_of(self, pid, visible_only=True):
        args = ["xdotool", "search"] + (["--onlyvisible"] if visible_only else [])
        out = self._run(args + ["--pid", str(pid)], check=False)
        return [int(w) for w in out.split() if w.isdigit()]

    def geometry(self, window, info=None):
        """(x, y, width, height) of a window, absolute; None when it is gone."""
        info = info or self._info(window)
        found = [re.search(label + r":\s+(-?\d+)", info) for label in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        return tuple(int(m.group(1)) for m in found) if all(found) else None

    def is_viewable(self, window):
        return "IsViewable" in self._info(window)

    def ancestors(self, window):
        """The window's parent, its parent's parent, ... up to the root."""
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
        """The viewable windows of this session's appVTR processes (or of `pids`) that
        sit inside the tray host: the program's icons."""
        if not self.trayer:
            return []
        tray = set(self.windows_of(self.trayer.pid, visible_only=False))
        return [window for pid in (pids or self.program_processes())
                for window in self.windows_of(pid) if tray.intersection(self.ancestors(window))]

    def tray_icon_window(self, timeout=0):
        """The program's icon window inside the tray host (waits up to `timeout`)."""
        icons = wait_until(lambda: self.program and self.tray_icon_windows([self.program.pid]),
                           timeout)
        return icons[0] if icons else None

    def icon_centre(self):
        window = self.tray_icon_window(5)
        if not window:
            raise AssertionError("no tray icon")
        x, y, w, h = self.geometry(window)
        return x + w // 2, y + h // 2

    def find_window(self, title, timeout=5):
        """A visible window whose title is exactly `title`, or None."""
        args = ["xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(title) + "$"]
        found = wait_until(lambda: self._run(args, check=False).split(), timeout)
        return int(found[0]) if found else None

    def popup_windows(self):
        """Visible top-level windows of the program other than its tray icon (menus,
        message boxes, dialogs)."""
        icon = self.tray_icon_window()
        return [w for w in self.windows_of(self.program.pid) if w != icon]

    def menu_windows(self):
        """Open pop-up menus (override-redirect windows of the program), outermost first."""
        infos = [(window, self._info(window)) for window in self.popup_windows()]
        return [MenuWindow(window, *self.geometry(window, info)) for window, info in infos
                if "Override Redirect State: yes" in info and self.geometry(window, info)]

    # ----- mouse and keyboard -----------------------------------------------------

    def move_mouse(self, x, y):
        # No --sync: it waits forever when the pointer is already there.
        self._run(["xdotool", "mousemove", str(x), str(y)])
        wait_until(lambda: f"x:{x} y:{y} " in self._run(["xdotool", "getmouselocation"]), 2)

    def click(self, x, y, button=1, repeat=1):
        self.move_mouse(x, y)
        self._run(["xdotool", "click", "--repeat", str(repeat), "--delay", "80", str(button)])

    def click_icon(self, button=1, repeat=1):
        self.click(*self.icon_centre(), button, repeat)

    def press_and_hold_icon(self, button=3):
        self.move_mouse(*self.icon_centre())
        self._run(["xdotool", "mousedown", str(button)])

    def release_mouse(self, button=3):
        self._run(["xdotool", "mouseup", str(button)])

    def type_text(self, text, delay_ms=20):
        self._run(["xdotool", "type", "--delay", str(delay_ms), "--", text])

    def key(self, *keys):
        """Key names as xdotool knows them: "Return", "Escape", "Tab", "ctrl+a"."""
        self._run(["xdotool", "key", "--delay", "30", *keys])

    # ----- the tray menu ----------------------------------------------------------

    def open_tray_menu(self, timeout=5):
        """Right-clicks the icon and waits for the pop-up; its MenuWindow."""
        self.click_icon(button=3)
        menus = wait_until(self.menu_windows, timeout)
        if not menus:
            raise AssertionError("the tray menu did not open\n" + self.program_log())
        self.separator_lines(menus[0], MAIN_MENU.count("-"))
        return menus[0]

    def close_menu(self):
        self.key("Escape")

    def separator_lines(self, menu, expected=None):
        """Pixel rows (relative to the menu's top) of the menu's separator lines. Read
        once per menu window and size, before any row is highlighted; with `expected`,
        read until that many show (the menu is painted), for 3 s at the most."""
        def read():
            column = [line[0] for line in self.read_region(menu.x + 10, menu.y, 1, menu.height)]
            lines = []
            for i in range(2, len(column) - 2):
                # A thin line: differs from the rows two above and two below, which are both
                # background.
                if column[i] != column[i - 2] == column[i + 2] and (not lines or i - lines[-1] > 2):
                    lines.append(i)
            return lines if expected in (None, len(lines)) else None
        key = (menu.window, menu.width, menu.height)
        if key not in self._separators:
            self._separators[key] = wait_until(read, 0 if expected is None else 3) or []
        return self._separators[key]

    def row_centres(self, menu, structure):
        """Absolute y of the centre of each row of `menu` laid out as `structure` (no
        separator, or at least two)."""
        frame, separators = 1, structure.count("-")
        items, inner = len(structure) - separators, menu.height - 2 * frame
        item, separator = inner / items, 0.0
        if separators:
            lines = self.separator_lines(menu)
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

    def menu_row_point(self, menu, structure, index):
        return menu.x + min(40, menu.width // 2), self.row_centres(menu, structure)[index]

    def open_submenu(self, caption, menu=None):
        """Opens the submenu of the tray menu's row `caption`; its MenuWindow."""
        menu = menu or self.menu_windows()[0]
        self.click(*self.menu_row_point(menu, MAIN_MENU, row(MAIN_MENU, caption)))
        subs = wait_until(lambda: [m for m in self.menu_windows() if m.window != menu.window], 5)
        if not subs:
            raise AssertionError(f"submenu {caption} did not open")
        if SUBMENUS[caption].count("-"):  # before the pointer highlights a row
            self.separator_lines(subs[0], SUBMENUS[caption].count("-"))
        return subs[0]

    def choose_menu_row(self, index, submenu_index=None, menu=None):
        """Clicks row `index` of the open tray menu; with `submenu_index`, opens that
        row's submenu and clicks its row instead."""
        menu = menu or self.menu_windows()[0]
        if submenu_index is None:
            return self.click(*self.menu_row_point(menu, MAIN_MENU, index))
        caption = [entry for entry in MAIN_MENU if entry != "-"][index]
        x, y = self.menu_row_point(self.open_submenu(caption, menu), SUBMENUS[caption],
                                   submenu_index)
        self.move_mouse(x, y)
        time.sleep(0.05)  # the hover lands before the press (no check follows)
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
        return [min(sum(p) for line in self.read_region(menu.x + 4, centre - 6, menu.width - 8,
                                                        12, shot) for p in line if p) < 200
                for centre in self.row_centres(menu, structure)]

    def password_rows_enabled(self):
        """Whether New, Modify and Forgot are drawn enabled; opens and closes the menu."""
        menu = self.open_tray_menu()
        sub = self.open_submenu("Password", menu)
        self.move_mouse(menu.x + 5, menu.y + 3)  # off the submenu: no row highlighted
        # Some row is always enabled: until one shows, the submenu is not painted yet.
        states = wait_until(lambda: (lambda s: s if any(s) else None)(
            self.menu_rows_enabled(sub, PASSWORD_MENU)), 3)
        self.key("Escape", "Escape")
        return states

    # ----- pixels and files ---------------------------------------------------------

    def screenshot(self, path=None):
        """The whole screen as a PNG file; its path."""
        path = path or os.path.join(self.root, f"shot-{time.monotonic_ns()}.png")
        self._run(["import", "-window", "root", path])
        return path

    def read_region(self, x, y, width, height, shot=None):
        """Pixels of a screen rectangle as rows of (r, g, b)."""
        out = self._run(["convert", shot or self.screenshot(), "-crop",
                         f"{width}x{height}+{x}+{y}", "+repage", "-depth", "8", "txt:-"])
        pixels = [[None] * width for _ in range(height)]
        for m in re.finditer(r"^(\d+),(\d+):\((\d+),(\d+),(\d+)", out.replace(" ", ""), re.M):
            px, py, r, g, b = map(int, m.groups())
            pixels[py][px] = (r, g, b)
        return pixels

    def pixel(self, x, y, shot=None):
        return self.read_region(x, y, 1, 1, shot)[0][0]

    def dos_attributes(self, name=PASSWORD_FILE):
        """The user.DOSATTRIB value of a program file ("0x6"), or None."""
        try:
            return os.getxattr(self.program_file(name), "user.DOSATTRIB").decode()
        except OSError:
            return None

    def is_read_only(self, name=PASSWORD_FILE):
        return os.stat(self.program_file(name)).st_mode & 0o222 == 0
