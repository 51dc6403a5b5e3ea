#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through CTest, the window tests
# on a real X server (label "display") included: each starts a virtual X server of its own
# (scripts/with-xvfb.sh), so no DISPLAY is needed. The network tests (label "network") start
# ser2net themselves on the loopback.
#   scripts/test.sh             g++ build in build/, warnings as errors (QTX_WERROR)
#   scripts/test.sh --sanitize  clang build with AddressSanitizer, UndefinedBehaviorSanitizer
#                               and libFuzzer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQTX_SANITIZE=ON -DQTX_BENCH=OFF -DQTX_WERROR=ON \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
  # Leaks are reported (LeakSanitizer); each test gets the suppression file through CTest.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  dir=build
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQTX_WERROR=ON
fi
cmake --build "$dir" -j "$jobs"
ctest --test-dir "$dir" --output-on-failure -j "$jobs"
