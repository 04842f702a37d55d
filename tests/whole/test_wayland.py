"""The whole program in Wayland sessions on headless sway. 1.10, in one session: the tray a
status-notifier item; `--lock` refused without a password; the session lock over the
blurred desktop, with no X grab though an X display is at hand; the de keymap (AltGr, a
dead key, a held key); a wrong password and Caps Lock answered; no key reaching another
program's window; an output added while locked covered, at its scale; the program killed
while locked: the session stays locked, the guard takes over and becomes the tray; another
locker holding the session. Debian 12's sway 1.7 has no session lock: the program refuses,
naming the session's own lock; so it does, in bounded time, without a compositor."""

import os
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dbus_mocks import StatusNotifierWatcher  # noqa: E402
from vtr_harness import X_PROBE, wait_until  # noqa: E402
from wayland_harness import WaylandSession  # noqa: E402

GREEN, WHITE = (0, 255, 0), (255, 255, 255)
GREEN_AT = (22, 700)  # a green pixel of the desktop's fine green and black stripes
# At 1280 x 720: the panel's lines for a wrong password (left) and Caps Lock (right).
WRONG_LINE = (511, 374, 128, 26)
CAPS_LINE = (639, 374, 128, 26)
PASSWORD_KEYS = ("a", "b", "EuroSign", "dead_acute", "e")  # "ab€é", typed on the de keymap


def pixel(shot, x, y):
    width, _, pixels = shot
    return tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3])


def warm_ink(shot, area):
    """How many pixels of `area` (x, y, width, height) have the lines' red or yellow."""
    x0, y0, w, h = area
    return sum(r > 180 and r > b + 40 for y in range(y0, y0 + h) for x in range(x0, x0 + w)
               for r, _, b in [pixel(shot, x, y)])


def edges(shot, area, step=1):
    """How much the green channel changes from pixels (every `step`th) of `area` to their
    right neighbours: fine stripes give much, a blur of them little, and a picture drawn at
    scale 1 and enlarged twice nothing from an even pixel to the next."""
    x0, y0, w, h = area
    return sum(abs(pixel(shot, x + 1, y)[1] - pixel(shot, x, y)[1])
               for y in range(y0, y0 + h) for x in range(x0, x0 + w, step))


