#pragma once

// LZRW1/KH block codec for the installer's embedded files. The block layout
// must stay byte-exact: installers already built carry blocks in this form.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace qel {

class ELzrw1KHCompressor : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

namespace lzrw1kh {

// Largest number of source bytes in one block: every position, length and
// count then fits 16 bits.
inline constexpr std::size_t kMaxBlockSource = 32783;  // 0x800F
inline constexpr std::uint8_t kFlagCompressed = 0x40;
inline constexpr std::uint8_t kFlagStored = 0x80;

}  // namespace lzrw1kh

// Compresses up to kMaxBlockSource bytes into one block (compressed or, when
// that would not be smaller, stored). Throws ELzrw1KHCompressor when the
// source is too long.
std::vector<std::uint8_t> CompressBlock(std::span<const std::uint8_t> source);

// Decodes one block. A damaged block (unknown flag, a copy reaching before
// the output start, a read past the block, output beyond kMaxBlockSource,
// an empty block) throws ELzrw1KHCompressor; it never reads or writes out of
// bounds.
std::vector<std::uint8_t> DecompressBlock(std::span<const std::uint8_t> block);

}  // namespace qel
