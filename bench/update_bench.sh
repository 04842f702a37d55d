#!/usr/bin/env bash
# Upgrade download benchmark: a 100 MB release from a local HTTP server, fetched through
# the upgrade window's transfer path (the body, then its signature proven) and with curl,
# interleaved run by run (who goes first alternates), then how long Cancel takes to end
# the program in the middle of a transfer.
# Usage: bench/update_bench.sh [build folder]   (default: build-bench, an optimised
# build configured here on first use); RUNS=n for another number of runs (at least 9).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
size_mb=100
runs=${RUNS:-9}

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target update_bench_driver >/dev/null
driver=$build/bench/update_bench_driver

work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

folder=downloads/products/vtr/downloads/update
release=VTR_Upgrade-$(uname -m).tar.gz
mkdir -p "$work/served/$folder" "$work/ours" "$work/curl"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/served/$folder/$release"
size=$(stat -c %s "$work/served/$folder/$release")
# The maker's key pair, made for this run; the driver is given its public half.
openssl ecparam -name prime256v1 -genkey -noout -out "$work/key.pem"
openssl dgst -sha256 -sign "$work/key.pem" -out "$work/served/$folder/$release.sig" \
    "$work/served/$folder/$release"
key=$(openssl pkey -in "$work/key.pem" -pubout | grep -v -- ----- | tr -d '\n')

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/served" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.log" | head -1)
    [ -n "$port" ] && break
    sleep 0.1
done
base="http://127.0.0.1:$port/$folder/"

export QT_QPA_PLATFORM=offscreen
rate() { awk -v b="$size" -v s="$1" 'BEGIN { printf "%.1f", b / s / 1048576 }'; }
ours() {
    rm -f "$work/ours/$release"
    read -r total proof bytes < <("$driver" download "$base" "$work/ours" "$key" 2>>"$work/driver.log")
    [ "$bytes" = "$size" ] || { echo "ours: got $bytes of $size bytes" >&2; exit 1; }
    body=$(awk -v t="$total" -v p="$proof" 'BEGIN { print t - p }')
    echo "$(rate "$total")" >>"$work/ours.rates"
    echo "$(rate "$body")" >>"$work/body.rates"
    echo "$proof" >>"$work/proof.seconds"
}
theirs() {
    rm -f "$work/curl/$release"
    curl_s=$(curl -s -o "$work/curl/$release" -w '%{time_total}' "$base$release")
    echo "$(rate "$curl_s")" >>"$work/curl.rates"
}
# Untimed: the libraries of both programs and the server's first answer.
ours && theirs
: >"$work/ours.rates" && : >"$work/body.rates" && : >"$work/proof.seconds" && : >"$work/curl.rates"
for run in $(seq "$runs"); do
    if [ $((run % 2)) -eq 1 ]; then ours; theirs; else theirs; ours; fi
    cmp -s "$work/ours/$release" "$work/curl/$release" || { echo "files differ" >&2; exit 1; }
    echo "run $run: upgrade window $(tail -1 "$work/ours.rates") MB/s proven" \
        "($(tail -1 "$work/body.rates") MB/s body, proof $(tail -1 "$work/proof.seconds") s)," \
        "curl $(tail -1 "$work/curl.rates") MB/s"
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "%s-%s", v[1], v[NR] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
curl_median=$(median "$work/curl.rates")
echo "median of $runs (spread): curl $curl_median MB/s ($(spread "$work/curl.rates"));" \
    "upgrade window, body $(median "$work/body.rates") MB/s ($(spread "$work/body.rates")),"  \
    "ratio $(ratio "$(median "$work/body.rates")" "$curl_median") (goal >= 0.90);" \
    "until proven $(median "$work/ours.rates") MB/s," \
    "ratio $(ratio "$(median "$work/ours.rates")" "$curl_median");" \
    "the proof alone $(median "$work/proof.seconds") s"

rm -f "$work/ours/$release"
read -r cancel_ms cancel_file < <("$driver" cancel "$base" "$work/ours" $((20 * 1024 * 1024)) 2>>"$work/driver.log")
echo "Cancel after 20 MB: program ended ${cancel_ms} ms after the click (${cancel_file});" \
    "the window's stated 1000 ms pause before cancelling is included"
