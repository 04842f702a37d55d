"""The Windows program as a whole under wine64 in Xvfb, one Wine prefix for every test; each
test starts the program as it needs it. Wine draws controls inside one X window: win_probe
reads and drives them from the Windows side."""

import getpass
import os
import pathlib
import re
import shutil
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
WINESERVER = os.path.join(os.path.dirname(WINE), "wineserver64")
APP, SETUP, PROBE, X11_WRITE = (os.environ.get(name, "") for name in (
    "VTR_WIN_APP", "VTR_WIN_SETUP", "VTR_WIN_PROBE", "VTR_WRITE_PASSWORD"))
SERVER = os.path.join(HERE, "..", "support", "local_http_server.py")
BUILT_IN_UPDATE = b"https://updates.corvenna.com/downloads/products/vtr/downloads/update/"
SUPERVISOR = "--lock-supervisor-watch"

WM_KEYDOWN, WM_CLOSE, WM_COMMAND, BM_CLICK, VK_F1, WM_PASTE = 0x100, 0x10, 0x111, 0xF5, 0x70, 0x302
WM_MOUSEMOVE, WM_RBUTTONUP = 0x200, 0x205  # the icon's messages, as the tray sends them
# The tray menu's entries, as the main window's WM_COMMAND takes them.
M_LOCK, M_NEW, M_MODIFY, M_FORGOT, M_CONTENTS, M_UPDATE, M_ABOUT, M_EXIT = range(101, 109)
# The password dialog's boxes and buttons, by control id.
TXT_NEW, TXT_CONFIRM, TXT_OTHER, TXT_ANSWER, OPTION, CMD_OK = 10, 11, 13, 14, 100, 200


