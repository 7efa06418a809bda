#!/usr/bin/env bash
# Builds the benchmarks in a Release build folder of their own and runs the
# ones that compare the program with the tools it is built on, for each card
# count. ctest never runs them.
#
#   bench/run-all.sh                  1,000, 10,000 and 100,000 cards
#   bench/run-all.sh 5000 20000       other card counts
#   BUILD_DIR=build-bench-x bench/run-all.sh
#
# Every comparison prints our time, the tool's time and ours / theirs
# ("ratio", and "ratio_best" of the best times, steadier on a busy machine).
# Targets: open <= 1.5x unzip, save <= 1.2x zip -9, filter keystroke <= 16 ms,
# card switch <= 5 ms, RTF to text >= 100 MB/s, memory at 100,000 cards <= 200 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
COUNTS=("$@")
[ ${#COUNTS[@]} -gt 0 ] || COUNTS=(1000 10000 100000)

for tool in zip unzip; do
  command -v "$tool" >/dev/null || { echo "run-all.sh: '$tool' is needed as the reference" >&2; exit 1; }
done

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQEL_TESTS=OFF -DQEL_BENCH=ON >/dev/null
targets=(qel-moravine qelgen program_bench cardfile_bench rtf_bench)
[ -f bench/list_bench.cpp ] && targets+=(list_bench)
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
run() {
  echo "== $1 (${QEL_BENCH_CARDS} cards)"
  "$BUILD_DIR/bench/$1" --benchmark_counters_tabular=true "${@:2}"
}
for n in "${COUNTS[@]}"; do
  export QEL_BENCH_CARDS=$n
  echo
  echo "########## $n cards"
  # Open end to end vs unzip -p, peak memory vs bodies, protected open, convert all to plain text.
  run program_bench
  # Save vs zip -9 of the same two files, and the open in process vs unzip.
  run cardfile_bench
  # Filter keystroke over all titles, card switch, the window's memory.
  if [ -x "$BUILD_DIR/bench/list_bench" ]; then run list_bench; fi
done
echo
echo "== RTF reader on its own (1,000 bodies of 1 KB)"
"$BUILD_DIR/bench/rtf_bench" --benchmark_filter=BM_RtfToPlainText
echo
echo "Find across all cards: the program has no find command yet; nothing to measure."
