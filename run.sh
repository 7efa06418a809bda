#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program:
# ./run.sh [FILE [FILTER]]. Without a file the first start shows the sample
# file "sample.qel" that the build writes beside the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
if [ -x "$BUILD_DIR/bin/qel-moravine" ]; then
  exec "$BUILD_DIR/bin/qel-moravine" "$@"
fi
echo "The build did not produce $BUILD_DIR/bin/qel-moravine." >&2
exit 1
