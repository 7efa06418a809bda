#pragma once
// A short text field of a card record (its identifiers, its phone number) in
// 16 bytes. A million cards each carry such fields; held as strings of their
// own they would cost a heap block per field and card. Short texts are kept
// inside the field itself: up to 15 characters of Latin-1, or up to 30 made
// only of digits and "-+ .()" (identifiers made from creation stamps, phone
// numbers) at half a byte each. Anything else is held as a string.
//
// The field reads as a QString (made on each read); it is assigned from one.
// Each text has exactly one form, so equal texts have equal bytes.

#include <QString>

#include <cstring>

namespace qel {

class TCardText {
public:
  TCardText() noexcept { std::memset(raw_, 0, sizeof raw_); }
  explicit TCardText(const QString &text) : TCardText() { assign(text); }
  TCardText(const TCardText &other);
  TCardText(TCardText &&other) noexcept {
    std::memcpy(raw_, other.raw_, sizeof raw_);
    std::memset(other.raw_, 0, sizeof other.raw_);
  }
  TCardText &operator=(const TCardText &other);
  TCardText &operator=(TCardText &&other) noexcept;
  TCardText &operator=(const QString &text) {
    assign(text);
    return *this;
  }
  // Assigns text of plain ASCII bytes without a string in between; false
  // (nothing changed) when a byte is not ASCII.
  bool assignAscii(const char *bytes, qsizetype size);
  ~TCardText() { release(); }

  QString toString() const;
  operator QString() const { return toString(); }

  bool isEmpty() const { return kind() != Heap && length() == 0; }
  qsizetype size() const;
  void clear() {
    release();
    std::memset(raw_, 0, sizeof raw_);
  }
  bool startsWith(QLatin1StringView prefix) const { return toString().startsWith(prefix); }

  friend bool operator==(const TCardText &a, const TCardText &b);
  friend bool operator==(const TCardText &a, const QString &b) { return a.equals(b); }
  friend bool operator==(const QString &a, const TCardText &b) { return b.equals(a); }
  friend bool operator==(const TCardText &a, const char *b) { return a.equals(QString::fromUtf8(b)); }

private:
  enum Kind : unsigned char { Latin1 = 0, Digits = 1, Heap = 2 };
  Kind kind() const { return Kind(raw_[0] >> 6); }
  int length() const { return raw_[0] & 0x3F; }
  const QString *heap() const {
    const QString *p;
    std::memcpy(&p, raw_ + 8, sizeof p);
    return p;
  }
  void assign(const QString &text);
  void release() noexcept;
  bool equals(const QString &text) const;

  alignas(8) unsigned char raw_[16];
};

static_assert(sizeof(TCardText) == 16);

} // namespace qel
