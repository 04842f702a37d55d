"""Locking from outside the tray menu: `appVTR --lock` as xss-lock and key bindings run
it, logind's Lock and sleep on python3-dbusmock's logind template, the guard that relocks
after a kill, and the instance's folder squatted by another user."""

import contextlib
import os
import pwd
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dbus_mocks import SESSION, Logind  # noqa: E402
from test_lock import LockChecks, lock_command  # noqa: E402
from vtr_harness import (ALREADY_GRABBED, X_PROBE, VtrSession, read_text,  # noqa: E402
                         wait_until)


class LockCommandTest(LockChecks, unittest.TestCase):
    def assertRefused(self, command, reason, s):
        self.assertEqual(command.wait(10), 1, s.program_log())
        said = read_text(command.log).splitlines()
        self.assertEqual(len(said), 1, said)
        self.assertIn(reason, said[0])

    def test_exit_statuses_joining_xss_lock_and_logind(self):
        with VtrSession() as s:
            logind = Logind(s)
            logind.start()
            # No Veltrane runs: one is started, which stays, and refuses without a password.
            self.assertRefused(lock_command(s), "no password is stored", s)
            s.adopt_tray()
            self.assertTrue(s.tray_icon_window(10), "no tray icon after --lock")
            self.assertTrue(s.find_window("Password Required"), s.program_log())
            s.key("Return")
            s.store_password()
            # Another program holds the keyboard: refused at once, and a box says why.
            holder = s._spawn("x_probe", [X_PROBE, "grab", "keyboard", "hold"])
            self.assertEqual(wait_until(lambda: read_text(holder.log).strip(), 5), "0")
            self.assertRefused(lock_command(s), "holding the keyboard", s)
            s._end(holder)
            self.assertTrue(s.find_window("Veltrane"))
            s.key("Return")

            # A request while locked joins: both return at the unlock, with status 0. So
            # does logind's Lock (Unlock unlocks nothing).
            first = lock_command(s)
            s.wait_locked()
            joined = lock_command(s, "appVTR-join")
            logind.lock_session()
            logind.call("org.freedesktop.login1.Session.Unlock", path=f"/org/freedesktop/"
                        f"login1/session/{SESSION}")
            self.assertIsNone(wait_until(lambda: first.poll() is not None or
                                         joined.poll() is not None, 0.5), "returned locked")
            self.assertLocked(s, "after the second request and logind's Unlock")
            self.assertTrue(s.unlock())
            self.assertEqual((first.wait(5), joined.wait(5)), (0, 0))
            logind.lock_session()
            s.wait_locked()
            self.assertTrue(s.unlock())

            # xss-lock runs the command at every activation of the screen saver.
            xss = s._spawn("xss-lock", ["xss-lock", "--session", SESSION, "--transfer-sleep-lock",
                                        "--", s.program_path, "--lock"])
            self.assertTrue(wait_until(lambda: logind.inhibitors() == ["Veltrane", "xss-lock"],
                                       5), "xss-lock took no inhibitor")
            for time in ("first", "second"):
                s._run(["xset", "s", "activate"])
                s.wait_locked()
                self.assertTrue(s.unlock(), time)
                s._run(["xset", "s", "reset"])

            # Before sleep, with the keyboard held for a moment by another program: the lock
            # waits for it; the sleep descriptors go only once the lock holds.
            holder = s._spawn("x_probe", [X_PROBE, "grab", "keyboard", "hold"])
            wait_until(lambda: read_text(holder.log).strip(), 5)
            logind.emit("PrepareForSleep", "true")
            client = wait_until(lambda: s.program_processes("client"), 5)
            with open(f"/proc/{client[0]}/environ", "rb") as environ:
                fd = dict(v.split(b"=", 1) for v in environ.read().split(b"\0") if b"=" in v)[
                    b"XSS_SLEEP_LOCK_FD"].decode()
            descriptor = f"/proc/{client[0]}/fd/{fd}"
            self.assertTrue(wait_until(lambda: s.try_grab("pointer") == ALREADY_GRABBED, 5))
            self.assertTrue(os.path.exists(descriptor), "released before the lock held")
            self.assertEqual(logind.inhibitors(), ["Veltrane", "xss-lock"],
                             "released before the lock held")
            s._end(holder)
            self.assertTrue(wait_until(lambda: not os.path.exists(descriptor), 5))
            self.assertEqual(s.try_grab("keyboard"), ALREADY_GRABBED, "released before the grab")
            self.assertTrue(wait_until(lambda: logind.inhibitors() == [], 5))
            logind.emit("PrepareForSleep", "false")
            self.assertTrue(s.unlock())
            self.assertTrue(wait_until(lambda: "Veltrane" in logind.inhibitors(), 5),
                            "not taken again after the resume")

    def test_guard_relocks_is_replaced_and_becomes_the_tray(self):
        with VtrSession() as s:
            Logind(s)  # a system bus without logind: nothing is said
            s.store_password()
            tray_log = s.start_program().log
            # Killed in the lock's set-up, another program holding the keyboard a moment
            # longer: the guard locks, and --lock returns only at that lock's unlock.
            holder = s._spawn("x_probe", [X_PROBE, "grab", "keyboard", "hold"])
            wait_until(lambda: read_text(holder.log).strip(), 5)
            waiting = lock_command(s)
            self.assertTrue(wait_until(lambda: s.try_grab("pointer") == ALREADY_GRABBED, 5))
            s.program.send_signal(signal.SIGKILL)
            s._end(holder)
            self.assertTrue(wait_until(lambda: s.lock_windows() and s.try_grab("keyboard") ==
                                       ALREADY_GRABBED, 3), "not locked again")
            self.assertIsNone(waiting.poll(), "--lock returned before the unlock")
            self.assertTrue(s.unlock())
            self.assertEqual(waiting.wait(5), 0)
            # The guard became the tray program again.
            tray = s.adopt_tray()
            self.assertTrue(s.tray_icon_window(10), "no icon after the guard's unlock")

            # The program's folder moved away while locked; the guard killed and replaced:
            # the new guard still relocks a kill, at once.
            s.choose_menu_entry("Lock Desktop")
            s.wait_locked()
            moved = s.program_folder + "-moved"
            os.rename(s.program_folder, moved)
            s.program_path = os.path.join(moved, "appVTR")
            (guard,) = s.program_processes("guard")
            os.kill(guard, signal.SIGKILL)
            self.assertTrue(wait_until(lambda: s.program_processes("guard") not in ([], [guard]),
                                       5), "no new guard")
            probe = s._spawn("x_probe", [X_PROBE, "regrab", "5000"])
            wait_until(lambda: read_text(probe.log), 5)  # it watches the grab now
            tray.send_signal(signal.SIGKILL)
            probe.wait(10)
            relocked_ms = float(read_text(probe.log).split()[1])
            print(f"relocked {relocked_ms} ms after the kill", file=sys.stderr)
            self.assertLess(relocked_ms, 200)
            self.assertTrue(wait_until(s.lock_windows, 2), "no cover after the kill")
            self.assertTrue(s.unlock())
            s.adopt_tray()
            self.assertTrue(s.tray_icon_window(10), "no icon")
            self.assertEqual(read_text(tray_log), "")  # no logind, nothing said

    def test_squatted_folder(self):
        if os.geteuid() != 0:
            self.skipTest("making another user needs root")
        with other_user() as squatter, VtrSession() as s:
            # No private runtime folder: the shared one, where the other user was first.
            shared = tempfile.mkdtemp(prefix="vtr-shared-")
            self.addCleanup(subprocess.run, ["rm", "-rf", shared])
            os.chmod(shared, 0o1777)
            del s.env["XDG_RUNTIME_DIR"]
            s.env["TMPDIR"] = shared
            squatted = os.path.join(shared, f"veltrane-{os.getuid()}")
            name = f"veltrane-{os.getuid()}-{s.env['DISPLAY']}"
            os.mkdir(squatted)
            os.chmod(squatted, 0o777)
            os.chown(squatted, squatter.pw_uid, squatter.pw_gid)
            serve_as(squatter, s, os.path.join(squatted, name + ".socket"))
            s.store_password()
            s.start_program()  # not turned away by the squatted folder
            self.assertIn(squatted, s.program_log())
            self.assertIn("belongs to another user", s.program_log())
            self.assertRefused(lock_command(s), "belongs to another user", s)

            # A private folder, with a socket served by another user in it (bound there,
            # then listened on as that user): not trusted.
            runtime = s.env["XDG_RUNTIME_DIR"] = os.path.join(s.root, "runtime")
            s.env.pop("TMPDIR")
            serve_as(squatter, s, os.path.join(runtime, name + ".socket"))
            self.assertRefused(lock_command(s), "another user", s)


