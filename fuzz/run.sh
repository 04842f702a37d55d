#!/usr/bin/env bash
# Builds the fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs it. Usage: fuzz/run.sh [seconds, default 600] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
out=build-fuzz
mkdir -p "$out" fuzz/corpus-run
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Isrc fuzz/fuzz_password_file.cpp src/store/mdlBase64.cpp src/store/password_file.cpp \
    src/store/mdlGlobal.cpp src/store/text_rules.cpp src/platform/random_source.cpp \
    src/platform/program_folder.cpp -o "$out/fuzz_password_file"
exec "$out/fuzz_password_file" -max_total_time="$seconds" -max_len=8192 -timeout=5 \
    -print_final_stats=1 "$@" fuzz/corpus-run fuzz/seeds
