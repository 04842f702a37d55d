#!/usr/bin/env bash
# The Wayland lock's start-up beside swaylock on headless sway 1.10 (a measurement, not a
# test): see wayland_lock_bench.py. Needs a build in build/ (scripts/build.sh) and root;
# the first run makes the test bench's Debian 13 root.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target appVTR write_password_file wl_keyboard_probe wl_pixel_watch \
    >/dev/null
export VTR_APP="$PWD/build/appVTR"
export VTR_WRITE_PASSWORD="$PWD/build/tests/whole/write_password_file"
export VTR_WL_KEYBOARD_PROBE="$PWD/build/tests/whole/wl_keyboard_probe"
export VTR_WL_PIXEL_WATCH="$PWD/build/bench/wl_pixel_watch"
exec python3 bench/wayland_lock_bench.py "$@"
