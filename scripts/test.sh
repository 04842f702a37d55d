#!/usr/bin/env bash
# Builds Veltrane with warnings as errors and runs every test (unit, widget and whole-program),
# then builds both Windows programs and runs their tests under Wine. Arguments go to both
# CTest runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh -DVTR_WERROR=ON
(cd build && ctest --output-on-failure -j2 "$@")
scripts/build-windows.sh -DVTR_WERROR=ON
(cd build-win64 && ctest --output-on-failure "$@")
