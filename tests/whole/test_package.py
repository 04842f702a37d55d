"""The Debian package as built (no install): its dependencies, the hardened program, the
scalable icon, and the login entry, which ends quietly where no lock can hold."""

import glob
import os
import subprocess
import sys
import tempfile
import unittest


def run(argv, env=None):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=60)


class PackageTest(unittest.TestCase):
    def test_package_contents(self):
        debs = glob.glob(os.path.join(os.environ.get("VTR_DEB_DIR", "build/package"), "*.deb"))
        self.assertEqual(len(debs), 1, debs)
        depends = run(["dpkg-deb", "-f", debs[0], "Depends"]).stdout
        # Qt loads its display plugins (X11's, Wayland's) rather than linking them.
        names = [d.strip().split(" ")[0] for d in depends.split(",")]
        self.assertTrue({"qt6-qpa-plugins", "qt6-wayland"} <= set(names), names)
        with tempfile.TemporaryDirectory() as root:
            run(["dpkg-deb", "-x", debs[0], root])
            self.assertTrue(os.path.isfile(
                os.path.join(root, "usr/share/icons/hicolor/scalable/apps/veltrane.svg")))
            program = os.path.join(root, "usr/bin/appVTR")
            dynamic = run(["readelf", "-d", program]).stdout
            self.assertRegex(dynamic, r"FLAGS_1\)\s+Flags:.*\bNOW\b.*\bPIE\b")
            self.assertIn("GNU_RELRO", run(["readelf", "-l", program]).stdout)
            with open(os.path.join(root, "etc/xdg/autostart/veltrane.desktop")) as entry:
                command = [line[5:].split() for line in entry if line.startswith("Exec=")][0]
            # Started at login in a session it cannot lock: no box, one line, gone.
            env = dict(os.environ, XDG_SESSION_TYPE="wayland", WAYLAND_DISPLAY="wayland-9")
            login = run([program] + command[1:], env)
            self.assertEqual(login.returncode, 0, login.stderr)
            self.assertEqual(len(login.stderr.splitlines()), 1, login.stderr)
            self.assertIn("Wayland", login.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
