"""The update check from the tray menu. The built-in update server is out of reach
here, so the user must hear that the server cannot be reached (or that the machine is
offline), never that the program is current, and the program stays in the tray."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import HELP_MENU, MAIN_MENU, VtrSession, row, wait_until  # noqa: E402

FAILURE_TITLES = ("Internet access problem", "No Connection")


class UpdateTest(unittest.TestCase):
    def setUp(self):
        self.session = VtrSession()
        self.session.__enter__()
        self.addCleanup(self.session.close)

    def failure_box(self, timeout):
        s = self.session
        return wait_until(
            lambda: next((w for w in (s.find_window(t, 0) for t in FAILURE_TITLES) if w), None),
            timeout)

    def test_unreachable_server_is_reported_and_the_program_stays(self):
        s = self.session
        s.start_program()
        s.open_tray_menu()
        s.choose_menu_row(row(MAIN_MENU, "Help"), row(HELP_MENU, "Check for update..."))
        # The fetch gives up after 15 s at the most.
        box = self.failure_box(25)
        self.assertTrue(box, "no failure message\n" + s.program_log())
        self.assertIsNone(s.find_window("Veltrane Update", 0))
        self.assertFalse(os.path.exists(s.program_file("vtrver.txt")))

        s._run(["xdotool", "windowactivate", "--sync", str(box)], check=False)
        s.key("Return")
        self.assertTrue(wait_until(lambda: not self.failure_box(0), 5), "the message stayed")
        self.assertIsNone(s.find_window("Veltrane Update", 1), "a second message followed")
        self.assertIsNone(s.wait_for_exit(0.3), "the program ended")
        self.assertTrue(s.tray_icon_windows())


if __name__ == "__main__":
    unittest.main(verbosity=2)
