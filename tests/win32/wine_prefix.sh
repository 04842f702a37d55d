#!/usr/bin/env bash
# start: makes a fresh Wine prefix at $WINEPREFIX and leaves its wineserver running, so
# each test starts in about half a second. end: ends that wineserver and removes the prefix.
set -euo pipefail
: "${WINEPREFIX:?}" "${VTR_WINE:?}"
server="$(dirname "$VTR_WINE")/wineserver64"
case "${1:-}" in
start)
    [ -d "$WINEPREFIX" ] && { "$server" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"; }
    mkdir -p "$WINEPREFIX"
    # The server is kept running until "end", so the tests do not each wait for one to
    # start. It and the prefix's helper processes outlive this script: their output goes
    # to a log, or CTest would wait for them to close its pipes.
    log="$WINEPREFIX.log"
    "$server" -p </dev/null >"$log" 2>&1
    "$VTR_WINE" wineboot --init </dev/null >>"$log" 2>&1 || { cat "$log"; exit 1; }
    ;;
end)
    "$server" -k 2>/dev/null || true
    "$server" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.log"
    ;;
*)
    echo "usage: $0 start|end" >&2
    exit 2
    ;;
esac
