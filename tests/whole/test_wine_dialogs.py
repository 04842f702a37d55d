"""The Windows program's dialogs under wine64 in Xvfb, read and driven from the Windows
side by win_probe (window texts, focus, posted clicks and keys): New, Modify and Forgot
with the file checked against the X11 build's writer; help and about; the update check
against a local server on 127.0.0.1. One Wine session for all of it (a prefix takes
half a minute to make). Screenshots go to $VTR_SHOTS (default /tmp/win-shots)."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD_FILE, wait_until  # noqa: E402
from wine_harness import WINE, WineSession  # noqa: E402

PROBE = os.environ.get("VTR_WIN_PROBE", "")
WRITE_PASSWORD = os.environ.get("VTR_WRITE_PASSWORD", "")
SHOTS = os.environ.get("VTR_SHOTS", "/tmp/win-shots")
SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support",
                      "local_http_server.py")
BUILT_IN_UPDATE = b"https://updates.corvenna.com/downloads/products/vtr/downloads/update/"

WM_KEYDOWN, WM_COMMAND, BM_CLICK = 0x100, 0x111, 0xF5
VK_RETURN, VK_F1 = 0x0D, 0x70
# The tray menu's entries, as the main window's WM_COMMAND takes them.
M_NEW, M_MODIFY, M_FORGOT, M_CONTENTS, M_UPDATE, M_ABOUT, M_EXIT = 102, 103, 104, 105, 106, 107, 108
# The password dialog's boxes and buttons, by control id.
TXT_NEW, TXT_CONFIRM, TXT_OTHER, TXT_ANSWER, OPTION, CMD_OK = 10, 11, 13, 14, 100, 200


def unescape(text):
    return text.replace("\\r", "\r").replace("\\n", "\n")


class Window:
    def __init__(self, hwnd, cls, title):
        self.hwnd, self.cls, self.title = hwnd, cls, title
        self.controls = []

    def control(self, cid=None, text=None):
        return next((c for c in self.controls
                     if (cid is None or c["id"] == cid) and (text is None or c["text"] == text)),
                    None)

    def focused(self):
        return next((c["id"] for c in self.controls if c["focused"]), None)

    def message(self):
        """A message box's text: its longest static text."""
        statics = [c["text"] for c in self.controls if c["cls"].lower() == "static"]
        return max(statics, key=len, default="")


class WineDialogsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.s = WineSession(window_manager=False)
        cls.s.__enter__()
        with open(cls.s.program_path, "rb") as f:
            cls.original = f.read()
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.s.close()

    # ----- the Windows side ----------------------------------------------------------

    def probe(self, *args):
        result = subprocess.run([WINE, PROBE, *map(str, args)], env=self.s.env, timeout=60,
                                cwd=self.s.program_folder,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return result.returncode, result.stdout.decode("cp1252")

    def windows(self):
        found = []
        for line in self.probe("controls")[1].splitlines():
            kind, hwnd, rest = (line.split(" ", 2) + [""])[:3]
            if kind == "form":
                found.append(Window(hwnd, *(rest.split(" ", 1) + [""])[:2]))
            elif kind == "control" and found:
                cid, cls, enabled, checked, focused, text = (rest.split(" ", 5) + [""])[:6]
                found[-1].controls.append(dict(
                    hwnd=hwnd, id=int(cid), cls=cls, enabled=enabled == "1",
                    checked=checked == "1", focused=focused == "1", text=unescape(text)))
        return found

    def window(self, title=None, cls=None, timeout=30, gone=False):
        """The visible window of that title and/or class, waited for; with `gone`, waits
        until there is none."""
        def find():
            return next((w for w in self.windows() if (title is None or w.title == title)
                         and (cls is None or w.cls == cls)), None)
        if gone:
            self.assertTrue(wait_until(lambda: not find(), timeout, 0.2),
                            f"{title or cls} stayed open")
            return None
        found = wait_until(find, timeout, 0.2)
        self.assertTrue(found, f"no window {title or cls}\n" + self.s.program_log())
        return found

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.assertEqual(self.probe("post", hwnd, message, wparam, lparam)[0], 0)

    def command(self, entry):
        code, out = self.probe("find", "VeltraneMain")
        self.assertEqual(code, 0, "no main window")
        self.post(out.strip(), WM_COMMAND, entry)

    def press(self, window, cid):
        self.post(window.hwnd, WM_COMMAND, cid, window.control(cid)["hwnd"])

    def set_text(self, window, cid, text):
        self.assertEqual(self.probe("settext", window.control(cid)["hwnd"], text)[0], 0)

    def answer(self, title, expected=None, button=1):
        """Checks the message box of that title, presses a button; its text."""
        box = self.window(title, "#32770")
        if expected is not None:
            self.assertEqual(box.message(), expected)
        self.post(box.hwnd, WM_COMMAND, button)
        self.window(title, "#32770", gone=True)
        return box.message()

    def shot(self, name):
        self.s.screenshot(os.path.join(SHOTS, name + ".png"))

    def admin(self):
        return self.window("Password", "VeltraneAdmin")

    # ----- the password dialog and its commands ----------------------------------------

    def test_1_new_modify_forgot(self):
        s = self.s
        s.start_program()
        self.command(M_NEW)
        dialog = self.admin()
        self.assertEqual([dialog.control(OPTION + i)["text"] for i in range(4)],
                         ["What is your favourite sport?", "What is your favourite colour?",
                          "What is your favourite movie?",
                          "Other ( enter to create your own question )"])
        self.assertTrue(dialog.control(OPTION)["checked"])
        self.assertFalse(dialog.control(TXT_OTHER)["enabled"])
        self.assertEqual(dialog.focused(), TXT_NEW)
        self.shot("frmAdmin")

        # Enter moves on as Tab does, skipping the disabled own-question box; on OK it
        # presses it (here: the first check refuses).
        for at, then in ((TXT_NEW, TXT_CONFIRM), (TXT_CONFIRM, TXT_ANSWER), (TXT_ANSWER, CMD_OK)):
            self.post(dialog.control(at)["hwnd"], WM_KEYDOWN, VK_RETURN, 1)
            self.assertTrue(wait_until(lambda: self.admin().focused() == then, 10, 0.2), then)
        self.post(dialog.control(CMD_OK)["hwnd"], WM_KEYDOWN, VK_RETURN, 1)
        self.answer("Password Required", "Password can not be blank. Please enter")
        self.assertEqual(self.admin().focused(), TXT_NEW)

        # The checks in their order, each with its box and where the focus goes.
        self.post(dialog.control(OPTION + 3)["hwnd"], BM_CLICK)
        self.assertTrue(wait_until(lambda: self.admin().control(TXT_OTHER)["enabled"], 10, 0.2))
        for box, text, title, focus in (
                (TXT_NEW, "abc", "Confirm Password Required", TXT_CONFIRM),
                (TXT_CONFIRM, "abd", "Password Error", TXT_CONFIRM),
                (TXT_CONFIRM, "abc ", "Question Required", TXT_OTHER),
                (TXT_OTHER, "Pet = dog?", "Anwser Required", TXT_ANSWER),
                (TXT_ANSWER, " rex ", "Password Error", TXT_OTHER),
                (TXT_OTHER, "What is your pet's name?", "Veltrane", None)):
            self.set_text(dialog, box, text)
            self.press(dialog, CMD_OK)
            if title == "Veltrane":
                self.shot("frmAdmin_saved")
            message = self.answer(title)
            if focus:
                self.assertEqual(self.admin().focused(), focus, message)
        self.assertEqual(message, "Your password has been created successfully ")
        self.window("Password", "VeltraneAdmin", gone=True)

        # The X11 build's writer with the same values and fresh draws makes the same bytes;
        # the first two draws are the reference keys 7 and 3.
        with open(s.program_file(PASSWORD_FILE), "rb") as f:
            written = f.read()
        self.assertEqual(written[:8], b"\x07nN[]\x03\r\n")
        reference = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, reference)
        subprocess.run([WRITE_PASSWORD, reference,
                        "abc", "What is your pet's name? = rex", "3"], check=True)
        with open(os.path.join(reference, PASSWORD_FILE), "rb") as f:
            self.assertEqual(written, f.read())
        self.assertEqual(s.dos_attributes(), "0x6")
        self.assertTrue(s.is_read_only())
        self.assertFalse(os.path.exists(s.program_file("vtrpwd.tmp")))

        # Modify: a wrong password is refused; the right one opens the dialog preset.
        for typed, then in (("ABC", "Modify Password Denied"), (" abc ", None)):
            self.command(M_MODIFY)
            prompt = self.window("Modify Password", "VeltraneInputBox")
            self.set_text(prompt, 3, typed)
            if then:
                self.shot("input_box")
            self.press(prompt, 1)
            if then:
                self.answer(then, "Sorry, your password is incorrect")
        dialog = self.admin()
        self.assertEqual([dialog.control(c)["text"] for c in (TXT_NEW, TXT_CONFIRM, TXT_OTHER,
                                                              TXT_ANSWER)],
                         ["abc", "", "What is your pet's name?", "rex"])
        self.assertTrue(dialog.control(OPTION + 3)["checked"])
        for box, text in ((TXT_NEW, "xyz"), (TXT_CONFIRM, "xyz"), (TXT_ANSWER, "cat")):
            self.set_text(dialog, box, text)
        self.press(dialog, CMD_OK)
        self.answer("Veltrane", "Your password detail has been saved successfully ")
        self.window("Password", "VeltraneAdmin", gone=True)
        self.assertEqual(s.dos_attributes(), "0x6")

        # Forgot: the stored question asked, the password told for the right answer only.
        for typed, title, text in (
                ("dog", "Answer Denied", "Sorry, your answer is incorrect"),
                (" cat", "Password Reminder",
                 "Password is case sENsiTiVe please enter your password exactly.\n\r\r"
                 "Your password is xyz")):
            self.command(M_FORGOT)
            prompt = self.window("Password Reminder", "VeltraneInputBox")
            self.assertIsNotNone(prompt.control(text="What is your pet's name?"))
            self.set_text(prompt, 3, typed)
            self.press(prompt, 1)
            self.answer(title, text)

    # ----- help and about ----------------------------------------------------------------

    def test_2_help_and_about(self):
        if not self.s.program or self.s.program.poll() is not None:
            self.s.start_program()
        self.command(M_CONTENTS)
        help_window = self.window("Help", "VeltraneHelp")
        page = "help\\vtrhelp.html"
        self.assertTrue(any(page in c["text"] for c in help_window.controls),
                        [c["text"] for c in help_window.controls])
        self.shot("frmHelp")
        self.press(help_window, 200)
        self.window("Help", "VeltraneHelp", gone=True)
        # F1 reaching the hidden main window opens it too.
        self.post(self.probe("find", "VeltraneMain")[1].strip(), WM_KEYDOWN, VK_F1, 1)
        self.press(self.window("Help", "VeltraneHelp"), 200)
        self.window("Help", "VeltraneHelp", gone=True)

        self.assertEqual(self.probe("icon", "appVTR.exe", 101)[0], 0, "no icon 101")
        self.command(M_ABOUT)
        about = self.window(cls="VeltraneAbout")
        self.assertIsNotNone(about.control(text="Close"))
        self.shot("frmAbout")
        self.press(about, 200)
        self.window(cls="VeltraneAbout", gone=True)

    # ----- the update check ----------------------------------------------------------------

    def restart_with_update_base(self, base):
        """Ends the program, points its built-in update address at `base` (NUL-padded
        to the same length) and starts it again."""
        s = self.s
        if s.program and s.program.poll() is None:
            self.command(M_EXIT)
            if s.wait_for_exit(20) is None:
                s._end(s.program)
        self.assertLessEqual(len(base), len(BUILT_IN_UPDATE))
        self.assertEqual(self.original.count(BUILT_IN_UPDATE), 1)
        with open(s.program_path, "wb") as f:
            f.write(self.original.replace(
                BUILT_IN_UPDATE, base + b"\0" * (len(BUILT_IN_UPDATE) - len(base))))
        s.start_program()

    def test_3_update(self):
        s = self.s
        served = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, served)
        server = subprocess.Popen([sys.executable, SERVER, served], stdout=subprocess.PIPE)
        self.addCleanup(server.stdout.close)
        self.addCleanup(server.wait)
        self.addCleanup(server.kill)
        local = b"http://127.0.0.1:%d/" % int(server.stdout.readline())
        version_file = os.path.join(served, "vtrver.txt")

        # The running version on the server: the program is current.
        with open(version_file, "wb") as f:
            f.write(b"  Version 1.0.0\r\nnotes  ")
        self.restart_with_update_base(local)
        self.command(M_UPDATE)
        self.answer("Veltrane Update", "You have a latest version of Veltrane application")
        with open(s.program_file("vtrver.txt"), "rb") as f:
            self.assertEqual(f.read(), b"Version 1.0.0\r\nnotes\r\n")

        # Another version: offered; Yes downloads the installer with progress (3000 bytes
        # in three chunks), which is then started (not a program here: the window says so).
        with open(version_file, "wb") as f:
            f.write(b"Version 1.0.1")
        self.restart_with_update_base(local + b"odd/slow/3000/")
        self.command(M_UPDATE)
        self.answer("Veltrane Update",
                    "There is a newer version available to download, do you wish to update?", 6)
        box = self.window("Veltrane", "#32770", timeout=60)
        self.assertEqual(box.message(), "The file VTR_Upgrade.exe\rhas been downloaded "
                         "successfully\rclick OK to start install")
        upgrade = self.window(cls="VeltraneUpdate")
        self.assertEqual(upgrade.title, "Downloading: 100%")
        texts = [c["text"] for c in upgrade.controls]
        for expected in ("Download completed... 100%",
                         "Transferring: 2.9296875 KB of 2.9296875 KB",
                         "The upgrade file has been downloaded successfully"):
            self.assertIn(expected, texts)
        # Six "/" in the address: four dots.
        self.assertIn("Download from: .... \\ VTR_Upgrade.exe", texts)
        self.shot("frmUpdate")
        with open(s.program_file("VTR_Upgrade.exe"), "rb") as f:
            self.assertEqual(f.read(), bytes(i % 251 for i in range(3000)))
        self.post(box.hwnd, WM_COMMAND, 1)
        self.assertTrue(wait_until(lambda: "The upgrade file could not be started." in [
            c["text"] for c in self.window(cls="VeltraneUpdate").controls], 20, 0.2))
        self.assertIsNone(s.wait_for_exit(0.5), "the program ended")

        # A transfer that stops short of its announced length leaves nothing to start.
        os.remove(s.program_file("VTR_Upgrade.exe"))
        self.restart_with_update_base(local + b"odd/short/3000/")
        self.command(M_UPDATE)
        self.answer("Veltrane Update", None, 6)
        self.assertTrue(wait_until(lambda: "The upgrade file could not be downloaded. Please try "
                                   "again later." in [c["text"] for c in self.window(
                                       cls="VeltraneUpdate").controls], 60, 0.2))
        self.assertFalse(os.path.exists(s.program_file("VTR_Upgrade.exe")))
        self.assertFalse([w for w in self.windows() if w.cls == "#32770"], "a message came")
        self.assertIsNone(s.wait_for_exit(0.5), "the program ended")


if __name__ == "__main__":
    unittest.main(verbosity=2)
