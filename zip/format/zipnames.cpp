#include "zip/format/zipnames.h"

#include "zip/format/cp437.h"
#include "zip/format/zipstructs.h"

namespace qel::zipfmt {

namespace {

constexpr std::uint16_t kUnicodePathTag = 0x7075;

// The name a Unicode path field in `extra` gives for the stored name `raw`; empty when none does.
std::string unicodePath(std::string_view raw, std::string_view extra) {
  const auto *p = reinterpret_cast<const unsigned char *>(extra.data());
  std::size_t left = extra.size();
  while (left >= 4) {
    const std::uint16_t tag = std::uint16_t(p[0] | (p[1] << 8));
    const std::size_t len = std::size_t(p[2] | (p[3] << 8));
    p += 4;
    left -= 4;
    if (len > left) return {};
    // Version 1, the checksum of the stored name, then the name in UTF-8.
    if (tag == kUnicodePathTag && len > 5 && p[0] == 1) {
      const std::uint32_t crc = std::uint32_t(p[1]) | (std::uint32_t(p[2]) << 8) | (std::uint32_t(p[3]) << 16) |
                                (std::uint32_t(p[4]) << 24);
      const std::string_view name(reinterpret_cast<const char *>(p + 5), len - 5);
      if (crc == crc32Of(raw.data(), raw.size()) && isValidUtf8(name) && name.find('\0') == std::string_view::npos)
        return std::string(name);
    }
    p += len;
    left -= len;
  }
  return {};
}

} // namespace

std::string decodeEntryName(std::string_view raw, std::uint16_t flags, std::uint16_t versionMadeBy,
                            NameCodePage codePage, std::string_view extra) {
  if (!extra.empty())
    if (std::string name = unicodePath(raw, extra); !name.empty()) return name;
  if (isAscii(raw)) return std::string(raw);
  const bool utf8 = isValidUtf8(raw);
  if ((flags & kFlagUtf8) && utf8) return std::string(raw);
  const unsigned host = versionMadeBy >> 8;
  const bool oem = codePage == NameCodePage::Oem || (codePage == NameCodePage::Auto && host == 0) || host == 6 ||
                   (host == 11 && (versionMadeBy & 0xFF) == 50);
  if (oem) return cp437ToUtf8(raw);
  return utf8 ? std::string(raw) : ansiToUtf8(raw);
}

bool isFolderEntryName(std::string_view name) {
  if (name.empty()) return true;
  const char last = name.back();
  if (last == '/' || last == '\\') return true;
  if (name == ".") return true;
  return name.size() >= 2 && last == '.' && (name[name.size() - 2] == '/' || name[name.size() - 2] == '\\');
}

} // namespace qel::zipfmt
