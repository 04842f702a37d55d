#!/usr/bin/env python3
"""Start-up time and idle cost of the tray program, under Xvfb with openbox and trayer.

Prints the time from starting appVTR to its icon being embedded in the tray (median of
several starts), then its resident memory and CPU use while it sits idle for 10 s.
Usage: python3 bench/idle_tray.py [path/to/appVTR]
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "whole"))
from vtr_harness import VtrSession, wait_until  # noqa: E402

STARTS = 5
IDLE_SECONDS = 10


def context_switches(pid):
    """Voluntary context switches of all the process's threads (each is a wake-up)."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/status") as f:
            for line in f:
                if line.startswith("voluntary_ctxt_switches:"):
                    total += int(line.split()[1])
    return total


def main():
    app = sys.argv[1] if len(sys.argv) > 1 else None
    with VtrSession(app_path=app) as s:
        times = []
        for _ in range(STARTS):
            s.start_program(wait_icon=False)
            started = s.program_started_at
            if not wait_until(s.tray_icon_window, 10, interval=0.005):
                raise SystemExit("no icon\n" + s.program_log())
            times.append(time.monotonic() - started)
            s._end(s.program)
        print(f"start to icon: median {statistics.median(times) * 1000:.0f} ms "
              f"(min {min(times) * 1000:.0f}, max {max(times) * 1000:.0f}, {STARTS} starts)")

        s.start_program()
        measure_idle(s, "idle after start-up")
        s.open_tray_menu()
        s.close_menu()
        measure_idle(s, "idle after one menu pop-up")


def measure_idle(s, title):
    time.sleep(2)  # let what came before settle
    ticks_per_second = os.sysconf("SC_CLK_TCK")
    ticks0, rss0 = s.proc_stat()
    switches0 = context_switches(s.program_pid)
    wall0 = time.monotonic()
    time.sleep(IDLE_SECONDS)
    ticks1, rss1 = s.proc_stat()
    switches = context_switches(s.program_pid) - switches0
    wall = time.monotonic() - wall0
    cpu = (ticks1 - ticks0) / ticks_per_second
    print(f"{title}, {wall:.1f} s: CPU {cpu:.2f} s = {100 * cpu / wall:.2f} % "
          f"(resolution {100 / ticks_per_second / wall:.2f} %), "
          f"resident {rss0} kB -> {rss1} kB, {switches} wake-ups")


if __name__ == "__main__":
    main()
