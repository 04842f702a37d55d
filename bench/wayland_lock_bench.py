"""Time from starting a Wayland locker to the session locked, beside swaylock, on the same
headless sway 1.10 (the Wayland test bench's): the median of 9 locks each, run in turn.

Ours is the lock driver (tests/whole/wl_lock_driver) on the program's Wayland lock layer:
to the compositor's "locked" (the figure swaylock's --ready-fd reports), and to the first
frame of its own picture on screen; with the outputs copied first, as the program does,
and without. swaylock runs inside the Debian 13 root; SIGUSR1 unlocks it. Needs root."""

import os
import select
import signal
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "whole"))
from bench_util import print_table  # noqa: E402
from vtr_harness import PASSWORD, wait_until  # noqa: E402
from wayland_harness import LOCK_DRIVER, WaylandSession  # noqa: E402

RUNS = 9
RESOLUTION = "1920x1080"


def ours(s, keyboard, capture):
    """ms from the start to "locked" and to the first picture shown."""
    started = time.monotonic()
    driver = s.spawn("driver", [LOCK_DRIVER, "--password", PASSWORD] +
                     ([] if capture else ["--no-capture"]))
    assert driver.expect("locked"), driver.lines + [driver.stderr()]
    locked = time.monotonic()
    assert driver.expect("shown")
    shown = time.monotonic()
    assert driver.expect("focus")
    keyboard.text(PASSWORD)
    keyboard.type("Return")
    assert driver.wait(10) == 0, driver.lines
    return 1000 * (locked - started), 1000 * (shown - started)


def catches(pid, sig):
    with open(f"/proc/{pid}/status") as f:
        caught = next(line for line in f if line.startswith("SigCgt:")).split()[1]
    return int(caught, 16) & (1 << (sig - 1))


def swaylock(s):
    """ms from the start until swaylock reports the session locked."""
    ready, ready_w = os.pipe()
    started = time.monotonic()
    locker = s.spawn("swaylock", s.in_root(["swaylock", "--ready-fd", str(ready_w)],
                                            [f"WAYLAND_DISPLAY=/run/vtr/{s.socket_name}"]),
                     env=s.env, pass_fds=(ready_w,))
    os.close(ready_w)
    assert select.select([ready], [], [], 10)[0], "swaylock did not lock: " + locker.stderr()
    locked = time.monotonic()
    os.close(ready)
    # It reports the lock before it listens for SIGUSR1: a signal before that kills it and
    # leaves the session locked.
    assert wait_until(lambda: catches(locker.pid, signal.SIGUSR1), 5)
    locker.popen.send_signal(signal.SIGUSR1)
    assert locker.wait(10) == 0, locker.stderr()
    return 1000 * (locked - started)


def main():
    with WaylandSession("1.10", RESOLUTION) as s:
        keyboard = s.keyboard()
        figures = {"with copy": [], "with copy, shown": [], "no copy": [], "swaylock": []}
        for _ in range(RUNS):
            locked, shown = ours(s, keyboard, capture=True)
            figures["with copy"].append(locked)
            figures["with copy, shown"].append(shown)
            figures["no copy"].append(ours(s, keyboard, capture=False)[0])
            figures["swaylock"].append(swaylock(s))
    median = {name: statistics.median(values) for name, values in figures.items()}
    peer = median["swaylock"]
    print_table(f"Wayland lock, sway 1.10 headless at {RESOLUTION}, median of {RUNS}", [
        ("start to locked (outputs copied first)", median["with copy"], peer, "ms",
         "swaylock to locked", "near swaylock"),
        ("start to own picture shown", median["with copy, shown"], peer, "ms",
         "swaylock to locked", "-"),
        ("start to locked (no copy)", median["no copy"], peer, "ms", "swaylock to locked",
         "near swaylock"),
    ])


if __name__ == "__main__":
    main()
