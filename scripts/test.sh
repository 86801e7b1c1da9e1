#!/usr/bin/env bash
# Builds both programs, the tests and the example (a benchmark only where a
# test starts it) and runs every test, the window's tests headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --build build -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
