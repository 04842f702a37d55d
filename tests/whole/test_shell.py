"""The program as a whole on both kinds of notification area. First an embedded tray:
start-up, which clicks open the menu, the password commands refreshed as it opens, a
second start. Then, after a crash, xfce4-panel's status tray, which hosts the icon as a
status-notifier item over a session bus of the test's own and draws the menu itself:
right and left clicks open the program's menu, refreshed first; while locked nothing
opens, whatever the panel asks over the bus; Quit ends it and its guard."""

import os
import re
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import MENU_KEYS, PASSWORD_FILE, VtrSession, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
WATCHER = ["--dest", "org.kde.StatusNotifierWatcher", "--object-path", "/StatusNotifierWatcher"]


class StatusNotifierPanel:
    """A session bus and xfce4-panel with only its status tray, on the session's display."""

    def __init__(self, s):
        self.s = s
        config = os.path.join(s.root, "config", "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(config)
        shutil.copy(os.path.join(HERE, "data", "xfce4-panel.xml"), config)
        # The panel's settings service comes up on the bus with the bus's environment;
        # no accessibility bus of GTK's.
        s.env.update(XDG_CONFIG_HOME=os.path.join(s.root, "config"), HOME=s.root,
                     NO_AT_BRIDGE="1", GTK_A11Y="none")
        read_end, write_end = os.pipe()
        s._spawn("dbus-daemon", ["dbus-daemon", "--session", "--nofork",
                                 f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            s.env["DBUS_SESSION_BUS_ADDRESS"] = pipe.readline().strip()
        self.panel = s._spawn("xfce4-panel", ["xfce4-panel", "--disable-wm-check"])
        assert wait_until(lambda: "true" in self.watcher("IsStatusNotifierHostRegistered"), 15), \
            "no status-notifier host\n" + open(self.panel.log).read()

    def call(self, where, method, *args):
        return self.s._run(["gdbus", "call", "--session", *where, "--method", method, "--", *args],
                           check=False)

    def watcher(self, prop):
        return self.call(WATCHER, "org.freedesktop.DBus.Properties.Get",
                         "org.kde.StatusNotifierWatcher", prop)

    def item(self):
        """The bus name of the program's item as the panel's watcher lists it, or None."""
        found = re.search(r"'([^'/]+)/", self.watcher("RegisteredStatusNotifierItems"))
        return found and found.group(1)

    def icon_centre(self):
        """Where the program's icon is drawn on the panel: what differs from its ground."""
        window = self.s.windows_of(self.panel.pid)[0]
        x, y, width, height = self.s.geometry(window)
        # Inside the panel's border lines.
        trimmed = self.s._run(["convert", self.s.screenshot(), "-crop",
                               f"{width - 4}x{height - 8}+{x + 2}+{y + 4}", "-fuzz", "10%",
                               "-trim", "-format", "%w %h %X %Y", "info:"])
        w, h, left, top = (int(v) for v in trimmed.split())
        return (left + w // 2, top + h // 2) if 8 <= w <= 64 and 8 <= h <= 64 else None

    def menus(self):
        """Pop-ups of the panel or of the plugin processes it runs."""
        with open(f"/proc/{self.panel.pid}/task/{self.panel.pid}/children") as children:
            pids = [self.panel.pid] + [int(pid) for pid in children.read().split()]
        return [m for m in self.s.override_windows(pids) if m.width < 640]

    def item_call(self, path, method, *args):
        return self.call(["--dest", self.item(), "--object-path", path], method, *args)

    def menu_ids(self):
        """The exported menu's entries by their labels (underscores gone): {label: id}."""
        layout = self.item_call("/MenuBar", "com.canonical.dbusmenu.GetLayout", "0", "-1", "[]")
        return {label.replace("_", ""): ident for ident, label in
                re.findall(r"\((\d+), \{[^}]*'label': <'([^']*)'>", layout)}

    def enabled(self, *labels):
        """Which of the exported menu's entries are enabled as the panel is about to show it."""
        self.item_call("/MenuBar", "com.canonical.dbusmenu.AboutToShow", "0")
        ids = self.menu_ids()
        return [label for label in labels if "false" not in self.item_call(
            "/MenuBar", "com.canonical.dbusmenu.GetGroupProperties", f"[{ids[label]}]",
            "['enabled']")]


def first_password_command(s):
    """The title of what the Password submenu's first enabled row opens, closed again:
    "Password" for New, "Modify Password" for Modify."""
    s.choose_menu_entry("New")
    title = wait_until(lambda: next((title for title in ("Password", "Modify Password")
                                     if s.find_window(title, 0)), None), 5)
    s.key("Escape")
    assert wait_until(lambda: not s.popup_windows(), 5), f"{title} stayed"
    return title


class ShellTest(unittest.TestCase):
    def test_embedded_tray_then_status_notifier_panel(self):
        with VtrSession(tray=False) as s:
            password_file = s.program_file(PASSWORD_FILE)
            s.start_program(wait_icon=False)
            # Started up (its password file made) with no tray: the icon comes with one.
            self.assertTrue(wait_until(lambda: os.path.exists(password_file), 10))
            s.start_tray_host()
            self.assertTrue(s.tray_icon_window(10), s.program_log())
            self.assertEqual(first_password_command(s), "Password")

            before = sorted(os.listdir(s.program_folder))
            stamp = os.stat(password_file).st_mtime_ns
            self.assertEqual(s._spawn("appVTR-second", [s.program_path]).wait(10), 0)
            self.assertEqual(s.program_processes("tray"), [s.program.pid], "second start")
            self.assertEqual(sorted(os.listdir(s.program_folder)), before, "second start")
            self.assertEqual(os.stat(password_file).st_mtime_ns, stamp)

            # The middle button opens nothing: watched for half a second (a menu shows
            # within 0.1 s). The right and the left button open the menu at their release,
            # over the icon only.
            s.click_icon(button=2)
            self.assertIsNone(wait_until(s.popup_windows, 0.5), "middle button")
            for button, away in ((3, True), (1, False)):
                s.move_mouse(*s.icon_centre())
                s._run(["xdotool", "mousedown", str(button)])
                self.assertIsNone(wait_until(s.menu_windows, 0.5), "the menu opened at the press")
                if away:
                    s.move_mouse(500, 300)
                s._run(["xdotool", "mouseup", str(button)])
                self.assertEqual(bool(wait_until(s.menu_windows, 0.5 if away else 3)), not away)
                s.click(20, 20)
                self.assertTrue(wait_until(lambda: not s.menu_windows(), 3), "an outside click")
            self.assertIsNone(s.wait_for_exit(0.2), "a command ran")

            s.store_password()
            self.assertEqual(first_password_command(s), "Modify Password")

            s.program.kill()  # the instance lock is left behind
            s.program.wait(5)
            panel = StatusNotifierPanel(s)
            s.start_program(wait_icon=False)
            centre = wait_until(lambda: panel.item() and panel.icon_centre(), 10)
            self.assertTrue(centre, "no icon on the panel\n" + s.program_log())
            self.assertEqual(s.program_processes("tray"), [s.program.pid], "start after a crash")

            # A password stored while running: the panel's menu, refreshed as it opens,
            # offers Modify first; deleted, an empty hidden file and New only.
            s.store_password()
            s.click(*centre, button=3)
            self.assertTrue(wait_until(panel.menus, 5), "the panel showed no menu")
            s.key("Down", "Down", "Right", "Return")
            self.assertTrue(s.find_window("Modify Password"), s.program_log())
            s.key("Escape")
            self.assertTrue(wait_until(lambda: not s.popup_windows(), 3))
            password_commands = ("New", "Modify", "Forgot")
            self.assertEqual(panel.enabled(*password_commands), ["Modify", "Forgot"])
            os.remove(password_file)
            self.assertEqual(panel.enabled(*password_commands), ["New"])
            self.assertEqual((os.path.getsize(password_file), s.dos_attributes(),
                              s.is_read_only()), (0, "0x6", True))

            # A left click opens the same menu, drawn by the program; Lock Desktop locks.
            s.store_password()
            s.click(*centre)
            self.assertTrue(wait_until(s.menu_windows, 5), "no menu on a left click")
            s.key(*MENU_KEYS["Lock Desktop"].split(), "Return")
            s.wait_locked()
            # While locked, whatever the panel asks: the item's clicks, the menu shown and
            # Quit chosen in it. Every entry is greyed; nothing opens and nothing ends.
            for method in ("Activate", "ContextMenu", "SecondaryActivate"):
                panel.item_call("/StatusNotifierItem", "org.kde.StatusNotifierItem." + method,
                                "5", "5")
            commands = ("Lock Desktop", "Password", "Help", "Quit")
            self.assertEqual(panel.enabled(*commands), [])
            panel.item_call("/MenuBar", "com.canonical.dbusmenu.Event", panel.menu_ids()["Quit"],
                            "clicked", "<0>", "0")
            self.assertIsNone(wait_until(s.menu_windows, 0.5), "a menu while locked")
            self.assertIsNone(s.wait_for_exit(0.2), "Quit ran while locked")
            self.assertTrue(s.lock_windows())
            self.assertTrue(s.unlock())
            self.assertEqual(panel.enabled(*commands), list(commands))

            s.click(*centre)
            self.assertTrue(wait_until(s.menu_windows, 5), "no menu")
            s.key(*MENU_KEYS["Quit"].split(), "Return")
            self.assertEqual(s.wait_for_exit(5), 0)
            self.assertTrue(wait_until(lambda: not s.program_processes(), 3), "its guard stays")


if __name__ == "__main__":
    unittest.main(verbosity=2)
