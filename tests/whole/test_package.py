"""The Debian package as built, unpacked (no install): its dependencies, the hardened
program, the files it installs, and the program's answers where it starts no tray: the
command line, no display, a Wayland session without a compositor, and the login entry,
which ends quietly where no lock can hold."""

import glob
import os
import subprocess
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
            for path in ("usr/share/applications/veltrane.desktop",
                         "usr/share/veltrane/help/vtrhelp.html",
                         "usr/share/icons/hicolor/32x32/apps/veltrane.png",
                         "usr/share/icons/hicolor/scalable/apps/veltrane.svg"):
                self.assertTrue(os.path.isfile(os.path.join(root, path)), path)
            program = os.path.join(root, "usr/bin/appVTR")
            dynamic = run(["readelf", "-d", program]).stdout
            self.assertRegex(dynamic, r"FLAGS_1\)\s+Flags:.*\bNOW\b.*\bPIE\b")
            self.assertIn("GNU_RELRO", run(["readelf", "-l", program]).stdout)
            with open(os.path.join(root, "etc/xdg/autostart/veltrane.desktop")) as entry:
                login = [line[5:].split() for line in entry if line.startswith("Exec=")][0][1:]

            no_x = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
            wayland = dict(no_x, XDG_SESSION_TYPE="wayland", WAYLAND_DISPLAY="wayland-9")
            one_line = r"^[^\n]*{}[^\n]*\n$"
            # arguments, environment, exit status, stdout, stderr (regular expressions)
            rows = [(["--version"], no_x, 0, r"^appVTR \(Veltrane\) \d+\.\d+\.\d+\n$", "^$"),
                    (["--help"], no_x, 0, "--lock", "^$"),
                    (["--lokc"], no_x, 2, "^$", "Usage: appVTR"),
                    # Not ended by an abort: one line and status 1.
                    ([], no_x, 1, "^$", one_line.format("no X display could be opened")),
                    (["--lock"], no_x, 1, "^$", one_line.format("no X display could be opened")),
                    (["--lock"], wayland, 1, "^$", one_line.format("Wayland")),
                    # Started at login in a session it cannot lock: no box, one line, gone.
                    (login, wayland, 0, "^$", one_line.format("Wayland"))]
            for args, env, status, out, err in rows:
                said = run([program] + args, env)
                self.assertEqual(said.returncode, status, (args, said.stderr))
                self.assertRegex(said.stdout, out, args)
                self.assertRegex(said.stderr, err, args)


if __name__ == "__main__":
    unittest.main(verbosity=2)
