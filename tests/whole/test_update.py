"""The update check from the tray menu, against a local server only: the program's copy
has its built-in update address rewritten to a server on 127.0.0.1. While the version
comes, clicks on the icon are dropped, not replayed; a different version is offered, No
leaves the program in the tray with the server's text kept beside it. A portable copy
puts a signed release in place of itself and the new program starts."""

import io
import os
import pathlib
import re
import signal
import subprocess
import sys
import tarfile
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import ROLES, ReleaseSigner, VtrSession, wait_until  # noqa: E402

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support",
                      "local_http_server.py")
SIZE = 4000  # a kilobyte every half second: the fetch lasts about 2 s
RELEASE = "VTR_Upgrade-x86_64.tar.gz"


def utf16(text):
    return re.escape(text.encode("utf-16-le"))


def point_update_at(program_path, port, folder):
    """Rewrites the built-in update address (UTF-16 text in the program) to `folder` of the
    local server, its "{pad}" made zeros to the same length; the folder as written."""
    data = pathlib.Path(program_path).read_bytes()
    built_in = re.compile(utf16("http") + rb"(?:s\0)?" + utf16("://") + rb"(?:[^/\0]\0)+" +
                          utf16("/downloads/products/vtr/downloads/update/"))
    found = built_in.findall(data)
    assert len(found) == 1, f"{len(found)} update addresses in the program"
    head = f"http://127.0.0.1:{port}/"
    pad = len(found[0]) // 2 - len(head) - len(folder) + len("{pad}")
    local = head + folder.replace("{pad}", "0" * pad)
    pathlib.Path(program_path).write_bytes(data.replace(found[0], local.encode("utf-16-le")))
    return local[len(head):]


class UpdateTest(unittest.TestCase):
    def setUp(self):
        served = tempfile.TemporaryDirectory()
        self.addCleanup(served.cleanup)
        self.served = pathlib.Path(served.name)
        server = subprocess.Popen([sys.executable, SERVER, served.name], stdout=subprocess.PIPE)
        self.addCleanup(lambda: (server.kill(), server.wait(), server.stdout.close()))
        self.port = int(server.stdout.readline())

    def test_slow_check_drops_clicks_and_no_keeps_the_program(self):
        with VtrSession() as s:
            point_update_at(s.program_path, self.port, f"odd/slow/{{pad}}{SIZE}/500/")
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

    def test_portable_copy_replaces_itself(self):
        with VtrSession() as s:
            signer = ReleaseSigner(s.root)
            signer.put_into(s.program_path)
            folder = self.served / point_update_at(s.program_path, self.port, "{pad}/")
            folder.mkdir(parents=True)
            (folder / "vtrver.txt").write_bytes(b"Version 9.9.9\r\n")
            # The release: this program with a mark of its own, and a help page.
            new_program = pathlib.Path(s.program_path).read_bytes() + b"\0release 9.9.9"
            with tarfile.open(folder / RELEASE, "w:gz") as release:
                for name, data, mode in (("appVTR", new_program, 0o755),
                                         ("help/vtrhelp.html", b"<p>9.9.9</p>", 0o644)):
                    entry = tarfile.TarInfo("veltrane-9.9.9/" + name)
                    entry.size, entry.mode = len(data), mode
                    release.addfile(entry, io.BytesIO(data))
            signer.sign(folder / RELEASE)

            s.start_program()
            old = s.program.pid

            def new_ones():
                return [pid for pid in s.program_processes("tray") if pid != old]
            self.addCleanup(lambda: [os.kill(pid, signal.SIGTERM) for pid in new_ones()])
            s.choose_menu_entry("Check for update...")
            for title in ("Veltrane Update", "Veltrane"):  # the offer: Yes; downloaded: OK
                box = s.find_window(title, 25)
                self.assertTrue(box, f"no {title} box\n" + s.program_log())
                s._run(["xdotool", "windowactivate", "--sync", str(box)], check=False)
                s.key("Return")
            # Held up on its way out, once it started the helper that starts the new one,
            # the old program keeps the new one waiting: started before the old one is
            # gone, the new one would end at once.
            def helper_started():  # a child other than the guard
                try:
                    children = pathlib.Path(f"/proc/{old}/task/{old}/children").read_text()
                    return any(pathlib.Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[1:-1]
                               != ROLES["guard"] for pid in children.split())
                except OSError:
                    return True  # the old program is gone already
            wait_until(helper_started, 20, 0.001)
            os.kill(old, signal.SIGSTOP)
            if pathlib.Path(f"/proc/{old}/stat").read_text().split(") ")[1][0] == "T":
                self.assertIsNone(wait_until(new_ones, 1), "the new program did not wait")
            os.kill(old, signal.SIGCONT)
            self.assertEqual(s.wait_for_exit(20), 0, "the old program did not end")
            self.assertTrue(wait_until(lambda: new_ones() and s.tray_icon_windows(new_ones()),
                                       20), "the new program did not start\n" + s.program_log())
            self.assertEqual(pathlib.Path(s.program_path).read_bytes(), new_program)
            self.assertEqual(pathlib.Path(s.program_file("help/vtrhelp.html")).read_bytes(),
                             b"<p>9.9.9</p>")
            self.assertEqual(os.stat(s.program_path).st_mode & 0o777, 0o755)
            self.assertEqual(sorted(os.listdir(s.program_folder)),
                             ["appVTR", "help", "vtrpwd.sys", "vtrver.txt"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
