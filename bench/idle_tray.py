#!/usr/bin/env python3
"""Start-up time and idle cost of the tray program beside a bare tray icon of the same
toolkit (bench/tray_peer.cpp), under Xvfb with openbox and trayer.

Prints the time from starting each to its icon being embedded in the tray (median of
several starts), then each one's CPU use, resident memory and wake-ups while it sits
idle for 10 s (appVTR also after one menu pop-up).
Usage: python3 bench/idle_tray.py [path/to/appVTR [path/to/tray_peer]]
(tray_peer: cmake --build build --target tray_peer)
"""
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "whole"))
from bench_util import cpu_seconds, print_table, resident_kb, wakeups  # noqa: E402
from vtr_harness import VtrSession, wait_until  # noqa: E402

STARTS = 5
IDLE_SECONDS = 10


def start_to_icon(s, start):
    """Median ms from starting a tray program (start() -> Popen) to its icon in the tray."""
    times = []
    for _ in range(STARTS):
        began = time.monotonic()
        proc = start()
        if not wait_until(lambda: s.tray_icon_windows([proc.pid]), 10, interval=0.005):
            raise SystemExit("no icon\n" + s.program_log())
        times.append(1000 * (time.monotonic() - began))
        s._end(proc)
    return statistics.median(times)


def idle(pid, title):
    time.sleep(2)  # let what came before settle
    cpu0, switches0, rss0 = cpu_seconds(pid), wakeups(pid), resident_kb(pid)
    time.sleep(IDLE_SECONDS)
    cpu = 100 * (cpu_seconds(pid) - cpu0) / IDLE_SECONDS
    print(f"  {title}: {cpu:.3f} %, {wakeups(pid) - switches0} wake-ups, "
          f"resident {rss0} -> {resident_kb(pid)} kB")
    return cpu


def main():
    app = sys.argv[1] if len(sys.argv) > 1 else None
    peer = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        HERE, "..", "build", "bench", "tray_peer")
    with VtrSession(app_path=app) as s:
        ours_start = start_to_icon(s, lambda: s.start_program(wait_icon=False))
        peer_start = start_to_icon(s, lambda: s._spawn("tray_peer", [peer]))
        print(f"Idle for {IDLE_SECONDS} s:")
        peer_proc = s._spawn("tray_peer", [peer])
        wait_until(lambda: s.tray_icon_windows([peer_proc.pid]), 10)
        peer_idle = idle(peer_proc.pid, "bare tray icon")
        s._end(peer_proc)
        s.start_program()
        ours_idle = idle(s.program.pid, "appVTR after start-up")
        s.open_tray_menu()
        s.key("Escape")
        ours_after_menu = idle(s.program.pid, "appVTR after one menu pop-up")
    print_table(f"Xvfb with openbox and trayer; medians of {STARTS} starts", [
        ("Started -> icon in the tray", ours_start, peer_start, "ms", "bare Qt tray icon",
         "goal < 150 ms"),
        ("Idle CPU over 10 s", ours_idle, peer_idle, "%", "bare Qt tray icon", "goal 0 %"),
        ("Idle CPU over 10 s after the menu", ours_after_menu, peer_idle, "%",
         "bare Qt tray icon", "goal 0 %"),
    ])


if __name__ == "__main__":
    main()
