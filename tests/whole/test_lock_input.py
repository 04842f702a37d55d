"""What enters the lock's password box, typed under German and French layouts set by
setxkbmap; no paste by key or middle button; a wrong password answered, Caps Lock shown and
the wrong tries told after the unlock."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import PASSWORD, VtrSession, wait_until  # noqa: E402

# Key codes of the pc105 keyboard Xvfb has (evdev).
ALTGR, SHIFT, RSHIFT, CTRL, CAPS, NUMLOCK = "108", "50", "62", "37", "66", "77"
RETURN, KP_ENTER = "36", "104"
E, V, INSERT, AC10, AC11, AE02, AE12, AD11, KP1 = "26", "55", "118", "47", "48", "11", "21", \
    "34", "87"
MIDDLE_CLICK = "middle click"  # on the password box
BOX = (394, 371, 240, 12)  # inside the password box on a 1024 x 768 screen (x, y, w, h)

# The layout (setxkbmap's arguments; "!" when it is set while locked), the keys pressed,
# the text the box must then hold: the stored password, which the next key unlocks with.
# An empty text: the keys put nothing in the box, though the clipboard and the selection
# hold the password.
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


def lock_now(s):
    s._spawn("appVTR-lock", [s.program_path, "--lock"])
    s.wait_locked()


def box_is_empty(s):
    """True when the password box shows no "*" (the caret stands left of this part)."""
    x, y, w, h = BOX
    return s.count_colour("ffffff", region=f"{w}x{h}+{x}+{y}", fuzz=10) == w * h


class LockInputTest(unittest.TestCase):
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
            passed = []
            for layout, keys, typed in INPUT_ROWS:
                row = f"{layout}: {keys} -> {typed!r}"
                s.store_password(typed or PASSWORD)
                if not layout.startswith("!"):
                    s._run(["setxkbmap"] + layout.split())
                lock_now(s)
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
                                      f"{row}: unlocked\npassed: {passed}")
                    self.assertTrue(box_is_empty(s), row)
                    s.type_text(PASSWORD)
                s.press_codes(RETURN)
                self.assertTrue(wait_until(lambda: not s.lock_windows(), 3),
                                f"{row}: still locked\npassed: {passed}")
                passed.append(row)
            print("\n".join(["rows passed:"] + passed))

    def test_wrong_password_answered(self):
        with VtrSession() as s:
            s.store_password()
            s.start_program()
            s.press_codes(CAPS)  # on before the lock
            lock_now(s)
            (_, lx, ly, lw, lh), = s.lock_windows()
            x, y = lx + (lw - 283) // 2, ly + (lh - 88) // 2  # the panel
            wrong_line, caps_line = f"120x18+{x + 13}+{y + 62}", f"120x18+{x + 150}+{y + 62}"

            def shown(region, colour):
                return s.count_colour(colour, None, region, fuzz=12) > 20

            self.assertTrue(wait_until(lambda: shown(caps_line, "ffde8c"), 2), "Caps Lock on")
            self.assertFalse(shown(wrong_line, "ffbeaa"), "a wrong password shown at once")
            s.press_codes(CAPS)
            self.assertTrue(wait_until(lambda: not shown(caps_line, "ffde8c"), 2), "Caps Lock off")
            # Enter and the keypad's Enter: a wrong text goes, and the line says why.
            for enter in (RETURN, KP_ENTER):
                s.type_text("wrong")
                self.assertTrue(wait_until(lambda: not box_is_empty(s), 2), "nothing typed")
                s.press_codes(enter)
                self.assertTrue(wait_until(lambda: shown(wrong_line, "ffbeaa"), 2), enter)
                self.assertTrue(box_is_empty(s), enter)
                self.assertTrue(s.lock_windows(), enter)
            self.assertTrue(wait_until(lambda: not shown(wrong_line, "ffbeaa"), 6),
                            "the line stays")
            s.type_text(PASSWORD)
            s.press_codes(RETURN)
            self.assertTrue(wait_until(lambda: not s.lock_windows(), 3), "right password")
            # The tries are told, in a box of their own.
            box = s.find_window("Veltrane", 3)
            self.assertTrue(box, "the wrong tries were not told\n" + s.program_log())
            s.key("Return")
            self.assertTrue(wait_until(lambda: not s.find_window("Veltrane", 0.1), 3))


if __name__ == "__main__":
    unittest.main(verbosity=2)
