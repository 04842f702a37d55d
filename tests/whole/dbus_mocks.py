"""D-Bus services played by python3-dbusmock on private buses, for the whole-program
tests: logind on a bus standing in for the system bus, and a status-notifier watcher (a
panel that hosts tray icons, as swaybar or xfce4-panel are) on a session bus.

A session `s` gives them `_spawn(name, argv, pass_fds=...)`, `_run(argv, check)` and the
`env` its programs start with."""

import os
import pwd
import re
import select

from vtr_harness import wait_until

# python3-dbusmock is the system Python's.
DBUSMOCK_PYTHON = "/usr/bin/python3"
LOGIND = ["--dest", "org.freedesktop.login1", "--object-path", "/org/freedesktop/login1"]
SESSION = "c1"
WATCHER = ["--dest", "org.kde.StatusNotifierWatcher", "--object-path", "/StatusNotifierWatcher"]


def private_bus(s):
    """The address of a new bus of the session's own."""
    read_end, write_end = os.pipe()
    s._spawn("dbus-daemon", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                             f"--print-address={write_end}"], pass_fds=(write_end,))
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        address = pipe.readline().strip() if select.select([pipe], [], [], 10)[0] else ""
    assert address, "no bus"
    return address


class Logind:
    """A private bus standing in for the system bus, python3-dbusmock's logind on it and a
    session of this user, named in the session's XDG_SESSION_ID."""

    def __init__(self, s):
        self.s = s
        s.env.update(DBUS_SYSTEM_BUS_ADDRESS=private_bus(s), XDG_SESSION_ID=SESSION)

    def start(self):
        self.s._spawn("dbusmock", [DBUSMOCK_PYTHON, "-m", "dbusmock", "--system", "--template",
                                   "logind"])
        assert wait_until(lambda: self.call("org.freedesktop.login1.Manager.ListSessions",
                                            check=False), 10), "no logind"
        user = pwd.getpwuid(os.getuid()).pw_name
        self.call("org.freedesktop.DBus.Mock.AddSession", SESSION, "seat0", str(os.getuid()),
                  user, "true")

    def call(self, method, *args, path=None, check=True):
        where = LOGIND[:3] + [path] if path else LOGIND
        return self.s._run(["gdbus", "call", "--system"] + where + ["--method", method] +
                           list(args), check)

    def lock_session(self):
        self.call("org.freedesktop.login1.Session.Lock",
                  path=f"/org/freedesktop/login1/session/{SESSION}")

    def emit(self, signal_name, value):
        self.call("org.freedesktop.DBus.Mock.EmitSignal", "org.freedesktop.login1.Manager",
                  signal_name, "b", f"[<{value}>]")

    def inhibitors(self):
        """The names of the programs that hold a sleep inhibitor."""
        listed = self.call("org.freedesktop.login1.Manager.ListInhibitors")
        return sorted(name for name in ("Veltrane", "xss-lock") if f"'{name}'" in listed)


class StatusNotifierWatcher:
    """A session bus with a status-notifier watcher that says a host is there: the
    toolkit's tray icon registers itself with it."""

    def __init__(self, s):
        self.s = s
        s.env["DBUS_SESSION_BUS_ADDRESS"] = private_bus(s)
        s._spawn("watcher", [DBUSMOCK_PYTHON, "-m", "dbusmock", "--session",
                             "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                             "org.kde.StatusNotifierWatcher"])
        assert wait_until(lambda: self.call("org.freedesktop.DBus.Mock.GetCalls", check=False),
                          10), "no watcher"
        for name, value in (("IsStatusNotifierHostRegistered", "<true>"),
                            ("ProtocolVersion", "<0>"),
                            ("RegisteredStatusNotifierItems", "<@as []>")):
            self.call("org.freedesktop.DBus.Mock.AddProperty", "org.kde.StatusNotifierWatcher",
                      name, value)
        for method in ("RegisterStatusNotifierItem", "RegisterStatusNotifierHost"):
            self.call("org.freedesktop.DBus.Mock.AddMethod", "org.kde.StatusNotifierWatcher",
                      method, "s", "", "")

    def call(self, method, *args, check=True):
        return self.s._run(["gdbus", "call", "--session"] + WATCHER + ["--method", method] +
                           list(args), check)

    def registrations(self):
        """How many times an icon registered itself."""
        return self.call("org.freedesktop.DBus.Mock.GetCalls").count("RegisterStatusNotifierItem")

    def choose(self, label):
        """Chooses the entry `label` of the menu the last registered icon exports, as a
        panel that draws the menu itself does."""
        item = re.findall(r"<'(:[0-9.]+)'>", self.call("org.freedesktop.DBus.Mock.GetCalls"))[-1]
        menu = re.search(r"objectpath '([^']+)'", self.s._run(
            ["gdbus", "call", "--session", "--dest", item, "--object-path", "/StatusNotifierItem",
             "--method", "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierItem",
             "Menu"])).group(1)
        where = ["gdbus", "call", "--session", "--dest", item, "--object-path", menu, "--method"]
        layout = self.s._run(where + ["com.canonical.dbusmenu.GetLayout", "--", "0", "-1",
                                      "@as []"])
        entry = re.search(r"\((\d+), \{[^}]*'label': <'%s'>" % re.escape(label), layout)
        assert entry, f"no {label!r} in the menu: {layout}"
        self.s._run(where + ["com.canonical.dbusmenu.Event", "--", entry.group(1), "clicked",
                             "<0>", "0"])
