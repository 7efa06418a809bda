// The block decoder meets hostile bytes: it must never read or write out of
// bounds. Whatever it accepts must also survive a compress/decompress round
// trip unchanged.

#include "setup/lzrw1kh.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::vector<std::uint8_t> out;
  try {
    out = qel::DecompressBlock({data, size});
  } catch (const qel::ELzrw1KHCompressor &) {
  }
  std::vector<std::uint8_t> src(data, data + std::min(size, qel::lzrw1kh::kMaxBlockSource));
  if (qel::DecompressBlock(qel::CompressBlock(src)) != src) std::abort();
  return 0;
}
