"""The program as a whole: start-up, the tray icon and its menu, a second start, Quit."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD_FILE, PASSWORD_MENU, VtrSession, wait_until  # noqa: E402

# A password file the program accepts ("secret", own reminder), as the password
# dialog writes it.
VALID_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "valid_vtrpwd.sys")


class ShellTest(unittest.TestCase):
    def setUp(self):
        self.session = VtrSession()
        self.session.__enter__()
        self.addCleanup(self.session.close)

    def password_rows_enabled(self):
        """Whether New, Modify and Forgot are drawn enabled in the Password submenu."""
        s = self.session
        menu = s.open_tray_menu()
        sub = s.open_submenu("Password", menu)
        s.move_mouse(menu.x + 5, menu.y + 3)  # off the submenu, so no row is highlighted
        states = s.menu_rows_enabled(sub, PASSWORD_MENU)
        s.close_menu()
        s.close_menu()
        return states

    def test_first_start_creates_hidden_empty_password_file(self):
        s = self.session
        s.start_program()
        path = s.program_file(PASSWORD_FILE)
        self.assertTrue(os.path.exists(path))
        self.assertEqual(os.path.getsize(path), 0)
        self.assertEqual(s.dos_attributes(), "0x6")
        self.assertTrue(s.is_read_only())
        self.assertEqual(self.password_rows_enabled(), [True, False, False])

    def test_valid_file_enables_modify_and_forgot_and_deleting_it_flips_them(self):
        s = self.session
        with open(VALID_FILE, "rb") as f:
            s.write_program_file(PASSWORD_FILE, f.read())
        s.start_program()
        self.assertEqual(self.password_rows_enabled(), [False, True, True])
        s.remove_program_file(PASSWORD_FILE)
        self.assertEqual(self.password_rows_enabled(), [True, False, False])
        self.assertEqual(s.dos_attributes(), "0x6")

    def test_second_start_ends_silently_and_leaves_one_icon(self):
        s = self.session
        s.start_program()
        before = sorted(os.listdir(s.program_folder))
        stamp = os.stat(s.program_file(PASSWORD_FILE)).st_mtime_ns
        self.assertEqual(s.start_another_instance(), 0)
        self.assertEqual(s.program_processes(), [s.program_pid])
        self.assertEqual(len(s.tray_icon_windows()), 1)
        self.assertEqual(sorted(os.listdir(s.program_folder)), before)
        self.assertEqual(os.stat(s.program_file(PASSWORD_FILE)).st_mtime_ns, stamp)

    def test_crashed_instance_does_not_block_the_next_start(self):
        s = self.session
        s.start_program()
        s.program.kill()
        s.program.wait(5)
        s.start_program()
        self.assertEqual(s.program_processes(), [s.program_pid])

    def test_left_click_double_click_and_middle_click_open_nothing(self):
        s = self.session
        s.start_program()
        for button, repeat in ((1, 1), (1, 2), (2, 1)):
            s.click_icon(button=button, repeat=repeat)
            time.sleep(0.4)
            self.assertEqual(s.popup_windows(), [], f"button {button} x{repeat}")

    def test_menu_opens_on_release_and_closes_on_outside_click(self):
        s = self.session
        s.start_program()
        s.press_and_hold_icon(3)
        time.sleep(0.4)
        self.assertEqual(s.menu_windows(), [], "the menu opened at the press")
        s.release_mouse(3)
        self.assertTrue(wait_until(s.menu_windows, 3), "the menu did not open at the release")
        s.click(20, 20)
        self.assertTrue(wait_until(lambda: not s.menu_windows(), 3))
        self.assertIsNone(s.wait_for_exit(0.2), "a command ran")

    def test_quit_removes_the_icon_and_ends_the_process(self):
        s = self.session
        s.start_program()
        s.choose_menu_entry("Help", "About Veltrane...")
        s.choose_menu_entry("Quit")
        self.assertEqual(s.wait_for_exit(5), 0)
        self.assertEqual(s.tray_icon_windows(), [])
        self.assertEqual(s.program_processes(), [])


class LateTrayHostTest(unittest.TestCase):
    def test_icon_appears_when_the_tray_host_starts_after_the_program(self):
        with VtrSession(tray=False) as s:
            s.start_program(wait_icon=False)
            time.sleep(1.0)
            s.start_tray_host()
            self.assertTrue(s.tray_icon_window(timeout=5), s.program_log())


if __name__ == "__main__":
    unittest.main(verbosity=2)
