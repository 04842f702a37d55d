"""Whole-program tests of the Windows program: appVTR.exe under wine64 on its own X server.

A WineSession is a VtrSession (Xvfb, trayer, a temporary program folder, every process
ended by pid) whose program is $VTR_WIN_APP (default build-win64/appVTR.exe) run by
wine64 in a Wine prefix of its own: made when the session starts (about 10 s; group the
scenarios of a test into few sessions) and removed with it, after its wineserver ended.
Wine docks the tray icon as a window of its explorer.exe, not of the program, and draws
controls inside one X window: read texts from the Windows side with a small mingw helper.

    with WineSession(window_manager=False) as s:
        s.start_program()
        s.click_icon(3)
"""

import os
import subprocess

from vtr_harness import VtrSession, wait_until

WINE = os.environ.get("VTR_WINE", "/usr/lib/wine/wine64")
WINESERVER = os.path.join(os.path.dirname(WINE), "wineserver64")


class WineSession(VtrSession):
    def __init__(self, app_path=None, **options):
        app_path = app_path or os.environ.get("VTR_WIN_APP") or os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "..", "build-win64", "appVTR.exe")
        super().__init__(app_path=app_path, **options)
        exe = self.program_path + ".exe"
        os.replace(self.program_path, exe)
        self.program_path = exe
        self.prefix = os.path.join(self.root, "wine")

    def _start_desktop(self):
        super()._start_desktop()
        self.env.update(WINEPREFIX=self.prefix, WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEDEBUG="-all")
        os.makedirs(self.prefix)
        # In the foreground, so that the session holds its pid like every other process's.
        server = self._spawn("wineserver", [WINESERVER, "--foreground", "--persistent"])
        boot = self._spawn("wineboot", [WINE, "wineboot", "--init"])
        if boot.wait(timeout=120) != 0 or server.poll() is not None:
            raise AssertionError("the Wine prefix could not be made")

    def close(self):
        """Ends every Windows process of the session's prefix, then everything else."""
        if self.env and os.path.isdir(self.prefix):
            subprocess.run([WINESERVER, "--kill"], env=self.env, timeout=30, check=False)
        super().close()

    # ----- the program ------------------------------------------------------------

    def start_program(self, wait_icon=True, timeout=20):
        """Starts appVTR.exe from the program folder; waits for its tray icon."""
        self.program = self._spawn("appVTR", [WINE, self.program_path], cwd=self.root)
        if wait_icon and not self.tray_icon_window(timeout):
            raise AssertionError("the tray icon did not appear\n" + self.program_log())
        return self.program

    def start_another_instance(self, timeout=20):
        """Starts appVTR.exe once more and waits for it to end; its exit status."""
        return self._spawn("appVTR-second", [WINE, self.program_path], cwd=self.root).wait(timeout)

    def tray_icon_windows(self, pids=None):
        """The icons docked in the tray host: in this session only the program has one, and
        Wine's explorer.exe owns its window."""
        if not self.trayer:
            return []
        tray = set(self.windows_of(self.trayer.pid, visible_only=False))
        docked = self._run(["xdotool", "search", "--onlyvisible", "--name", ""], check=False)
        chains = {window: self.ancestors(window) for window in map(int, docked.split())
                  if window not in tray}
        # Innermost first (Wine's icon window sits in a frame window of its own), once
        # the tray host has given it its size.
        docked = [window for window, chain in chains.items() if tray.intersection(chain)
                  and min((self.geometry(window) or (0, 0, 0, 0))[2:]) > 1]
        return sorted(docked, key=lambda window: -len(chains[window]))

    def tray_icon_window(self, timeout=0):
        icons = wait_until(lambda: self.program and self.tray_icon_windows(), timeout)
        return icons[0] if icons else None
