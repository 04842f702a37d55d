"""Takes the README's screenshots by driving the built program under Xvfb (through the
whole-program test harness): the tray menu, the password dialog, the lock screen, the
help window and the about box, as small PNG files in the folder given (docs/screenshots).
Run it through scripts/screenshots.sh whenever the look changes."""

import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "whole"))
from vtr_harness import VtrSession  # noqa: E402


OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "docs", "screenshots")
BUILD = os.path.dirname(os.environ["VTR_APP"])


class Shooter(VtrSession):
    def __enter__(self):
        super().__enter__()
        self._run(["xsetroot", "-solid", "#3b6e8f"])  # a desktop to freeze, not black
        shutil.copytree(os.path.join(BUILD, "help"), self.program_file("help"))
        return self

    def keep(self, name, box, scale=100):
        """Saves the screen rectangle `box` (x, y, width, height), scaled, with few colours."""
        x, y, width, height = box
        path = os.path.join(OUT, name)
        self._run(["convert", self.screenshot(), "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                   "-resize", f"{scale}%", "-strip", "-colors", "96", "PNG8:" + path])
        print(f"{path}: {os.path.getsize(path)} bytes")

    def window_box(self, title):
        """The window of that title with its frame, waited for."""
        window = self.find_window(title, 10)
        if not window:
            raise AssertionError(f"no window {title}\n" + self.program_log())
        time.sleep(0.5)  # painted
        return self.geometry(([window] + self.ancestors(window))[-2])


def around(*boxes, margin=8):
    left = min(b[0] for b in boxes) - margin
    top = min(b[1] for b in boxes) - margin
    right = max(b[0] + b[2] for b in boxes) + margin
    bottom = max(b[1] + b[3] for b in boxes) + margin
    return max(left, 0), max(top, 0), right - max(left, 0), bottom - max(top, 0)


def main():
    os.makedirs(OUT, exist_ok=True)
    with Shooter() as s:
        s.start_program()
        s.choose_menu_entry("New")
        s.keep("password-dialog.png", s.window_box("Password"))
    with Shooter() as s:
        s.store_password()
        s.start_program()
        menu = s.open_tray_menu()
        sub = s.open_submenu("Password", menu)
        s.move_mouse(sub.x + 20, s.row_centres(sub, ["New", "Modify", "Forgot"])[1])
        time.sleep(0.3)
        icon = s.geometry(s.tray_icon_window(5))
        s.keep("tray-menu.png", around(menu[1:], sub[1:], icon))
        s.key("Escape", "Escape")
        # A window of text under the lock, which shows it blurred.
        s._spawn("xmessage", ["xmessage", "-geometry", "+60+60", "-fn", "fixed", "\n".join(
            f"{n:02}  notes.txt: meeting at ten, call back the bank, pick up the keys"
            for n in range(20))])
        s.find_window("xmessage")
        s.lock_from_tray()
        time.sleep(1.5)  # the banner well on its way
        s.keep("lock-screen.png", (0, 0, 1024, 768), scale=50)
        s.unlock()
    for entry, title, name in (("Contents...", "Help", "help.png"),
                               ("About Veltrane...", "About Veltrane", "about.png")):
        with Shooter() as s:
            s.start_program()
            s.choose_menu_entry(entry)
            s.keep(name, s.window_box(title), scale=75 if name == "help.png" else 100)


if __name__ == "__main__":
    main()
