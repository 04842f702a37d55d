"""The Windows program as a whole under wine64 in Xvfb, in one session and Wine prefix.

Icon, menu and lock; the password dialogs; help and about; the update check and the
signed upgrade against a local server, and where the program keeps its files; the lock's
supervisor and a screen that grows while locked (in a Wine virtual desktop, whose size can
change); the installer, its upgrade and its uninstaller. Wine draws controls inside one X
window: win_probe reads and drives them from the Windows side. Wine docks the tray icon as
a window of its explorer.exe.
"""

import getpass
import glob
import os
import pathlib
import re
import signal
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from vtr_harness import (MAIN_MENU, PASSWORD_FILE, PASSWORD_MENU, ReleaseSigner,  # noqa: E402
                         VtrSession, row, wait_until)

WINE = os.environ.get("VTR_WINE", "/usr/lib/wine/wine64")
SETUP = os.environ.get("VTR_WIN_SETUP", "")
PROBE, X11_WRITE = os.environ.get("VTR_WIN_PROBE", ""), os.environ.get("VTR_WRITE_PASSWORD", "")
SERVER = os.path.join(HERE, "..", "support", "local_http_server.py")
BUILT_IN_UPDATE = b"https://updates.corvenna.com/downloads/products/vtr/downloads/update/"

WM_KEYDOWN, WM_CLOSE, WM_COMMAND, BM_CLICK, VK_F1 = 0x100, 0x10, 0x111, 0xF5, 0x70
WM_PASTE, EM_UNDO = 0x302, 0xC7
WM_MOUSEMOVE, WM_RBUTTONUP = 0x200, 0x205  # the icon's messages, as the tray sends them
# The tray menu's entries, as the main window's WM_COMMAND takes them.
M_LOCK, M_NEW, M_MODIFY, M_FORGOT, M_CONTENTS, M_UPDATE, M_ABOUT, M_EXIT = range(101, 109)
# The password dialog's boxes and buttons, by control id.
TXT_NEW, TXT_CONFIRM, TXT_OTHER, TXT_ANSWER, OPTION, CMD_OK = 10, 11, 13, 14, 100, 200


