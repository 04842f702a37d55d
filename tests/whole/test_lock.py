"""The lock screen as a whole: the snapshot, unlocking, and a lock that holds against
other programs (close requests, windows over it, grabs, keys, loops that destroy or unmap
it, the tray menu, a screen added or resized, the program killed)."""

import os
import pathlib
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import MAIN_MENU, MenuWindow, VtrSession, row, wait_until  # noqa: E402

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
            wait_until(lambda: self.is_viewable(window), 5)
            self._run(["xdotool", "windowmove", "--sync", window, str(x), str(y)], check=False)
        wait_until(lambda: self.is_viewable(window), 5)
        return int(window), log_path

    def try_grab(self, what):
        return self._run([X_PROBE, "grab", what]).strip()

    def lock_windows(self):
        # The lock window and its covers: override-redirect windows wider than any menu,
        # of the program or of its supervisor.
        found = []
        for window in [w for pid in self.program_processes() for w in self.windows_of(pid)]:
            info = self._info(window)
            geometry = self.geometry(window, info)
            if "Override Redirect State: yes" in info and geometry and geometry[2] >= 640:
                found.append(MenuWindow(window, *geometry))
        return found

    def menus(self):
        return [w for w in self.menu_windows() if w.width < 640]

    def locked_again_in(self):
        """Kills the locked program; the ms until the keyboard is held again."""
        probe = subprocess.Popen([X_PROBE, "regrab", "5000"], env=self.env,
                                 stdout=subprocess.PIPE, text=True)
        self._processes.append(("x_probe", probe))
        probe.stdout.readline()  # it watches the grab now
        self.program.send_signal(signal.SIGKILL)
        return float(probe.communicate(timeout=10)[0])

    def lock_from_tray(self):
        """Chooses "Lock Desktop"; the tray menu's MenuWindow."""
        menu = self.open_tray_menu()
        self.choose_menu_row(row(MAIN_MENU, "Lock Desktop"))
        if not wait_until(self.lock_windows, 5):
            raise AssertionError("no lock window\n" + self.program_log())
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

            # A right-button press on the icon released elsewhere opens no menu.
            s.press_and_hold_icon()
            s.move_mouse(500, 300)
            s.release_mouse()
            self.assertIsNone(wait_until(s.menus, 0.5), "released away from the icon")
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
            self.assertLocked(s, "just locked")  # both held before it showed
            # The window that was on screen is in the snapshot, and neither the lock
            # window's white nor the tray menu is: away from the panel and the banner the
            # locked screen is the desktop as it was (once painted).
            menu_points = [(menu.x + menu.width // 2, menu.y + dy)
                           for dy in (5, menu.height // 2)]
            points = [(10, 10), (200, 150), (1000, 20), (20, 740), (700, 600)] + menu_points
            wait_until(lambda: s.pixel(10, 10) == s.pixel(10, 10, before), 3)
            locked = s.screenshot()
            self.assertEqual(s.count_colour(MAGENTA, locked), s.count_colour(MAGENTA, before))
            for x, y in points:
                self.assertEqual(s.pixel(x, y, locked), s.pixel(x, y, before), (x, y))
            # Keys now go to the lock screen only; a right-click in the password box opens
            # no menu (it would take the grabs); nor does a synthetic right-click on the
            # icon, whose menu's Quit would end the lock.
            taken = read_text(keylog)
            s.type_text("zq")
            s.key("Return", "ctrl+a", "BackSpace")
            s.click(511, 378, button=3)
            s._run(["xdotool", "click", "--window", str(s.tray_icon_window()), "3"])
            s.key("Up", "Return")
            self.assertIsNone(wait_until(lambda: s.menus() or read_text(keylog) != taken, 0.5),
                              "a menu opened or a key reached another window")
            self.assertIsNone(s.wait_for_exit(0.1), "the program ended")
            self.assertLocked(s, "after the right-clicks")

            # Another program destroys the lock's windows (ten a second) or unmaps them,
            # reparents them or flips their override-redirect in a loop while 300 keys are
            # typed: no key leaks, the grabs are never missing, the lock is back at once.
            for kind, times, gap_ms in [("destroy", 10, 100), ("unmap", 50, 20),
                                        ("reparent", 50, 20), ("override", 50, 20)]:
                attack = subprocess.Popen([X_PROBE, "attack", kind, str(times), str(gap_ms)],
                                          env=s.env, stdout=subprocess.PIPE, text=True)
                s._processes.append(("x_probe", attack))
                s.type_text("k" * 75, delay_ms=5)
                self.assertEqual(attack.communicate(timeout=30)[0].split()[:2], ["free", "0"],
                                 kind)
                self.assertTrue(wait_until(lambda: s.lock_windows() and
                                           s.try_grab("keyboard") == ALREADY_GRABBED, 1), kind)
                self.assertEqual(read_text(keylog), taken, kind + ": a key leaked")
            window, = [w.window for w in s.lock_windows()]
            s.key("ctrl+a", "BackSpace")

            # Close requests leave it locked; moved or shrunk, it is back over the screen.
            s._run(["wmctrl", "-i", "-c", hex(window)], check=False)
            s.key("alt+F4")
            self.assertIsNone(wait_until(lambda: not s.lock_windows(), 0.3), "closed")
            for change in (["windowmove", str(window), "500", "400"],
                           ["windowsize", str(window), "10", "10"]):
                s._run(["xdotool"] + change, check=False)
                self.assertTrue(wait_until(lambda: s.geometry(window) == (0, 0, 1024, 768), 2),
                                change[0])
            self.assertLocked(s, "after close requests and moves")
            # A new managed window maps on top; raising and activating it; an override-
            # redirect window: each is covered again at once.
            green, _ = s.probe_window("keylog", 600, 50, 300, 200, GREEN)
            self.assertEqual(s.count_colour(GREEN), 0, "new window")
            s._run(["xdotool", "windowraise", str(green)], check=False)
            s._run(["xdotool", "windowactivate", str(green)], check=False)
            self.assertTrue(wait_until(lambda: s.count_colour(GREEN) == 0, 2),
                            "raised and activated")
            s.probe_window("overlay", 0, 0, 500, 400, CYAN)
            self.assertEqual(s.count_colour(CYAN), 0, "override-redirect window")
            self.assertLocked(s, "after the windows")

            # Wrong text + Enter stays locked and keeps the text: "Open" typed now, the
            # rest after the Enter, then unlocks at the next key.
            s.type_text(PASSWORD[:4])
            s.key("Return")
            self.assertIsNone(wait_until(lambda: not s.lock_windows(), 0.2), "wrong password")
            self.assertLocked(s, "wrong password + Enter")
            s.type_text(PASSWORD[4:])
            self.assertIsNone(wait_until(lambda: not s.lock_windows(), 0.2), "no key since")
            self.assertLocked(s, "the password typed, no key since")
            s.key("Return")
            self.assertTrue(wait_until(lambda: not s.lock_windows(), 3), "right password")
            self.assertEqual(s.try_grab("keyboard"), GRAB_SUCCESS)
            self.assertIsNone(s.wait_for_exit(0.1), "the program ended")

    def test_screen_added_or_resized_while_locked_is_covered(self):
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
            self.assertTrue(wait_until(lambda: s.count_colour(ORANGE) == 0, 3), "not covered")
            s._run(["xrandr", "--delmonitor", "right"])
            self.assertTrue(wait_until(lambda: len(s.lock_windows()) == 1, 3), "cover kept")
            self.assertLocked(s, "after the screen went")
            # The screen grows: the lock grows with it, and nothing of the desktop shows.
            s._run(["xrandr", "--delmonitor", "left", "--setmonitor", "left",
                    "1400/271x768/203+0+0", "screen"])
            self.assertTrue(wait_until(lambda: [(w.x, w.width) for w in s.lock_windows()] ==
                                       [(0, 1400)], 3), "not resized")
            self.assertEqual(s.count_colour(ORANGE), 200 * 200, "the strip shows")
            self.assertTrue(s.unlock())

    def test_lock_refused_or_kept_and_failing_closed(self):
        with LockSession() as s:
            s.store_password()
            s.start_program()
            # Another program holds the keyboard: no lock, and a message says why.
            holder = subprocess.Popen([X_PROBE, "grab", "keyboard", "hold"], env=s.env,
                                      stdout=subprocess.PIPE, text=True)
            s._processes.append(("x_probe", holder))
            self.assertEqual(holder.stdout.readline().strip(), GRAB_SUCCESS)
            s.choose_menu_entry("Lock Desktop")
            self.assertTrue(s.find_window("Veltrane"), "no message\n" + s.program_log())
            self.assertEqual(s.lock_windows(), [])
            s._end(holder)
            s.key("Return")
            # Help open: it closes and the desktop locks. Killed while locked: locked again
            # at once by the supervisor, which the stored password unlocks.
            s.choose_menu_entry("Help", "Contents...")
            self.assertTrue(s.find_window("Help"))
            s.lock_from_tray()
            self.assertIsNone(s.find_window("Help", 0.1))
            self.assertLocked(s, "help was open")
            relocked_ms = s.locked_again_in()
            self.assertLess(relocked_ms, 200)
            self.assertTrue(wait_until(s.lock_windows, 2), "no cover after the kill")
            self.assertLocked(s, f"killed, locked again in {relocked_ms} ms")
            self.assertTrue(s.unlock())
            self.assertTrue(wait_until(lambda: not s.program_processes(), 3), "supervisor left")
            # The password dialog open: the lock goes over it, takes the keys, leaves it.
            s.start_program()
            s.choose_menu_entry("Password", "Modify")
            self.assertTrue(s.find_window("Modify Password"))
            s.type_text(PASSWORD)
            s.key("Return")
            self.assertTrue(s.find_window("Password"))
            s.lock_from_tray()
            self.assertLocked(s, "the password dialog was open")
            self.assertTrue(s.unlock(), "the dialog held the keys")
            self.assertTrue(s.find_window("Password"), "the dialog went")


if __name__ == "__main__":
    unittest.main(verbosity=2)
