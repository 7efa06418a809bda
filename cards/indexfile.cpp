#include "cards/indexfile.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "platform/codepage.h"
#include "platform/fileutil.h"
#include "platform/parallel.h"
#include "platform/uiservices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qel {

namespace {

constexpr QLatin1StringView kTitle("<~TITLE~>");
constexpr QLatin1StringView kUid("<~UID~>");
constexpr QLatin1StringView kPuid("<~PUID~>");
constexpr QLatin1StringView kAdr("<~ADR~>");
constexpr QLatin1StringView kSiz("<~SIZ~>");
constexpr QLatin1StringView kColor("<~COLOR~>");
constexpr QLatin1StringView kCreated("<~CREATED~>");
constexpr QLatin1StringView kLastOpen("<~LAST OPEN~>");
constexpr QLatin1StringView kPhone("<~PHONE~>");

enum class Tag { None, Title, Uid, Puid, Color, Adr, Siz, Created, LastOpen, Phone };

// The tags in the order a line is tested against them.
struct TagInfo {
  QLatin1StringView text;
  Tag tag;
};
constexpr TagInfo kTags[] = {
    {kTitle, Tag::Title}, {kUid, Tag::Uid},   {kPuid, Tag::Puid},         {kColor, Tag::Color},  {kAdr, Tag::Adr},
    {kSiz, Tag::Siz},     {kCreated, Tag::Created}, {kLastOpen, Tag::LastOpen}, {kPhone, Tag::Phone},
};

bool startsWith(const char *p, qsizetype n, QLatin1StringView tag) {
  return n >= tag.size() && std::memcmp(p, tag.data(), size_t(tag.size())) == 0;
}

Tag tagOf(const char *p, qsizetype n) {
  if (n < 7 || p[0] != '<' || p[1] != '~') return Tag::None;
  for (const TagInfo &t : kTags)
    if (startsWith(p, n, t.text)) return t.tag;
  return Tag::None;
}


// A number with "." as its separator, as the framework's text-to-float takes it.
bool parseFloat(const char *p, qsizetype n, double &value) { return TryStrToFloat(QByteArrayView(p, n), value); }

bool parseInt(const char *p, qsizetype n, int &value) {
  // Plain digits (all that this program writes) are read here; anything
  // else (blanks, signs, hexadecimal) the way the text-to-number routine reads it.
  if (n > 0 && n <= 9) {
    int v = 0;
    qsizetype i = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) v = v * 10 + (p[i] - '0');
    if (i == n) {
      value = v;
      return true;
    }
  }
  return TryStrToInt(QString::fromLatin1(p, n), value);
}

QString decodeField(const char *p, qsizetype n, bool utf8) {
  return utf8 ? QString::fromUtf8(p, n) : decodeLegacy(p, n);
}

// Applies one line; returns the tag it carried.
Tag applyLine(TCrd &card, const char *p, qsizetype n, bool utf8) {
  Tag tag = tagOf(p, n);
  qsizetype skip = 0;
  for (const TagInfo &t : kTags)
    if (t.tag == tag) skip = t.text.size();
  const char *v = p + skip;
  const qsizetype vn = n - skip;
  int i = 0;
  double d = 0;
  switch (tag) {
  case Tag::None: break;
  case Tag::Title: card.Title = decodeField(v, vn, utf8); break;
  // Plain ASCII reads the same in both encodings and goes into the packed
  // field directly.
  case Tag::Uid:
    if (!card.UID.assignAscii(v, vn)) card.UID = decodeField(v, vn, utf8);
    break;
  case Tag::Puid:
    if (!card.PUID.assignAscii(v, vn)) card.PUID = decodeField(v, vn, utf8);
    break;
  case Tag::Phone:
    if (!card.Phone.assignAscii(v, vn)) card.Phone = decodeField(v, vn, utf8);
    break;
  case Tag::Color: card.Color = parseInt(v, vn, i) ? i : kNoColor; break;
  case Tag::Adr: card.ADR = parseInt(v, vn, i) ? i : 0; break;
  case Tag::Siz: card.SIZ = parseInt(v, vn, i) ? i : 0; break;
  case Tag::Created: card.Created = parseFloat(v, vn, d) ? d : 0; break;
  case Tag::LastOpen: card.LastOpen = parseFloat(v, vn, d) ? d : 0; break;
  }
  return tag;
}

