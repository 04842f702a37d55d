#!/usr/bin/env bash
# Builds Veltrane and starts it from build/, where everything it needs sits beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
exec build/appVTR
