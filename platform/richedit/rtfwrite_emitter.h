#pragma once
// Low-level RTF output: control words, escaped text, hex data and verbatim
// groups. Output is pure 7-bit ASCII and every line break it makes is CR LF.
//
// No output line ever starts with '<': the old card formats and the card
// clipboard file find their tags at line starts and embed bodies line by
// line. Line breaks are only made after "\par" (the next line then starts
// with a backslash), inside hex data (hex digits) and, in verbatim groups,
// only where the next byte is not '<'.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace qel::re {

class RtfEmitter {
public:
  // "\word" or "\wordN".
  void word(const char *name);
  void word(const char *name, int param);
  // A control word starting a starred destination: "{\*\name".
  void starGroup(const char *name);
  void open();
  void close();
  void newline();

  // Text in a font of the given charset: RTF specials escaped, non-ASCII as
  // \uN followed by a one-byte fallback (the legacy code page byte when the
  // font uses the ANSI charset and the code page holds the character, else
  // "?"), tab, page break, line break and the special spaces and hyphens as
  // their control words.
  void text(QStringView text, int charset);
  // Text in a destination whose readers take \'hh but maybe not \uN (font
  // names, bullet texts): characters the legacy code page holds as \'hh,
  // others as \uN with a "?" fallback.
  void plainText(const QString &text);
  // A font table name: readers decode its \'hh bytes in the code page of
  // the font's own charset, so it is written in that page (double-byte pages
  // as their two-byte sequences); a character the page lacks is written as
  // \uN. ';' and RTF specials are escaped.
  void fontName(const QString &name, int charset);
  // One byte as \'hh.
  void hexByte(unsigned char b);

  // Binary data as hex digits, broken into lines of a fixed length.
  void hexData(const QByteArray &data);
  // A group kept from a loaded document, written back as it was read; only
  // line breaks change (RTF readers ignore CR and LF outside \bin data):
  // those before a '<' are dropped and a lone CR or LF becomes CR LF.
  void verbatim(const QByteArray &group);

  // Raw ASCII that the caller has already made RTF.
  void raw(const char *s);
  // Control words made by another emitter (a delimiter follows when text does).
  void words(const QByteArray &controlWords);

  void reserve(qsizetype size) { out_.reserve(size); }
  const QByteArray &bytes() const { return out_; }
  QByteArray take() { return std::move(out_); }

private:
  void beforeText(char first);
  QByteArray out_;
  bool pendingDelimiter_ = false;  // last thing written was a control word
};

// The "{\object ...}" group in kept bytes, from its opening brace to the
// brace that closes it; empty when there is no whole object group (the
// object is then written as the picture it shows). Kept bytes come from outside data:
// text before the group or braces that do not pair up would otherwise change
// the document around the object each time it is saved.
QByteArray wellFormedObjectGroup(const QByteArray &kept);

// The signed 16-bit parameter of \uN for one UTF-16 code unit.
int rtfUnicodeParam(char16_t unit);

} // namespace qel::re
