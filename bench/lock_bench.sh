#!/usr/bin/env bash
# Lock screen figures at 1920 x 1080 under Xvfb (a measurement, not a test):
#   - time from choosing "Lock Desktop" to the screen fully covered
#   - CPU of the locked program over 10 s
#   - time until the lock is back on top after another window is mapped over it
# each beside i3lock's, measured the same way (the two locking in turn), with the ratio
# (ours / i3lock's).
# Needs a build in build/ (scripts/build.sh); builds its own screen watcher there.
# Installs i3lock when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v i3lock >/dev/null; then
    SUDO=
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get install -y -q --no-install-recommends i3lock >/dev/null
fi
cmake --build build --target bench_probe >/dev/null
for target in appVTR tests/whole/write_password_file tests/whole/x_probe bench/bench_probe; do
    [ -x "build/$target" ] || { echo "build/$target is missing: build first" >&2; exit 1; }
done
export VTR_APP="$PWD/build/appVTR"
export VTR_WRITE_PASSWORD="$PWD/build/tests/whole/write_password_file"
export VTR_X_PROBE="$PWD/build/tests/whole/x_probe"
export VTR_BENCH_PROBE="$PWD/build/bench/bench_probe"
exec python3 bench/lock_bench.py "$@"
