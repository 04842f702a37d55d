"""The tray menu's dialogs through the real program, in one session: the password cycle
(New, lock and unlock, Forgot, Modify, a lock over its open dialog and Quit with it open);
then, started again, help and about, and the update check against a server on 127.0.0.1
(the program's copy has its update address and key rewritten to the test's own): clicks
during the slow version fetch are dropped; No keeps the program in the tray; Yes puts the
signed release in place of the portable copy and starts the new program."""

import io
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD_FILE, ROLES, ReleaseSigner, VtrSession, wait_until  # noqa: E402

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support",
                      "local_http_server.py")
SIZE = 4000  # a kilobyte every half second: the fetch lasts about 2 s
RELEASE = "VTR_Upgrade-x86_64.tar.gz"
HEADING = "1d355e"  # the help page's heading colour, from its stylesheet


class DialogsTest(unittest.TestCase):
    def window(self, title, other_than=None):
        """The program's window of that title (not `other_than`), waited for."""
        window = wait_until(lambda: {self.s.find_window(title, 0.2)} - {other_than, None}, 25)
        self.assertTrue(window, f'no window "{title}"\n' + self.s.program_log())
        return window.pop()

    def activate(self, window):
        """Clicks an empty corner: the window gets the keyboard, its focus stays put."""
        x, y, _, height = self.s.geometry(window)
        self.s.click(x + 4, y + height - 4)
        active = ["xdotool", "getactivewindow"]
        self.assertTrue(wait_until(lambda: self.s._run(active, False).strip() == str(window), 3))

    def answer(self, title, text=None, other_than=None, key="Return"):
        """Types `text`, if any, and `key` into that window; waits for it to go."""
        window = self.window(title, other_than)
        if text is None:
            self.s._run(["xdotool", "windowactivate", "--sync", str(window)], check=False)
        else:
            self.activate(window)
            self.s.type_text(text)
        self.s.key(key)
        self.assertTrue(wait_until(lambda: not self.s.is_viewable(window), 5), title)
        return window

    def saved(self):
        """The password file's bytes; it is left protected, with no temporary file."""
        self.assertEqual((self.s.dos_attributes(), self.s.is_read_only()), ("0x6", True))
        self.assertFalse(os.path.exists(self.s.program_file("vtrpwd.tmp")))
        return pathlib.Path(self.s.program_file(PASSWORD_FILE)).read_bytes()

    def test_dialogs(self):
        with VtrSession() as s, tempfile.TemporaryDirectory() as served:
            self.s = s
            server = subprocess.Popen([sys.executable, SERVER, served], stdout=subprocess.PIPE)
            self.addCleanup(lambda: (server.kill(), server.wait(), server.stdout.close()))
            signer = ReleaseSigner(s.root)
            signer.put_into(s.program_path)
            # The built-in update address (UTF-16 text) becomes a folder of the local server
            # where the version comes slowly, padded with zeros to the same length; the
            # release, a file of the served folder, comes as it is.
            program = pathlib.Path(s.program_path)
            found = re.findall(rb"h\0t\0t\0p\0(?:[^\0]\0)+?/\0u\0p\0d\0a\0t\0e\0/\0",
                               program.read_bytes())[0]
            head = f"http://127.0.0.1:{int(server.stdout.readline())}/odd/slow/"
            local = head + f"{SIZE}/500/".rjust(len(found) // 2 - len(head), "0")
            program.write_bytes(program.read_bytes().replace(found, local.encode("utf-16-le")))
            # The help page ships beside the program, as the build puts it beside appVTR.
            shutil.copytree(os.path.join(os.path.dirname(s.app_path), "help"),
                            s.program_file("help"))
            self.password_cycle()
            s.start_program()
            self.help_and_about()
            self.update(pathlib.Path(served), signer)

    def password_cycle(self):
        s = self.s
        s.start_program()
        self.assertEqual(os.path.getsize(s.program_file(PASSWORD_FILE)), 0)
        s.choose_menu_entry("New")
        dialog = self.window("Password")
        # A window of its own (a taskbar button), offering neither minimize nor maximize.
        out = s._run(["xprop", "-id", str(dialog), "WM_TRANSIENT_FOR", "_MOTIF_WM_HINTS"])
        hints = [int(v, 16) for v in out.split("_MOTIF_WM_HINTS) = ")[1].split(",")]
        self.assertEqual(("TRANSIENT_FOR:  not found" in out, hints[0] & 1, hints[1] & 0x18),
                         (True, 1, 0), out)  # functions named, not minimize nor maximize
        self.activate(dialog)
        # The trailing blank is not compared; the first question is preset, so Enter
        # skips txtOther; the last Enter only moves to OK, and one more presses it.
        for text in ("Pa ss=1 ", "Pa ss=1", "  golf "):
            s.type_text(text)
            s.key("Return")
        self.assertIsNone(s.find_window("Veltrane", timeout=0.5), "Enter in a box pressed OK")
        s.key("Return")
        self.answer("Veltrane")
        self.assertTrue(wait_until(lambda: not s.is_viewable(dialog), 5))
        saved = self.saved()
        s.lock_from_tray()
        self.assertTrue(s.unlock("Pa ss=1 "), "the new password did not unlock")
        s.choose_menu_entry("Forgot")
        prompt = self.answer("Password Reminder", " golf")
        self.answer("Password Reminder", other_than=prompt)  # the reminder

        # Modify with the password padded, something typed into the dialog: the lock goes
        # over it, takes the keys, leaves it; Quit then ends the program unsaved.
        s.choose_menu_entry("Modify")
        self.answer("Modify Password", "  Pa ss=1")
        self.activate(self.window("Password"))
        s.type_text("typed")
        s.lock_from_tray()
        self.assertTrue(s.unlock("Pa ss=1 "), "the password did not unlock over the dialog")
        self.window("Password")
        s.choose_menu_entry("Quit")
        self.assertEqual(s.wait_for_exit(10), 0, s.program_log())
        self.assertEqual(self.saved(), saved)

    def help_and_about(self):
        s = self.s
        # Each window's offset of its Close button, in client pixels (the help window's
        # from its bottom right corner, where it stays at every size).
        for entry, title, close in (("Contents...", "Help", (-54, -17)),
                                    ("About Veltrane...", "About Veltrane", (336, 276))):
            s.choose_menu_entry(entry)
            window = self.window(title)
            x, y, width, height = s.geometry(window)

            def frame():  # the window with the frame the window manager put around it
                return s.geometry(([window] + s.ancestors(window))[-2])
            if title == "Help":  # in the top right corner, the page's heading drawn
                self.assertTrue(wait_until(lambda: frame()[0] + frame()[2] == 1024 and
                                           frame()[1] == 0, 3), frame())
                self.assertGreater(s.count_colour(HEADING, None, f"{width}x120+{x}+{y}", 9),
                                   40, "the page's heading is not drawn")
                # Made as small as the window manager lets it, its button is still there.
                s._run(["xdotool", "windowsize", str(window), "10", "10"])
                self.assertTrue(wait_until(lambda: s.geometry(window)[2] < width, 3))
                x, y, width, height = s.geometry(window)
                close = (width + close[0], height + close[1])
            else:  # borderless: the window manager added nothing around it
                self.assertEqual(frame()[2:], (width, height))
            s.click(x + close[0], y + close[1])
            self.assertTrue(wait_until(lambda: not s.find_window(title, 0.2), 5),
                            f"Close did not close the {title} window")

    def update(self, served, signer):
        s = self.s
        s.choose_menu_entry("Check for update...")
        s.click_icon(button=3)  # while the version comes: it would open the menu
        self.assertIsNone(wait_until(s.menu_windows, 0.5), "the click came through")
        self.window("Veltrane Update")
        self.assertIsNone(wait_until(s.menu_windows, 1), "the click came late")
        self.answer("Veltrane Update", key="Escape")  # No
        self.assertEqual(s.popup_windows(), [], "a window followed No")
        self.assertEqual(pathlib.Path(s.program_file("vtrver.txt")).read_bytes(),
                         bytes(i % 251 for i in range(SIZE)) + b"\r\n")

        # The release: this program with a mark of its own.
        new_program = pathlib.Path(s.program_path).read_bytes() + b"\0release 9.9.9"
        with tarfile.open(served / RELEASE, "w:gz", compresslevel=0) as release:
            entry = tarfile.TarInfo("veltrane-9.9.9/appVTR")
            entry.size, entry.mode = len(new_program), 0o755
            release.addfile(entry, io.BytesIO(new_program))
        signer.sign(served / RELEASE)
        old = s.program.pid

        def new_ones():
            return [pid for pid in s.program_processes("tray") if pid != old]
        self.addCleanup(lambda: [os.kill(pid, signal.SIGTERM) for pid in new_ones()])
        s.choose_menu_entry("Check for update...")
        self.answer("Veltrane Update")  # Yes
        self.answer("Veltrane")  # downloaded: OK

        # Held up on its way out, once it started the helper that starts the new one, the
        # old program keeps the new one waiting: started before the old one is gone, the
        # new one would end at once.
        def helper_started():  # a child other than the guard
            try:
                children = pathlib.Path(f"/proc/{old}/task/{old}/children").read_text()
                return any(pathlib.Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[1:-1]
                           != ROLES["guard"] for pid in children.split())
            except OSError:
                return True  # the old program is gone already
        wait_until(helper_started, 20, 0.001)
        os.kill(old, signal.SIGSTOP)
        if pathlib.Path(f"/proc/{old}/stat").read_text().split(") ")[1][0] == "T":
            self.assertIsNone(wait_until(new_ones, 1), "the new program did not wait")
        os.kill(old, signal.SIGCONT)
        self.assertEqual(s.wait_for_exit(20), 0, "the old program did not end")
        self.assertTrue(wait_until(lambda: new_ones() and s.tray_icon_windows(new_ones()), 20),
                        "the new program did not start\n" + s.program_log())
        self.assertEqual(pathlib.Path(s.program_path).read_bytes(), new_program)
        self.assertEqual(sorted(os.listdir(s.program_folder)),
                         ["appVTR", "help", "vtrpwd.sys", "vtrver.txt"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
