#include "setup/lzrw1kh.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Repeat(std::size_t n, std::uint8_t b) { return Bytes(n, b); }

TEST(Lzrw1kh, KnownBlocks) {
  EXPECT_EQ(CompressBlock(Repeat(16, 0x61)), (Bytes{0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 0x61}));
  EXPECT_EQ(CompressBlock(Bytes{'a', 'b', 'c'}), (Bytes{0x80, 0x61, 0x62, 0x63}));
  EXPECT_EQ(CompressBlock(Repeat(15, 0x61)), (Bytes{0x40, 0x40, 0x00, 0x61, 0x00, 0x1B}));
  // 4,095 equal bytes: one run item; 4,096: the run is capped, then a literal.
  EXPECT_EQ(CompressBlock(Repeat(4095, 0x61)), (Bytes{0x40, 0x80, 0x00, 0x00, 0x0F, 0xEF, 0x61}));
  EXPECT_EQ(CompressBlock(Repeat(4096, 0x61)), (Bytes{0x40, 0x80, 0x00, 0x00, 0x0F, 0xEF, 0x61, 0x61}));
  EXPECT_EQ(CompressBlock(Bytes{}), (Bytes{0x80}));
}

TEST(Lzrw1kh, RandomChunkIsStored) {
  std::mt19937 rng(7);
  Bytes src(lzrw1kh::kMaxBlockSource);
  for (auto &b : src) b = std::uint8_t(rng());
  Bytes block = CompressBlock(src);
  ASSERT_EQ(block.size(), src.size() + 1);
  EXPECT_EQ(block[0], 0x80);
  EXPECT_EQ(DecompressBlock(block), src);
}

TEST(Lzrw1kh, OverlappingCopyRepeatsLastByte) {
  // literal 'x', then a copy of distance 1 and length 18
  EXPECT_EQ(DecompressBlock(Bytes{0x40, 0x40, 0x00, 'x', 0x00, 0x1F}), Repeat(19, 'x'));
}

TEST(Lzrw1kh, RoundTrips) {
  std::mt19937 rng(11);
  for (std::size_t n : {0u, 1u, 2u, 3u, 17u, 1000u, 32767u, 32768u, 32782u, 32783u}) {
    // Compressible text with some noise, so copies, runs and literals all occur.
    Bytes src(n);
    for (std::size_t i = 0; i < n; ++i)
      src[i] = (i / 300) % 3 == 0 ? std::uint8_t('r') : std::uint8_t("the quick brown fox "[(i * 7 + rng() % 2) % 20]);
    Bytes block = CompressBlock(src);
    EXPECT_LE(block.size(), n + 1) << n;
    EXPECT_EQ(DecompressBlock(block), src) << n;
  }
  EXPECT_THROW(CompressBlock(Bytes(lzrw1kh::kMaxBlockSource + 1)), ELzrw1KHCompressor);
}

TEST(Lzrw1kh, DamagedBlocksAreErrors) {
  const std::vector<Bytes> damaged = {
      {},                                              // no flag at all
      {0x41, 0, 0},                                    // unknown flag
      {0x40, 0x00},                                    // control word cut short
      {0x40, 0x80, 0x00, 0x00, 0x10},                  // copy: distance 1 before any output
      {0x40, 0x40, 0x00, 'x', 0x00},                   // copy item cut short
      {0x40, 0x80, 0x00, 0x00, 0x00, 0x00},            // run item cut short
      {0x40, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0x61},      // run past the block size
      {0x40, 0x40, 0x00, 'x', 0xFF, 0xF0},             // copy distance 4,095 with 1 byte out
  };
  for (const Bytes &b : damaged) EXPECT_THROW(DecompressBlock(b), ELzrw1KHCompressor) << b.size();
  // Runs that add up past the largest block.
  Bytes many{0x40, 0xFF, 0xFF};
  for (int k = 0; k < 9; ++k) many.insert(many.end(), {0x00, 0x0F, 0xEF, 0x61});
  EXPECT_THROW(DecompressBlock(many), ELzrw1KHCompressor);
  Bytes stored(lzrw1kh::kMaxBlockSource + 2, 0);
  stored[0] = 0x80;
  EXPECT_THROW(DecompressBlock(stored), ELzrw1KHCompressor);
}

}  // namespace
}  // namespace qel
