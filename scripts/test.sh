#!/bin/sh
# Installs what is missing, builds Vorantel with its tests and benchmarks,
# runs every test, then builds the core again under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the core tests there.
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVORANTEL_WERROR=ON -DVORANTEL_BUILD_BENCH=ON
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVORANTEL_BUILD_GUI=OFF \
    -DVORANTEL_SANITIZE=ON -DVORANTEL_WERROR=ON
cmake --build build-sanitize -j"$jobs" --target vorantel_core_tests vorantel-cli
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
