#include "cards/cardclipboard.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "platform/codepage.h"
#include "platform/tempfolder.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <stdexcept>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

const char kTitle[] = "<TITLE>";
const char kColor[] = "<COLOR>";
const char kCards[] = "<CARDS>";
const char kCreated[] = "<CREATED>";
const char kLastOpen[] = "<LAST OPEN>";
const char kPhone[] = "<PHONE>";
// A body that lines cannot carry byte for byte, in base64, over as many of
// these lines as it takes.
const char kBodyBytes[] = "<BODY64>";
// The first line of a file that holds cards of a password-protected file.
const char kProtected[] = "<PROTECTED>\r\n";

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

[[noreturn]] void fail(const QString &what, const QString &path, int err) {
  throw ECardError(QStringLiteral("%1 \"%2\": %3").arg(what, path, errnoText(err)));
}

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

void writeAll(int fd, const QByteArray &bytes, const QString &path) {
  const char *p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(QStringLiteral("Cannot write the card clipboard file"), path, errno);
    }
    p += n;
    left -= n;
  }
}

QByteArray encodeField(const QString &text, bool utf8) { return utf8 ? text.toUtf8() : encodeLegacy(text); }

bool startsWith(const QByteArray &line, const char *tag) { return line.startsWith(tag); }

QByteArray valueAfter(const QByteArray &line, const char *tag) { return line.mid(qsizetype(std::strlen(tag))); }

// A decimal 32-bit integer, nothing else.
bool parseDecimal(const QByteArray &text, qint32 &value) {
  const QByteArray t = text.trimmed();
  if (t.isEmpty()) return false;
  qsizetype i = 0;
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return false;
  qint64 v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > qint64(0x80000000LL)) return false;
  }
  if (negative) v = -v;
  if (v < qint64(INT32_MIN) || v > qint64(INT32_MAX)) return false;
  value = qint32(v);
  return true;
}

bool isAscii(const QByteArray &bytes) {
  for (char c : bytes)
    if (quint8(c) >= 0x80) return false;
  return true;
}

// The one decision for all text fields of a file, as the index reader makes
// it for an index: UTF-8 when every field is valid UTF-8 and one at least
// holds a non-ASCII byte, else the legacy code page for all of them.
bool fieldsAreUtf8(const std::vector<QByteArray> &fields) {
  bool nonAscii = false;
  for (const QByteArray &f : fields) {
    if (isAscii(f)) continue;
    if (!isUtf8WithNonAscii(f)) return false;
    nonAscii = true;
  }
  return nonAscii;
}

} // namespace

QString ClipboardFileName() {
  try {
    return TempFolderPath() + QStringLiteral("qel_clipboard.clp");
  } catch (const std::runtime_error &e) {
    // A temporary folder that cannot be made safe ends the command like any card-store failure.
    throw ECardError(QString::fromLocal8Bit(e.what()));
  }
}

bool ClipboardFileExists() {
  try {
    struct stat st;
    return ::lstat(QFile::encodeName(ClipboardFileName()).constData(), &st) == 0 && S_ISREG(st.st_mode);
  } catch (const ECardError &) {
    return false;
  }
}

void DeleteClipboardFile() {
  try {
    ::unlink(QFile::encodeName(ClipboardFileName()).constData());
  } catch (const ECardError &) {
    // No usable temporary folder: there is no clipboard file in it either.
  }
}

QByteArray FormatTextFileReal(double value) {
  if (!std::isfinite(value)) value = 0;
  char mantissa[32];
  // One digit, the point and 14 more; the exponent is widened to four digits below.
  std::snprintf(mantissa, sizeof mantissa, "%.14E", std::fabs(value));
  QByteArray m(mantissa);
  const qsizetype e = m.indexOf('E');
  int exponent = 0;
  if (e > 0) {
    exponent = m.mid(e + 1).toInt();
    m.truncate(e);
  }
  QByteArray out;
  out += value < 0 ? '-' : ' ';
  out += m;
  out += 'E';
  out += exponent < 0 ? '-' : '+';
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", std::abs(exponent));
  out += digits;
  return out;
}

