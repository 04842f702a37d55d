"""The Wayland lock layer on headless compositors, driven by wl_lock_driver: sway 1.10 locks
and unlocks, gives keys (AltGr, dead keys, de layout) to the lock and none to another
program's window, covers an output added while locked, at its scale; a second lock is
refused, the session stays locked when the locker dies until a new locker unlocks it, and
the locker hears when the compositor goes.
Debian 12's sway 1.7 offers no session lock; a compositor that never answers is none."""

import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD, wait_until  # noqa: E402
from wayland_harness import LOCK_DRIVER, WINDOW_PROBE, WaylandSession, shot_pixel  # noqa: E402

GREEN, WHITE, PANEL = (0, 255, 0), (255, 255, 255), (0x20, 0x50, 0xa0)
PANEL_HALF_WIDTH = 141  # the driver's panel: 283 x 88 logical pixels, centred


def centre(shot):
    return shot[0] // 2, shot[1] // 2


class WaylandLockTest(unittest.TestCase):
    def start_desktop(self, s):
        """The test keyboard and another program's green window with the focus."""
        keyboard = s.keyboard()
        window = s.spawn("window", [WINDOW_PROBE, "00ff00"])
        self.assertTrue(window.expect("enter"), window.stderr())
        keyboard.text("a")
        self.assertTrue(window.expect("key 30 1", 5), "the window gets no keys before the lock")
        return keyboard, window

    def lock(self, s):
        driver = s.spawn("driver", [LOCK_DRIVER, "--password", PASSWORD])
        self.assertTrue(driver.expect("locked"), driver.lines + [driver.stderr()])
        self.assertTrue(driver.expect("focus"), driver.lines)  # keys before it reach no one
        return driver

    def unlock(self, keyboard, driver):
        keyboard.text(PASSWORD)
        keyboard.type("Return")
        self.assertTrue(driver.expect("unlocked", 5), driver.lines)
        self.assertEqual(driver.wait(5), 0)

    def test_lock_takes_every_key_covers_new_outputs_and_unlocks(self):
        with WaylandSession("1.10") as s:
            keyboard, window = self.start_desktop(s)
            probe = s.spawn("probe", [LOCK_DRIVER, "--probe"])
            self.assertEqual((probe.expect(""), probe.wait(5)), ("offered", 0))
            driver = self.lock(s)
            self.assertTrue(driver.expect("captured HEADLESS-1 1280x720", 0), driver.lines)
            self.assertTrue(driver.expect("shown HEADLESS-1 1280x720"), driver.lines)
            locked_at = len(window.lines)
            self.assertTrue(window.expect("leave", 5), "the window kept the focus")
            # The lock's picture: the desktop copied before it (the green window), the panel.
            shot = s.screenshot("HEADLESS-1")
            self.assertEqual(shot_pixel(shot, *centre(shot)), PANEL)
            self.assertEqual(shot_pixel(shot, 20, 700), GREEN)

            # The de keymap through the compositor: AltGr+E, a dead key, y and z swapped.
            keyboard.type("EuroSign", "dead_acute", "e")
            keyboard.text("zY")
            for line in ("key EuroSign €", "key dead_acute", "key e e", "key z z", "key Y Y"):
                self.assertTrue(driver.expect(line, 5), f"{line}: {driver.lines}")
            keyboard.type("Return")  # a wrong password keeps the lock
            self.assertTrue(driver.expect("key Return", 5))

            # An output added while locked gets a lock surface (white: it has no copy), at
            # its scale once it has one.
            added = s.add_output()
            self.assertTrue(driver.expect("shown " + added), driver.lines)
            shot = s.screenshot(added)
            x, y = centre(shot)
            self.assertEqual([shot_pixel(shot, px, y) for px in (x, x + 200, 5)],
                             [PANEL, WHITE, WHITE])
            shown_at = len(driver.lines)
            s.swaymsg("output", added, "scale", "2")
            self.assertTrue(driver.expect(f"shown {added} {shot[0]}x{shot[1]}", 5, shown_at),
                            f"not drawn in device pixels at scale 2: {driver.lines}")
            self.assertEqual(s.pixel(added, x + 200, y), PANEL)

            self.unlock(keyboard, driver)
            self.assertEqual(window.lines_since(locked_at, "key"), [],
                             "keys reached another window while locked")
            self.assertTrue(wait_until(lambda: s.pixel("HEADLESS-1", 640, 360) == GREEN, 5))
            s.swaymsg('[title="vtr-probe-window"]', "focus")  # sway focused the added output
            self.assertTrue(window.expect("enter", 5, locked_at), "no focus back after unlock")
            keyboard.text("b")
            self.assertTrue(window.expect("key 48 1", 5, locked_at), "no keys after unlock")

    def test_second_lock_is_refused_and_a_dead_locker_leaves_the_session_locked(self):
        with WaylandSession("1.10") as s:
            keyboard, window = self.start_desktop(s)
            other = s.add_output()  # two outputs at the lock: each copied, each covered
            first = self.lock(s)
            for line in ("captured HEADLESS-1", "captured " + other, "shown HEADLESS-1",
                         "shown " + other):
                self.assertTrue(first.expect(line, 5), f"{line}: {first.lines}")
            second = s.spawn("second", [LOCK_DRIVER])
            self.assertEqual((second.expect("refused"), second.wait(5)), ("refused", 2))

            s.end(first, signal.SIGKILL)
            killed_at = len(window.lines)
            keyboard.text("ab")
            self.assertNotIn(s.pixel("HEADLESS-1", 640, 360), (GREEN, PANEL),
                             "the desktop shows after the locker died")
            self.assertEqual(window.lines_since(killed_at, "key"), [])
            # sway lets a new locker take the abandoned lock over and unlock it.
            self.unlock(keyboard, self.lock(s))
            self.assertTrue(wait_until(lambda: s.pixel("HEADLESS-1", 640, 360) == GREEN, 5))
            # The compositor going away ends the locker, which says so.
            last = self.lock(s)
            s.end(s.compositor)
            self.assertEqual((last.expect("lost", 5), last.wait(5)), ("lost", 6))

    def test_sway_17_offers_no_session_lock(self):
        with WaylandSession("1.7") as s:
            for argv, answer in (([LOCK_DRIVER, "--probe"], "missing"),
                                 ([LOCK_DRIVER], "unsupported")):
                driver = s.spawn("driver", argv)
                self.assertEqual((driver.expect(""), driver.wait(5)), (answer, 3))

    def test_missing_or_silent_compositor_is_no_compositor_in_bounded_time(self):
        with tempfile.TemporaryDirectory() as folder:
            silent = os.path.join(folder, "silent")
            listener = socket.socket(socket.AF_UNIX)
            listener.bind(silent)
            listener.listen()  # takes the connection, never answers
            for display in (os.path.join(folder, "none"), silent):
                started = time.monotonic()
                result = subprocess.run([LOCK_DRIVER, "--probe"], capture_output=True, text=True,
                                        env=dict(os.environ, WAYLAND_DISPLAY=display), timeout=15)
                self.assertEqual((result.stdout.strip(), result.returncode), ("no compositor", 4))
                self.assertLess(time.monotonic() - started, 8, "waited too long for " + display)
            listener.close()


if __name__ == "__main__":
    if os.geteuid() != 0:
        print("skipped: the Wayland bench needs root (mmdebstrap, chroot, mount namespaces)")
        sys.exit(77)
    unittest.main()
