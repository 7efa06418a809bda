#!/usr/bin/env bash
# Builds the benchmarks in a Release build folder of their own and runs the
# ones that compare the program with the tools it is built on, for each card
# count. ctest never runs them.
#
#   bench/run-all.sh                  1,000, 10,000 and 100,000 cards of about 1 KB,
#                                     then 1,000,000 cards of about 100 bytes of text
#                                     each (RTF, about 250 bytes with its header)
#   bench/run-all.sh 5000 20000       other card counts (bodies of about 1 KB)
#   BUILD_DIR=build-bench-x bench/run-all.sh
#
# The open, the filter keystroke and the card switch are measured as the user
# feels them, on the real program window under Xvfb: the program started with
# the file until its window is shown (against `unzip -o` of the same file to
# disk), and a key event through the window until the repaint is done.
# A filter keystroke goes through the X server as a key event and is timed
# until the X server has the new list's pixels, for every letter a-z.
# Every comparison prints our time, the tool's time and ours / theirs
# (medians of at least five runs: "ratio_median"; also of the means and of
# the best times, "ratio" and "ratio_best").
# Targets: open <= 1.5x unzip, save <= 1.2x zip -9, filter keystroke <= 16 ms,
# card switch <= 5 ms, RTF to text >= 100 MB/s, memory with 1,000,000 small
# cards open <= 300 MB, Find across 100,000 cards <= 0.3 s, Replace All
# <= 2x unzip -p. At the end a table gives each of these measures against
# its goal (bench/bench-table.py, from the results kept as JSON under
# $BUILD_DIR/results/, one folder a run with the load average during it):
# beside this run's figures stand those of the quietest and of the most
# loaded run kept there, each headed by its load average, so a run on a
# quiet machine and one under load are read side by side.
# The card files are generated under the temporary folder at run time and
# removed afterwards; the 1,000,000-card files take about 300 MB there.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
COUNTS=("$@")
BIG=0
if [ ${#COUNTS[@]} -eq 0 ]; then
  COUNTS=(1000 10000 100000)
  BIG=1
fi

for tool in zip unzip xvfb-run; do
  command -v "$tool" >/dev/null || { echo "run-all.sh: '$tool' is needed" >&2; exit 1; }
done

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQEL_TESTS=OFF -DQEL_BENCH=ON >/dev/null
targets=(qel-moravine qelgen program_bench cardfile_bench rtf_bench list_bench find_bench)
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]}"

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"

# Every run's results, as JSON, for the table at the end; kept, with the load average.
RESULTS="$BUILD_DIR/results/$(date -u +%Y%m%dT%H%M%SZ)"
mkdir -p "$RESULTS"
START_LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
json() { echo "--benchmark_out=$RESULTS/$1.json" --benchmark_out_format=json; }

# Programs that show windows run on a private Xvfb display.
onX() {
  QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x1024x24' "$@"
}
run() {
  echo "== $1 (${QEL_BENCH_CARDS} cards of about ${QEL_BENCH_BODY_SIZE} bytes)"
  "$BUILD_DIR/bench/$1" --benchmark_counters_tabular=true $(json "$1-$QEL_BENCH_CARDS") "${@:2}"
}
runX() {
  echo "== $1 (${QEL_BENCH_CARDS} cards of about ${QEL_BENCH_BODY_SIZE} bytes, under Xvfb)"
  onX "$BUILD_DIR/bench/$1" --benchmark_counters_tabular=true $(json "$1-$QEL_BENCH_CARDS") "${@:2}"
}

export QT_QPA_PLATFORM=offscreen
for n in "${COUNTS[@]}"; do
  export QEL_BENCH_CARDS=$n QEL_BENCH_BODY_SIZE=1000 QEL_BENCH_BIG_CARDS=5
  echo
  echo "########## $n cards"
  # Open to the window shown vs unzip -o, memory when shown, the protected load in process vs an unzip process, convert all to plain text.
  runX program_bench
  # Save vs zip -9 of the same two files, and the load in process (no window) vs an unzip process.
  run cardfile_bench
  # Filter keystroke and Down in the list, key to repaint, on the window.
  runX list_bench
done

if [ "$BIG" = 1 ]; then
  # Bodies of about 100 bytes of generated text each (50 to 150), behind the RTF header.
  export QEL_BENCH_CARDS=1000000 QEL_BENCH_BODY_SIZE=100 QEL_BENCH_BIG_CARDS=0
  echo
  echo "########## 1000000 cards of about 100 bytes of text"
  # Open (with its peak memory) and save on exit.
  runX program_bench --benchmark_filter='BM_OpenToWindowShown|BM_SaveOnExit'
  # Every letter, the other keystrokes, Down, and memory while filtering.
  runX list_bench --benchmark_filter='BM_FilterEveryLetter|BM_FilterKeyToRepaint|BM_DownKeyToRepaint|BM_DownKeyStoringEdit|BM_Memory'
fi

echo
echo "== RTF reader on its own (1,000 bodies of 1 KB)"
"$BUILD_DIR/bench/rtf_bench" --benchmark_filter=BM_RtfToPlainText
echo
echo "== Find and Replace All across 100,000 cards of about 1000 bytes (a shown window, under Xvfb)"
# Its own card count: the 1,000,000-card block above leaves its environment set.
QEL_BENCH_CARDS=100000 QEL_BENCH_BODY_SIZE=1000 QEL_BENCH_BIG_CARDS=5 onX "$BUILD_DIR/bench/find_bench" \
  --benchmark_counters_tabular=true $(json find_bench)
END_LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Machine: load average $END_LOAD at the end"
echo "$START_LOAD to $END_LOAD" > "$RESULTS/load"
echo
echo "== The measures and their goals"
# This run, then the quietest and the most loaded earlier run kept (by the
# one-minute load average at their start).
others=$(for d in "$BUILD_DIR"/results/*/; do
  d=${d%/}
  if [ "$d" != "$RESULTS" ] && [ -f "$d/load" ]; then echo "$(cut -d' ' -f1 "$d/load") $d"; fi
done | sort -n | awk 'NR==1 {first=$2} {last=$2} END {if (first) print first; if (last && last != first) print last}')
# shellcheck disable=SC2086
python3 bench/bench-table.py "$RESULTS" $others
