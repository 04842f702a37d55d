"""The lock screen as a whole: the snapshot, unlocking, and a lock that holds against
other programs (close requests, windows over it, grabs, keys, a screen added)."""

import os
import pathlib
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import MAIN_MENU, VtrSession, row, wait_until  # noqa: E402

BUILD = os.path.dirname(os.environ.get("VTR_APP", "build/appVTR"))
WRITE_PASSWORD = os.environ.get("VTR_WRITE_PASSWORD",
                                os.path.join(BUILD, "tests", "whole", "write_password_file"))
X_PROBE = os.environ.get("VTR_X_PROBE", os.path.join(BUILD, "tests", "whole", "x_probe"))

PASSWORD = "Open Sesame"
GRAB_SUCCESS, ALREADY_GRABBED = "0", "1"
MAGENTA, GREEN, CYAN, ORANGE = "ff00ff", "00ff00", "00ffff", "ff8000"


def read_text(path):
    return pathlib.Path(path).read_text(errors="replace")


class LockSession(VtrSession):

    def store_password(self, password=PASSWORD):
        subprocess.run([WRITE_PASSWORD, self.program_folder, password], check=True)

    def probe_window(self, kind, x, y, width, height, colour):
        """An x_probe window ("keylog": managed, logs keys; "overlay": override-redirect);
        (window id, log path)."""
        log_path = os.path.join(self.root, f"probe-{len(self._processes)}.out")
        with open(log_path, "wb") as log:
            self._processes.append(("x_probe", subprocess.Popen(
                [X_PROBE, kind, str(x), str(y), str(width), str(height), colour],
                env=self.env, stdout=log, stderr=subprocess.STDOUT)))
        window = wait_until(lambda: read_text(log_path).split("\n")[0].strip(), 5)
        if not window:
            raise AssertionError("x_probe showed no window")
        if kind == "keylog":  # the window manager places it where it likes
            time.sleep(0.2)
            self._run(["xdotool", "windowmove", "--sync", window, str(x), str(y)], check=False)
        time.sleep(0.2)  # mapped and drawn
        return int(window), log_path

    def try_grab(self, what):
        return self._run([X_PROBE, "grab", what]).strip()

    def lock_windows(self):
        # The lock window and its covers: override-redirect windows wider than any menu.
        return [w for w in self.menu_windows() if w.width >= 640]

    def lock_from_tray(self):
        """Chooses "Lock Desktop"; the tray menu's MenuWindow."""
        menu = self.open_tray_menu()
        self.choose_menu_row(row(MAIN_MENU, "Lock Desktop"))
        if not wait_until(self.lock_windows, 5):
            raise AssertionError("no lock window\n" + self.program_log())
        time.sleep(0.3)  # grabs taken, first paint done
        return menu

    def count_colour(self, colour, shot=None):
        out = self._run(["convert", shot or self.screenshot(), "-fill", "black", "+opaque",
                         "#" + colour, "-fill", "white", "-opaque", "#" + colour, "-format",
                         "%[fx:int(mean*w*h+0.5)]", "info:"])
        return int(out.strip())

    def unlock(self, password=PASSWORD):
        self.type_text(password)
        self.key("Return")
        return wait_until(lambda: not self.lock_windows(), 3)