// Builds index text with as little per-field work as possible: an index of
// 100,000 cards is written on every save.
class Writer {
public:
  explicit Writer(std::string &out) : s_(out) {}
  void tag(QLatin1StringView t) { s_.append(t.data(), size_t(t.size())); }
  void crlf() { s_.append("\r\n", 2); }

  // A text field on one line: a line break inside it would end the field and
  // could smuggle in a tag line, so it is written as a blank.
  void field(const QString &text, bool utf8) {
    const size_t start = s_.size();
    if (utf8) {
      const QByteArray bytes = text.toUtf8();
      s_.append(bytes.constData(), size_t(bytes.size()));
    } else {
      s_.resize(start + size_t(text.size()));
      char *d = s_.data() + start;
      for (QChar c : text) {
        unsigned char b = quint8(c.unicode());
        if (c.unicode() >= 0x80 && !unicodeToLegacy(c.unicode(), b)) b = '?';
        *d++ = char(b);
      }
    }
    for (size_t k = start; k < s_.size(); ++k)
      if (s_[k] == '\r' || s_[k] == '\n') s_[k] = ' ';
  }

  void number(qint32 value) {
    char buf[16];
    auto result = std::to_chars(buf, buf + sizeof buf, value);
    s_.append(buf, size_t(result.ptr - buf));
  }

  // Exactly 10 decimals and "." whatever the locale, as FloatToFixed writes them.
  void fixed10(double value) {
    char buf[400];
    auto result = std::fabs(value) < 1e15
                      ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 10)
                      : std::to_chars_result{buf, std::errc::value_too_large};
    if (result.ec != std::errc()) {
      const QByteArray text = FloatToFixed(value, 10).toLatin1();
      s_.append(text.constData(), size_t(text.size()));
      return;
    }
    const char *begin = buf;
    // A value that rounds to zero is written without a sign.
    if (*begin == '-' && std::all_of(begin + 1, static_cast<const char *>(result.ptr), [](char c) { return c == '0' || c == '.'; })) ++begin;
    s_.append(begin, size_t(result.ptr - begin));
  }

private:
  std::string &s_;
};

void writeEntry(Writer &w, const TCrd &card, bool utf8) {
  w.tag(kTitle);
  w.field(card.Title, utf8);
  w.crlf();
  w.tag(kUid);
  w.field(card.UID, utf8);
  w.crlf();
  if (!card.PUID.isEmpty()) {
    w.tag(kPuid);
    w.field(card.PUID, utf8);
    w.crlf();
  }
  w.tag(kAdr);
  w.number(card.ADR);
  w.crlf();
  w.tag(kSiz);
  w.number(card.SIZ);
  w.crlf();
  if (card.Color != kNoColor) {
    w.tag(kColor);
    w.number(card.Color);
    w.crlf();
  }
  if (card.Created != 0) {
    w.tag(kCreated);
    w.fixed10(card.Created);
    w.crlf();
  }
  if (card.LastOpen != 0) {
    w.tag(kLastOpen);
    w.fixed10(card.LastOpen);
    w.crlf();
  }
  if (!card.Phone.isEmpty()) {
    w.tag(kPhone);
    w.field(card.Phone, utf8);
    w.crlf();
  }
  w.crlf();
}

bool cardFitsLegacy(const TCrd &c) {
  return fitsLegacy(c.Title) && fitsLegacy(c.UID) && fitsLegacy(c.PUID) && fitsLegacy(c.Phone);
}

} // namespace

int FileVersionOfHeader(const QString &line) {
  const QLatin1StringView header(kIndexHeader);
  const QLatin1StringView old(kOldHeader);
  if (line.startsWith(header)) return StrToIntDef(line.mid(header.size()), 0);
  if (line.startsWith(old)) {
    QStringView rest = QStringView(line).mid(old.size());
    for (QChar c : rest)
      if (c.unicode() > ' ') return 2;
    return 1;
  }
  return 0;
}

void WriteIndexEntry(const TCrd &card, QByteArray &out, bool utf8) {
  std::string text;
  Writer w(text);
  writeEntry(w, card, utf8);
  out.append(text.data(), qsizetype(text.size()));
}

