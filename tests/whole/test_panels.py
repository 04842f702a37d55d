"""The icon on a panel that draws icon menus itself: xfce4-panel's status tray, which hosts
the icon as a status-notifier item over a session bus of the test's own. Right and left
clicks open the program's menu, refreshed first; while locked nothing opens, whatever the
panel asks over the bus; and the lock's picture keeps no readable text."""

import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vtr_harness import MENU_KEYS, PASSWORD_FILE, VtrSession, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
WATCHER = ["--dest", "org.kde.StatusNotifierWatcher", "--object-path", "/StatusNotifierWatcher"]
# Fine text for the lock's picture: lines of the fixed font, top left, away from the panel
# and the banner.
TEXT = "\n".join(f"{n:02} the quick brown fox jumps over the lazy dog 0123456789" for n in range(12))
TEXT_AREA = "300x100+30+60"


class StatusNotifierPanel:
    """A session bus and xfce4-panel with only its status tray, on the session's display."""

    def __init__(self, s):
        self.s = s
        config = os.path.join(s.root, "config", "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(config)
        shutil.copy(os.path.join(HERE, "data", "xfce4-panel.xml"), config)
        # The panel's settings service comes up on the bus with the bus's environment;
        # no accessibility bus of GTK's.
        s.env.update(XDG_CONFIG_HOME=os.path.dirname(os.path.dirname(os.path.dirname(config))),
                     HOME=s.root, NO_AT_BRIDGE="1", GTK_A11Y="none")
        read_end, write_end = os.pipe()
        s._spawn("dbus-daemon", ["dbus-daemon", "--session", "--nofork",
                                 f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            s.env["DBUS_SESSION_BUS_ADDRESS"] = pipe.readline().strip()
        self.panel = s._spawn("xfce4-panel", ["xfce4-panel", "--disable-wm-check"])
        assert wait_until(lambda: "true" in self.call(WATCHER, "org.freedesktop.DBus.Properties.Get",
                                                      "org.kde.StatusNotifierWatcher",
                                                      "IsStatusNotifierHostRegistered"), 15), \
            "no status-notifier host\n" + open(self.panel.log).read()

    def call(self, where, method, *args):
        return self.s._run(["gdbus", "call", "--session", *where, "--method", method, "--", *args],
                           check=False)

    def item(self):
        """The program's item (bus name, path) as the panel's watcher lists it, or None."""
        listed = self.call(WATCHER, "org.freedesktop.DBus.Properties.Get",
                           "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems")
        found = re.search(r"'([^'/]+)(/[^']*)'", listed)
        return (found.group(1), found.group(2)) if found else None

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

    def menu_ids(self, name):
        """The exported menu's items by their labels (underscores gone): {label: id}."""
        layout = self.call(["--dest", name, "--object-path", "/MenuBar"],
                           "com.canonical.dbusmenu.GetLayout", "0", "-1", "[]")
        return {label.replace("_", ""): int(ident) for ident, label in
                re.findall(r"\((\d+), \{[^}]*'label': <'([^']*)'>", layout)}

    def menu_enabled(self, name, ident):
        props = self.call(["--dest", name, "--object-path", "/MenuBar"],
                          "com.canonical.dbusmenu.GetGroupProperties", f"[{ident}]", "['enabled']")
        return "false" not in props


def program_menus(s):
    """The program's pop-up menus: its override-redirect windows narrower than a screen."""
    return [m for m in s.override_windows([s.program.pid]) if m.width < 640]


def edge_energy(s, shot):
    """The mean step between neighbouring pixels of the text area: the text's edges."""
    out = s._run(["convert", shot, "-crop", TEXT_AREA, "+repage", "-colorspace", "gray",
                  "(", "+clone", "-roll", "+1+1", ")", "-compose", "difference", "-composite",
                  "-format", "%[fx:mean]", "info:"])
    return float(out)


class StatusNotifierPanelTest(unittest.TestCase):
    def test_menu_on_the_panel_left_click_and_nothing_while_locked(self):
        with VtrSession(tray=False) as s:
            panel = StatusNotifierPanel(s)
            s.store_password()
            s.start_program(wait_icon=False)
            centre = wait_until(lambda: panel.item() and panel.icon_centre(), 10)
            self.assertTrue(centre, "no icon on the panel\n" + s.program_log())
            name, _ = panel.item()

            # The password removed while running: the panel's menu, refreshed as it opens,
            # offers New first (Modify, before).
            os.remove(s.program_file(PASSWORD_FILE))
            s.click(*centre, button=3)
            self.assertTrue(wait_until(panel.menus, 5), "the panel showed no menu")
            s.key("Down", "Down", "Right", "Return")
            self.assertTrue(s.find_window("Password"), "New did not open\n" + s.program_log())
            s.key("Escape")
            self.assertTrue(wait_until(lambda: not s.find_window("Password", 0.1), 3))

            # A left click opens the same menu, drawn by the program; Lock Desktop locks.
            s.store_password()
            s._spawn("xmessage", ["xmessage", "-geometry", "+10+10", "-fn", "fixed", TEXT])
            self.assertTrue(s.find_window("xmessage"))
            before = s.screenshot()
            self.assertGreater(edge_energy(s, before), 0.02, "no text to read")
            s.click(*centre)
            self.assertTrue(wait_until(lambda: program_menus(s), 5), "no menu on a left click")
            s.key(*MENU_KEYS["Lock Desktop"].split(), "Return")
            s.wait_locked()
            # The text is there to read, and then it is not.
            wait_until(lambda: s.pixel(700, 600, s.screenshot()) != s.pixel(700, 600, before), 3)
            self.assertLess(edge_energy(s, s.screenshot()), 0.2 * edge_energy(s, before))

            # While locked, whatever the panel asks: the item's clicks, the menu shown and
            # Quit chosen in it. Every entry is greyed; nothing opens and nothing ends.
            ids = panel.menu_ids(name)
            for method, args in (("org.kde.StatusNotifierItem.Activate", ("5", "5")),
                                 ("org.kde.StatusNotifierItem.ContextMenu", ("5", "5")),
                                 ("org.kde.StatusNotifierItem.SecondaryActivate", ("5", "5"))):
                panel.call(["--dest", name, "--object-path", "/StatusNotifierItem"], method, *args)
            panel.call(["--dest", name, "--object-path", "/MenuBar"],
                       "com.canonical.dbusmenu.AboutToShow", "0")
            self.assertEqual([entry for entry in ("Lock Desktop", "Password", "Help", "Quit")
                              if panel.menu_enabled(name, ids[entry])], [])
            panel.call(["--dest", name, "--object-path", "/MenuBar"], "com.canonical.dbusmenu.Event",
                       str(ids["Quit"]), "clicked", "<0>", "0")
            self.assertIsNone(wait_until(lambda: program_menus(s), 0.5), "a menu while locked")
            self.assertIsNone(s.wait_for_exit(0.2), "Quit ran while locked")
            self.assertTrue(s.lock_windows())
            self.assertTrue(s.unlock())
            # Unlocked, the next showing offers the commands again.
            panel.call(["--dest", name, "--object-path", "/MenuBar"],
                       "com.canonical.dbusmenu.AboutToShow", "0")
            self.assertTrue(panel.menu_enabled(name, ids["Quit"]))


if __name__ == "__main__":
    unittest.main(verbosity=2)
