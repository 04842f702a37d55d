"""The lock screen as a whole: a lock that holds against other programs and screens added or
resized while locked, answers a wrong password, shows Caps Lock and opens with the password;
its blurred picture; what enters its password box under German and French layouts set by
setxkbmap (no paste by key or middle button). The refusals and a kill while locked are in
test_lock_command.py."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import (ALREADY_GRABBED, BUILD, MENU_KEYS, PASSWORD, X_PROBE,  # noqa: E402
                         VtrSession, read_text, wait_until)

MAGENTA, GREEN, CYAN, ORANGE, YELLOW = "ff00ff", "00ff00", "00ffff", "ff8000", "ffff00"
WRONG_LINE, CAPS_NOTE = "ffbeaa", "ffde8c"  # the panel's lines
BLUR_PROBE = os.environ.get("VTR_BLUR_PROBE", os.path.join(BUILD, "tests", "whole", "blur_probe"))

# Key codes of the pc105 keyboard Xvfb has (evdev).
ALTGR, SHIFT, RSHIFT, CTRL, CAPS, NUMLOCK = "108", "50", "62", "37", "66", "77"
RETURN = "36"
E, V, INSERT, AC10, AC11, AE02, AE12, AD11, KP1 = "26", "55", "118", "47", "48", "11", "21", \
    "34", "87"
MIDDLE_CLICK = "middle click"  # on the password box
BOX = (394, 371, 240, 12)  # inside the password box on a 1024 x 768 screen (x, y, w, h)

# The layout (setxkbmap's arguments; "!": set while locked), the keys pressed, the text
# the box then holds: the stored password, which the next key unlocks with. An empty text:
# nothing goes in, though the clipboard and the selection hold the password.
INPUT_ROWS = [
    ("de", [ALTGR + "+" + E], "€"),
    ("de", [AE12, E], "é"),  # dead acute, then e
    ("de", [CAPS, AC11, CAPS], "Ä"),
    ("de", [SHIFT + "+" + AC11], "Ä"),
    ("us,de -option grp:shifts_toggle", [SHIFT + "+" + RSHIFT, AC10], "ö"),  # second group
    ("fr", [AE02, AD11, E], "éê"),  # é, then dead circumflex and e
    ("fr", [NUMLOCK, KP1, NUMLOCK], "1"),
    ("!de", [AC11], "ä"),  # the keymap changes under the lock (from fr, where it is ù)
    ("us", [CTRL + "+" + V], ""),
    ("us", [SHIFT + "+" + INSERT], ""),
    ("us", [MIDDLE_CLICK], ""),
]


def lock_command(s, name="appVTR-lock"):
    return s._spawn(name, [s.program_path, "--lock"])


def box_is_empty(s):
    """True when the password box shows no "*" (the caret stands left of this part)."""
    x, y, w, h = BOX
    return s.count_colour("ffffff", region=f"{w}x{h}+{x}+{y}", fuzz=10) == w * h


def shows(s, colour):  # on the lock over the first monitor, not on the tray icon beyond it
    return s.count_colour(colour, region="1024x768+0+0", fuzz=12) > 20


def probe_window(s, kind, x, y, width, height, colour):
    """An x_probe window ("keylog" or "overlay"): (window id, log path)."""
    log = s._spawn("x_probe", [X_PROBE, kind, str(x), str(y), str(width), str(height),
                               colour]).log
    window = wait_until(lambda: read_text(log).split("\n")[0].strip(), 5)
    if kind == "keylog":  # the window manager places it where it likes
        wait_until(lambda: s.is_viewable(window), 5)
        s._run(["xdotool", "windowmove", "--sync", window, str(x), str(y)], check=False)
    if not window or not wait_until(lambda: s.is_viewable(window), 5):
        raise AssertionError("x_probe showed no window")
    return int(window), log


class LockChecks:
    def assertLocked(self, s, why):
        self.assertTrue(s.lock_windows(), why)
        self.assertEqual(s.try_grab("keyboard"), ALREADY_GRABBED, why)
        self.assertEqual(s.try_grab("pointer"), ALREADY_GRABBED, why)


class LockTest(LockChecks, unittest.TestCase):
    # At twice the scale, so that a scaled display is held too, on a screen wider than its
    # one monitor.
    def test_lock_holds_and_opens_with_the_password(self):
        with VtrSession(screen="2048x768x24") as s:
            s._run(["xrandr", "--setmonitor", "left", "1024/271x768/203+0+0", "screen"])
            s.env["QT_SCALE_FACTOR"] = "2"
            s.store_password()
            s.start_program()
            # Another program maps the windows the next lock has made ahead: they are taken
            # down at once (they show nothing before the lock), and the lock below is whole.
            mapped = lambda: s._run([X_PROBE, "attack", "map", "1", "0"]).split()[-1]
            self.assertTrue(wait_until(lambda: mapped() != "0", 5), "nothing made ahead")
            self.assertTrue(wait_until(lambda: not s.lock_windows(), 1), "shown before the lock")
            # Help open: it closes and the desktop locks.
            s.choose_menu_entry("Contents...")
            self.assertTrue(s.find_window("Help"))
            marker, keylog = probe_window(s, "keylog", 60, 60, 301, 201, MAGENTA)
            s._run(["xdotool", "windowactivate", "--sync", str(marker)], check=False)
            s.press_codes(CAPS)  # on before the lock: the panel says so
            lock_command(s)
            s.wait_locked()
            self.assertIsNone(s.find_window("Help", 0.5))
            (window, *geometry), = s.lock_windows()
            self.assertEqual(geometry, [0, 0, 1024, 768])
            self.assertTrue(wait_until(lambda: shows(s, CAPS_NOTE), 2), "Caps Lock on")
            s.press_codes(CAPS)
            self.assertTrue(wait_until(lambda: not shows(s, CAPS_NOTE), 2), "Caps Lock off")
            # Keys go to the lock only; a wrong password is answered at the keypad's Enter;
            # no menu opens from the password box (it would take the grabs) nor from a
            # synthetic right-click on the icon (its Quit ends the lock).
            taken = read_text(keylog)
            s.type_text("zq")
            s.key("KP_Enter")
            self.assertTrue(wait_until(lambda: shows(s, WRONG_LINE), 2), "no wrong password line")
            s.click(511, 378, button=3)
            s._run(["xdotool", "click", "--window", str(s.tray_icon_window()), "3"])
            s.key("Up", "Return")
            self.assertIsNone(wait_until(lambda: s.menu_windows() or read_text(keylog) != taken,
                                         0.5), "a menu opened or a key reached another window")
            self.assertLocked(s, "after the right-clicks")

            # Another program destroys the lock's windows (ten a second) or unmaps them,
            # reparents them or flips their override-redirect in a loop while 300 keys are
            # typed: no key leaks, the grabs are never missing, the lock is back at once.
            for kind, times, gap_ms in [("destroy", 10, 100), ("unmap", 50, 20),
                                        ("reparent", 50, 20), ("override", 50, 20)]:
                attack = s._spawn("x_probe", [X_PROBE, "attack", kind, str(times), str(gap_ms)])
                s.type_text("k" * 75, delay_ms=5)
                attack.wait(30)
                self.assertEqual(read_text(attack.log).split()[:2], ["free", "0"], kind)
                self.assertTrue(wait_until(lambda: s.lock_windows() and
                                           s.try_grab("keyboard") == ALREADY_GRABBED, 1), kind)
                self.assertEqual(read_text(keylog), taken, kind + ": a key leaked")
            # Another program destroys each new lock window the moment it exists, before it
            # can be shown: once it stops, the screen is covered within a second.
            snipe = s._spawn("x_probe", [X_PROBE, "snipe", "1500"])
            wait_until(lambda: "ready" in read_text(snipe.log), 5)
            probe_window(s, "overlay", 700, 500, 200, 150, YELLOW)  # shown meanwhile
            snipe.wait(10)
            self.assertGreater(int(read_text(snipe.log).split()[-1]), 1, "nothing renewed")
            self.assertTrue(wait_until(lambda: s.lock_windows() and
                                       s.count_colour(YELLOW) == 0, 1), "the desktop shows")
            self.assertLocked(s, "after the windows were destroyed as they came")
            (window, *_), = s.lock_windows()
            s.key("Escape")

            # Moved or shrunk, it is back over the screen.
            for change in (["windowmove", str(window), "500", "400"],
                           ["windowsize", str(window), "10", "10"]):
                s._run(["xdotool"] + change, check=False)
                self.assertTrue(wait_until(lambda: s.geometry(window) == (0, 0, 1024, 768), 2),
                                change[0])
            # A new managed window maps on top; raising and activating it; an override-
            # redirect window: each is covered again at once.
            green, _ = probe_window(s, "keylog", 600, 50, 300, 200, GREEN)
            self.assertEqual(s.count_colour(GREEN), 0, "new window")
            s._run(["xdotool", "windowraise", str(green)], check=False)
            s._run(["xdotool", "windowactivate", str(green)], check=False)
            self.assertTrue(wait_until(lambda: s.count_colour(GREEN) == 0, 2),
                            "raised and activated")
            probe_window(s, "overlay", 0, 0, 500, 400, CYAN)
            self.assertEqual(s.count_colour(CYAN), 0, "override-redirect window")

            # Beyond every monitor nothing covers; a window there shows until it is one.
            probe_window(s, "overlay", 1300, 100, 300, 200, ORANGE)
            s._run(["xrandr", "--setmonitor", "right", "1024/271x768/203+1024+0", "none"])
            self.assertTrue(wait_until(lambda: len(s.lock_windows()) == 2, 3), "no cover")
            self.assertTrue(wait_until(lambda: s.count_colour(ORANGE) == 0, 3), "not covered")
            s._run(["xrandr", "--delmonitor", "right"])
            self.assertTrue(wait_until(lambda: len(s.lock_windows()) == 1, 3), "cover kept")
            # The screen grows: the lock grows with it, and nothing of the desktop shows.
            s._run(["xrandr", "--delmonitor", "left", "--setmonitor", "left",
                    "1400/271x768/203+0+0", "screen"])
            self.assertTrue(wait_until(lambda: [(w[1], w[3]) for w in s.lock_windows()] ==
                                       [(0, 1400)], 3), "not resized")
            self.assertEqual(s.count_colour(ORANGE), 200 * 200, "the strip shows")
            self.assertLocked(s, "after the screens changed")

            self.assertFalse(shows(s, WRONG_LINE), "the wrong password line stays")

            # The password typed: locked until the next key checks it.
            s.type_text(PASSWORD)
            self.assertIsNone(wait_until(lambda: not s.lock_windows(), 0.5), "no key since")
            s.key("Return")
            self.assertTrue(wait_until(lambda: not s.lock_windows(), 3), "right password")
            self.assertEqual(s.try_grab("keyboard"), "0")
            # The wrong try is told, in a box of its own.
            self.assertTrue(s.find_window("Veltrane", 3), "the wrong tries were not told")

    # The X server averages the screen down and draws the blurred picture back up: what
    # the lock shows over fine text, and where the tray menu was, is the core's own blur
    # of the desktop before the menu, but for rounding; nor does the desktop show for a
    # moment where the panel is still to come.
    def test_lock_picture_is_the_cores_blur_at_every_scale(self):
        text = "\n".join(f"{n:02}  notes.txt: meeting at ten, call back the bank, pick up the keys"
                         for n in range(20))
        with VtrSession() as s:
            s.store_password()
            s._spawn("xmessage", ["xmessage", "-geometry", "+60+60", "-fn", "fixed", text])
            probe_window(s, "overlay", 412, 334, 200, 100, MAGENTA)  # under the panel

            result = []

            def compared(before, shown, area=(20, 20, 500, 260)):  # above the panel and banner
                result[:] = s._run([BLUR_PROBE, before, shown, scale] +
                                   [str(v) for v in area]).split()
                return result

            def text_drawn():
                shot = s.screenshot()
                return shot if float(compared(shot, shot)[1]) > 40 else None

            for scale in ("1", "1.25", "1.5"):
                with self.subTest(scale=scale):
                    s.env["QT_SCALE_FACTOR"] = scale
                    s.start_program()
                    before = wait_until(text_drawn, 3)
                    self.assertTrue(before, "no text drawn")
                    _, mx, my, mw, mh = s.open_tray_menu()
                    s.key(*MENU_KEYS["Lock Desktop"].split())
                    watch = s._spawn("x_probe", [X_PROBE, "watch", "512", "400", MAGENTA, "1000"])
                    wait_until(lambda: "ready" in read_text(watch.log), 5)
                    s.key("Return")
                    s.wait_locked()
                    watch.wait(10)
                    seen, _, reads = read_text(watch.log).split()[-3:]
                    self.assertGreater(int(reads), 0, "no lock window seen")
                    self.assertEqual(seen, "0", "the desktop showed through the lock")
                    wait_until(lambda: int(compared(before, s.screenshot())[0]) <= 3, 3)
                    largest, sharp, blurred = result
                    self.assertLess(float(blurred), float(sharp) / 10, "text readable")
                    self.assertLessEqual(int(largest), 3, "not the core's blur")
                    # The menu's top half (its bottom is near the icon, which changes).
                    largest = compared(before, s.screenshot(), (mx, my, mw, mh // 2))[0]
                    self.assertLessEqual(int(largest), 3, "the menu is in the picture")
                    self.assertTrue(s.unlock())
                    s._end(s.program)

    def test_input_table(self):
        with VtrSession() as s:
            s.start_program()
            secret = os.path.join(s.root, "secret")
            with open(secret, "w") as f:
                f.write(PASSWORD)
            for selection in ("clipboard", "primary"):
                s._spawn("xclip", ["xclip", "-quiet", "-selection", selection, "-i", secret])
                self.assertTrue(wait_until(lambda: s._run(
                    ["xclip", "-o", "-selection", selection], check=False) == PASSWORD, 5))
            for layout, keys, typed in INPUT_ROWS:
                row = f"{layout}: {keys} -> {typed!r}"
                s.store_password(typed or PASSWORD)
                if not layout.startswith("!"):
                    s._run(["setxkbmap"] + layout.split())
                lock_command(s)
                s.wait_locked()
                if layout.startswith("!"):
                    s._run(["setxkbmap"] + layout[1:].split())
                for key in keys:
                    if key == MIDDLE_CLICK:
                        s.click(BOX[0] + 20, BOX[1] + 5, button=2)
                    else:
                        s.press_codes(key)
                if not typed:
                    s.press_codes(SHIFT)  # its check would open a box that had taken a paste
                    self.assertIsNone(wait_until(lambda: not s.lock_windows(), 0.5),
                                      f"{row}: unlocked")
                    self.assertTrue(box_is_empty(s), row)
                    s.type_text(PASSWORD)
                s.press_codes(RETURN)
                self.assertTrue(wait_until(lambda: not s.lock_windows(), 3), f"{row}: locked")
                print("passed:", row, file=sys.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