SERVER = """
import os, socket, sys
listening = socket.socket(socket.AF_UNIX)
listening.bind(sys.argv[1])
os.chmod(sys.argv[1], 0o777)
os.setgroups([]); os.setgid(int(sys.argv[3])); os.setuid(int(sys.argv[2]))
listening.listen()
print("ready", flush=True)
while True:
    client, _ = listening.accept()
    client.sendall(b"locked\\nunlocked\\n")
    client.close()
"""


@contextlib.contextmanager
def other_user():
    """A throwaway user, made and removed under the lock for the tests' system changes."""
    name = f"vtrsq{os.getpid() % 100000}"
    locked = ["flock", "/tmp/vtr-install.lock"]
    subprocess.run(locked + ["useradd", "-M", "-s", "/usr/sbin/nologin", name], check=True,
                   timeout=120, capture_output=True)
    try:
        yield pwd.getpwnam(name)
    finally:
        subprocess.run(locked + ["userdel", name], timeout=120, capture_output=True)


def serve_as(user, s, path):
    """A socket at `path`, of `user`, that answers every request "locked", "unlocked"."""
    server = s._spawn("squatter", [sys.executable, "-c", SERVER, path, str(user.pw_uid),
                                   str(user.pw_gid)])
    assert wait_until(lambda: "ready" in read_text(server.log), 10), read_text(server.log)


if __name__ == "__main__":
    unittest.main(verbosity=2)