QByteArray IndexText(const TCrdList &list) {
  bool utf8 = false;
  for (const TCrdList::Item &item : list.Items())
    if (!cardFitsLegacy(*item.card)) {
      utf8 = true;
      break;
    }
  auto build = [&](bool asUtf8) {
    std::string text;
    text.reserve(64 + size_t(list.Count()) * 160);
    Writer w(text);
    w.tag(QLatin1StringView(kIndexHeader));
    w.number(kIndexVersion);
    w.crlf();
    for (const TCrdList::Item &item : list.Items()) writeEntry(w, *item.card, asUtf8);
    return QByteArray(text.data(), qsizetype(text.size()));
  };
  QByteArray out = build(utf8);
  // Legacy text that happens to be valid UTF-8 would be read back as UTF-8;
  // such a file is written as UTF-8 instead, which reads back unchanged.
  if (!utf8 && isUtf8WithNonAscii(out)) out = build(true);
  return out;
}

void WriteIndexFile(const TCrdList &list, const QString &fileName) {
  const QByteArray text = IndexText(list);
  QString error;
  // Titles of a protected file are private: readable by the owner only.
  if (!WriteFileReplacing(fileName, text, &error, 0600)) {
    QString cause = WriteFailureCause(QFileInfo(fileName).absolutePath(), text.size());
    if (cause.isEmpty()) cause = error;
    throw ECardError(QStringLiteral("Cannot write the index \"%1\": %2").arg(fileName, cause));
  }
}

void ParseIndexLine(TCrd &card, const QString &line) {
  const QByteArray bytes = line.toUtf8();
  applyLine(card, bytes.constData(), bytes.size(), true);
}

namespace {

// Whether a block (a line beginning with the title tag) starts at `pos`: a
// line begins at the start of the text and after every CR or LF.
inline bool blockStartsAt(const char *data, qsizetype pos, qsizetype size) {
  return (pos == 0 || data[pos - 1] == '\r' || data[pos - 1] == '\n') && startsWith(data + pos, size - pos, kTitle);
}

// The first block start at `from` or later; `size` when there is none.
qsizetype nextBlockStart(const char *data, qsizetype from, qsizetype size) {
  for (qsizetype pos = from; pos < size; ++pos) {
    const void *hit = memmem(data + pos, size_t(size - pos), kTitle.data(), size_t(kTitle.size()));
    if (!hit) return size;
    pos = static_cast<const char *>(hit) - data;
    if (blockStartsAt(data, pos, size)) return pos;
  }
  return size;
}

// The blocks that start in [from, to).
qint64 countBlocks(const char *data, qsizetype from, qsizetype to, qsizetype size) {
  qint64 n = 0;
  for (qsizetype pos = nextBlockStart(data, from, size); pos < to; pos = nextBlockStart(data, pos + 1, size)) ++n;
  return n;
}

// Reads the lines of [from, to) into cards; `to` is a block start or the end.
// Every block takes the next creation stamp from `counter` on. Blocks with
// SIZ 0 or less are dropped.
struct BlockReader {
  const char *data;
  bool utf8;
  TDateTime started;
  const QElapsedTimer *elapsed;

  void read(qsizetype from, qsizetype to, qint32 counter, TCrdBatch &batch, std::vector<TCrdPtr> &out,
            QStringList &dropped) const {
    TCrdPtr card;
    TDateTime stamp = 0;
    bool uidSeen = false;
    auto commit = [&] {
      if (!card) return;
      if (!uidSeen) card->UID = StampToUID(stamp);
      if (card->SIZ > 0)
        out.push_back(std::move(card));
      else
        dropped << card->Title;
      card.reset();
    };
    qsizetype pos = from;
    while (pos < to) {
      qsizetype end = pos;
      while (end < to && data[end] != '\r' && data[end] != '\n') ++end;
      const char *line = data + pos;
      const qsizetype n = end - pos;
      if (startsWith(line, n, kTitle)) {
        commit();
        stamp = CardStampAt(started + double(elapsed->elapsed()) / 86400000.0, counter);
        counter = StampCounterAfter(counter, 1);
        card = batch.Make(stamp, QString());
        uidSeen = false;
      }
      if (card && applyLine(*card, line, n, utf8) == Tag::Uid) uidSeen = true;
      pos = end;
      if (pos < to) pos += (data[pos] == '\r' && pos + 1 < to && data[pos + 1] == '\n') ? 2 : 1;
    }
    commit();
  }
};

} // namespace

