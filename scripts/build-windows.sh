#!/usr/bin/env bash
# Cross-builds the Windows program with mingw-w64: build-win64/appVTR.exe (x86_64, whose
# tests run under Wine) and build-win32/appVTR.exe (i686). Extra arguments go to both
# configure steps.
set -euo pipefail
cd "$(dirname "$0")/.."
for target in x86_64:build-win64 i686:build-win32; do
    cmake -S . -B "${target#*:}" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
        -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-${target%%:*}.cmake" "$@" >/dev/null
    cmake --build "${target#*:}"
done
