#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   scripts/run-tests.sh            the normal build in build/
#   scripts/run-tests.sh --sanitize also an AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j2
  # Widget tests draw off screen; serial and network tests use pseudo-terminals and loopback.
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${1:-}" = "--sanitize" ]; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DROLLVANE_SANITIZE=ON -DROLLVANE_BENCH=OFF
fi