namespace {

// The body's lines (split at CR LF, LF or CR; a final break adds no line),
// each written with CR LF, a line beginning with "<" with one more in front.
void appendBodyLines(QByteArray &out, const QByteArray &text) {
  const char *p = text.constData();
  const qsizetype n = text.size();
  qsizetype start = 0;
  auto line = [&](qsizetype from, qsizetype to) {
    if (to > from && p[from] == '<') out += '<';
    out.append(p + from, to - from);
    out += "\r\n";
  };
  for (qsizetype i = 0; i < n; ++i) {
    const char ch = p[i];
    if (ch != '\r' && ch != '\n') continue;
    line(start, i);
    if (ch == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) line(start, n);
}

// Whether the body comes back byte for byte from its lines: every line
// break is CR LF, and the last line has one (or the body is empty).
bool linesCarryBody(const QByteArray &text) {
  if (text.isEmpty()) return true;
  if (!text.endsWith("\r\n")) return false;
  const char *p = text.constData();
  const qsizetype n = text.size();
  for (const char *q = static_cast<const char *>(std::memchr(p, '\r', size_t(n))); q;
       q = static_cast<const char *>(std::memchr(q + 1, '\r', size_t(n - (q + 1 - p)))))
    if (q + 1 == p + n || q[1] != '\n') return false;
  for (const char *q = static_cast<const char *>(std::memchr(p, '\n', size_t(n))); q;
       q = static_cast<const char *>(std::memchr(q + 1, '\n', size_t(n - (q + 1 - p)))))
    if (q == p || q[-1] != '\r') return false;
  return true;
}

void appendBody(QByteArray &out, const QByteArray &text) {
  if (linesCarryBody(text)) {
    appendBodyLines(out, text);
    return;
  }
  // Binary data (a picture in rich text) holds lone line breaks, and a body
  // need not end with one: such a body is carried whole.
  const QByteArray encoded = text.toBase64();
  constexpr qsizetype kPerLine = 76;
  for (qsizetype at = 0; at < encoded.size(); at += kPerLine) {
    out += kBodyBytes;
    out.append(encoded.constData() + at, qMin(kPerLine, encoded.size() - at));
    out += "\r\n";
  }
}

} // namespace

void AppendCardClipboardBlock(QByteArray &out, const TCrd &card, const QByteArray &bodyText, bool utf8Fields) {
  out += kTitle + encodeField(card.Title, utf8Fields) + "\r\n";
  if (card.Color != kNoColor) out += kColor + QByteArray::number(card.Color) + "\r\n";
  if (card.Created != 0) out += kCreated + FormatTextFileReal(card.Created) + "\r\n";
  if (card.LastOpen != 0) out += kLastOpen + FormatTextFileReal(card.LastOpen) + "\r\n";
  if (!card.Phone.isEmpty()) out += kPhone + encodeField(card.Phone, utf8Fields) + "\r\n";
  appendBody(out, bodyText);
}

bool CardClipboardNeedsUtf8(const std::vector<const TCrd *> &cards) {
  for (const TCrd *c : cards)
    if (!fitsLegacy(c->Title) || !fitsLegacy(c->Phone)) return true;
  // Legacy text that happens to be valid UTF-8 ("\u00c3\u00a9" is C3 A9)
  // would be read back as UTF-8; such a file is written as UTF-8 instead,
  // which reads back unchanged.
  std::vector<QByteArray> fields;
  fields.reserve(cards.size() * 2);
  for (const TCrd *c : cards) {
    fields.push_back(encodeLegacy(c->Title));
    fields.push_back(encodeLegacy(c->Phone));
  }
  return fieldsAreUtf8(fields);
}

void WriteCardClipboard(const std::vector<const TCrd *> &cards, bool fromProtectedFile) {
  WriteCardClipboardTo(ClipboardFileName(), cards, fromProtectedFile);
}

bool ClipboardHoldsProtectedCards() {
  QString path;
  try {
    path = ClipboardFileName();
  } catch (const ECardError &) {
    return false;
  }
  Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (fd.get() < 0) return false;
  const qsizetype n = qsizetype(std::strlen(kProtected));
  QByteArray head(n, '\0');
  qsizetype got = 0;
  while (got < n) {
    const ssize_t r = ::read(fd.get(), head.data() + got, size_t(n - got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += r;
  }
  return got == n && head == kProtected;
}

void WriteCardClipboardTo(const QString &path, const std::vector<const TCrd *> &cards, bool fromProtectedFile) {
  const bool utf8 = CardClipboardNeedsUtf8(cards);

  // A fresh name beside the target, created exclusively: never an existing
  // file or a link someone placed there.
  QString temp;
  int raw = -1;
  // Held while it is written, so no program starting meanwhile takes it for
  // a dead one's.
  THeldItem held;
  for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
    temp = path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    raw = CreateHeldFile(temp, held);
    if (raw < 0 && errno != EEXIST) fail(QStringLiteral("Cannot create the card clipboard file"), temp, errno);
  }
  if (raw < 0) fail(QStringLiteral("Cannot create the card clipboard file"), temp, EEXIST);
  Fd fd(raw);
  const QByteArray tempName = QFile::encodeName(temp);
  try {
    // Written in large pieces: one system call per megabyte, not per card.
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray buffer;
    buffer.reserve(kChunk + 4096);
    if (fromProtectedFile) buffer += kProtected;
    for (const TCrd *c : cards) {
      AppendCardClipboardBlock(buffer, *c, c->BodyText(), utf8);
      if (buffer.size() >= kChunk) {
        writeAll(fd.get(), buffer, temp);
        buffer.resize(0);
      }
    }
    writeAll(fd.get(), buffer, temp);
    if (::fsync(fd.get()) != 0) fail(QStringLiteral("Cannot write the card clipboard file"), temp, errno);
    if (::close(fd.release()) != 0) fail(QStringLiteral("Cannot write the card clipboard file"), temp, errno);
    if (::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0)
      fail(QStringLiteral("Cannot replace the card clipboard file"), path, errno);
  } catch (...) {
    ::unlink(tempName.constData());
    throw;
  }
}

ClipboardContents ParseCardClipboard(const QByteArray &bytes) {
  ClipboardContents result;
  ClipboardCard *card = nullptr;
  // Titles and phones stay bytes until every one has been seen: they are
  // decoded together, by one rule for the whole file.
  std::vector<QByteArray> titles, phones, bodyBytes;
  const char *p = bytes.constData();
  const qsizetype n = bytes.size();
  // Body lines that already end in CR LF are taken over as one run of bytes.
  qsizetype runFrom = -1, runTo = -1;
  auto flushRun = [&] {
    if (runFrom >= 0 && card) card->body.append(p + runFrom, runTo - runFrom);
    runFrom = runTo = -1;
  };
  // One line: [from, to), its line break ending at `next`.
  auto handle = [&](qsizetype from, qsizetype to, qsizetype next) {
    const QByteArray line = QByteArray::fromRawData(p + from, to - from);
    const bool tagLike = to > from && p[from] == '<';
    if (!tagLike && card) {
      if (next == to + 2) {  // CR LF
        if (runFrom < 0) runFrom = from;
        runTo = next;
        return;
      }
      flushRun();
      card->body.append(p + from, to - from);
      card->body += "\r\n";
      return;
    }
    flushRun();
    if (startsWith(line, kTitle)) {
      result.cards.emplace_back();
      card = &result.cards.back();
      titles.push_back(to - from > kMaxFieldLineBytes ? QByteArray() : valueAfter(line, kTitle));
      if (to - from > kMaxFieldLineBytes) result.overlongField = true;
      phones.emplace_back();
      bodyBytes.emplace_back();
      return;
    }
    if (!card) return;  // nothing belongs to a card before its title
    if (startsWith(line, kColor)) {
      qint32 color = kNoColor;
      if (!parseDecimal(valueAfter(line, kColor), color)) color = kNoColor;
      card->color = color;
    } else if (startsWith(line, kCards)) {
      qint32 count = 1;
      if (!parseDecimal(valueAfter(line, kCards), count)) count = 1;
      result.cardsExpected = count;
    } else if (startsWith(line, kCreated) || startsWith(line, kLastOpen)) {
      // The copied times are not taken: a pasted card is a new card.
    } else if (startsWith(line, kBodyBytes)) {
      bodyBytes.back() += valueAfter(line, kBodyBytes);
    } else if (startsWith(line, kPhone)) {
      if (to - from > kMaxFieldLineBytes)
        result.overlongField = true;
      else
        phones.back() = valueAfter(line, kPhone);
    } else {
      const qsizetype skip = line.startsWith("<<") ? 1 : 0;
      card->body.append(p + from + skip, to - from - skip);
      card->body += "\r\n";
    }
  };
  // Lines end at CR LF, LF or CR; a final line break adds no empty line.
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char ch = p[i];
    if (ch != '\r' && ch != '\n') continue;
    const qsizetype end = i;
    if (ch == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    handle(start, end, i + 1);
    start = i + 1;
  }
  if (start < n) handle(start, n, n);
  flushRun();

  std::vector<QByteArray> fields = titles;
  fields.insert(fields.end(), phones.begin(), phones.end());
  const bool utf8 = fieldsAreUtf8(fields);
  auto decode = [utf8](const QByteArray &b) { return utf8 ? QString::fromUtf8(b) : decodeLegacy(b); };
  for (size_t k = 0; k < result.cards.size(); ++k) {
    result.cards[k].title = decode(titles[k]);
    result.cards[k].phone = decode(phones[k]);
    if (bodyBytes[k].isEmpty()) continue;
    // A body carried whole replaces any lines; damaged base64 leaves them.
    const auto decoded = QByteArray::fromBase64Encoding(bodyBytes[k], QByteArray::AbortOnBase64DecodingErrors);
    if (decoded) result.cards[k].body = *decoded;
  }
  return result;
}

ClipboardContents ReadCardClipboard() { return ReadCardClipboardFrom(ClipboardFileName()); }

ClipboardContents ReadCardClipboardFrom(const QString &path) {
  const QByteArray name = QFile::encodeName(path);
  int raw = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (raw < 0) {
    if (errno == ENOENT) return {};
    fail(QStringLiteral("Cannot open the card clipboard file"), path, errno);
  }
  Fd fd(raw);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    throw ECardError(QStringLiteral("The card clipboard file \"%1\" is not a regular file.").arg(path));
  // Everything pasted goes into the body file, which stops at 2 GB.
  if (st.st_size > kMaxBodyFileSize)
    throw ECardError(QStringLiteral("The card clipboard file \"%1\" is too large.").arg(path));
  QByteArray bytes;
  bytes.reserve(qsizetype(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(QStringLiteral("Cannot read the card clipboard file"), path, errno);
    }
    if (n == 0) break;
    if (bytes.size() + n > kMaxBodyFileSize)
      throw ECardError(QStringLiteral("The card clipboard file \"%1\" is too large.").arg(path));
    bytes.append(buffer, n);
  }
  ClipboardContents contents = ParseCardClipboard(bytes);
  if (contents.overlongField)
    throw ECardError(QStringLiteral("The card clipboard file \"%1\" is damaged: a title or phone number in it is longer "
                                    "than %2 bytes.")
                         .arg(path)
                         .arg(kMaxFieldLineBytes));
  return contents;
}

std::vector<TCrdPtr> AddClipboardCards(TCrdList &list, const ClipboardContents &contents, TDateTime now) {
  std::vector<TCrdPtr> added;
  added.reserve(contents.cards.size());
  // Bodies go to the body file a few megabytes at a time rather than one
  // append per card; a card joins the list once its body is stored.
  constexpr qsizetype kChunk = 4 << 20;
  QByteArray chunk;
  std::vector<std::pair<TCrdPtr, qint32>> pending;  // card and its offset inside the chunk
  auto flush = [&] {
    if (pending.empty()) return;
    qint32 adr = 0, siz = 0;
    CurrentBodyFile().append(chunk, adr, siz);
    for (size_t k = 0; k < pending.size(); ++k) {
      TCrd &card = *pending[k].first;
      const qint32 end = k + 1 < pending.size() ? pending[k + 1].second : qint32(chunk.size());
      card.ADR = adr + pending[k].second;
      card.SIZ = end - pending[k].second;
      list.AddCrd(pending[k].first);
      added.push_back(pending[k].first);
    }
    pending.clear();
    chunk.resize(0);
  };
  for (const ClipboardCard &c : contents.cards) {
    TCrdPtr card = NewCrd();
    card->Title = c.title;
    card->LastOpen = now;
    card->Color = c.color;
    card->Phone = c.phone;
    pending.emplace_back(card, qint32(chunk.size()));
    // A card without lines gets the stored empty body, never 0 bytes.
    chunk += c.body.isEmpty() ? EmptyBody() : c.body;
    if (chunk.size() >= kChunk) flush();
  }
  flush();
  return added;
}

} // namespace qel
