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

# The sources meant for Windows still compile there (syntax only, no Windows binary).
scripts/windows_syntax.sh

# The receive path under libFuzzer for a bounded time: any crash, leak or buffer growth fails.
if [ "${DORVIK_FUZZ_SECONDS:-60}" -gt 0 ]; then
  fuzz=${DORVIK_FUZZ_BUILD:-build-fuzz}
  CC=clang CXX=clang++ cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DDORVIK_FUZZ=ON -DDORVIK_SANITIZE=ON -DDORVIK_TESTS=OFF >/dev/null
  cmake --build "$fuzz" --target fuzz_receive
  corpus=$(mktemp -d)
  trap 'rm -rf "$corpus"' EXIT
  cp tests/fuzz/corpus/* "$corpus"/
  log="$PWD/$fuzz/fuzz_receive.log"
  # A failing input is kept in the build tree; the corpus copy goes with the trap.
  status=0
  (cd "$corpus" && ASAN_OPTIONS=detect_leaks=1 \
     LSAN_OPTIONS=suppressions="$OLDPWD/tests/fuzz/lsan.supp" \
     "$OLDPWD/$fuzz/tests/fuzz/fuzz_receive" -max_total_time="${DORVIK_FUZZ_SECONDS:-60}" \
     -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$OLDPWD/$fuzz/" "$corpus" >"$log" 2>&1) || status=$?
  grep -E '^(Done|==|SUMMARY|invariant broken|artifact_prefix)' "$log" || true
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz: ${runs:-?} inputs, ${rate:-?} a second"
  if [ "$status" -ne 0 ]; then
    echo "fuzz: receive path FAILED (log: $log)"
    exit "$status"
  fi
  echo "fuzz: receive path clean"
fi

# The tests last, so that their summary closes the output.
cd "$build"
ctest --output-on-failure --no-tests=error "$@"
