#pragma once
// Work split over the processor's cores: the large walks of an open (reading
// the index, sorting the titles) run side by side on up to eight threads.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace qel {

// The number of threads large walks use: the cores, at most eight.
inline size_t ParallelWorkers() {
  return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
}

// Runs `work(i)` for every i in [0, n), on up to `workers` threads (this one
// among them) that take the next i in turn; the first failure goes on to the
// caller once all are done.
template <typename Work>
void RunInParallel(size_t n, size_t workers, const Work &work) {
  std::vector<std::exception_ptr> failures(n);
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < n; i = next++) {
      try {
        work(i);
      } catch (...) {
        failures[i] = std::current_exception();
      }
    }
  };
  std::vector<std::thread> threads;
  const size_t extra = std::min(n, workers) > 0 ? std::min(n, workers) - 1 : 0;
  threads.reserve(extra);
  try {
    for (size_t k = 0; k < extra; ++k) threads.emplace_back(worker);
  } catch (...) {
    // Fewer threads to be had: the others take the work.
  }
  worker();
  for (std::thread &t : threads) t.join();
  for (const std::exception_ptr &f : failures)
    if (f) std::rethrow_exception(f);
}

} // namespace qel