def striped_desktop(s):
    """Fine vertical stripes, two pixels black and two green, as the session's background,
    and wev floating over them: another program, its window focused, that tells its keys."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    with open(os.path.join(s.runtime, "stripes.png"), "wb") as f:  # at /run/vtr in the root
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 1, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(b"\0" + b"\0\0\0" * 2 + b"\0\xff\0" * 2))
                + chunk(b"IEND", b""))
    os.chmod(f.name, 0o644)
    s.swaymsg("output", "*", "bg", "/run/vtr/stripes.png", "tile")
    s.swaymsg("for_window", '[app_id="wev"]', "floating", "enable")
    return s.spawn("wev", ["stdbuf", "-oL", "wev", "-f", "wl_keyboard:enter", "-f",
                           "wl_keyboard:leave", "-f", "wl_keyboard:key"])


def shows_desktop(s):
    return pixel(s.screenshot("HEADLESS-1"), *GREEN_AT) == GREEN


def shows_panel(shot, scale=1):
    """Whether a screenshot shows the panel's navy title bar in its middle."""
    r, g, b = pixel(shot, shot[0] // 2, shot[1] // 2 - 30 * scale)
    return b >= 100 and r < 60 and g < 60


class WaylandProgramTest(unittest.TestCase):
    def assertRefused(self, command, reason):
        """The command returned 1 with one line on stderr that gives the reason."""
        self.assertEqual(command.wait(10), 1, command.stderr())
        said = command.stderr().splitlines()
        self.assertEqual(len(said), 1, said)
        self.assertIn(reason, said[0])

    def test_sway_110_locks_and_fails_closed(self):
        with WaylandSession("1.10") as s:
            watcher = StatusNotifierWatcher(s)
            # An X server beside the compositor, as XWayland would be.
            xvfb = s.spawn("Xvfb", ["Xvfb", "-displayfd", "1", "-nolisten", "tcp"])
            s.env["DISPLAY"] = ":" + xvfb.expect("", 10)
            keyboard = s.keyboard()
            wev = striped_desktop(s)
            self.assertTrue(wev.expect("enter"), wev.stderr())
            keyboard.type("a")
            self.assertTrue(wev.expect("key: 38; state: 1", 5), "wev gets no keys before the lock")
            tray = s.start_program(password=None, args=["--autostart"])  # a lock can hold here
            self.assertRefused(s.lock_command(), "no password")
            s.store_password("ab\u20ac\u00e9")
            self.assertTrue(wait_until(watcher.registrations, 10), "no status-notifier item")
            desktop = s.screenshot("HEADLESS-1")
            # -f returns once locked; a second request joins and returns at the unlock.
            self.assertEqual(s.lock_command("-f").wait(10), 0)
            joined = s.lock_command()
            self.assertTrue(wev.expect("leave", 5), "wev kept the focus")
            locked_at = len(wev.lines)
            shot = s.screenshot("HEADLESS-1")
            self.assertTrue(shows_panel(shot))
            # The desktop as it was, blurred: its fine detail is gone.
            r, g, b = pixel(shot, *GREEN_AT)
            self.assertTrue(g > 60 and r < 60 and b < 60, (r, g, b))
            stripes = (60, 60, 200, 100)
            self.assertLess(edges(shot, stripes), edges(desktop, stripes) / 10)
            # The X display is nobody's: the lock holds no X grab.
            self.assertEqual(subprocess.run([X_PROBE, "grab", "keyboard"], env=s.env, text=True,
                                            capture_output=True).stdout.strip(), "0")

            # A wrong password is answered in the panel; Caps Lock on is shown, off is not.
            keyboard.type("a", "b", "Return")
            self.assertTrue(wait_until(lambda: warm_ink(s.screenshot("HEADLESS-1"),
                                                        WRONG_LINE) > 20, 3))
            for locked, shown in ((2, True), (0, False)):
                keyboard.send(f"mods 0 0 {locked}")
                self.assertTrue(wait_until(lambda: (warm_ink(s.screenshot("HEADLESS-1"),
                                                             CAPS_LINE) > 20) == shown, 3))
            # A held key repeats: one Backspace leaves more x between the password's parts.
            keyboard.type("a", "b", "EuroSign", "+x")
            time.sleep(1.5)
            keyboard.type("-x", "BackSpace", "dead_acute", "e", "Return")
            self.assertIsNone(joined.wait(1), "unlocked without the repeats")

            # An output added while locked is covered (white: it had no picture); at
            # scale 2 drawn anew in device pixels, not enlarged.
            added = s.add_output()
            shot = wait_until(lambda: (lambda shot: shows_panel(shot) and shot)(
                s.screenshot(added)), 5)
            self.assertTrue(shot, "the added output is not covered")
            self.assertEqual(pixel(shot, 20, 20), WHITE)
            s.swaymsg("output", added, "scale", "2")
            self.assertTrue(wait_until(lambda: (lambda shot: shows_panel(shot, 2) and edges(
                shot, (shot[0] // 2 - 300, shot[1] // 2 - 100, 600, 200), 2))(
                    s.screenshot(added)), 5), "not drawn anew at scale 2")

            # AltGr+E and a dead key unlock; no key reached the window meanwhile, and the
            # wrong tries are told (Return closes the box).
            keyboard.type(*PASSWORD_KEYS, "Return")
            self.assertEqual(joined.wait(5), 0, joined.stderr())
            self.assertEqual(wev.lines_since(locked_at, "key:"), [],
                             "keys reached another window while locked")
            self.assertTrue(wait_until(lambda: shows_desktop(s), 5), "not unlocked")
            self.assertTrue(wait_until(lambda: "Veltrane" in s.windows(), 5), s.windows())
            keyboard.type("Return")
            self.assertTrue(wait_until(lambda: "Veltrane" not in s.windows(), 5), s.windows())

            # Killed while locked: the compositor keeps the session locked, the guard locks
            # it again, and the request that locked waits on until the unlock.
            killed_at = len(wev.lines)
            s.swaymsg('[app_id="wev"]', "focus")  # the closed box left nothing focused
            waiting = s.lock_command()
            self.assertTrue(wev.expect("leave", 5, killed_at), "not locked, or wev had no focus")
            tray.popen.kill()
            shots = []
            self.assertTrue(wait_until(lambda: shots.append(s.screenshot("HEADLESS-1")) or (
                shows_panel(shots[-1]) and pixel(shots[-1], *GREEN_AT) == WHITE), 10),
                "the guard did not take the lock over")
            self.assertNotIn(GREEN, [pixel(shot, *GREEN_AT) for shot in shots],
                             "the desktop showed after the kill")
            keyboard.type(*PASSWORD_KEYS, "Return")
            self.assertEqual(waiting.wait(10), 0, waiting.stderr())
            self.assertTrue(wait_until(lambda: shows_desktop(s), 5), "not unlocked")
            self.assertEqual(wev.lines_since(killed_at, "key:"), [])
            # The guard has become the tray again, with a guard of its own.
            self.assertTrue(wait_until(lambda: watcher.registrations() == 2, 10),
                            "the tray did not come back")
            self.assertEqual(len(s.program_processes("tray")), 1)
            self.assertTrue(wait_until(lambda: len(s.program_processes("guard")) == 1, 5))

            # Another locker holds the session: the compositor refuses, and it is said.
            locker = s.spawn("swaylock", s.in_root(["swaylock", "--ready-fd", "1"], [
                f"WAYLAND_DISPLAY=/run/vtr/{s.socket_name}"]))
            self.assertTrue(wait_until(lambda: locker.lines, 10), locker.stderr())
            self.assertRefused(s.lock_command("-f"), "the compositor refused the lock")

    def test_without_a_session_lock_the_program_refuses(self):
        with WaylandSession("1.7") as s:
            tray = StatusNotifierWatcher(s)
            s.start_program()
            self.assertRefused(s.lock_command(), "loginctl lock-session")
            # Where no lock can hold, the start at login ends quietly.
            login = s.spawn("appVTR-login", [s.program_path, "--autostart"])
            self.assertEqual(login.wait(10), 0)
            self.assertIn("loginctl lock-session", login.stderr())
            self.assertTrue(wait_until(tray.registrations, 10))
            tray.choose("Lock Desktop")
            self.assertTrue(wait_until(lambda: "Veltrane" in s.windows(), 10), s.windows())
        # No compositor, or one that never answers: said within a bounded time.
        with tempfile.TemporaryDirectory() as folder, socket.socket(socket.AF_UNIX) as silent:
            silent.bind(os.path.join(folder, "silent"))
            silent.listen()
            for display in ("none", "silent"):
                started = time.monotonic()
                result = subprocess.run([os.environ["VTR_APP"], "--lock"], text=True,
                                        capture_output=True, timeout=20, env=dict(
                                            os.environ, WAYLAND_DISPLAY=display,
                                            XDG_RUNTIME_DIR=folder))
                self.assertEqual((result.returncode, len(result.stderr.splitlines())), (1, 1),
                                 result.stderr)
                self.assertIn("no Wayland compositor answered", result.stderr)
                self.assertLess(time.monotonic() - started, 8, "waited too long for " + display)


if __name__ == "__main__":
    if os.geteuid() != 0:
        print("skipped: the Wayland bench needs root (mmdebstrap, chroot, mount namespaces)")
        sys.exit(77)
    unittest.main()
