#!/usr/bin/env bash
# Builds Veltrane with warnings as errors and runs every test (unit, widget and whole-program).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh -DVTR_WERROR=ON
cd build
ctest --output-on-failure -j2 "$@"
