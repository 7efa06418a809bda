#pragma once
// How an entry's stored name becomes text: one decoder for the archive
// listing and the extracting engine, so a name listed is a name extracted.

#include <cstdint>
#include <string>
#include <string_view>

namespace qel::zipfmt {

// Which character set names without the UTF-8 flag are in: decided from the
// creating system (`Auto`), never the OEM set (`None`), or always it (`Oem`).
// The values are those of the records' code-page field.
enum class NameCodePage : std::int16_t { Auto = 0, None = 1, Oem = 2 };

// The entry's name in UTF-8, separators as stored. ASCII stays as it is;
// flag bit 11 with valid UTF-8 is UTF-8; names made on DOS (host 0, with
// `Auto`), OS/2 (host 6) and by NTFS tools of version 5.0 (host 11, 50)
// are code page 437, as are all names with `Oem`; any other name is UTF-8
// when it is valid UTF-8, else the Windows ANSI code page.
// `extra` is the entry's extra data: a Unicode path field (0x7075) made for
// this very stored name (its checksum agrees) gives the name, as other tools
// take it; one with a zero byte in it, or not UTF-8, is passed over.
std::string decodeEntryName(std::string_view raw, std::uint16_t flags, std::uint16_t versionMadeBy,
                            NameCodePage codePage = NameCodePage::Auto, std::string_view extra = {});

// A folder entry: a name that ends in a separator or whose last part is "."
// (it names the folder itself, never a file).
bool isFolderEntryName(std::string_view name);

} // namespace qel::zipfmt
