"""The password cycle through the real program: a password created with New in the real
dialog, used to lock and unlock, changed with Modify and recovered with Forgot, all from
the tray menu. The file the program writes is decoded by the program's own reader
(vtr_password_dump)."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_lock import LockSession  # noqa: E402
from vtr_harness import PASSWORD_FILE, PASSWORD_MENU, wait_until  # noqa: E402

DUMP = os.environ.get("VTR_PASSWORD_DUMP", "")

# The dialog's controls in client pixels at 15 twips per pixel: (left, top, width, height).
OPTION_OWN = (16, 144, 273, 17)
TXT_OTHER = (40, 171, 265, 19)


def centre(window_geometry, control):
    x, y, _, _ = window_geometry
    left, top, width, height = control
    return x + left + width // 2, y + top + height // 2


class PasswordCycleTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.exists(DUMP), "VTR_PASSWORD_DUMP must name vtr_password_dump")
        self.session = LockSession()
        self.session.__enter__()
        self.addCleanup(self.session.close)

    # ----- helpers -------------------------------------------------------------------

    def choose(self, caption):
        self.session.choose_menu_entry("Password", caption)

    def password_rows_enabled(self):
        """Whether New, Modify and Forgot are drawn enabled in the tray menu."""
        s = self.session
        menu = s.open_tray_menu()
        sub = s.open_submenu("Password", menu)
        s.move_mouse(menu.x + 5, menu.y + 3)  # off the submenu: no row highlighted
        states = s.menu_rows_enabled(sub, PASSWORD_MENU)
        s.close_menu()
        s.close_menu()
        return states

    def window(self, title, other_than=None):
        """The program's window of that title (not `other_than`), waited for."""
        s = self.session

        def find():
            window = s.find_window(title, timeout=0.2)
            return window if window and window != other_than else None

        window = wait_until(find, 5)
        self.assertTrue(window, f'no window "{title}"\n' + s.program_log())
        return window

    def activate(self, window):
        """Clicks an empty corner of the window, so it has the keyboard without moving the
        focus inside it."""
        s = self.session
        x, y, _, height = s.geometry(window)
        s.click(x + 4, y + height - 4)
        time.sleep(0.2)

    def dismiss(self, window):
        s = self.session
        s.key("Return")
        self.assertTrue(wait_until(lambda: not s.is_viewable(window), 5), "the box stayed open")

    def answer_prompt(self, title, text):
        """Types `text` into the prompt box of that title and confirms it; the box's window
        and where it was."""
        prompt = self.window(title)
        self.prompt_geometry = self.session.geometry(prompt)
        self.activate(prompt)
        self.session.type_text(text)
        self.session.key("Return")
        self.assertTrue(wait_until(lambda: not self.session.is_viewable(prompt), 5))
        return prompt

    def stored(self):
        out = subprocess.run([DUMP, self.session.program_file(PASSWORD_FILE)], check=True,
                             stdout=subprocess.PIPE, text=True).stdout.split("\n")
        text = [bytes.fromhex(value).decode("cp1252") for value in out[1:4]]
        return out[0], text[0], text[1], text[2], int(out[4])

    def lock_and_unlock(self, password):
        s = self.session
        s.lock_from_tray()
        self.assertTrue(s.unlock(password), f"{password!r} did not unlock")

    def assert_taskbar_window_without_min_max(self, window):
        """A window of its own (not transient, so it gets a taskbar button) whose window
        manager hints offer neither minimize nor maximize."""
        out = subprocess.run(["xprop", "-id", str(window), "WM_TRANSIENT_FOR",
                              "_MOTIF_WM_HINTS"], env=self.session.env, stdout=subprocess.PIPE,
                             text=True, timeout=10).stdout
        self.assertIn("WM_TRANSIENT_FOR:  not found", out)
        hints = [int(v, 16) for v in out.split("_MOTIF_WM_HINTS) = ")[1].split(",")]
        self.assertTrue(hints[0] & 1, "the hints name the functions")
        self.assertEqual(hints[1] & (0x8 | 0x10), 0, "minimize or maximize offered")

    def assert_protected(self):
        s = self.session
        self.assertEqual(s.dos_attributes(), "0x6")
        self.assertTrue(s.is_read_only())
        self.assertFalse(os.path.exists(s.program_file("vtrpwd.tmp")))

    # ----- the cycle -------------------------------------------------------------------

    def test_new_modify_forgot(self):
        s = self.session
        s.start_program()
        self.assertEqual(os.path.getsize(s.program_file(PASSWORD_FILE)), 0)

        # New: typed in the real dialog, moving on with Enter only.
        self.choose("New")
        dialog = self.window("Password")
        self.assert_taskbar_window_without_min_max(dialog)
        self.activate(dialog)
        s.type_text("Pa ss=1 ")
        s.key("Return")
        s.type_text("Pa ss=1")  # matches: the trailing blank is not compared
        s.key("Return")
        s.type_text("  golf ")  # the first question is preset; txtOther is skipped
        s.key("Return")
        # The focus is on OK now; Enter there must not press it.
        s.key("Return")
        time.sleep(0.5)
        self.assertIsNone(s.find_window("Veltrane", timeout=0.3), "Enter pressed OK")
        s.key("space")
        self.dismiss(self.window("Veltrane"))
        self.assertTrue(wait_until(lambda: not s.is_viewable(dialog), 5))
        self.assertEqual(self.stored(),
                         ("ok", "Pa ss=1 ", "What is your favourite sport?", "golf", 0))
        self.assert_protected()
        # A password is stored now: New is off, Modify and Forgot are on.
        self.assertEqual(self.password_rows_enabled(), [False, True, True])
        self.lock_and_unlock("Pa ss=1 ")

        # Modify: a wrong password is refused; the right one, padded, opens the dialog.
        self.choose("Modify")
        self.answer_prompt("Modify Password", "pa ss=1")
        self.dismiss(self.window("Modify Password Denied"))
        # One third of 1024 x 768 is 341, 256 pixels; the window frame adds its border
        # and title bar to where the client area starts.
        x, y, _, _ = self.prompt_geometry
        self.assertTrue(341 <= x <= 351 and 256 <= y <= 300, self.prompt_geometry)
        self.choose("Modify")
        self.answer_prompt("Modify Password", "  Pa ss=1")
        dialog = self.window("Password")
        self.activate(dialog)
        s.key("ctrl+a")
        s.type_text("N3w pass")
        s.key("Return")
        s.type_text("N3w pass")
        geometry = s.geometry(dialog)
        s.click(*centre(geometry, OPTION_OWN))
        s.click(*centre(geometry, TXT_OTHER))
        s.type_text("Where did we meet?")
        s.key("Return")
        s.key("ctrl+a")
        s.type_text(" Paris  ")
        s.key("Return", "space")
        self.dismiss(self.window("Veltrane"))
        self.assertEqual(self.stored(), ("ok", "N3w pass", "Where did we meet?", "Paris", 3))
        self.assert_protected()
        self.lock_and_unlock("N3w pass")

        # Forgot: a wrong case is refused; the right answer shows the reminder.
        self.choose("Forgot")
        self.answer_prompt("Password Reminder", "paris")
        self.dismiss(self.window("Answer Denied"))
        self.choose("Forgot")
        prompt = self.answer_prompt("Password Reminder", " Paris")
        self.dismiss(self.window("Password Reminder", other_than=prompt))
        self.assertEqual(self.stored()[1], "N3w pass")

    def test_quit_with_the_dialog_open_saves_nothing(self):
        s = self.session
        s.start_program()
        self.choose("New")
        self.activate(self.window("Password"))
        s.type_text("typed")
        s.choose_menu_entry("Quit")
        self.assertEqual(s.wait_for_exit(10), 0, s.program_log())
        self.assertEqual(os.path.getsize(s.program_file(PASSWORD_FILE)), 0)


if __name__ == "__main__":
    unittest.main()