class WineSession(VtrSession):
    """A VtrSession with a Wine prefix of its own, whose wineserver ends with it."""

    def _start_desktop(self):
        super()._start_desktop()
        # No window manager: the X focus follows the pointer, so the topmost lock gets
        # the keys without a click. The tray host comes after it is gone.
        self._end(next(p for p in self._processes if p.args[0] == "openbox"))
        self.start_tray_host()
        self.env.update(WINEPREFIX=os.path.join(self.root, "wine"), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        os.makedirs(self.env["WINEPREFIX"])
        server = self._spawn("wineserver", [WINESERVER, "--foreground", "--persistent"])
        # Windows that no window manager withdraws: else Wine waits 2 s for one at each.
        if self._spawn("wineboot", [WINE, "wineboot", "--init"]).wait(120) or subprocess.run(
                [WINE, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d",
                 "N", "/f"], env=self.env, timeout=60, capture_output=True).returncode \
                or server.poll() is not None:
            raise AssertionError("the Wine prefix could not be made")

    def close(self):
        # The server ends every Wine process of the prefix; ended itself, it leaves them.
        if "WINEPREFIX" in (self.env or {}):
            subprocess.run([WINESERVER, "--kill"], env=self.env, timeout=30, check=False)
        super().close()

    def tray_icon_windows(self, pids=None):
        return super().tray_icon_windows(self.wine_processes("explorer"))  # Wine's tray icons

    def wine_processes(self, marker):
        prefix, found = f"WINEPREFIX={self.env['WINEPREFIX']}\0".encode(), []
        for proc in pathlib.Path("/proc").glob("[0-9]*"):
            try:
                if marker.encode() in (proc / "cmdline").read_bytes() and \
                        prefix in (proc / "environ").read_bytes():
                    found.append(int(proc.name))
            except OSError:
                pass
        return found


class Window:
    def __init__(self, hwnd, cls, topmost, x, y, w, h, title):
        self.hwnd, self.cls, self.topmost, self.title = hwnd, cls, topmost == "1", title
        self.rect, self.controls = tuple(map(int, (x, y, w, h))), []

    def control(self, cid=None, text=None, cls=None, focused=None):
        return next((c for c in self.controls if cid in (None, c["id"]) and text in (
            None, c["text"]) and cls in (None, c["cls"]) and focused in (None, c["focused"])), {})


class WineTest(unittest.TestCase):
    desktop = ""  # the Wine virtual desktop whose windows the probe works on; "": its own

    @classmethod
    def setUpClass(cls):
        cls.s = WineSession(APP, tray=False).__enter__()
        cls.addClassCleanup(cls.s.close)
        cls.original = pathlib.Path(APP).read_bytes()
        cls.drive = pathlib.Path(cls.s.env["WINEPREFIX"], "drive_c")
        cls.data = cls.drive / "users" / getpass.getuser() / "AppData/Local/Veltrane"
        cls.prober = subprocess.Popen([WINE, PROBE], env=cls.s.env, stdin=subprocess.PIPE,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      encoding="cp1252", bufsize=1)  # a line at a time
        cls.addClassCleanup(lambda: (cls.prober.stdin.close(), cls.prober.wait(10),
                                     cls.prober.stdout.close()))

    def setUp(self):
        """Kills what a failed test left running (maybe locked); no data folder."""
        for pid in self.s.wine_processes("appVTR.exe"):
            os.kill(pid, signal.SIGKILL)
        shutil.rmtree(self.data, ignore_errors=True)

    def start(self, path=None, base=None):
        """With `base`, the copy's update address (NUL-padded) and key are the test's."""
        s = self.s
        s.program_path = str(path or s.program_file("appVTR.exe"))
        pathlib.Path(s.program_path).write_bytes(self.original.replace(
            BUILT_IN_UPDATE, (base or BUILT_IN_UPDATE).ljust(len(BUILT_IN_UPDATE), b"\0")))
        if base:
            self.signer.put_into(s.program_path)
        s.program = s._spawn("appVTR", [WINE, s.program_path], cwd=s.root)
        self.assertTrue(s.tray_icon_window(60), "no tray icon\n" + s.program_log())

    def probe(self, *args):
        self.prober.stdin.write("\t".join(map(str, (self.desktop, *args))) + "\n")
        out = ""
        while (line := self.prober.stdout.readline()) and not line.startswith("="):
            out += line
        self.assertEqual(line.strip(), "=0", args)
        return out

    def window(self, title=None, cls=None, timeout=30, gone=False):
        """The window of that title and/or class, waited for (or till none is, `gone`)."""
        def look():
            found = []
            for kind, *fields in (line.split(" ", 8) for line in self.probe("list").splitlines()):
                if kind == "top":
                    found.append(Window(*fields))
                else:
                    c = dict(zip("hwnd id cls enabled checked focused mask text".split(), fields))
                    found[-1].controls.append(dict(c, id=int(c["id"])))
            found = [w for w in found if title in (None, w.title) and cls in (None, w.cls)]
            return not found if gone else found and found[0]
        found = wait_until(look, timeout, 0.05)
        self.assertTrue(found or not timeout, f"{title or cls}: {'stayed' if gone else 'none'}\n"
                        + self.s.program_log())
        return None if gone else found

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.probe("post", hwnd, message, wparam, lparam)

    def press(self, window, cid):
        self.post(window.hwnd, WM_COMMAND, cid, window.control(cid)["hwnd"])

    def answer(self, title, expected=None, button=1):
        """Presses a button of the message box of that title; its text (CR, LF as \\r, \\n)."""
        box = self.window(title, "#32770")
        text = max((c["text"] for c in box.controls if c["cls"] == "Static"), key=len)
        self.assertEqual(text, expected or text)
        self.post(box.hwnd, WM_COMMAND, button)
        self.window(title, "#32770", gone=True)
        return text

    def ask(self, entry, title, typed):
        self.post("VeltraneMain", WM_COMMAND, entry)
        prompt = self.window(title, "VeltraneInputBox")
        self.probe("settext", prompt.control(3)["hwnd"], typed)
        self.press(prompt, 1)

    def test_tray_and_password_dialogs(self):
        s = self.s
        self.start()
        icon = s.tray_icon_windows()
        self.assertEqual(s._spawn("appVTR-2", [WINE, s.program_path], cwd=s.root).wait(60), 0)
        self.assertEqual(s.tray_icon_windows(), icon)
        # With a password (here one the X11 program wrote), only Modify and Forgot.
        subprocess.run([X11_WRITE, s.program_folder, "Open Sesame"], check=True, timeout=30)
        sub = s.open_submenu("Password", s.open_tray_menu())
        self.assertEqual(s.menu_rows_enabled(sub, PASSWORD_MENU), [False, True, True])
        s.click(300, 5)  # keys do not reach Wine's menus; a click outside closes them

        # New: a refusal for each box, which then has the focus (the checks are the core's).
        self.post("VeltraneMain", WM_COMMAND, M_NEW)
        dialog = self.window("Password", "VeltraneAdmin")
        self.assertEqual((dialog.control(OPTION)["checked"], dialog.control(TXT_OTHER)["enabled"],
                          dialog.control(focused="1")["id"]), ("1", "0", TXT_NEW))
        self.post(dialog.control(OPTION + 3)["hwnd"], BM_CLICK)
        for box, text, title, focus in (
                (TXT_NEW, "", "Password Required", TXT_NEW),
                (TXT_NEW, "abc", "Confirm Password Required", TXT_CONFIRM),
                (TXT_CONFIRM, "abc ", "Question Required", TXT_OTHER),
                (TXT_OTHER, "What is your pet's name?", "Anwser Required", TXT_ANSWER),
                (TXT_ANSWER, " rex ", "Veltrane", None)):
            self.probe("settext", dialog.control(box)["hwnd"], text)
            self.press(dialog, CMD_OK)
            message = self.answer(title)
            self.assertEqual(focus and self.window("Password", "VeltraneAdmin").control(
                focused="1")["id"], focus, message)
        self.assertEqual(message, "Your password has been created successfully ")

        # Modify opens the dialog preset; Forgot tells the password for the right answer.
        self.ask(M_MODIFY, "Modify Password", " abc ")
        dialog = self.window("Password", "VeltraneAdmin")
        self.assertEqual([dialog.control(c)["text"] for c in (TXT_NEW, TXT_OTHER, TXT_ANSWER)]
                         + [dialog.control(OPTION + 3)["checked"]],
                         ["abc", "What is your pet's name?", "rex", "1"])
        for box, text in ((TXT_NEW, "xyz"), (TXT_CONFIRM, "xyz"), (TXT_ANSWER, "cat")):
            self.probe("settext", dialog.control(box)["hwnd"], text)
        self.press(dialog, CMD_OK)
        self.answer("Veltrane", "Your password detail has been saved successfully ")
        self.ask(M_FORGOT, "Password Reminder", " cat")
        self.answer("Password Reminder", "Password is case sENsiTiVe please enter your password "
                    "exactly.\\n\\r\\rYour password is xyz")

        # Help from the menu's entry, and by F1 reaching the hidden main window.
        for message, key in ((WM_COMMAND, M_CONTENTS), (WM_KEYDOWN, VK_F1)):
            self.post("VeltraneMain", message, key, 1)
            page = self.window("Help", "VeltraneHelp")
            self.assertTrue(any("help\\vtrhelp.html" in c["text"] for c in page.controls))
            self.press(page, 200)
            self.window("Help", "VeltraneHelp", gone=True)
        # A shell that restarts gets the icon again, in a window of its own.
        self.probe("newshell")
        self.assertTrue(wait_until(lambda: s.tray_icon_windows() not in ([], icon), 10))
        s.choose_menu_row(row(MAIN_MENU, "Quit"), menu=s.open_tray_menu())
        self.assertTrue(wait_until(lambda: not s.tray_icon_windows() and not s.wine_processes(
            "appVTR.exe"), 20), "the program, its icon or its supervisor stayed")

    def check_update(self):
        self.post("VeltraneMain", WM_COMMAND, M_UPDATE)
        self.answer("Veltrane Update", "There is a newer version available to download, do you "
                    "wish to update?", 6)

    def test_update(self):
        s, served = self.s, pathlib.Path(self.s.root, "served")
        served.mkdir()
        server = subprocess.Popen([sys.executable, SERVER, served], stdout=subprocess.PIPE)
        self.addCleanup(lambda: (server.kill(), server.wait(), server.stdout.close()))
        local = b"http://127.0.0.1:%d/" % int(server.stdout.readline())
        self.signer, other = ReleaseSigner(s.root), ReleaseSigner(str(served))
        release, version = served / "VTR_Upgrade.exe", served / "vtrver.txt"
        installer, upgrade = bytes(i % 251 for i in range(3000)), self.data / "VTR_Upgrade.exe"

        # In a folder every user may write to, the password file and the download go to
        # %LOCALAPPDATA%\Veltrane. A version text over 4 KB is not read.
        shared = pathlib.Path(s.root, "shared")
        shared.mkdir()
        shared.chmod(0o777)
        version.write_bytes(b"Version 1.0.1\r\n".ljust(5000, b"n"))
        self.start(shared / "appVTR.exe", local + b"odd/short/3000/")
        self.post("VeltraneMain", WM_COMMAND, M_UPDATE)
        self.answer("Internet access problem")
        self.assertTrue((self.data / PASSWORD_FILE).exists())

        # Only a signature by the program's key lets the download start (not a program here:
        # the window says so); any other deletes it, as does a transfer that stops short (the
        # server's answer without a file). Closing the window leaves the program running.
        version.write_bytes(b"Version 1.0.1")
        started, unverified = "could not be started.", "could not be verified."
        for signed_by, signed, served_too, status in (
                (None, installer, True, unverified), (other, installer, True, unverified),
                (self.signer, b"other", True, unverified),
                (self.signer, installer, False, "could not be downloaded. Please try again later."),
                (self.signer, installer, True, started)):
            pathlib.Path(f"{release}.sig").unlink(missing_ok=True)
            release.write_bytes(signed)
            if signed_by:
                signed_by.sign(release)
            release.write_bytes(installer) if served_too else release.unlink()
            self.check_update()
            if status == started:
                self.answer("Veltrane", "The file VTR_Upgrade.exe\\rhas been downloaded "
                            "successfully\\rclick OK to start install")
                progress = self.window(cls="VeltraneUpdate")
                self.assertEqual((progress.title, upgrade.read_bytes()),
                                 ("Downloading: 100%", installer))
            self.assertTrue(wait_until(lambda: self.window(cls="VeltraneUpdate").control(
                text="The upgrade file " + status), 60), status)
            self.assertEqual((upgrade.exists(), self.window(cls="#32770", timeout=0)),
                             (status == started, None), status)
            self.post(self.window(cls="VeltraneUpdate").hwnd, WM_CLOSE)
            self.window(cls="VeltraneUpdate", gone=True)
            self.assertIsNone(s.wait_for_exit(0), "the program ended")
        self.assertEqual(os.listdir(shared), ["appVTR.exe"])
        release.unlink()

        # A portable copy downloads beside itself. Cancel of a stalled transfer ends the
        # program within 2 s (its own pause of 1 s included) and leaves no partial file.
        self.post("VeltraneMain", WM_COMMAND, M_EXIT)
        self.assertIsNotNone(s.wait_for_exit(20), "Quit did not end the program")
        self.start(None, local + b"odd/stall/300000/20480/")
        self.check_update()
        partial = pathlib.Path(s.program_file("VTR_Upgrade.exe"))
        self.assertTrue(wait_until(partial.exists, 30), "no transfer")
        window = self.window(cls="VeltraneUpdate")
        clicked = time.monotonic()
        self.press(window, 200)
        self.assertIsNotNone(s.wait_for_exit(5), "Cancel did not end the program")
        self.assertEqual((time.monotonic() - clicked < 2, partial.exists()), (True, False))

    def test_lock_and_supervisor(self):
        s = self.s
        question = ("Which street did you live in when you first rode a bicycle alone? " * 15)
        subprocess.run([X11_WRITE, s.program_folder, "xyz", question[:999] + "? = elm", "3"],
                       check=True, timeout=30)
        # At 144 dots per inch, in an 800 x 600 virtual desktop that win_probe can enlarge.
        key = "HKCU\\Control Panel\\Desktop"
        self.install("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f")
        self.addCleanup(self.install, "reg", "delete", key, "/v", "LogPixels", "/f")
        s.program_path = s.program_file("appVTR.exe")
        pathlib.Path(s.program_path).write_bytes(self.original)
        desktop = s._spawn("desktop", [WINE, "explorer", "/desktop=vtr,800x600", s.program_path])
        WineTest.desktop = "vtr"
        self.addCleanup(lambda: (setattr(WineTest, "desktop", ""), s._end(desktop)))
        first = wait_until(lambda: s.wine_processes(SUPERVISOR), 30)
        self.assertEqual(len(first or ()), 1, "no supervisor\n" + s.program_log())

        # The forms' twips are laid out at the screen's resolution: the labels' texts fit.
        self.post("VeltraneMain", WM_COMMAND, M_NEW)
        dialog = self.window("Password", "VeltraneAdmin")
        self.assertEqual([self.probe("fits", dialog.control(c)["hwnd"]) for c in (15, 16, 17)],
                         ["1\n"] * 3)
        self.press(dialog, CMD_OK + 1)
        # The longest own question shows whole, in one box however often Forgot is chosen.
        for _ in range(2):
            self.post("VeltraneMain", WM_COMMAND, M_FORGOT)
        prompt = self.window("Password Reminder", "VeltraneInputBox")
        self.assertEqual((prompt.control(0)["text"], self.probe("fits", prompt.control(0)["hwnd"])),
                         (question[:999] + "?", "1\n"))
        self.assertLessEqual(prompt.rect[1] + prompt.rect[3], 600)
        self.press(prompt, 2)
        self.window("Password Reminder", "VeltraneInputBox", gone=True)
        # A supervisor that is ended is replaced.
        os.kill(first[0], signal.SIGKILL)
        self.assertTrue(wait_until(lambda: set(s.wine_processes(SUPERVISOR)) - set(first), 10))

        pathlib.Path(s.root, "clip").write_text("xyz")
        s._spawn("xclip", ["xclip", "-selection", "clipboard", "-i", s.root + "/clip"])
        self.post("VeltraneMain", WM_COMMAND, M_LOCK)
        lock = self.window(cls="VeltraneLock", timeout=10)
        self.assertEqual((lock.topmost, lock.rect, lock.control(cls="Edit")["mask"]),
                         (True, (0, 0, 800, 600), str(ord("*"))))
        # Another program taking the foreground gets the lock back over it.
        self.assertEqual(self.probe("raise").strip(), "VeltraneLock")
        # Close requests are refused, the program's Quit too (as the installer asks). The
        # icon is covered, but its message can still come: it opens no menu.
        self.post(lock.hwnd, WM_CLOSE)
        self.post("VeltraneMain", WM_CLOSE)
        self.post("VeltraneMain", WM_MOUSEMOVE, 0, WM_RBUTTONUP)
        self.assertFalse(wait_until(lambda: self.window(cls="#32768", timeout=0), 1), "a menu")
        # Only typed keys enter the box: a pasted password, another case do not unlock.
        s.move_mouse(400, 100)  # the keys go where the pointer is
        s.key("ctrl+v", "shift+Insert")
        self.post(lock.control(cls="Edit")["hwnd"], WM_PASTE)
        for wrong in ("XYZ", " xyz"):
            s.type_text(wrong)
            s.key("Return", *["BackSpace"] * len(wrong))
        self.assertFalse(wait_until(lambda: not self.window(cls="VeltraneLock", timeout=0), 2),
                         "unlocked, or the program quit")
        picture = s.pixel(20, 20, s.screenshot())
        # A larger screen is covered at once.
        self.probe("display", 1024, 768)
        self.assertTrue(wait_until(lambda: self.window(cls="VeltraneLock").rect
                                   == (0, 0, 1024, 768), 10))
        s.type_text("xyz")
        s.click(20, 20)  # a click on the frozen desktop runs the check
        self.window(cls="VeltraneLock", timeout=10, gone=True)

        # The program ended while locked: its supervisor locks again, over white.
        self.post("VeltraneMain", WM_COMMAND, M_LOCK)
        lock = self.window(cls="VeltraneLock", timeout=10)
        others = s.wine_processes(SUPERVISOR) + s.wine_processes("explorer")
        program = [p for p in s.wine_processes("appVTR.exe") if p not in others]
        self.assertEqual(len(program), 1, program)
        os.kill(program[0], signal.SIGKILL)
        self.assertTrue(wait_until(lambda: self.window(cls="VeltraneLock").hwnd != lock.hwnd,
                                   20), "the lock did not come back")
        white = "srgb(255,255,255)"
        self.assertTrue(wait_until(lambda: s.pixel(20, 20, s.screenshot()) == white, 5))
        self.assertNotEqual(picture, white, "the first lock showed no desktop picture")
        s.type_text("xyz")
        s.key("Return")
        self.assertTrue(wait_until(lambda: not self.window(cls="VeltraneLock", timeout=0)
                                   and not s.wine_processes(SUPERVISOR), 20), "still locked")

    def registry(self, key):
        result = subprocess.run([WINE, "reg", "query", key], env=self.s.env, timeout=60,
                                capture_output=True)
        return dict(re.findall(r"^\s+(\S[^\r\n]*?)\s+REG_\w+\s+([^\r\n]*)",
                               result.stdout.decode("cp1252"), re.M))

    def install(self, *arguments):
        result = subprocess.run([WINE, *arguments], env=self.s.env, timeout=120,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(result.returncode, 0, arguments)

    def test_installer(self):
        s, data, folder = self.s, self.data, self.drive / "Program Files/Veltrane"
        entry = self.drive / "ProgramData/Microsoft/Windows/Start Menu/Programs/Veltrane.lnk"
        run_key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
        uninstall_key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrane"
        installed = lambda: s.wine_processes("Veltrane\\appVTR.exe")  # noqa: E731
        # A portable copy is running: the installer asks it to quit.
        self.start()
        self.install(SETUP, "/S")
        self.assertIsNotNone(s.wait_for_exit(20), "the running copy was not stopped")
        for name in ("appVTR.exe", "uninstall.exe", "README.txt", "help/vtrhelp.html", entry):
            self.assertTrue((folder / name).is_file(), name)
        self.assertEqual(self.registry(run_key).get("Veltrane"),
                         '"C:\\Program Files\\Veltrane\\appVTR.exe"')
        listed = self.registry(uninstall_key)
        self.assertLessEqual({"DisplayName", "Publisher", "DisplayVersion", "EstimatedSize"},
                             listed.keys())
        self.assertEqual((listed.get("DisplayIcon"), listed.get("QuietUninstallString")),
                         ('"C:\\Program Files\\Veltrane\\appVTR.exe",0',
                          '"C:\\Program Files\\Veltrane\\uninstall.exe" /S'))
        # Started again from Program Files, it keeps its password in the user's own folder.
        started = wait_until(installed, 20)
        self.assertTrue(started, "the installed program did not start")
        self.assertTrue(wait_until((data / PASSWORD_FILE).exists, 20))
        self.assertFalse((folder / PASSWORD_FILE).exists())

        # An upgrade over it keeps the password and the start at sign-in turned off.
        (data / PASSWORD_FILE).chmod(0o644)
        subprocess.run([X11_WRITE, str(data), "Upgrade Me"], check=True, timeout=30)
        password = (data / PASSWORD_FILE).read_bytes()
        self.install("reg", "delete", run_key, "/v", "Veltrane", "/f")
        self.install(SETUP, "/S")
        self.assertTrue(wait_until(lambda: set(installed()) - set(started), 20),
                        "the upgraded program did not start")
        self.assertEqual(((data / PASSWORD_FILE).read_bytes(), "Veltrane" in self.registry(
            run_key)), (password, False))

        # The uninstaller (a copy of itself runs on) removes all it made but the password.
        self.install(str(folder / "uninstall.exe"), "/S")
        self.assertTrue(wait_until(lambda: not installed() and not entry.exists()
                                   and not self.registry(uninstall_key), 30, 0.5),
                        (installed(), entry.exists(), self.registry(uninstall_key)))
        self.assertEqual((folder.exists(), "Veltrane" in self.registry(run_key)), (False, False))
        self.assertEqual((data / PASSWORD_FILE).read_bytes(), password)


if __name__ == "__main__":
    unittest.main(verbosity=2)