EIndexLineTooLong::EIndexLineTooLong(qint64 line)
    : ECardError(QStringLiteral("The index is damaged: its line %1 is longer than %2 bytes.").arg(line).arg(kMaxFieldLineBytes)),
      line_(line) {}

int ReadIndexText(TCrdList &list, const QByteArray &text, const TBodyFile *sourceBody, int mode,
                  qsizetype chunkBytes, QStringList *dropped) {
  return ReadIndexText(list, text.constData(), text.size(), sourceBody, mode, chunkBytes, dropped);
}

int ReadIndexText(TCrdList &list, const char *data, qsizetype size, const TBodyFile *sourceBody, int mode,
                  qsizetype chunkBytes, QStringList *dropped, const std::function<void(const char *, qsizetype)> &read,
                  bool sayWrongVersion) {
  if (mode >= 0 && !sourceBody) throw ECardError(QStringLiteral("No body file to merge from."));

  // A large index is read in pieces side by side, each from a block start
  // on; the cards come together in text order with the stamps a reading
  // from front to back gives them. A piece begins at the start of a line,
  // so its lines and its UTF-8 sequences are its own.
  const size_t workers = ParallelWorkers();
  const size_t wanted = chunkBytes > 0 ? size_t(std::clamp<qsizetype>(size / chunkBytes, 1, 64)) : 1;
  std::vector<qsizetype> bounds{0};
  for (size_t i = 1; i < wanted; ++i) {
    const qsizetype at = nextBlockStart(data, qMax(bounds.back() + 1, qsizetype(double(size) * double(i) / double(wanted))), size);
    if (at >= size) break;
    bounds.push_back(at);
  }
  bounds.push_back(size);
  const size_t pieces = bounds.size() - 1;

  // One look at every piece before anything is built: its blocks, its first
  // over-long line, and whether it is valid UTF-8 and holds any byte beyond ASCII.
  struct Survey {
    qint64 blocks = 0;
    qsizetype overlong = 0;  // 1-based line within the piece, 0: none
    bool valid = true, nonAscii = false;
  };
  std::vector<Survey> survey(pieces);
  RunInParallel(pieces, workers, [&](size_t i) {
    const char *p = data + bounds[i];
    const qsizetype n = bounds[i + 1] - bounds[i];
    Survey &s = survey[i];
    s.overlong = FirstOverlongLine(p, n);
    if (s.overlong) return;
    Utf8Scan(p, n, s.valid, s.nonAscii);
    s.blocks = countBlocks(data, bounds[i], bounds[i + 1], size);
  });
  for (size_t i = 0; i < pieces; ++i) {
    if (!survey[i].overlong) continue;
    // Lines end with CR LF, LF or CR; those before the piece are counted for the message.
    qsizetype before = 0;
    for (qsizetype k = 0; k < bounds[i]; ++k)
      if (data[k] == '\n' || (data[k] == '\r' && !(k + 1 < size && data[k + 1] == '\n'))) ++before;
    throw EIndexLineTooLong(before + survey[i].overlong);
  }
  bool valid = true, nonAscii = false;
  for (const Survey &s : survey) {
    valid &= s.valid;
    nonAscii |= s.nonAscii;
  }
  const bool utf8 = valid && nonAscii;

  // The first line's end.
  qsizetype firstEnd = 0;
  while (firstEnd < size && data[firstEnd] != '\r' && data[firstEnd] != '\n') ++firstEnd;
  // An empty text has no line at all, so no version either.
  const int version = size == 0 ? 0 : FileVersionOfHeader(decodeField(data, firstEnd, utf8));
  if (version != kIndexVersion && sayWrongVersion) ui().showMessage(QStringLiteral("incorrect file version"));

  // Cards read in one go take their creation stamps from one reading of the
  // clock advanced by the time elapsed since, which is what reading the clock
  // for every card would give, at a fraction of the cost.
  const TDateTime started = Now();
  QElapsedTimer elapsed;
  elapsed.start();

  std::vector<qint32> counters(pieces);
  const qint32 firstCounter = StampCounter();
  qint64 total = 0;
  for (size_t i = 0; i < pieces; ++i) {
    counters[i] = StampCounterAfter(firstCounter, total);
    total += survey[i].blocks;
  }
  std::vector<std::vector<TCrdPtr>> cards(pieces);
  std::vector<QStringList> droppedTitles(pieces);
  const BlockReader reader{data, utf8, started, &elapsed};
  // The records are made in batches, one for each thread at a time, so no
  // more blocks are begun than threads run.
  std::mutex batchesHeld;
  std::vector<std::unique_ptr<TCrdBatch>> batches;
  RunInParallel(pieces, workers, [&](size_t i) {
    std::unique_ptr<TCrdBatch> batch;
    {
      const std::lock_guard<std::mutex> lock(batchesHeld);
      if (!batches.empty()) {
        batch = std::move(batches.back());
        batches.pop_back();
      }
    }
    if (!batch) batch = std::make_unique<TCrdBatch>();
    cards[i].reserve(size_t(survey[i].blocks));
    reader.read(bounds[i], bounds[i + 1], counters[i], *batch, cards[i], droppedTitles[i]);
    if (read) read(data + bounds[i], bounds[i + 1] - bounds[i]);
    const std::lock_guard<std::mutex> lock(batchesHeld);
    batches.push_back(std::move(batch));
  });
  if (dropped)
    for (const QStringList &titles : droppedTitles) *dropped << titles;
  SetStampCounter(StampCounterAfter(firstCounter, total));

  if (mode < 0) {
    // The list is sized once for all the cards.
    qint64 kept = 0;
    for (const auto &piece : cards) kept += qint64(piece.size());
    list.Reserve(int(qMin<qint64>(list.Count() + kept, INT_MAX)));
    for (auto &piece : cards)
      for (TCrdPtr &c : piece) list.AddCrd(std::move(c));
    return version;
  }

  // A merged file whose offsets point outside its body file is refused as a
  // whole before any card joins, rather than merged half-way.
  const qint64 sourceSize = sourceBody->size();
  for (const auto &piece : cards)
    for (const TCrdPtr &c : piece)
      if (c->ADR < 0 || qint64(c->ADR) + qint64(c->SIZ) > sourceSize)
        throw ECardError(QStringLiteral("The file cannot be merged: the body of card \"%1\" lies outside its "
                                        "body file.")
                             .arg(c->Title));
  for (auto &piece : cards)
    for (TCrdPtr &c : piece) MergeCard(list, std::move(c), *sourceBody, mode);
  return version;
}

