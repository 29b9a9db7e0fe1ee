#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
build=${DORVIK_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDORVIK_SANITIZE=ON -DDORVIK_TESTS=ON >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
# Qt's own libraries keep a few allocations for the process lifetime.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure --no-tests=error "$@"
