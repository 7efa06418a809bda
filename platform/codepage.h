#pragma once
// The single-byte legacy code page (Windows-1252) in which card files, old
// formats, the card clipboard file and plain bodies keep their text. Every
// byte round-trips: the five bytes the code page leaves undefined map to the
// C1 controls U+0081, U+008D, U+008F, U+0090 and U+009D.

#include <QByteArray>
#include <QString>

namespace qel {

// One byte to its character.
char16_t legacyToUnicode(unsigned char byte);
// One character to its byte; false when the code page has no byte for it.
bool unicodeToLegacy(char16_t ch, unsigned char &byte);

QString decodeLegacy(const char *data, qsizetype size);
inline QString decodeLegacy(const QByteArray &bytes) { return decodeLegacy(bytes.constData(), bytes.size()); }

// Characters the code page cannot hold become '?'; `allFitted` tells whether any did.
QByteArray encodeLegacy(const QString &text, bool *allFitted = nullptr);
bool fitsLegacy(const QString &text);

// True when `bytes` is valid UTF-8 and holds at least one non-ASCII byte:
// the test by which text fields written as UTF-8 are told from legacy text.
bool isUtf8WithNonAscii(const char *data, qsizetype size);
// Whether `data` is valid UTF-8 as far as it goes (`valid`) and whether it
// holds any byte beyond ASCII (`nonAscii`, as far as it was read).
void Utf8Scan(const char *data, qsizetype size, bool &valid, bool &nonAscii);
inline bool isUtf8WithNonAscii(const QByteArray &bytes) { return isUtf8WithNonAscii(bytes.constData(), bytes.size()); }

// Decodes a text field: UTF-8 when it passes the test above, else the legacy code page.
QString decodeTextField(const QByteArray &bytes);

// A text file's characters: UTF-8 when it is valid UTF-8 (a byte order mark is
// dropped), else the legacy code page.
QString DecodeTextFile(const QByteArray &bytes);

} // namespace qel
