#include "setup/lzrw1kh.h"

#include <array>
#include <cstring>

namespace qel {

namespace {

using lzrw1kh::kMaxBlockSource;

// The compressor's single table of the last position seen for each hash.
// Entries are 16-bit; 0xFFFF marks an empty one.
struct HashTable {
  std::array<std::uint16_t, 4096> entry;
  void clear() { entry.fill(0xFFFF); }
};

// Finds a match for the three bytes at pos. The source buffer carries two
// zeroed spare bytes past n, so hashing the last two positions stays in
// bounds; no match can start there because the length test stops at n.
// The stored position is read as a signed 16-bit value, so positions from
// 32,768 on never match: kept so the output stays byte-identical.
bool HashMatch(HashTable &table, const std::uint8_t *src, std::size_t pos, std::size_t n,
               std::size_t &matchPos, std::size_t &matchLen) {
  std::uint32_t h = ((((std::uint32_t(src[pos]) << 4) ^ src[pos + 1]) << 4) ^ src[pos + 2]);
  h = ((h * 40543u) >> 4) & 0xFFF;
  const auto prev = std::int16_t(table.entry[h]);
  table.entry[h] = std::uint16_t(pos);
  if (prev == -1) return false;
  const long distance = long(pos) - long(prev);
  if (distance >= 4096) return false;
  // A negative prev (a position of 32,768 or more read as signed) gives a
  // distance beyond the window or a start before the block; neither matches.
  if (prev < 0) return false;
  std::size_t len = 0;
  while (len < 18 && pos + len < n && src[pos + len] == src[std::size_t(prev) + len]) ++len;
  if (len < 3) return false;
  matchPos = std::size_t(prev);
  matchLen = len;
  return true;
}

}  // namespace

std::vector<std::uint8_t> CompressBlock(std::span<const std::uint8_t> source) {
  const std::size_t n = source.size();
  if (n > kMaxBlockSource) throw ELzrw1KHCompressor("LZRW1KH : block too long");
  static thread_local HashTable table;
  table.clear();

  // Two zeroed spare bytes after the source for the hash of the last two
  // positions; the output has room for the items written before the loop
  // notices it has run past n (at most a control word and a run item).
  std::vector<std::uint8_t> src(n + 2, 0);
  if (n) std::memcpy(src.data(), source.data(), n);
  std::vector<std::uint8_t> out(n + 3 + 8, 0);

  out[0] = lzrw1kh::kFlagCompressed;
  std::size_t ctrlPos = 1, o = 3, pos = 0;
  unsigned items = 0;
  std::uint16_t ctrl = 0;
  while (pos < n && o <= n) {
    if (items > 15) {
      out[ctrlPos] = std::uint8_t(ctrl >> 8);
      out[ctrlPos + 1] = std::uint8_t(ctrl);
      items = 0;
      ctrl = 0;
      ctrlPos = o;
      o += 2;
    }
    unsigned bit = 0;
    std::size_t count = 1;
    while (src[pos + count] == src[pos] && count < 4095 && pos + count < n) ++count;
    // The loop above may look at src[n], a spare byte; the pos + count < n
    // test comes after, so the count never includes it.
    if (count >= 16) {
      out[o] = 0;
      out[o + 1] = std::uint8_t((count - 16) >> 8);
      out[o + 2] = std::uint8_t(count - 16);
      out[o + 3] = src[pos];
      pos += count;
      o += 4;
      bit = 1;
    } else {
      std::size_t m = 0, len = 0;
      if (HashMatch(table, src.data(), pos, n, m, len)) {
        const unsigned value = unsigned((pos - m) * 16 + (len - 3));
        out[o] = std::uint8_t(value >> 8);
        out[o + 1] = std::uint8_t(value);
        pos += len;
        o += 2;
        bit = 1;
      } else {
        out[o] = src[pos];
        pos += 1;
        o += 1;
      }
    }
    ctrl = std::uint16_t(ctrl * 2 + bit);
    ++items;
  }
  ctrl = std::uint16_t(unsigned(ctrl) << (16 - items));
  out[ctrlPos] = std::uint8_t(ctrl >> 8);
  out[ctrlPos + 1] = std::uint8_t(ctrl);

  if (o <= n) {
    out.resize(o);
    return out;
  }
  std::vector<std::uint8_t> stored(n + 1);
  stored[0] = lzrw1kh::kFlagStored;
  if (n) std::memcpy(stored.data() + 1, source.data(), n);
  return stored;
}

std::vector<std::uint8_t> DecompressBlock(std::span<const std::uint8_t> block) {
  const std::size_t len = block.size();
  if (len == 0) throw ELzrw1KHCompressor("LZRW1KH : empty block");
  if (block[0] == lzrw1kh::kFlagStored) {
    if (len - 1 > kMaxBlockSource) throw ELzrw1KHCompressor("LZRW1KH : stored block too long");
    return {block.begin() + 1, block.end()};
  }
  if (block[0] != lzrw1kh::kFlagCompressed) throw ELzrw1KHCompressor("LZRW1KH : unknown block flag");
  if (len < 3) throw ELzrw1KHCompressor("LZRW1KH : block cut short");

  std::vector<std::uint8_t> out;
  out.reserve(kMaxBlockSource);
  auto need = [&](std::size_t i, std::size_t k) {
    if (i + k > len) throw ELzrw1KHCompressor("LZRW1KH : block cut short");
  };
  auto room = [&](std::size_t k) {
    if (out.size() + k > kMaxBlockSource) throw ELzrw1KHCompressor("LZRW1KH : block output too long");
  };
  std::uint16_t ctrl = std::uint16_t((block[1] << 8) | block[2]);
  unsigned bitsLeft = 16;
  std::size_t i = 3;
  while (i < len) {
    if (bitsLeft == 0) {
      need(i, 2);
      ctrl = std::uint16_t((block[i] << 8) | block[i + 1]);
      i += 2;
      bitsLeft = 16;
      // A control word at the very end covers no items.
      if (i >= len) break;
    }
    if (ctrl & 0x8000) {
      need(i, 2);
      const std::size_t d = std::size_t(block[i]) * 16 + (block[i + 1] >> 4);
      if (d != 0) {
        const std::size_t count = (block[i + 1] & 15) + 3;
        if (d > out.size()) throw ELzrw1KHCompressor("LZRW1KH : copy before block start");
        room(count);
        std::size_t from = out.size() - d;
        for (std::size_t k = 0; k < count; ++k) out.push_back(out[from + k]);
        i += 2;
      } else {
        need(i, 4);
        const std::size_t count = ((std::size_t(block[i + 1]) << 8) | block[i + 2]) + 16;
        room(count);
        out.insert(out.end(), count, block[i + 3]);
        i += 4;
      }
    } else {
      room(1);
      out.push_back(block[i]);
      i += 1;
    }
    ctrl = std::uint16_t(ctrl << 1);
    --bitsLeft;
  }
  return out;
}

}  // namespace qel
