#pragma once
// Code pages of RTF text: which page a font's \fcharset selects and how bytes
// of that page become UTF-16. Windows-1252 goes through the program's own
// legacy codec; every other page through iconv, single-byte pages once into a
// 256-entry table, double-byte pages (932, 936, 949, 950, ...) per run.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace qel::re::rtf {

// Pseudo code page of the symbol charset (2): bytes are kept as they are
// (U+0000..U+00FF), the symbol font gives them their glyphs.
inline constexpr int kSymbolCodePage = 42;

// The code page that text in a font of this \fcharset is written in.
// `ansiCodePage` is the document's \ansicpg, used for charsets 0 and 1 and
// for charsets without a page of their own.
int codePageForCharset(int charset, int ansiCodePage);

// True for pages where one character may take two bytes.
bool isMultiByteCodePage(int codePage);

// True when the bytes of a double-byte page end with a lead byte whose
// trail byte has not come yet.
bool endsWithLeadByte(int codePage, const QByteArray &bytes);

// The bytes of `text` in a multi-byte page; empty when the page lacks one of
// its characters or cannot be converted here.
QByteArray encodeMultiByte(int codePage, QStringView text);

// The 256 characters of a single-byte page; null for multi-byte pages.
// Pages this system cannot convert fall back to Windows-1252. Bytes a page
// leaves undefined become U+FFFD (except in 1252, which maps every byte).
// The table lives as long as the process.
const char16_t *singleByteTable(int codePage);

// Appends the characters of `size` bytes in a multi-byte page to `out`;
// invalid or truncated sequences give U+FFFD per offending byte.
void appendMultiByte(int codePage, const char *data, qsizetype size, QString &out);

} // namespace qel::re::rtf
