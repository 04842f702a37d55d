"""The program as a whole on an embedded tray: start-up, which clicks open the menu, the
password commands refreshed as it opens, a second start, a crash and Quit."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import MENU_KEYS, PASSWORD_FILE, VtrSession, wait_until  # noqa: E402


def first_password_command(s):
    """The title of what the Password submenu's first enabled row opens, closed again:
    "Password" for New, "Modify Password" for Modify."""
    s.choose_menu_entry("New")
    title = wait_until(lambda: next((title for title in ("Password", "Modify Password")
                                     if s.find_window(title, 0)), None), 5)
    s.key("Escape")
    assert wait_until(lambda: not s.popup_windows(), 5), f"{title} stayed"
    return title


class ShellTest(unittest.TestCase):
    def test_start_clicks_second_start_crash_and_quit(self):
        with VtrSession(tray=False) as s:
            password_file = s.program_file(PASSWORD_FILE)
            s.start_program(wait_icon=False)
            # Started up (its password file made) with no tray: the icon comes with one.
            self.assertTrue(wait_until(lambda: os.path.exists(password_file), 10))
            s.start_tray_host()
            self.assertTrue(s.tray_icon_window(10), s.program_log())
            self.assertEqual(first_password_command(s), "Password")

            before = sorted(os.listdir(s.program_folder))
            stamp = os.stat(password_file).st_mtime_ns
            self.assertEqual(s._spawn("appVTR-second", [s.program_path]).wait(10), 0)
            self.assertEqual(s.program_processes("tray"), [s.program.pid], "second start")
            self.assertEqual(sorted(os.listdir(s.program_folder)), before, "second start")
            self.assertEqual(os.stat(password_file).st_mtime_ns, stamp)

            # The middle button opens nothing: watched for half a second (a menu shows
            # within 0.1 s). The right and the left button open the menu at their release,
            # over the icon only.
            s.click_icon(button=2)
            self.assertIsNone(wait_until(s.popup_windows, 0.5), "middle button")
            for button, away in ((3, True), (1, False)):
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
            s.store_password()
            self.assertEqual(first_password_command(s), "Modify Password")
            os.remove(password_file)
            self.assertEqual(first_password_command(s), "Password")
            self.assertEqual((os.path.getsize(password_file), s.dos_attributes(),
                              s.is_read_only()), (0, "0x6", True))

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
