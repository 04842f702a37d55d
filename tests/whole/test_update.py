"""The update check from the tray menu, against a local server only: the program's copy
has its built-in update address rewritten to a slow server on 127.0.0.1. While the
version comes, clicks on the icon are dropped, not replayed; a different version is
offered, No leaves the program in the tray with the server's text kept beside it."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import VtrSession, wait_until  # noqa: E402

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support",
                      "local_http_server.py")
SIZE = 100 * 1024  # served at 50 KB/s: the fetch lasts about 2 s


def utf16(text):
    return re.escape(text.encode("utf-16-le"))


def point_update_at(program_path, port):
    """Rewrites the built-in update address (UTF-16 text in the program) to the local
    server's slow mode, padding the size with zeros to the same length."""
    with open(program_path, "rb") as f:
        data = f.read()
    built_in = re.compile(utf16("http") + rb"(?:s\0)?" + utf16("://") + rb"(?:[^/\0]\0)+" +
                          utf16("/downloads/products/vtr/downloads/update/"))
    found = built_in.findall(data)
    assert len(found) == 1, f"{len(found)} update addresses in the program"
    head = f"http://127.0.0.1:{port}/odd/slow/"
    local = f"{head}{SIZE:0{len(found[0]) // 2 - len(head) - 1}d}/"
    with open(program_path, "wb") as f:
        f.write(data.replace(found[0], local.encode("utf-16-le")))


class UpdateTest(unittest.TestCase):
    def test_slow_check_drops_clicks_and_no_keeps_the_program(self):
        served = tempfile.TemporaryDirectory()
        self.addCleanup(served.cleanup)
        server = subprocess.Popen([sys.executable, SERVER, served.name], stdout=subprocess.PIPE)
        self.addCleanup(server.wait)
        self.addCleanup(server.kill)
        with VtrSession() as s:
            point_update_at(s.program_path, int(server.stdout.readline()))
            s.start_program()
            s.choose_menu_entry("Check for update...")
            s.click_icon(button=3)  # while the version comes: it would open the menu
            self.assertIsNone(wait_until(s.menu_windows, 0.5), "the click came through")
            offer = s.find_window("Veltrane Update", 25)
            self.assertTrue(offer, "no offer\n" + s.program_log())
            self.assertIsNone(wait_until(s.menu_windows, 1), "the click came late")
            with open(s.program_file("vtrver.txt"), "rb") as f:
                self.assertEqual(f.read(), bytes(i % 251 for i in range(SIZE)) + b"\r\n")

            s._run(["xdotool", "windowactivate", "--sync", str(offer)], check=False)
            s.key("Escape")  # No
            self.assertTrue(wait_until(lambda: not s.find_window("Veltrane Update", 0), 5))
            self.assertEqual(s.popup_windows(), [], "a window followed No")
            self.assertIsNone(s.wait_for_exit(0.3), "the program ended")
            self.assertTrue(s.tray_icon_windows())


if __name__ == "__main__":
    unittest.main(verbosity=2)
