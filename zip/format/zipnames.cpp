#include "zip/format/zipnames.h"

#include "zip/format/cp437.h"
#include "zip/format/zipstructs.h"

namespace qel::zipfmt {

std::string decodeEntryName(std::string_view raw, std::uint16_t flags, std::uint16_t versionMadeBy,
                            NameCodePage codePage) {
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
