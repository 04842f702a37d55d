"""The password cycle through the real program, from the tray menu: New, lock and unlock,
Modify, Forgot, a lock over the open dialog and Quit with it open."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD_FILE, VtrSession, wait_until  # noqa: E402

DUMP = os.environ.get("VTR_PASSWORD_DUMP", "")

# Centres of the own-question option and of txtOther, in client pixels at 15 twips per
# pixel.
OPTION_OWN = (152, 152)
TXT_OTHER = (172, 180)


class PasswordCycleTest(unittest.TestCase):
    def window(self, title, other_than=None):
        """The program's window of that title (not `other_than`), waited for."""
        window = wait_until(lambda: {self.s.find_window(title, 0.2)} - {other_than, None}, 5)
        self.assertTrue(window, f'no window "{title}"\n' + self.s.program_log())
        return window.pop()

    def activate(self, window):
        """Clicks an empty corner: the window gets the keyboard, its focus stays put."""
        x, y, _, height = self.s.geometry(window)
        self.s.click(x + 4, y + height - 4)
        active = ["xdotool", "getactivewindow"]
        self.assertTrue(wait_until(lambda: self.s._run(active, False).strip() == str(window), 3))

    def answer(self, title, text=None, other_than=None):
        """Types `text`, if any, and Return into that window; waits for it to go."""
        window = self.window(title, other_than)
        if text is not None:
            self.activate(window)
            self.s.type_text(text)
        self.s.key("Return")
        self.assertTrue(wait_until(lambda: not self.s.is_viewable(window), 5), title)
        return window

    def enter(self, *texts):
        for text in texts:
            self.s.type_text(text)
            self.s.key("Return")

    def assert_saved(self, *expected):
        """The file decodes to `expected` (password, question, answer, number), protected;
        the program's own reader (vtr_password_dump) decodes it."""
        out = subprocess.run([DUMP, self.s.program_file(PASSWORD_FILE)], check=True,
                             stdout=subprocess.PIPE, text=True).stdout.split("\n")
        text = [bytes.fromhex(value).decode("cp1252") for value in out[1:4]]
        self.assertEqual((out[0], *text, int(out[4])), ("ok", *expected))
        self.assertEqual((self.s.dos_attributes(), self.s.is_read_only()), ("0x6", True))
        self.assertFalse(os.path.exists(self.s.program_file("vtrpwd.tmp")))

    def test_new_lock_modify_forgot_quit(self):
        with VtrSession() as s:
            self.s = s
            s.start_program()
            self.assertEqual(os.path.getsize(s.program_file(PASSWORD_FILE)), 0)

            # New: typed in the real dialog, moving on with Enter only.
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
            self.enter("Pa ss=1 ", "Pa ss=1", "  golf ")
            self.assertIsNone(s.find_window("Veltrane", timeout=0.5), "Enter in a box pressed OK")
            s.key("Return")
            self.answer("Veltrane")
            self.assertTrue(wait_until(lambda: not s.is_viewable(dialog), 5))
            self.assert_saved("Pa ss=1 ", "What is your favourite sport?", "golf", 0)
            s.lock_from_tray()
            self.assertTrue(s.unlock("Pa ss=1 "), "the new password did not unlock")

            # Modify: a wrong password is refused; the right one, padded, opens the dialog.
            s.choose_menu_entry("Modify")
            self.answer("Modify Password", "pa ss=1")
            self.answer("Modify Password Denied")
            s.choose_menu_entry("Modify")
            self.answer("Modify Password", "  Pa ss=1")
            dialog = self.window("Password")
            self.activate(dialog)
            s.key("ctrl+a")
            self.enter("N3w pass")
            s.type_text("N3w pass")
            x, y, _, _ = s.geometry(dialog)
            s.click(x + OPTION_OWN[0], y + OPTION_OWN[1])
            s.click(x + TXT_OTHER[0], y + TXT_OTHER[1])
            self.enter("Where did we meet?")
            s.key("ctrl+a")
            self.enter(" Paris  ")
            s.key("space")
            self.answer("Veltrane")
            self.assert_saved("N3w pass", "Where did we meet?", "Paris", 3)

            # Forgot: a wrong case is refused; the right answer shows the reminder.
            s.choose_menu_entry("Forgot")
            self.answer("Password Reminder", "paris")
            self.answer("Answer Denied")
            s.choose_menu_entry("Forgot")
            prompt = self.answer("Password Reminder", " Paris")
            self.answer("Password Reminder", other_than=prompt)

            # The dialog open, something typed: the lock goes over it, takes the keys (the
            # changed password unlocks), leaves it; Quit then ends the program unsaved.
            s.choose_menu_entry("Modify")
            self.answer("Modify Password", "N3w pass")
            self.activate(self.window("Password"))
            s.type_text("typed")
            s.lock_from_tray()
            self.assertTrue(s.unlock("N3w pass"), "the changed password did not unlock")
            self.window("Password")
            s.choose_menu_entry("Quit")
            self.assertEqual(s.wait_for_exit(10), 0, s.program_log())
            self.assert_saved("N3w pass", "Where did we meet?", "Paris", 3)


if __name__ == "__main__":
    unittest.main()
