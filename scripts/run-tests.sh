#!/usr/bin/env bash
# Installs what is missing, builds the recorder and runs every test: the normal build first,
# then the AddressSanitizer+UBSan build and the ThreadSanitizer build of the threaded parts.
# Each test that needs a session bus starts its own private one; widgets run offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$PWD/scripts/tsan.supp
jobs=$(nproc)

scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest --output-on-failure -j"$jobs")

scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DOVENTO_ASAN=ON -DOVENTO_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j"$jobs")

scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=Debug -DOVENTO_TSAN=ON -DOVENTO_BENCH=OFF
# The end-to-end recordings stream in real time against a recorder slowed many times over by
# the sanitizer; they run in the two builds above.
(cd build-tsan && ctest --output-on-failure -j"$jobs" -L 'platform|skype|audio|app' -E app_recording_tests)
