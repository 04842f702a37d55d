"""What the benchmarks share: a process's CPU time, memory and wake-ups read from /proc,
and the table that sets each figure beside its peer."""

import os


def cpu_seconds(pid):
    """CPU time of all the process's threads, in seconds (nanosecond resolution)."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
            total += int(f.read().split()[0])
    return total / 1e9


def wakeups(pid):
    """Voluntary context switches of all the process's threads (each is a wake-up)."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/status") as f:
            for line in f:
                if line.startswith("voluntary_ctxt_switches:"):
                    total += int(line.split()[1])
    return total


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def print_table(title, rows):
    """rows: (figure, ours, peer, unit, peer's name, goal); ratio = ours / peer."""
    print(title)
    print(f"{'figure':<40} {'ours':>10} {'peer':>10} {'ratio':>6}  peer, goal")
    for figure, ours, peer, unit, who, goal in rows:
        ratio = f"{ours / peer:6.2f}" if peer else "     -"
        print(f"{figure:<40} {ours:>7.2f} {unit:<2} {peer:>7.2f} {unit:<2} {ratio}  {who}; {goal}")
