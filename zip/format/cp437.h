#pragma once
// Code page 437, the character set of names in ZIP archives made on DOS and
// Windows without the UTF-8 flag. Names are handed on as UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace qel::zipfmt {

// The Unicode character of one code page 437 byte (bytes below 128 are ASCII).
char32_t cp437ToUnicode(unsigned char byte);
// Converts code page 437 bytes to UTF-8.
std::string cp437ToUtf8(std::string_view bytes);
// Converts UTF-8 to code page 437; characters it cannot hold become '_' and
// `allFitted` (when given) tells whether any did. Invalid UTF-8 bytes count as unfitting.
std::string utf8ToCp437(std::string_view utf8, bool *allFitted = nullptr);

// The Windows ANSI code page (1252), in which Windows tools stored names
// outside the OEM rule. It is the program's legacy code page too; the engines
// cannot link the program's codec, so the format library carries the table
// (a test holds the two to the same 256 characters).
char32_t ansiToUnicode(unsigned char byte);
std::string ansiToUtf8(std::string_view bytes);

// Validity of UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);
bool isAscii(std::string_view bytes);

} // namespace qel::zipfmt
