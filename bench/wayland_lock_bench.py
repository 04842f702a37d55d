"""Time from `appVTR --lock` to the first locked frame, beside swaylock on the same
headless sway 1.10 (the Wayland test bench's) at 1920 x 1080: the median of 9 locks each,
run in turn.

A watcher copies the output's middle pixel frame after frame (wl_pixel_watch) and stops
at the locker's first picture: our panel's white password box, swaylock's own colour.
Also timed: to the lock held as each reports it (`appVTR --lock -f` returning, swaylock's
--ready-fd). Ours asks the running tray to lock, as a key binding or swayidle does; the
outputs are copied and blurred first. swaylock runs inside the Debian 13 root; SIGUSR1
unlocks it. Needs root."""

import os
import select
import signal
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "whole"))
from bench_util import print_table  # noqa: E402
from vtr_harness import wait_until  # noqa: E402
from wayland_harness import WaylandSession  # noqa: E402

WATCH = os.environ["VTR_WL_PIXEL_WATCH"]
RUNS = 9
RESOLUTION = "1920x1080"
MIDDLE = (960, 540)
SWAYLOCK_COLOUR = "123456"
PASSWORD = "unlock"  # its letters are the keysyms the virtual keyboard types


def watch(s, colour):
    """A started watcher of the middle pixel, copying already."""
    watcher = subprocess.Popen([WATCH, *map(str, MIDDLE), colour, "10000"], env=s.env,
                               stdout=subprocess.PIPE, text=True)
    assert watcher.stdout.readline().strip() == "ready"
    return watcher


def seen(watcher, started):
    out = watcher.communicate(timeout=15)[0].strip()
    return float(out) - started if out != "timeout" else float("nan")


def ours(s, keyboard):
    """ms from `appVTR --lock -f` to its return, and to its first frame."""
    watcher = watch(s, "ffffff")
    started = time.time() * 1000
    locker = s.lock_command("-f")
    assert locker.wait(10) == 0, locker.stderr()
    held = time.time() * 1000 - started
    frame = seen(watcher, started)
    keyboard.type(*PASSWORD, "Return")
    assert wait_until(lambda: not s.program_processes("client") and
                      watch_once(s, "ffffff") is False, 10)
    return held, frame


def watch_once(s, colour):
    """Whether the middle pixel has `colour` now."""
    out = subprocess.run([WATCH, *map(str, MIDDLE), colour, "0"], env=s.env, text=True,
                         capture_output=True).stdout.split()
    return out[-1] != "timeout"


def catches(pid, sig):
    with open(f"/proc/{pid}/status") as f:
        caught = next(line for line in f if line.startswith("SigCgt:")).split()[1]
    return int(caught, 16) & (1 << (sig - 1))


def swaylock(s):
    """ms from the start until swaylock reports the session locked, and to its first frame."""
    watcher = watch(s, SWAYLOCK_COLOUR)
    ready, ready_w = os.pipe()
    started = time.time() * 1000
    locker = s.spawn("swaylock", s.in_root(
        ["swaylock", "--color", SWAYLOCK_COLOUR, "--ready-fd", str(ready_w)],
        [f"WAYLAND_DISPLAY=/run/vtr/{s.socket_name}"]), env=s.env, pass_fds=(ready_w,))
    os.close(ready_w)
    assert select.select([ready], [], [], 10)[0], "swaylock did not lock: " + locker.stderr()
    held = time.time() * 1000 - started
    os.close(ready)
    frame = seen(watcher, started)
    # It reports the lock before it listens for SIGUSR1: a signal before that kills it and
    # leaves the session locked.
    assert wait_until(lambda: catches(locker.pid, signal.SIGUSR1), 5)
    locker.popen.send_signal(signal.SIGUSR1)
    assert locker.wait(10) == 0, locker.stderr()
    return held, frame


def main():
    with WaylandSession("1.10", RESOLUTION) as s:
        keyboard = s.keyboard()
        s.start_program(PASSWORD)
        figures = {"held": [], "frame": [], "swaylock held": [], "swaylock frame": []}
        for _ in range(RUNS):
            held, frame = ours(s, keyboard)
            figures["held"].append(held)
            figures["frame"].append(frame)
            held, frame = swaylock(s)
            figures["swaylock held"].append(held)
            figures["swaylock frame"].append(frame)
    median = {name: statistics.median(values) for name, values in figures.items()}
    print_table(f"Wayland lock, sway 1.10 headless at {RESOLUTION}, median of {RUNS}", [
        ("appVTR --lock to the first locked frame", median["frame"], median["swaylock frame"],
         "ms", "swaylock to its first frame", "near swaylock"),
        ("appVTR --lock -f to its return", median["held"], median["swaylock held"], "ms",
         "swaylock to --ready-fd", "near swaylock"),
    ])


if __name__ == "__main__":
    main()
