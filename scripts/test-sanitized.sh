#!/usr/bin/env bash
# Builds everything under ASan and UBSan (into build-asan) and runs every test
# there. Any finding fails its test; leak reports from outside our code are
# listed with their reasons in tests/sanitizer/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build-asan}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug -DQEL_SANITIZE=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
