#!/usr/bin/env bash
# Installs what is missing, builds the recorder and the simulated Skype, and shows the main
# job: a simulated call recorded to MP3 and entered in the history.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DOVENTO_TESTS=OFF -DOVENTO_BENCH=OFF
exec scripts/demo.sh build-release
