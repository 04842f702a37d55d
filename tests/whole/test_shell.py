"""The program as a whole: start-up, the tray icon and its menu, a second start, --lock,
a crash and Quit."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import (MENU_KEYS, PASSWORD_FILE, PASSWORD_MENU, VtrSession,  # noqa: E402
                         wait_until)

# A password file the program accepts ("secret", own reminder), as the password dialog
# writes it.
VALID_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "valid_vtrpwd.sys")
# What New and Modify open, the Password submenu's first two rows.
TITLES = ["Password", "Modify Password"]
NO_PASSWORD = (["Password"], [True, False, False])
STORED = (["Modify Password"], [False, True, True])


def password_commands(s):
    """What the Password submenu offers: the title of what its first enabled row opens
    (closed again: "Password" for New, "Modify Password" for Modify) and each row's state
    as drawn, read once two readings agree (the highlighted first enabled row, which
    reads greyed, counts as enabled)."""
    menu = s.open_tray_menu()
    s.key(*MENU_KEYS["New"].split())
    submenu = wait_until(lambda: [m for m in s.menu_windows() if m.window != menu.window], 5)
    assert submenu, "no Password submenu"
    readings = []
    wait_until(lambda: readings.append(s.menu_rows_enabled(submenu[0], PASSWORD_MENU)) or
               readings[-2:] == readings[-1:] * 2, 3)
    rows = readings[-1]
    s.key("Return")
    found = wait_until(lambda: [(t, w) for t in TITLES for w in [s.find_window(t, 0)] if w], 5)
    for _, window in found or ():
        s._run(["wmctrl", "-i", "-c", hex(window)])
    wait_until(lambda: not s.popup_windows(), 5)
    titles = [title for title, _ in found or ()]
    if len(titles) == 1:
        rows[TITLES.index(titles[0])] = True
    return titles, rows


class ShellTest(unittest.TestCase):
    def test_start_clicks_second_start_lock_crash_and_quit(self):
        with VtrSession(tray=False) as s:
            password_file = s.program_file(PASSWORD_FILE)

            def marks():  # the password file's size, DOS attributes and read-only state
                return os.path.getsize(password_file), s.dos_attributes(), s.is_read_only()
            s.start_program(wait_icon=False)
            # Started up (its password file made) with no tray: the icon comes with one.
            self.assertTrue(wait_until(lambda: os.path.exists(password_file), 10))
            s.start_tray_host()
            self.assertTrue(s.tray_icon_window(10), s.program_log())
            self.assertEqual(marks(), (0, "0x6", True))
            self.assertEqual(password_commands(s), NO_PASSWORD)

            before = sorted(os.listdir(s.program_folder))
            stamp = os.stat(password_file).st_mtime_ns
            self.assertEqual(s._spawn("appVTR-second", [s.program_path]).wait(10), 0)
            self.assertEqual(s.program_processes("tray"), [s.program.pid], "second start")
            self.assertEqual(len(s.tray_icon_windows()), 1, "second start")
            self.assertEqual(sorted(os.listdir(s.program_folder)), before, "second start")
            self.assertEqual(os.stat(password_file).st_mtime_ns, stamp)

            # The middle button opens nothing: watched for half a second (a menu shows
            # within 0.1 s).
            s.click_icon(button=2)
            self.assertIsNone(wait_until(s.popup_windows, 0.5), "middle button")
            # The right and the left button open the menu at their release over the icon
            # only.
            for button, away in ((3, True), (3, False), (1, True), (1, False)):
                s.move_mouse(*s.icon_centre())
                s._run(["xdotool", "mousedown", str(button)])
                self.assertIsNone(wait_until(s.menu_windows, 0.5), "the menu opened at the press")
                if away:
                    s.move_mouse(500, 300)
                s._run(["xdotool", "mouseup", str(button)])
                self.assertEqual(bool(wait_until(s.menu_windows, 0.5 if away else 3)), not away)
                s.click(20, 20)
                self.assertTrue(wait_until(lambda: not s.menu_windows(), 3), "an outside click")
            self.assertIsNone(s.wait_for_exit(0.2), "a command ran")

            # A password saved: Modify comes first; deleted, an empty hidden file and New.
            os.remove(password_file)
            shutil.copy(VALID_FILE, password_file)
            self.assertEqual(password_commands(s), STORED)
            # A second start with --lock hands the request over; the running one locks, and
            # --lock returns at the unlock.
            lock = s._spawn("appVTR-lock", [s.program_path, "--lock"])
            s.wait_locked()
            self.assertIsNone(lock.poll())
            self.assertTrue(s.unlock("secret"))
            self.assertEqual(lock.wait(5), 0, s.program_log())
            os.remove(password_file)
            self.assertEqual(password_commands(s), NO_PASSWORD)
            self.assertEqual(marks(), (0, "0x6", True))

            s.program.kill()  # the instance lock is left behind
            s.program.wait(5)
            s.start_program()
            self.assertEqual(s.program_processes("tray"), [s.program.pid], "start after a crash")
            s.choose_menu_entry("About Veltrane...")
            self.assertTrue(s.find_window("About Veltrane"))
            # A right-click in the moment after a window came up may open nothing (as after
            # Help in the lock scenario); a user clicks again, as this test does.
            self.assertTrue(wait_until(lambda: s.click_icon(button=3) or
                                       wait_until(s.menu_windows, 1), 6), "no menu over About")
            s.key(*MENU_KEYS["Quit"].split(), "Return")
            self.assertEqual(s.wait_for_exit(5), 0)
            self.assertEqual(s.tray_icon_windows(), [])
            self.assertTrue(wait_until(lambda: not s.program_processes(), 3), "its guard stays")


if __name__ == "__main__":
    unittest.main(verbosity=2)
