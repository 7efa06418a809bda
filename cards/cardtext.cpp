#include "cards/cardtext.h"

namespace qel {

namespace {
// The characters of the half-byte form, by their value 0..15.
constexpr char kDigits[17] = "0123456789-+ .()";
constexpr int kMaxLatin1 = 15;
constexpr int kMaxDigits = 30;

// The half-byte value of `c`, or -1.
inline int digitValue(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  switch (c) {
  case '-': return 10;
  case '+': return 11;
  case ' ': return 12;
  case '.': return 13;
  case '(': return 14;
  case ')': return 15;
  default: return -1;
  }
}
} // namespace

TCardText::TCardText(const TCardText &other) {
  std::memcpy(raw_, other.raw_, sizeof raw_);
  if (other.kind() == Heap) {
    const QString *copy = new QString(*other.heap());
    std::memcpy(raw_ + 8, &copy, sizeof copy);
  }
}

TCardText &TCardText::operator=(const TCardText &other) {
  if (this != &other) {
    TCardText copy(other);
    *this = std::move(copy);
  }
  return *this;
}

TCardText &TCardText::operator=(TCardText &&other) noexcept {
  if (this != &other) {
    release();
    std::memcpy(raw_, other.raw_, sizeof raw_);
    std::memset(other.raw_, 0, sizeof other.raw_);
  }
  return *this;
}

void TCardText::release() noexcept {
  if (kind() == Heap) delete heap();
}

namespace {
// The field's bytes for a text held inside it: Latin-1 up to 15 units, else
// digits up to 30 when they all are. False when the text needs a string.
template <typename Unit>
bool packInline(const Unit *t, qsizetype n, unsigned char (&fresh)[16], unsigned char latin1Kind,
                unsigned char digitsKind) {
  if (n <= kMaxLatin1) {
    bool latin1 = true;
    for (qsizetype i = 0; i < n && latin1; ++i) latin1 = char16_t(t[i]) < 0x100;
    if (latin1) {
      fresh[0] = static_cast<unsigned char>((latin1Kind << 6) | n);
      for (qsizetype i = 0; i < n; ++i) fresh[1 + i] = static_cast<unsigned char>(t[i]);
      return true;
    }
  }
  if (n > kMaxDigits) return false;
  for (qsizetype i = 0; i < n; ++i)
    if (digitValue(char16_t(t[i])) < 0) return false;
  fresh[0] = static_cast<unsigned char>((digitsKind << 6) | n);
  for (qsizetype i = 0; i < n; ++i)
    fresh[1 + i / 2] |= static_cast<unsigned char>(digitValue(char16_t(t[i])) << ((i % 2) * 4));
  return true;
}
} // namespace

void TCardText::assign(const QString &text) {
  unsigned char fresh[16] = {};
  if (!packInline(reinterpret_cast<const char16_t *>(text.constData()), text.size(), fresh, Latin1, Digits)) {
    // Allocated before anything is let go: a failed allocation leaves the field as it was.
    const QString *copy = new QString(text);
    fresh[0] = static_cast<unsigned char>(Heap << 6);
    std::memcpy(fresh + 8, &copy, sizeof copy);
  }
  release();
  std::memcpy(raw_, fresh, sizeof raw_);
}

bool TCardText::assignAscii(const char *bytes, qsizetype n) {
  const auto *u = reinterpret_cast<const unsigned char *>(bytes);
  for (qsizetype i = 0; i < n; ++i)
    if (u[i] >= 0x80) return false;
  unsigned char fresh[16] = {};
  if (!packInline(u, n, fresh, Latin1, Digits)) {
    assign(QString::fromLatin1(bytes, n));
    return true;
  }
  release();
  std::memcpy(raw_, fresh, sizeof raw_);
  return true;
}

QString TCardText::toString() const {
  const int n = length();
  switch (kind()) {
  case Latin1:
    return QString::fromLatin1(reinterpret_cast<const char *>(raw_ + 1), n);
  case Digits: {
    char text[kMaxDigits];
    for (int i = 0; i < n; ++i) text[i] = kDigits[(raw_[1 + i / 2] >> ((i % 2) * 4)) & 0x0F];
    return QString::fromLatin1(text, n);
  }
  default:
    return *heap();
  }
}

qsizetype TCardText::size() const { return kind() == Heap ? heap()->size() : length(); }

bool operator==(const TCardText &a, const TCardText &b) {
  if (a.kind() == TCardText::Heap && b.kind() == TCardText::Heap) return *a.heap() == *b.heap();
  if (a.kind() == TCardText::Heap || b.kind() == TCardText::Heap) return false;
  return std::memcmp(a.raw_, b.raw_, sizeof a.raw_) == 0;
}

bool TCardText::equals(const QString &text) const {
  if (kind() == Heap) return *heap() == text;
  const TCardText other(text);
  return *this == other;
}

} // namespace qel
