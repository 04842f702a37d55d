"""The program as a whole: "Contents..." and "About Veltrane..." from the tray menu.

Screenshots of both windows are kept in $VTR_SHOTS (default: the system's temporary
folder) as veltrane-help.png and veltrane-about.png, for a person to look at.
"""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import HELP_MENU, MAIN_MENU, VtrSession, row, wait_until  # noqa: E402

SCREEN_WIDTH = 1024
SHOTS = os.environ.get("VTR_SHOTS", tempfile.gettempdir())

HEADING = (0x1D, 0x35, 0x5E)  # the help page's heading colour, from its stylesheet
LINK_COLOURS = {"navy": (0, 0, 128), "dark blue": (32, 72, 134), "blue": (0, 0, 255)}


def near(colour, target, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, target))


def count_near(pixels, target, tolerance=24):
    return sum(1 for line in pixels for p in line if p and near(p, target, tolerance))


def text_colour(pixels):
    """Which of LINK_COLOURS the text in `pixels` is drawn in. Small text is mostly
    smoothed into the background, so each of the darkest pixels is taken as a blend of
    the background and a text colour, and the colour that explains them best wins."""
    found = [p for line in pixels for p in line if p]
    background = max(found, key=sum)
    ink = sorted(found, key=sum)[:8]

    def misfit(target):
        span = [t - b for t, b in zip(target, background)]
        total = 0.0
        for p in ink:
            offset = [c - b for c, b in zip(p, background)]
            share = sum(o * s for o, s in zip(offset, span)) / sum(s * s for s in span)
            share = min(1.0, max(0.0, share))
            total += sum((o - share * s) ** 2 for o, s in zip(offset, span))
        return total

    return min(LINK_COLOURS, key=lambda name: misfit(LINK_COLOURS[name]))


class HelpAndAboutTest(unittest.TestCase):
    def setUp(self):
        self.session = VtrSession(screen=f"{SCREEN_WIDTH}x768x24")
        self.session.__enter__()
        self.addCleanup(self.session.close)
        # The help page ships beside the program, as the build puts it beside appVTR.
        built = os.path.join(os.path.dirname(self.session.app_path), "help")
        shutil.copytree(built, self.session.program_file("help"))
        self.session.start_program()

    def choose_help_entry(self, caption):
        s = self.session
        s.open_tray_menu()
        s.choose_menu_row(row(MAIN_MENU, "Help"), row(HELP_MENU, caption))

    def outer_geometry(self, window):
        """The window with the frame the window manager put around it."""
        s = self.session
        chain = [window] + s.ancestors(window)
        root = chain[-1]
        top = chain[-2] if len(chain) >= 2 else window
        self.assertNotEqual(top, root)
        return s.geometry(top)

    def keep_shot(self, name, x, y, width, height):
        s = self.session
        path = os.path.join(SHOTS, name)
        s._run(["convert", s.screenshot(), "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                path])
        print(f"screenshot: {path}")
        return path

    def test_contents_shows_the_help_page_in_the_top_right_corner(self):
        s = self.session
        self.choose_help_entry("Contents...")
        window = s.find_window("Help")
        self.assertIsNotNone(window, "the help window did not open\n" + s.program_log())
        wait_until(lambda: self.outer_geometry(window)[0] + 555 == SCREEN_WIDTH, 3)
        x, y, width, height = self.outer_geometry(window)
        # 8325 x 7860 twips at 15 twips per pixel, in the top right corner.
        self.assertEqual((width, height), (555, 524))
        self.assertEqual((x + width, y), (SCREEN_WIDTH, 0))

        cx, cy, cw, ch = s.geometry(window)
        pixels = s.read_region(cx, cy, cw, 120)
        self.assertGreater(count_near(pixels, HEADING), 40, "the page's heading is not drawn")
        self.keep_shot("veltrane-help.png", x, y, width, height)

        # Close, 1215 x 300 twips at 6910, 7160 in the window.
        s.click(cx + 461 + 40, cy + 477 + 10)
        self.assertTrue(wait_until(lambda: not s.find_window("Help", timeout=0.2), 5),
                        "Close did not close the help window")
        self.assertIsNone(s.program.poll())

    def test_about_shows_the_box_and_its_link_follows_the_pointer(self):
        s = self.session
        self.choose_help_entry("About Veltrane...")
        window = s.find_window("About Veltrane")
        self.assertIsNotNone(window, "the about box did not open\n" + s.program_log())
        x, y, width, height = s.geometry(window)
        self.assertEqual((width, height), (391, 296))
        # Borderless: the window manager added nothing around it.
        self.assertEqual(self.outer_geometry(window)[2:], (391, 296))

        link = (x + 248, y + 56, 137, 13)  # lblWebsite, 3720, 840, 2055 x 195 twips
        self.keep_shot("veltrane-about.png", x, y, width, height)
        self.assertEqual(text_colour(s.read_region(*link)), "navy")
        s.move_mouse(link[0] + 30, link[1] + 6)
        self.assertTrue(wait_until(lambda: text_colour(s.read_region(*link)) == "blue", 3),
                        "the link did not turn blue under the pointer")
        s.move_mouse(x + 40, y + 200)  # the box's free area
        self.assertTrue(wait_until(lambda: text_colour(s.read_region(*link)) == "dark blue", 3),
                        "the link did not turn dark blue over the free area")

        s.click(x + 296 + 40, y + 264 + 12)  # cmdQuit, 4440, 3960 twips
        self.assertTrue(wait_until(lambda: not s.find_window("About Veltrane", timeout=0.2), 5),
                        "Close did not close the about box")
        self.assertIsNone(s.program.poll())


if __name__ == "__main__":
    unittest.main()
