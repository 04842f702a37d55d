"""The lock screen's figures (run through lock_bench.sh): see there."""

import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "whole"))
from test_lock import X_PROBE, LockSession  # noqa: E402
from vtr_harness import MAIN_MENU, row, wait_until  # noqa: E402

SCREEN = "1920x1080x24"
RUNS = 5
# The password box's white, in the middle of the panel centred on a 1920 x 1080 screen.
PANEL_BOX = (959, 534, "ffffff")
I3LOCK_COLOUR = "123456"


def covered_after(session, start_covering, x, y, colour):
    """Starts a watcher, then `start_covering()`; ms from the start until covered."""
    watcher = subprocess.Popen([X_PROBE, "covered", str(x), str(y), colour, "10000"],
                               env=session.env, stdout=subprocess.PIPE, text=True)
    time.sleep(0.2)  # the watcher is polling
    started = time.time() * 1000
    start_covering()
    out = watcher.communicate(timeout=15)[0].strip()
    return float(out) - started if out != "timeout" else float("nan")


def lock_once(s):
    menu = s.open_tray_menu()
    x, y = s.menu_row_point(menu, MAIN_MENU, row(MAIN_MENU, "Lock Desktop"))
    s.move_mouse(x, y)
    time.sleep(0.1)
    ms = covered_after(s, lambda: s._run(["xdotool", "click", "1"]), *PANEL_BOX)
    wait_until(lambda: s.try_grab("keyboard") == "1", 2)
    return ms


def main():
    s = LockSession(screen=SCREEN)
    s.__enter__()
    try:
        s.store_password()
        s.start_program()
        lock_ms, raise_ms = [], []
        cpu = None
        for run in range(RUNS):
            lock_ms.append(lock_once(s))
            if run == 0:
                time.sleep(1)
                ticks_before, _ = s.proc_stat()
                time.sleep(10)
                ticks_after, _ = s.proc_stat()
                cpu = 100.0 * (ticks_after - ticks_before) / os.sysconf("SC_CLK_TCK") / 10
                for _ in range(RUNS):
                    out = s._run([X_PROBE, "raise", "2000"]).strip()
                    raise_ms.append(float(out) if out != "timeout" else float("nan"))
                    time.sleep(0.2)
            if not s.unlock():
                raise SystemExit("the lock did not open")
            time.sleep(0.5)
        i3lock_ms = []
        for _ in range(RUNS):
            procs = []

            def start_i3lock():
                procs.append(subprocess.Popen(["i3lock", "-n", "-c", I3LOCK_COLOUR],
                                              env=s.env, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL))
            i3lock_ms.append(covered_after(s, start_i3lock, 960, 540, I3LOCK_COLOUR))
            for proc in procs:
                s._end(proc)
            time.sleep(0.5)
    finally:
        s.close()

    def show(values):
        return (f"median {statistics.median(values):7.1f} ms  "
                f"(min {min(values):.1f}, max {max(values):.1f}, {len(values)} runs)")
    print(f"Screen {SCREEN}, Xvfb with openbox and trayer")
    print(f"Lock Desktop chosen -> screen covered:  {show(lock_ms)}")
    print(f"i3lock started      -> screen covered:  {show(i3lock_ms)}")
    print(f"Locked program CPU over 10 s:           {cpu:.2f} % of one core")
    print(f"Window mapped on top -> lock on top:    {show(raise_ms)}")


if __name__ == "__main__":
    main()
