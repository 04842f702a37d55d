"""The program as a whole: "Contents..." and "About Veltrane..." from the tray menu, where
they open and how they look (the link's colours are checked in test_frmHelp).

Screenshots of both windows are kept in $VTR_SHOTS (default: the system's temporary
folder) as veltrane-help.png and veltrane-about.png, for a person to look at.
"""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import VtrSession, wait_until  # noqa: E402

SCREEN_WIDTH = 1024
SHOTS = os.environ.get("VTR_SHOTS", tempfile.gettempdir())

HEADING = (0x1D, 0x35, 0x5E)  # the help page's heading colour, from its stylesheet


def count_near(pixels, target, tolerance=24):
    return sum(1 for line in pixels for p in line
               if p and all(abs(a - b) <= tolerance for a, b in zip(p, target)))


class HelpAndAboutTest(unittest.TestCase):
    def outer_geometry(self, window):
        """The window with the frame the window manager put around it."""
        chain = [window] + self.s.ancestors(window)
        self.assertGreaterEqual(len(chain), 2)
        return self.s.geometry(chain[-2])

    def keep_shot(self, name, x, y, width, height):
        path = os.path.join(SHOTS, name)
        self.s._run(["convert", self.s.screenshot(), "-crop", f"{width}x{height}+{x}+{y}",
                     "+repage", path])
        print(f"screenshot: {path}")

    def close_by_click(self, title, x, y):
        self.s.click(x, y)
        self.assertTrue(wait_until(lambda: not self.s.find_window(title, timeout=0.2), 5),
                        f"Close did not close the {title} window")
        self.assertIsNone(self.s.program.poll())

    # One session for both windows: starting the desktop is most of the run time.
    def test_contents_and_about_open_from_the_tray_menu(self):
        with VtrSession(screen=f"{SCREEN_WIDTH}x768x24") as s:
            self.s = s
            # The help page ships beside the program, as the build puts it beside appVTR.
            shutil.copytree(os.path.join(os.path.dirname(s.app_path), "help"),
                            s.program_file("help"))
            s.start_program()
            with self.subTest("Contents..."):
                self.check_contents()
            with self.subTest("About Veltrane..."):
                self.check_about()

    def check_contents(self):
        s = self.s
        s.choose_menu_entry("Help", "Contents...")
        window = s.find_window("Help")
        self.assertIsNotNone(window, "the help window did not open\n" + s.program_log())
        wait_until(lambda: self.outer_geometry(window)[0] + 555 == SCREEN_WIDTH, 3)
        x, y, width, height = self.outer_geometry(window)
        # 8325 x 7860 twips at 15 twips per pixel, in the top right corner.
        self.assertEqual((x, y, width, height), (SCREEN_WIDTH - 555, 0, 555, 524))
        cx, cy, cw, ch = s.geometry(window)
        pixels = s.read_region(cx, cy, cw, 120)
        self.assertGreater(count_near(pixels, HEADING), 40, "the page's heading is not drawn")
        self.keep_shot("veltrane-help.png", x, y, width, height)
        self.close_by_click("Help", cx + 461 + 40, cy + 477 + 10)  # Close at 6910, 7160

    def check_about(self):
        s = self.s
        s.choose_menu_entry("Help", "About Veltrane...")
        window = s.find_window("About Veltrane")
        self.assertIsNotNone(window, "the about box did not open\n" + s.program_log())
        x, y, width, height = s.geometry(window)
        self.assertEqual((width, height), (391, 296))
        # Borderless: the window manager added nothing around it.
        self.assertEqual(self.outer_geometry(window)[2:], (391, 296))
        self.keep_shot("veltrane-about.png", x, y, width, height)

        self.close_by_click("About Veltrane", x + 296 + 40, y + 264 + 12)  # cmdQuit


if __name__ == "__main__":
    unittest.main()
