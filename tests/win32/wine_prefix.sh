#!/usr/bin/env bash
# start: makes a fresh Wine prefix at $WINEPREFIX and leaves its wineserver running, so
# each test starts in about half a second. end: ends that wineserver, removes the prefix.
set -euo pipefail
server="$(dirname "${VTR_WINE:?}")/wineserver64"
"$server" -k 2>/dev/null && "$server" -w 2>/dev/null || true
rm -rf "${WINEPREFIX:?}" "$WINEPREFIX.log"
if [ "${1:-}" = start ]; then
    mkdir -p "$WINEPREFIX"
    # The server and the prefix's helper processes outlive this script: their output goes
    # to a log, or CTest would wait for them to close its pipes.
    "$server" -p </dev/null >"$WINEPREFIX.log" 2>&1
    "$VTR_WINE" wineboot --init </dev/null >>"$WINEPREFIX.log" 2>&1 || { cat "$WINEPREFIX.log"; exit 1; }
fi
