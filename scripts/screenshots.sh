#!/usr/bin/env bash
# Builds the program and takes the README's screenshots again (docs/screenshots/*.png)
# by driving it under Xvfb; run it whenever the look of a window changes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh
cmake --build build --target write_password_file
VTR_APP="$PWD/build/appVTR" \
    VTR_WRITE_PASSWORD="$PWD/build/tests/whole/write_password_file" \
    PYTHONDONTWRITEBYTECODE=1 python3 scripts/screenshots.py docs/screenshots
