#!/usr/bin/env bash
# The Wayland lock's start-up beside swaylock on headless sway 1.10 (a measurement, not a
# test): see wayland_lock_bench.py. Needs a build in build/ (scripts/build.sh) and root;
# the first run makes the test bench's Debian 13 root.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target wl_lock_driver wl_keyboard_probe >/dev/null
export VTR_APP="$PWD/build/appVTR"
export VTR_WL_LOCK_DRIVER="$PWD/build/tests/whole/wl_lock_driver"
export VTR_WL_KEYBOARD_PROBE="$PWD/build/tests/whole/wl_keyboard_probe"
exec python3 bench/wayland_lock_bench.py "$@"
