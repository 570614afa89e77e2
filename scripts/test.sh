#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, then builds the tests again
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs them once more.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++ make cmake qtbase5-dev libqt5svg5-dev xvfb xauth xdotool
jobs=$(nproc)

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DKGW_WERROR=ON >/dev/null
cmake --build build-test --parallel "$jobs"
ctest --test-dir build-test --output-on-failure --parallel "$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKGW_WERROR=ON -DKGW_SANITIZE=ON >/dev/null
cmake --build build-sanitize --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs"