class WineSession(VtrSession):
    """A VtrSession whose program is appVTR.exe run by wine64 in a prefix of its own."""

    def __init__(self):
        super().__init__(os.environ.get("VTR_WIN_APP"), window_manager=False)
        os.replace(self.program_path, self.program_path + ".exe")
        self.program_path += ".exe"
        self.server = os.path.join(os.path.dirname(WINE), "wineserver64")

    def _start_desktop(self):
        super()._start_desktop()
        self.env.update(WINEPREFIX=os.path.join(self.root, "wine"), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        os.makedirs(self.env["WINEPREFIX"])
        # In the foreground, so that the session holds its pid like every other process's.
        server = self._spawn("wineserver", [self.server, "--foreground", "--persistent"])
        boot = self._spawn("wineboot", [WINE, "wineboot", "--init"])
        if boot.wait(120) or server.poll() is not None:
            raise AssertionError("the Wine prefix could not be made")

    def close(self):
        if self.env:
            subprocess.run([self.server, "--kill"], env=self.env, timeout=30, check=False)
        super().close()

    def start_program(self, timeout=30):
        self.program = self._spawn("appVTR", [WINE, self.program_path], cwd=self.root)
        if not self.tray_icon_window(timeout):
            raise AssertionError("the tray icon did not appear\n" + self.program_log())

    def tray_icon_windows(self, pids=None):
        """The windows docked in the tray host once it sized them, innermost first."""
        tray = set(self.windows_of(self.trayer.pid, visible_only=False))
        shown = self._run(["xdotool", "search", "--onlyvisible", "--name", ""], check=False)
        chains = {w: self.ancestors(w) for w in map(int, shown.split()) if w not in tray}
        docked = [w for w, chain in chains.items() if tray.intersection(chain)
                  and min((self.geometry(w) or (0, 0, 0, 0))[2:]) > 1]
        return sorted(docked, key=lambda w: -len(chains[w]))


class Window:
    def __init__(self, hwnd, cls, topmost, x, y, w, h, title):
        self.hwnd, self.cls, self.topmost, self.title = hwnd, cls, topmost == "1", title
        self.rect, self.controls = tuple(map(int, (x, y, w, h))), []

    def control(self, cid=None, text=None, cls=None):
        return next((c for c in self.controls if cid in (None, c["id"])
                     and text in (None, c["text"]) and cls in (None, c["cls"])), None)

    def focused(self):
        return next((c["id"] for c in self.controls if c["focused"] == "1"), None)

    def message(self):
        """A message box's text: its longest static text."""
        return max((c["text"] for c in self.controls if c["cls"] == "Static"), key=len)


class WineTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = WineSession().__enter__()
        cls.addClassCleanup(cls.s.close)
        cls.original = pathlib.Path(cls.s.program_path).read_bytes()

    # ----- the Windows side ----------------------------------------------------------

    desktop = None  # the Wine virtual desktop whose windows the probe works on

    def probe(self, *args):
        env = dict(self.s.env, **({"VTR_WINE_DESKTOP": self.desktop} if self.desktop else {}))
        result = subprocess.run([WINE, PROBE, *map(str, args)], env=env, timeout=60,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.assertEqual(result.returncode, 0, args)
        return result.stdout.decode("cp1252")

    def windows(self):
        """Visible top-level windows, topmost first, with their controls."""
        found = []
        for kind, *fields in (line.split(" ", 8) for line in self.probe("list").splitlines()):
            if kind == "top":
                found.append(Window(*fields))
            else:
                c = dict(zip("hwnd id cls enabled checked focused mask text".split(), fields))
                found[-1].controls.append(dict(c, id=int(c["id"]), text=c["text"].replace(
                    "\\r", "\r").replace("\\n", "\n")))
        return found

    def window(self, title=None, cls=None, timeout=30, gone=False):
        """The window of that title and/or class, waited for (a look only, and maybe None,
        when `timeout` is 0); with `gone`, until there is none."""
        def look():
            found = next((w for w in self.windows() if title in (None, w.title)
                          and cls in (None, w.cls)), None)
            return not found if gone else found
        found = wait_until(look, timeout, 0.2)
        self.assertTrue(found or not timeout, f"{title or cls}: {'stayed' if gone else 'none'}\n"
                        + self.s.program_log())
        return None if gone else found

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.probe("post", hwnd, message, wparam, lparam)

    def press(self, window, cid):
        self.post(window.hwnd, WM_COMMAND, cid, window.control(cid)["hwnd"])

    def answer(self, title, expected=None, button=1):
        """Checks the message box of that title, presses a button; its text."""
        box = self.window(title, "#32770")
        self.assertEqual(box.message(), expected or box.message())
        self.post(box.hwnd, WM_COMMAND, button)
        self.window(title, "#32770", gone=True)
        return box.message()

    def ask(self, entry, title, typed):
        """Chooses a menu entry that asks first, and answers."""
        self.post("VeltraneMain", WM_COMMAND, entry)
        prompt = self.window(title, "VeltraneInputBox")
        self.probe("settext", prompt.control(3)["hwnd"], typed)
        self.press(prompt, 1)
        return prompt

    def admin(self):
        return self.window("Password", "VeltraneAdmin")

    # ----- the tray menu and the lock --------------------------------------------------

    def choose(self, caption):
        self.s.choose_menu_row(row(MAIN_MENU, caption), menu=self.s.open_tray_menu())

    def password_rows_enabled(self):
        # The pointer stays on "Password": on any other row Wine closes the submenu.
        sub = self.s.open_submenu("Password", self.s.open_tray_menu())
        states = self.s.menu_rows_enabled(sub, PASSWORD_MENU)
        self.s.click(300, 5)  # keys do not reach Wine's menus; a click outside closes them
        wait_until(lambda: not self.s.menu_windows(), 5)
        return states

    def unlocked(self):
        """The lock gone on the Windows side and its X window too, which Wine withdraws
        up to 2 s later when no window manager runs."""
        return not self.window(cls="VeltraneLock", timeout=0) and not [
            w for w in self.s.windows_of(self.s.program.pid)
            if (self.s.geometry(w) or (0, 0, 0, 0))[2] >= 640]

    def lock_and_unlock(self, password, wrong_first=True):
        s = self.s
        self.choose("Lock Desktop")
        lock = self.window(cls="VeltraneLock", timeout=10)
        self.assertEqual((lock.topmost, lock.rect, lock.control(cls="Edit")["mask"]),
                         (True, (0, 0, 1024, 768), str(ord("*"))))
        if wrong_first:
            # Another program taking the foreground gets the lock back over it.
            self.assertEqual(self.probe("raise").strip(), "VeltraneLock")
            # Close requests are refused; a wrong password or another case leave it locked.
            self.post(lock.hwnd, WM_CLOSE)
            # The icon is covered, but its message can still come: it opens no menu.
            self.post("VeltraneMain", WM_MOUSEMOVE, 0, WM_RBUTTONUP)
            self.assertFalse(wait_until(s.menu_windows, 1), "a menu over the lock")
            for wrong in (password.upper(), " " + password):
                s.type_text(wrong)
                s.key("Return")
                self.assertTrue(self.window(cls="VeltraneLock", timeout=0), f"{wrong!r} unlocked")
                s.key(*["BackSpace"] * len(wrong))
        s.type_text(password)
        # A click on the frozen desktop runs the check; so does the next key going down.
        s.click(20, 20) if wrong_first else s.key("Return")
        self.assertTrue(wait_until(self.unlocked, 10), "the password did not unlock")

    def test_1_icon_and_lock(self):
        s = self.s
        s.start_program(timeout=60)
        icon = s.tray_icon_windows()  # the icon and its frame
        self.assertEqual(s._spawn("appVTR-2", [WINE, s.program_path], cwd=s.root).wait(60), 0)
        self.assertEqual(s.tray_icon_windows(), icon)
        # A first start makes an empty file, hidden, system and read-only.
        self.assertEqual((os.path.getsize(s.program_file(PASSWORD_FILE)), s.dos_attributes(),
                          s.is_read_only()), (0, "0x6", True))
        self.assertEqual(self.password_rows_enabled(), [True, False, False])

        self.choose("Lock Desktop")
        self.answer("Password Required", "You need to create a password before you can run the "
                    "Veltrane application")
        self.assertIsNone(self.window(cls="VeltraneLock", timeout=0))
        # A file written by the X11 program locks the Windows one.
        subprocess.run([X11_WRITE, s.program_folder, "Open Sesame"], check=True, timeout=30)
        self.assertEqual(self.password_rows_enabled(), [False, True, True])
        self.lock_and_unlock("Open Sesame")

    # ----- the password dialog and its commands ----------------------------------------

    def test_2_new_modify_forgot(self):
        s = self.s
        self.post("VeltraneMain", WM_COMMAND, M_NEW)
        dialog = self.admin()  # the first question chosen, no own question, OK refusing blanks
        WineTest.admin_size = dialog.rect[2:]  # at the usual 96 dots per inch
        self.assertEqual((dialog.control(OPTION)["checked"], dialog.control(TXT_OTHER)["enabled"],
                          dialog.focused()), ("1", "0", TXT_NEW))
        self.press(dialog, CMD_OK)
        self.answer("Password Required", "Password can not be blank. Please enter")
        self.assertEqual(self.admin().focused(), TXT_NEW)

        # The checks in their order, each with its box and where the focus goes.
        self.post(dialog.control(OPTION + 3)["hwnd"], BM_CLICK)
        self.assertTrue(wait_until(lambda: self.admin().control(TXT_OTHER)["enabled"] == "1",
                                   10, 0.2))
        for box, text, title, focus in (
                (TXT_NEW, "abc", "Confirm Password Required", TXT_CONFIRM),
                (TXT_CONFIRM, "abd", "Password Error", TXT_CONFIRM),
                (TXT_CONFIRM, "abc ", "Question Required", TXT_OTHER),
                (TXT_OTHER, "Pet = dog?", "Anwser Required", TXT_ANSWER),
                (TXT_ANSWER, " rex ", "Password Error", TXT_OTHER),
                (TXT_OTHER, "What is your pet's name?", "Veltrane", None)):
            self.probe("settext", dialog.control(box)["hwnd"], text)
            self.press(dialog, CMD_OK)
            message = self.answer(title)
            self.assertEqual(focus and self.admin().focused(), focus, message)
        self.assertEqual(message, "Your password has been created successfully ")
        self.window("Password", "VeltraneAdmin", gone=True)
        # Saved hidden, system and read-only, through a temporary file that is gone.
        self.assertEqual((s.dos_attributes(), s.is_read_only(),
                          os.path.exists(s.program_file("vtrpwd.tmp"))), ("0x6", True, False))

        # Modify: a wrong password is refused; the right one opens the dialog preset.
        self.ask(M_MODIFY, "Modify Password", "ABC")
        self.answer("Modify Password Denied", "Sorry, your password is incorrect")
        self.ask(M_MODIFY, "Modify Password", " abc ")
        dialog = self.admin()
        self.assertEqual([dialog.control(c)["text"] for c in (TXT_NEW, TXT_CONFIRM, TXT_OTHER,
                                                              TXT_ANSWER)]
                         + [dialog.control(OPTION + 3)["checked"]],
                         ["abc", "", "What is your pet's name?", "rex", "1"])
        for box, text in ((TXT_NEW, "xyz"), (TXT_CONFIRM, "xyz"), (TXT_ANSWER, "cat")):
            self.probe("settext", dialog.control(box)["hwnd"], text)
        self.press(dialog, CMD_OK)
        self.answer("Veltrane", "Your password detail has been saved successfully ")
        self.window("Password", "VeltraneAdmin", gone=True)

        # Forgot: the stored question asked, the password told for the right answer only.
        prompt = self.ask(M_FORGOT, "Password Reminder", "dog")
        self.assertTrue(prompt.control(text="What is your pet's name?"))
        self.answer("Answer Denied", "Sorry, your answer is incorrect")
        self.ask(M_FORGOT, "Password Reminder", " cat")
        self.answer("Password Reminder", "Password is case sENsiTiVe please enter your password "
                    "exactly.\n\r\rYour password is xyz")
        # The file the Windows program wrote locks it.
        self.lock_and_unlock("xyz", wrong_first=False)

    # ----- help, about, Quit ----------------------------------------------------------------

    def test_3_help_about_quit(self):
        s = self.s
        # From the menu's entry, and F1 reaching the hidden main window.
        for message, key in ((WM_COMMAND, M_CONTENTS), (WM_KEYDOWN, VK_F1)):
            self.post("VeltraneMain", message, key, 1)
            page = self.window("Help", "VeltraneHelp")
            self.assertTrue(any("help\\vtrhelp.html" in c["text"] for c in page.controls))
            self.press(page, 200)
            self.window("Help", "VeltraneHelp", gone=True)
        self.post("VeltraneMain", WM_COMMAND, M_ABOUT)
        about = self.window(cls="VeltraneAbout")
        self.press(about, about.control(text="Close")["id"])
        self.window(cls="VeltraneAbout", gone=True)

        # A shell that restarts gets the icon again, in a window of its own.
        icon = s.tray_icon_windows()
        self.probe("newshell")
        self.assertTrue(wait_until(lambda: s.tray_icon_windows() not in ([], icon), 10))
        self.choose("Quit")
        self.assertIsNotNone(s.wait_for_exit(20), "Quit did not end the program")
        self.assertTrue(wait_until(lambda: not s.tray_icon_windows() and not self.supervisors(),
                                   10), "the icon or the lock's supervisor stayed")

    # ----- the update check ----------------------------------------------------------------

    def check_update(self, base, path=None):
        """Ends the program, points its built-in update address at `base` (NUL-padded to
        the same length) and its key at the test's, puts it at `path` (default: its own),
        starts it again and chooses the update check."""
        s = self.s
        if s.program.poll() is None:
            self.post("VeltraneMain", WM_COMMAND, M_EXIT)
            self.assertIsNotNone(s.wait_for_exit(20), "Quit did not end the program")
        self.assertEqual(self.original.count(BUILT_IN_UPDATE), 1)
        s.program_path = path or self.own_path
        os.makedirs(os.path.dirname(s.program_path), exist_ok=True)
        pathlib.Path(s.program_path).write_bytes(
            self.original.replace(BUILT_IN_UPDATE, base.ljust(len(BUILT_IN_UPDATE), b"\0")))
        self.signer.put_into(s.program_path)
        s.start_program()
        self.post("VeltraneMain", WM_COMMAND, M_UPDATE)

    def upgrade_status(self, text, timeout=60):
        self.assertTrue(wait_until(lambda: self.window(cls="VeltraneUpdate").control(text=text),
                                   timeout, 0.2), text)

    def test_4_update(self):
        s, served = self.s, pathlib.Path(self.s.root, "served")
        served.mkdir()
        server = subprocess.Popen([sys.executable, SERVER, served], stdout=subprocess.PIPE)
        self.addCleanup(lambda: (server.kill(), server.wait(), server.stdout.close()))
        local = b"http://127.0.0.1:%d/" % int(server.stdout.readline())
        self.signer, self.own_path = ReleaseSigner(s.root), s.program_path
        other = ReleaseSigner(s.root + "/served")
        release, version = served / "VTR_Upgrade.exe", served / "vtrver.txt"
        installer = bytes(i % 251 for i in range(3000))

        # Installed under Program Files: the password file and the download go to the
        # user's %LOCALAPPDATA%\Veltrane, nothing beside the program.
        installed = os.path.join(s.env["WINEPREFIX"], "drive_c", "Program Files", "Veltrane",
                                 "appVTR.exe")
        data = lambda name: next(iter(glob.glob(os.path.join(  # noqa: E731
            s.env["WINEPREFIX"], "drive_c", "users", "*", "AppData", "Local", "Veltrane", name))),
            None)
        upgrade = lambda: data("VTR_Upgrade.exe")  # noqa: E731
        # A version text longer than 4 KB is not read: the server cannot be read.
        version.write_bytes(b"Version 1.0.1\r\n".ljust(5000, b"n"))
        self.check_update(local + b"odd/slow/3000/", installed)
        self.answer("Internet access problem")
        self.assertTrue(data("vtrpwd.sys"))
        self.assertEqual(os.listdir(os.path.dirname(installed)), ["appVTR.exe"])

        # Another version, offered; Yes downloads the installer with progress (3000 bytes
        # in three chunks). Only a signature by the program's key lets it start (not a
        # program here: the window says so); any other deletes it. The window's close box
        # leaves the program in the tray for the next row.
        version.write_bytes(b"Version 1.0.1")
        not_verified = "The upgrade file could not be verified."
        for row, signed_by, signed in (("missing signature", None, installer),
                                       ("wrong signature", other, installer),
                                       ("signature of another file", self.signer, b"other"),
                                       ("good signature", self.signer, installer)):
            pathlib.Path(f"{release}.sig").unlink(missing_ok=True)
            release.write_bytes(signed)
            if signed_by:
                signed_by.sign(release)
            release.write_bytes(installer)
            self.post("VeltraneMain", WM_COMMAND, M_UPDATE)
            self.answer("Veltrane Update", "There is a newer version available to download, do "
                        "you wish to update?", 6)
            if row != "good signature":
                self.upgrade_status(not_verified)
                self.assertIsNone(upgrade(), row)
                self.assertIsNone(self.window(cls="#32770", timeout=0), row)
            else:
                box = self.window("Veltrane", "#32770", timeout=60)
                self.assertEqual(box.message(), "The file VTR_Upgrade.exe\rhas been downloaded "
                                 "successfully\rclick OK to start install")
                progress = self.window(cls="VeltraneUpdate")
                self.assertEqual(progress.title, "Downloading: 100%")
                self.assertTrue(progress.control(text="Download from: .... \\ VTR_Upgrade.exe"))
                self.assertEqual(pathlib.Path(upgrade()).read_bytes(), installer)
                self.post(box.hwnd, WM_COMMAND, 1)
                self.upgrade_status("The upgrade file could not be started.")
            self.post(self.window(cls="VeltraneUpdate").hwnd, WM_CLOSE)
            self.window(cls="VeltraneUpdate", gone=True)
            self.assertIsNone(s.wait_for_exit(0), "the program ended")
        release.unlink()

        # A folder every user may write to keeps nothing; a transfer that stops short of
        # its announced length leaves nothing to start.
        os.remove(upgrade())
        shared = os.path.join(s.root, "shared")
        os.makedirs(shared)
        os.chmod(shared, 0o777)
        self.check_update(local + b"odd/short/3000/", os.path.join(shared, "appVTR.exe"))
        self.answer("Veltrane Update", None, 6)
        self.upgrade_status("The upgrade file could not be downloaded. Please try again later.")
        self.assertEqual(os.listdir(shared), ["appVTR.exe"])
        self.assertIsNone(upgrade())
        self.assertIsNone(self.window(cls="#32770", timeout=0), "a message came")
        self.assertIsNone(s.wait_for_exit(0.5), "the program ended")

        # Cancel of a transfer that stopped sending ends the program within 2 s (the
        # window's own pause of 1 s included) and leaves no partial file.
        self.check_update(local + b"odd/stall/300000/20480/")
        self.answer("Veltrane Update", None, 6)
        partial = s.program_file("VTR_Upgrade.exe")
        self.assertTrue(wait_until(lambda: os.path.exists(partial), 30, 0.05), "no transfer")
        window = self.window(cls="VeltraneUpdate")
        clicked = time.monotonic()  # the click is posted a moment later (a process start)
        self.press(window, 200)
        self.assertIsNotNone(s.wait_for_exit(5), "Cancel did not end the program")
        self.assertLess(time.monotonic() - clicked, 2.0)
        self.assertFalse(os.path.exists(partial))


    # ----- the lock's supervisor, a growing screen, the box's size --------------------------

    def wine_processes(self, marker):
        """Pids of this prefix's Wine processes whose command line holds `marker`."""
        prefix = b"WINEPREFIX=" + self.s.env["WINEPREFIX"].encode() + b"\0"
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                command = pathlib.Path(f"/proc/{pid}/cmdline").read_bytes()
                environment = pathlib.Path(f"/proc/{pid}/environ").read_bytes()
            except OSError:
                continue
            if marker.encode() in command and prefix in environment:
                found.append(int(pid))
        return found

    def supervisors(self):
        return self.wine_processes("--lock-supervisor-watch")

    def programs(self, path="appVTR.exe"):
        """The program's own processes: not its supervisors, not a desktop that started it."""
        others = self.supervisors() + self.wine_processes("explorer")
        return [p for p in self.wine_processes(path) if p not in others]

    def end_program(self):
        if self.s.program and self.s.program.poll() is None:
            self.post("VeltraneMain", WM_COMMAND, M_EXIT)
            self.assertIsNotNone(self.s.wait_for_exit(20), "Quit did not end the program")

    def test_5_supervisor_and_screens(self):
        s = self.s
        self.end_program()
        pathlib.Path(s.program_path).write_bytes(self.original)
        question = ("Which street did you live in when you first rode a bicycle alone? " * 15)
        question = question[:999] + "?"
        subprocess.run([X11_WRITE, s.program_folder, "xyz", question + " = elm", "3"],
                       check=True, timeout=30)
        # At 144 dots per inch, in a virtual desktop of 800 x 600 that win_probe can make
        # larger.
        desktop_key = "HKCU\\Control Panel\\Desktop"
        self.install("reg", "add", desktop_key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144",
                     "/f")
        self.addCleanup(self.install, "reg", "delete", desktop_key, "/v", "LogPixels", "/f")
        desktop = s._spawn("desktop", [WINE, "explorer", "/desktop=vtr,800x600",
                                       s.program_path])
        WineTest.desktop = "vtr"
        self.addCleanup(lambda: (setattr(WineTest, "desktop", None), s._end(desktop)))
        first = wait_until(self.supervisors, 30)
        self.assertEqual(len(first or ()), 1, "no supervisor\n" + s.program_log())

        # The forms' twips are laid out at the screen's resolution.
        self.post("VeltraneMain", WM_COMMAND, M_NEW)
        dialog = self.admin()
        for now, usual in zip(dialog.rect[2:], self.admin_size):
            self.assertAlmostEqual(now / usual, 1.5, delta=0.03)
        self.press(dialog, 201)
        self.window("Password", "VeltraneAdmin", gone=True)

        # The longest own question shows whole, in one box however often Forgot is chosen.
        for _ in range(2):
            self.post("VeltraneMain", WM_COMMAND, M_FORGOT)
        prompt = self.window("Password Reminder", "VeltraneInputBox")
        needed, height = map(int, self.probe("fits", prompt.control(0)["hwnd"]).split())
        self.assertEqual((prompt.control(0)["text"], needed <= height), (question, True))
        self.assertLessEqual(prompt.rect[1] + prompt.rect[3], 600)
        self.assertEqual(len([w for w in self.windows() if w.cls == "VeltraneInputBox"]), 1)
        self.press(prompt, 2)
        self.window("Password Reminder", "VeltraneInputBox", gone=True)

        # A supervisor that is ended is replaced.
        os.kill(first[0], signal.SIGKILL)
        self.assertTrue(wait_until(lambda: [p for p in self.supervisors() if p != first[0]], 10))

        # Only typed keys enter the lock's box: pasting the password unlocks nothing.
        self.probe("clip", "xyz")
        self.post("VeltraneMain", WM_COMMAND, M_LOCK)
        lock = self.window(cls="VeltraneLock", timeout=10)
        self.assertEqual(lock.rect, (0, 0, 800, 600))
        s.move_mouse(400, 100)  # the keys go where the pointer is
        s.key("ctrl+v", "shift+Insert")
        for message in (WM_PASTE, EM_UNDO):
            self.post(lock.control(cls="Edit")["hwnd"], message)
        s.key("Return")
        # Asked to quit (as the installer asks), it refuses while locked.
        self.post("VeltraneMain", WM_CLOSE)
        self.assertFalse(wait_until(lambda: not self.window(cls="VeltraneLock", timeout=0), 2),
                         "a pasted password unlocked, or the program quit")
        picture = s.pixel(20, 20, s.screenshot())

        # A larger screen is covered at once.
        self.probe("display", 1024, 768)
        self.assertTrue(wait_until(lambda: self.window(cls="VeltraneLock").rect
                                   == (0, 0, 1024, 768), 10, 0.2))

        # The program ended while locked: its supervisor locks again, over white.
        program = self.programs()
        self.assertEqual(len(program), 1, program)
        os.kill(program[0], signal.SIGKILL)
        again = wait_until(lambda: [w for w in self.windows() if w.cls == "VeltraneLock"
                                    and w.hwnd != lock.hwnd], 20, 0.2)
        self.assertTrue(again, "the lock did not come back")
        white = "srgb(255,255,255)"
        self.assertTrue(wait_until(lambda: s.pixel(20, 20, s.screenshot()) == white, 5))
        self.assertNotEqual(picture, white, "the first lock showed no desktop picture")
        s.key("BackSpace", "BackSpace", "BackSpace", "BackSpace")
        s.type_text("xyz")
        s.key("Return")
        self.assertTrue(wait_until(lambda: not self.window(cls="VeltraneLock", timeout=0)
                                   and not self.supervisors(), 20, 0.2), "still locked")

    # ----- the installer ------------------------------------------------------------------

    def registry(self, key):
        """The values of a registry key, as reg.exe prints them ({} when it is missing)."""
        result = subprocess.run([WINE, "reg", "query", key], env=self.s.env, timeout=60,
                                capture_output=True)
        return dict((name, data) for name, data in re.findall(
            r"^\s+(\S[^\r\n]*?)\s+REG_\w+\s+([^\r\n]*)", result.stdout.decode("cp1252"), re.M))

    def install(self, *arguments):
        result = subprocess.run([WINE, *arguments], env=self.s.env, timeout=120,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(result.returncode, 0, arguments)

    def installed_program(self):
        return self.programs("Veltrane\\appVTR.exe")

    def test_6_installer(self):
        s, drive = self.s, pathlib.Path(self.s.env["WINEPREFIX"], "drive_c")
        folder, data = drive / "Program Files/Veltrane", drive / "users" / getpass.getuser() / \
            "AppData/Local/Veltrane"
        entry = drive / "ProgramData/Microsoft/Windows/Start Menu/Programs/Veltrane.lnk"
        run_key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
        uninstall_key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrane"
        # A portable copy is running: the installer asks it to quit.
        self.assertFalse(self.programs(), "a copy of the program runs")
        s.start_program()
        self.install(SETUP, "/S")
        self.assertIsNotNone(s.wait_for_exit(20), "the running copy was not stopped")
        for name in ("appVTR.exe", "uninstall.exe", "README.txt", "help/vtrhelp.html"):
            self.assertTrue((folder / name).is_file(), name)
        self.assertTrue(entry.is_file())
        self.assertEqual(self.registry(run_key).get("Veltrane"),
                         '"C:\\Program Files\\Veltrane\\appVTR.exe"')
        listed = self.registry(uninstall_key)
        self.assertEqual([listed.get(k) for k in ("DisplayName", "Publisher", "DisplayVersion",
                                                  "DisplayIcon", "QuietUninstallString")],
                         ["Veltrane", "Corvenna", "1.0.0",
                          '"C:\\Program Files\\Veltrane\\appVTR.exe",0',
                          '"C:\\Program Files\\Veltrane\\uninstall.exe" /S'])
        self.assertGreater(int(listed["EstimatedSize"], 16), 500)
        # Started again, it keeps its password in the user's own folder.
        started = wait_until(self.installed_program, 20)
        self.assertTrue(started, "the installed program did not start")
        self.assertTrue(wait_until(lambda: (data / PASSWORD_FILE).exists(), 20))
        self.assertFalse((folder / PASSWORD_FILE).exists())

        # An upgrade over it keeps the password and the start at sign-in turned off.
        (data / PASSWORD_FILE).chmod(0o644)
        subprocess.run([X11_WRITE, str(data), "Upgrade Me"], check=True, timeout=30)
        password = (data / PASSWORD_FILE).read_bytes()
        self.install("reg", "delete", run_key, "/v", "Veltrane", "/f")
        self.install(SETUP, "/S")
        again = wait_until(lambda: [p for p in self.installed_program() if p not in started], 20)
        self.assertTrue(again, "the upgraded program did not start")
        self.assertEqual(((data / PASSWORD_FILE).read_bytes(), "Veltrane" in self.registry(
            run_key)), (password, False))

        # The uninstaller removes what the installer made and leaves the password.
        # (It runs on from a copy of itself after the first one returns.)
        self.install(str(folder / "uninstall.exe"), "/S")
        self.assertTrue(wait_until(lambda: not self.installed_program() and not entry.exists()
                                   and not self.registry(uninstall_key), 30, 0.5))
        self.assertEqual((folder.exists(), "Veltrane" in self.registry(run_key)), (False, False))
        self.assertEqual((data / PASSWORD_FILE).read_bytes(), password)

if __name__ == "__main__":
    unittest.main(verbosity=2)