int ReadIndexFile(TCrdList &list, const QString &fileName, const TBodyFile *sourceBody, int mode,
                  QStringList *dropped, bool sayWrongVersion) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw ECardError(QStringLiteral("Cannot open the index \"%1\": %2").arg(fileName, file.errorString()));
  // The text is read where the system keeps it, not copied whole into memory
  // first: the index of a million cards is some 100 MB. What a piece has
  // been read from is handed back as soon as it is done with.
  const qint64 size = file.size();
  if (size > 0) {
    if (uchar *mapped = file.map(0, size)) {
      struct Unmap {
        QFile &file;
        uchar *at;
        ~Unmap() { file.unmap(at); }
      } unmap{file, mapped};
      const long page = ::sysconf(_SC_PAGESIZE);
      auto release = [&](const char *from, qsizetype n) {
        // Only whole pages inside the piece: a page shared with a neighbour may still be read.
        const quintptr begin = (quintptr(from) + quintptr(page) - 1) & ~quintptr(page - 1);
        const quintptr end = (quintptr(from) + quintptr(n)) & ~quintptr(page - 1);
        if (end > begin) ::madvise(reinterpret_cast<void *>(begin), size_t(end - begin), MADV_DONTNEED);
      };
      ::madvise(mapped, size_t(size), MADV_WILLNEED);
      return ReadIndexText(list, reinterpret_cast<const char *>(mapped), qsizetype(size), sourceBody, mode,
                           kIndexChunkBytes, dropped, release, sayWrongVersion);
    }
  }
  const QByteArray text = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw ECardError(QStringLiteral("Cannot read the index \"%1\": %2").arg(fileName, file.errorString()));
  return ReadIndexText(list, text.constData(), text.size(), sourceBody, mode, kIndexChunkBytes, dropped, {},
                       sayWrongVersion);
}

} // namespace qel
