"""The program as a whole: "Contents..." and "About Veltrane..." from the tray menu, where
they open, the page shown, and their Close buttons."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import VtrSession, wait_until  # noqa: E402

HEADING = "1d355e"  # the help page's heading colour, from its stylesheet


class HelpAndAboutTest(unittest.TestCase):
    def test_contents_and_about_open_from_the_tray_menu(self):
        with VtrSession() as s:
            # The help page ships beside the program, as the build puts it beside appVTR.
            shutil.copytree(os.path.join(os.path.dirname(s.app_path), "help"),
                            s.program_file("help"))
            s.start_program()
            # Each window's offset of its Close button, in client pixels (the help window's
            # from its bottom right corner, where it stays at every size).
            for entry, title, close in (("Contents...", "Help", (-54, -17)),
                                        ("About Veltrane...", "About Veltrane", (336, 276))):
                s.choose_menu_entry(entry)
                window = s.find_window(title)
                self.assertIsNotNone(window, f"no {title} window\n" + s.program_log())
                x, y, width, height = s.geometry(window)
                def frame():  # the window with the frame the window manager put around it
                    return s.geometry(([window] + s.ancestors(window))[-2])
                if title == "Help":  # in the top right corner, the page's heading drawn
                    self.assertTrue(wait_until(lambda: frame()[0] + frame()[2] == 1024 and
                                               frame()[1] == 0, 3), frame())
                    self.assertGreater(s.count_colour(HEADING, None, f"{width}x120+{x}+{y}", 9),
                                       40, "the page's heading is not drawn")
                    # Made small by the window manager, its button is still there.
                    s._run(["xdotool", "windowsize", "--sync", str(window), "240", "160"])
                    x, y, width, height = s.geometry(window)
                    close = (width + close[0], height + close[1])
                else:  # borderless: the window manager added nothing around it
                    self.assertEqual(frame()[2:], (width, height))
                s.click(x + close[0], y + close[1])
                self.assertTrue(wait_until(lambda: not s.find_window(title, 0.2), 5),
                                f"Close did not close the {title} window")
                self.assertIsNone(s.program.poll())


if __name__ == "__main__":
    unittest.main(verbosity=2)
