#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test; builds the tests again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs them once more; and, where clang is
# available, builds the libFuzzer targets and replays their seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++ make cmake qtbase5-dev libqt5svg5-dev libeigen3-dev xvfb xauth xdotool \
    desktop-file-utils \
    --optional clang libclang-rt-dev
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DKGW_WERROR=ON >/dev/null
cmake --build build-test --parallel "$jobs"
ctest --test-dir build-test --output-on-failure --parallel "$jobs"

echo "== the same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKGW_WERROR=ON -DKGW_SANITIZE=ON \
    -DKGW_BENCH=OFF >/dev/null
cmake --build build-sanitize --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs"

if command -v clang++ >/dev/null 2>&1; then
    echo "== libFuzzer targets, replaying the seed corpus"
    CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKGW_FUZZ=ON \
        -DKGW_WERROR=ON >/dev/null
    cmake --build build-fuzz --parallel "$jobs"
    ctest --test-dir build-fuzz --output-on-failure
else
    echo "== clang is not installed: the seed corpus was replayed without libFuzzer only"
fi
