"""The program as a whole: start-up, the tray icon and its menu, a second start, Quit."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD_FILE, VtrSession, wait_until  # noqa: E402

# A password file the program accepts ("secret", own reminder), as the password
# dialog writes it.
VALID_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "valid_vtrpwd.sys")


class ShellTest(unittest.TestCase):
    def start(self, **options):
        s = VtrSession(**options).__enter__()
        self.addCleanup(s.close)
        return s

    def assert_hidden_empty_file(self, s, when):
        self.assertEqual(os.path.getsize(s.program_file(PASSWORD_FILE)), 0, when)
        self.assertEqual(s.dos_attributes(), "0x6", when)
        self.assertTrue(s.is_read_only(), when)

    def test_first_start_second_start_clicks_and_quit(self):
        s = self.start()
        s.start_program()
        self.assert_hidden_empty_file(s, "first start")
        self.assertEqual(s.password_rows_enabled(), [True, False, False])

        before = sorted(os.listdir(s.program_folder))
        stamp = os.stat(s.program_file(PASSWORD_FILE)).st_mtime_ns
        self.assertEqual(s.start_another_instance(), 0)
        self.assertEqual(s.program_processes(), [s.program_pid], "second start")
        self.assertEqual(len(s.tray_icon_windows()), 1, "second start")
        self.assertEqual(sorted(os.listdir(s.program_folder)), before, "second start")
        self.assertEqual(os.stat(s.program_file(PASSWORD_FILE)).st_mtime_ns, stamp)

        # Nothing opens: each is watched for half a second (a menu shows within 0.1 s).
        for button, repeat in ((1, 1), (1, 2), (2, 1)):
            s.click_icon(button=button, repeat=repeat)
            self.assertIsNone(wait_until(s.popup_windows, 0.5), f"button {button} x{repeat}")

        s.press_and_hold_icon(3)
        self.assertIsNone(wait_until(s.menu_windows, 0.5), "the menu opened at the press")
        s.release_mouse(3)
        self.assertTrue(wait_until(s.menu_windows, 3), "the menu did not open at the release")
        s.click(20, 20)
        self.assertTrue(wait_until(lambda: not s.menu_windows(), 3), "an outside click")
        self.assertIsNone(s.wait_for_exit(0.2), "a command ran")

        s.choose_menu_entry("Help", "About Veltrane...")
        s.choose_menu_entry("Quit")
        self.assertEqual(s.wait_for_exit(5), 0)
        self.assertEqual(s.tray_icon_windows(), [])
        self.assertEqual(s.program_processes(), [])

    def test_valid_file_deleting_it_and_a_crash(self):
        s = self.start()
        shutil.copy(VALID_FILE, s.program_file(PASSWORD_FILE))
        s.start_program()
        self.assertEqual(s.password_rows_enabled(), [False, True, True])
        os.remove(s.program_file(PASSWORD_FILE))
        self.assertEqual(s.password_rows_enabled(), [True, False, False])
        self.assert_hidden_empty_file(s, "after deleting")

        s.program.kill()  # the instance lock is left behind
        s.program.wait(5)
        s.start_program()
        self.assertEqual(s.program_processes(), [s.program_pid], "start after a crash")

    def test_icon_appears_when_the_tray_host_starts_after_the_program(self):
        s = self.start(tray=False)
        s.start_program(wait_icon=False)
        # Started up (its password file made) with no tray to show the icon in.
        self.assertTrue(wait_until(lambda: os.path.exists(s.program_file(PASSWORD_FILE)), 10))
        s.start_tray_host()
        self.assertTrue(s.tray_icon_window(timeout=5), s.program_log())


if __name__ == "__main__":
    unittest.main(verbosity=2)
