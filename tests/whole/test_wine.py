"""The Windows program as a whole under wine64: the icon, the menu's password states, the
lock with files written by either program, and Quit. One session: making a Wine prefix
takes most of a minute under load."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import MAIN_MENU, PASSWORD_MENU, row, wait_until  # noqa: E402
from wine_harness import WINE, WineSession  # noqa: E402

PROBE = os.environ.get("VTR_WIN_PROBE", "")
WIN_WRITE = os.environ.get("VTR_WIN_WRITE_PASSWORD", "")
X11_WRITE = os.environ.get("VTR_WRITE_PASSWORD", "")
X11_DUMP = os.environ.get("VTR_PASSWORD_DUMP", "")

FROM_X11, FROM_WINDOWS = "Open Sesame", "Zebra 7"
REQUIRED_TEXT = "You need to create a password before you can run the Veltrane application"


class Session(WineSession):
    def windows(self):
        """Visible top-level windows from the Windows side: dicts of hwnd, class, topmost,
        rect, text and children (class, length, mask, text)."""
        tops = []
        for line in self._run([WINE, PROBE, "list"], timeout=30).splitlines():
            kind, hwnd, cls = (line.split(" ", 3) + ["", "", ""])[:3]
            if kind == "top":
                topmost, x, y, w, h, text = line.split(" ", 8)[3:]
                tops.append(dict(hwnd=hwnd, cls=cls, topmost=topmost == "1",
                                 rect=tuple(map(int, (x, y, w, h))), text=text, children=[]))
            elif kind == "child" and tops:
                length, mask, text = line.split(" ", 5)[3:]
                tops[-1]["children"].append(dict(cls=cls, length=int(length),
                                                 mask=int(mask), text=text))
        return tops

    def window_of_class(self, cls, timeout=0):
        found = wait_until(lambda: [w for w in self.windows() if w["cls"] == cls], timeout)
        return found[0] if found else None

    def lock_window(self, timeout=0):
        return self.window_of_class("VeltraneLock", timeout)

    def box_length(self):
        lock = self.lock_window()
        return [c for c in lock["children"] if c["cls"] == "Edit"][0]["length"] if lock else -1

    def unlocked(self):
        """The lock gone on the Windows side and its X window too, which Wine withdraws
        up to 2 s later when no window manager runs."""
        return not self.lock_window() and not [
            w for w in self.windows_of(self.program.pid)
            if (self.geometry(w) or (0, 0, 0, 0))[2] >= 640]

    def close_menu(self):
        # Keys do not reach Wine's pop-up menus; a click outside closes them.
        self.click(300, 5)
        wait_until(lambda: not self.menu_windows(), 5)

    def password_rows_enabled(self):
        # The pointer stays on "Password": on any other row Wine closes the submenu.
        sub = self.open_submenu("Password", self.open_tray_menu())
        states = self.menu_rows_enabled(sub, PASSWORD_MENU)
        self.close_menu()
        return states

    def choose(self, caption):
        menu = self.open_tray_menu()
        self.choose_menu_row(row(MAIN_MENU, caption), menu=menu)

    def windows_path(self, path):
        return "Z:" + path.replace("/", "\\")


class WineProgramTest(unittest.TestCase):
    def test_program(self):
        for helper in (PROBE, WIN_WRITE, X11_WRITE, X11_DUMP):
            self.assertTrue(os.path.exists(helper), f"test helper missing: {helper!r}")
        started = time.monotonic()
        with Session(window_manager=False) as s:
            s.start_program(timeout=60)
            icon = s.tray_icon_windows()  # the icon and its frame
            self.assertEqual(s.start_another_instance(timeout=60), 0)
            self.assertEqual(s.tray_icon_windows(), icon)

            # A first start makes an empty file, hidden, system and read-only.
            self.assertEqual(os.path.getsize(s.program_file("vtrpwd.sys")), 0)
            self.assertEqual(s.dos_attributes(), "0x6")
            self.assertTrue(s.is_read_only())
            self.assertEqual(s.password_rows_enabled(), [True, False, False])

            s.choose("Lock Desktop")
            box = s.window_of_class("#32770", timeout=10)
            self.assertIsNotNone(box, "no Password Required box")
            self.assertEqual(box["text"], "Password Required")
            self.assertIn(REQUIRED_TEXT, [c["text"] for c in box["children"]])
            self.assertIsNone(s.lock_window())

            # A file written by the X11 program locks the Windows one, over the box still
            # open: the lock is above it in the stacking order.
            subprocess.run([X11_WRITE, s.program_folder, FROM_X11], check=True, timeout=30)
            self.assertEqual(s.password_rows_enabled(), [False, True, True])
            self.lock_and_unlock(s, FROM_X11, under="#32770")
            s._run([WINE, PROBE, "post", box["hwnd"], "0x111", "1"], timeout=30)  # OK
            self.assertTrue(wait_until(lambda: not s.window_of_class("#32770"), 10))

            # A file written by the Windows program reads in the X11 one, and locks here.
            subprocess.run([WINE, WIN_WRITE, s.windows_path(s.program_folder), FROM_WINDOWS],
                           env=s.env, check=True, timeout=60)
            dump = subprocess.run([X11_DUMP, s.program_file("vtrpwd.sys")], check=True,
                                  stdout=subprocess.PIPE, text=True, timeout=30).stdout.split()
            self.assertEqual(dump[:2], ["ok", FROM_WINDOWS.encode().hex()])
            self.lock_and_unlock(s, FROM_WINDOWS, wrong_first=False)

            # A taskbar made again gets the icon again.
            s._run([WINE, PROBE, "untray"], timeout=30)
            self.assertTrue(wait_until(lambda: not s.tray_icon_windows(), 10))
            s._run([WINE, PROBE, "taskbar"], timeout=30)
            self.assertTrue(s.tray_icon_window(10), "the icon did not come back")

            s.choose("Quit")
            self.assertIsNotNone(s.wait_for_exit(20), "Quit did not end the program")
            self.assertTrue(wait_until(lambda: not s.tray_icon_windows(), 10))
        print(f"whole Wine session: {time.monotonic() - started:.0f} s")

    def lock_and_unlock(self, s, password, wrong_first=True, under=None):
        s.choose("Lock Desktop")
        lock = s.lock_window(timeout=10)
        self.assertIsNotNone(lock, "no lock window\n" + s.program_log())
        if under:  # listed from the top of the stack down
            classes = [w["cls"] for w in s.windows()]
            self.assertLess(classes.index("VeltraneLock"), classes.index(under))
        self.assertTrue(lock["topmost"])
        self.assertEqual(lock["rect"], (0, 0, 1024, 768))
        box = [c for c in lock["children"] if c["cls"] == "Edit"][0]
        self.assertEqual(box["mask"], ord("*"))
        if wrong_first:
            # Another program taking the foreground gets the lock back over it.
            self.assertEqual(s._run([WINE, PROBE, "raise"], timeout=30).strip(), "VeltraneLock")
            # Close requests are refused; a wrong password, another case or a box
            # filled past its room leave it locked.
            s._run([WINE, PROBE, "post", lock["hwnd"], "0x10", "0"], timeout=30)
            for wrong in (password.upper(), " " + password):
                s.type_text(wrong)
                s.key("Return")
                self.assertIsNotNone(s.lock_window(), f"{wrong!r} unlocked")
                s.key(*["BackSpace"] * len(wrong))
            s._run(["xdotool", "type", "--delay", "2", "--", "x" * 300])
            # Wine may still be delivering the keys: read until the length holds.
            lengths = [-1]
            wait_until(lambda: lengths.append(s.box_length()) or lengths[-1] == lengths[-2] >= 255,
                       30)
            self.assertEqual(lengths[-1], 255)
            s._run(["xdotool", "key", "--delay", "2", *["BackSpace"] * 255], timeout=30)
            # The icon's menu does not come up over the lock.
            s.click(*s.icon_centre(), button=3)
            self.assertFalse(wait_until(s.menu_windows, 1.5), "a menu opened over the lock")
        s.type_text(password)
        if wrong_first:
            s.click(20, 20)  # a click on the frozen desktop runs the check
        else:
            s.key("Return")  # so does the next key going down
        self.assertTrue(wait_until(s.unlocked, 10), "the password did not unlock")


if __name__ == "__main__":
    unittest.main()