class LockTest(unittest.TestCase):
    def assertLocked(self, s, why):
        self.assertTrue(s.lock_windows(), why)
        self.assertEqual(s.try_grab("keyboard"), ALREADY_GRABBED, why)
        self.assertEqual(s.try_grab("pointer"), ALREADY_GRABBED, why)

    def test_lock_holds_until_the_password(self):
        with LockSession() as s:
            s.start_program()  # creates the empty password file
            s.choose_menu_entry("Lock Desktop")
            self.assertTrue(s.find_window("Password Required"),
                            "no Password Required box with an empty file\n" + s.program_log())
            s.key("Return")
            self.assertTrue(wait_until(lambda: not s.find_window("Password Required", 0.1), 3))
            self.assertEqual(s.lock_windows(), [], "locked after Password Required")

            s.store_password()  # read afresh at the next lock
            marker, keylog = s.probe_window("keylog", 60, 60, 300, 200, MAGENTA)
            s._run(["xdotool", "windowactivate", "--sync", str(marker)], check=False)
            s.key("a")
            self.assertTrue(wait_until(lambda: "key " in read_text(keylog), 2),
                            "the key-logging window receives no keys even unlocked")
            before = s.screenshot()
            menu = s.lock_from_tray()
            lock, = s.lock_windows()
            self.assertEqual((lock.x, lock.y, lock.width, lock.height), (0, 0, 1024, 768))
            window = lock.window
            locked = s.screenshot()
            # The window that was on screen is in the snapshot, and neither the lock
            # window's white nor the tray menu is: away from the panel and the banner the
            # locked screen is the desktop as it was.
            self.assertEqual(s.count_colour(MAGENTA, locked), s.count_colour(MAGENTA, before))
            menu_points = [(menu.x + menu.width // 2, menu.y + dy)
                           for dy in (5, menu.height // 2)]
            for x, y in [(10, 10), (200, 150), (1000, 20), (20, 740), (700, 600)] + menu_points:
                self.assertEqual(s.pixel(x, y, locked), s.pixel(x, y, before), (x, y))
            self.assertLocked(s, "just locked")
            # Keys now go to the lock screen only.
            taken = read_text(keylog)
            s.type_text("zq")
            s.key("Return", "ctrl+a", "BackSpace")
            time.sleep(0.3)
            self.assertEqual(read_text(keylog), taken, "a key reached another window")

            # Close requests, an unmap and a destroy leave it locked.
            s._run(["wmctrl", "-i", "-c", hex(window)], check=False)
            s.key("alt+F4")
            time.sleep(0.3)
            self.assertLocked(s, "after wmctrl -c and Alt+F4")
            # Unmapped after its bypass of the window manager was cleared.
            s._run(["xdotool", "set_window", "--overrideredirect", "0", str(window)], check=False)
            s._run(["xdotool", "windowunmap", str(window)], check=False)
            time.sleep(0.3)
            self.assertLocked(s, "after another program unmapped it")
            # Moved, shrunk or put inside another window: back over the screen at once.
            other, _ = s.probe_window("overlay", 0, 0, 50, 50, ORANGE)
            for change in (["windowmove", str(window), "500", "400"],
                           ["windowsize", str(window), "10", "10"],
                           ["windowreparent", str(window), str(other)]):
                s._run(["xdotool"] + change, check=False)
                time.sleep(0.3)
                self.assertEqual(s.geometry(window), (0, 0, 1024, 768), change[0])
                self.assertEqual(len(s.ancestors(window)), 1, change[0])
            self.assertLocked(s, "after another program moved it")
            s._run(["xdotool", "windowclose", str(window)], check=False)  # destroys it
            self.assertTrue(wait_until(lambda: s.lock_windows() and
                                       s.try_grab("keyboard") == ALREADY_GRABBED, 2))
            self.assertLocked(s, "after xdotool windowclose")
            # A new managed window maps on top; raising and activating it; an override-
            # redirect window: each is covered again at once.
            green, _ = s.probe_window("keylog", 600, 50, 300, 200, GREEN)
            self.assertEqual(s.count_colour(GREEN), 0, "new window")
            s._run(["xdotool", "windowraise", str(green)], check=False)
            s._run(["xdotool", "windowactivate", str(green)], check=False)
            time.sleep(0.2)
            self.assertEqual(s.count_colour(GREEN), 0, "raised and activated")
            s.probe_window("overlay", 0, 0, 500, 400, CYAN)
            self.assertEqual(s.count_colour(CYAN), 0, "override-redirect window")
            self.assertLocked(s, "after the windows")

            # Wrong text + Enter stays locked and keeps the text: "Open" typed now, the
            # rest after the Enter, then unlocks at the next key.
            s.type_text(PASSWORD[:4])
            s.key("Return")
            time.sleep(0.2)
            self.assertLocked(s, "wrong password + Enter")
            s.type_text(PASSWORD[4:])
            time.sleep(0.2)
            self.assertLocked(s, "the password typed, no key since")
            s.key("Return")
            self.assertTrue(wait_until(lambda: not s.lock_windows(), 3), "right password")
            self.assertEqual(s.try_grab("keyboard"), GRAB_SUCCESS)
            self.assertIsNone(s.wait_for_exit(0.1), "the program ended")

    def test_screen_added_while_locked_is_covered(self):
        with LockSession(screen="2048x768x24") as s:
            s._run(["xrandr", "--setmonitor", "left", "1024/271x768/203+0+0", "screen"])
            s.store_password()
            s.start_program()
            s.lock_from_tray()
            self.assertEqual(len(s.lock_windows()), 1)
            # Beyond every monitor nothing covers; a window there shows until it is one.
            s.probe_window("overlay", 1300, 100, 300, 200, ORANGE)
            self.assertGreater(s.count_colour(ORANGE), 0)
            s._run(["xrandr", "--setmonitor", "right", "1024/271x768/203+1024+0", "none"])
            self.assertTrue(wait_until(lambda: len(s.lock_windows()) == 2, 3), "no cover")
            time.sleep(0.3)
            self.assertEqual(s.count_colour(ORANGE), 0)
            s._run(["xrandr", "--delmonitor", "right"])
            self.assertTrue(wait_until(lambda: len(s.lock_windows()) == 1, 3), "cover kept")
            self.assertLocked(s, "after the screen went")
            self.assertTrue(s.unlock())

    def test_picture_in_device_pixels_at_scale_2(self):
        with LockSession() as s:
            s.env["QT_SCALE_FACTOR"] = "2"
            s.store_password()
            s.start_program()
            # Odd edges, across the rows of the panel and the banner: a picture taken or
            # shown at half the pixels would blur them.
            s.probe_window("overlay", 21, 331, 201, 101, MAGENTA)
            before = s.screenshot()
            s.lock_from_tray()
            self.assertEqual(s.count_colour(MAGENTA), s.count_colour(MAGENTA, before))
            self.assertTrue(s.unlock())


if __name__ == "__main__":
    unittest.main(verbosity=2)
