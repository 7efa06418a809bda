#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
if [ -x "$BUILD_DIR/bin/qel-moravine" ]; then
  exec "$BUILD_DIR/bin/qel-moravine" "$@"
fi
echo "Built. The program itself (its main window) is not there yet."
