#include "cards/oldformat.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/cardclipboard.h"
#include "cards/cardfile.h"
#include "cards/indexfile.h"
#include "platform/codepage.h"
#include "platform/fileutil.h"
#include "platform/tempfolder.h"
#include "zip/ziparchiver.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace qel {

namespace {

constexpr QByteArrayView kTitle("<TITLE>");
constexpr QByteArrayView kColor("<COLOR>");
constexpr QByteArrayView kCards("<CARDS>");
constexpr QByteArrayView kCreated("<CREATED>");
constexpr QByteArrayView kLastOpen("<LAST OPEN>");
constexpr QByteArrayView kPhone("<PHONE>");
constexpr QByteArrayView kTags[] = {kTitle, kColor, kCards, kCreated, kLastOpen, kPhone};

QString nameOnly(const QString &path) { return QFileInfo(path).fileName(); }

// One line of the text: [begin, end) without its line break.
struct Line {
  qsizetype begin;
  qsizetype end;
};

// Lines end at CR LF, LF or CR; a final line break adds no empty line.
std::vector<Line> splitLines(const QByteArray &text) {
  std::vector<Line> lines;
  const char *p = text.constData();
  const qsizetype n = text.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char ch = p[i];
    if (ch != '\r' && ch != '\n') continue;
    lines.push_back({start, i});
    if (ch == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.push_back({start, n});
  return lines;
}

int intOr(QByteArrayView text, int fallback) {
  return StrToIntDef(QString::fromLatin1(text.trimmed()), fallback);
}

QByteArray encodeField(const QString &text, bool utf8) { return utf8 ? text.toUtf8() : encodeLegacy(text); }

// Titles and phones are single-byte text; when one of them cannot be, or its
// bytes would be taken for UTF-8 when read back, all of them are UTF-8.
bool fieldsNeedUtf8(const QStringList &fields) {
  for (const QString &f : fields) {
    if (!fitsLegacy(f)) return true;
    if (isUtf8WithNonAscii(encodeLegacy(f))) return true;
  }
  return false;
}

void appendLine(QByteArray &out, QByteArrayView tag, const QByteArray &value) {
  out += tag;
  out += value;
  out += "\r\n";
}

} // namespace

TCard::TCard() : CreatedAt(Now()) {}

QByteArray OldSignatureLine(bool plainText) {
  return QByteArray(kOldHeader) + (plainText ? " - text" : " - RTF");
}

bool IsOldCardsText(const QByteArray &text) {
  qsizetype end = 0;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  return QByteArrayView(text.constData(), end).contains(QByteArrayView(kOldHeader));
}

OldCardsText ParseOldCardsText(const QByteArray &text, const std::function<void(int)> &progress) {
  OldCardsText result;
  if (!IsOldCardsText(text)) return result;
  const std::vector<Line> lines = splitLines(text);
  const qsizetype n = qsizetype(lines.size());
  const char *p = text.constData();
  auto view = [&](qsizetype i) { return QByteArrayView(p + lines[size_t(i)].begin, lines[size_t(i)].end - lines[size_t(i)].begin); };
  auto isTag = [](QByteArrayView line) {
    for (QByteArrayView t : kTags)
      if (line.startsWith(t)) return true;
    return false;
  };
  // The empty line that ends every text the writers make is no card's line.
  const qsizetype last = (n > 1 && view(n - 1).isEmpty()) ? n - 1 : n;
  bool version2 = false;
  const TDateTime now = Now();

  for (qsizetype i = 1; i < last; ++i) {
    QByteArrayView line = view(i);
    if (isTag(line) && line.size() > kMaxFieldLineBytes) {
      result.status = OldCardsText::Damaged;
      result.error = QStringLiteral("line %1 is longer than any card line can be").arg(i + 1);
      return result;
    }
  }

  qsizetype i = 1;
  if (i < n && view(i).startsWith(kCards)) {
    result.cardsExpected = intOr(view(i).sliced(kCards.size()), 1);
    version2 = true;
  }
  while (i < n) {
    QByteArrayView line = view(i);
    // A title on the very last line of the text has no card after it.
    if (!line.startsWith(kTitle) || i == n - 1) {
      ++i;
      continue;
    }
    TCard card(now);
    card.ID = decodeTextField(line.sliced(kTitle.size()).toByteArray());
    ++i;
    for (; i < last; ++i) {
      line = view(i);
      if (line.startsWith(kTitle)) break;
      if (line.startsWith(kColor)) {
        card.Color = intOr(line.sliced(kColor.size()), kNoColor);
      } else if (line.startsWith(kCards)) {
        result.cardsExpected = intOr(line.sliced(kCards.size()), 1);
      } else if (line.startsWith(kCreated)) {
        double v = 0;
        card.CreatedAt = TryStrToFloat(line.sliced(kCreated.size()), v) ? v : 0;
      } else if (line.startsWith(kLastOpen)) {
        double v = 0;
        card.LastOpenAt = TryStrToFloat(line.sliced(kLastOpen.size()), v) ? v : 0;
      } else if (line.startsWith(kPhone)) {
        card.PhoneNr = decodeTextField(line.sliced(kPhone.size()).toByteArray());
      } else {
        card.SL.append(line.toByteArray());
      }
    }
    if (i == last) i = n;
    result.cards.push_back(std::move(card));
    if (progress && (result.cards.size() & 1023) == 0) progress(int(result.cards.size()));
  }
  // A 2.x writer ends every body with one more line break: taken off again.
  if (version2)
    for (TCard &c : result.cards)
      if (!c.SL.isEmpty() && c.SL.last().isEmpty()) c.SL.removeLast();
  for (TCard &c : result.cards)
    if (c.SL.isEmpty()) c.SL.append(QByteArray());
  result.status = OldCardsText::Read;
  return result;
}

QByteArray Version1Text(const TCrdList &list, const std::function<QStringList(const TCrd &)> &plainLines,
                        int *firstLossy) {
  if (firstLossy) *firstLossy = -1;
  QStringList titles;
  for (int i = 0; i < list.Count(); ++i) titles << list.Strings(i);
  const bool utf8 = fieldsNeedUtf8(titles);
  QByteArray out = OldSignatureLine(true) + "\r\n";
  for (int i = 0; i < list.Count(); ++i) {
    appendLine(out, kTitle, encodeField(titles[i], utf8));
    // Plain bodies are single-byte text, in this format as in the body file.
    for (const QString &line : plainLines(*list.Objects(i))) {
      bool fitted = true;
      appendLine(out, {}, encodeLegacy(line, &fitted));
      if (!fitted && firstLossy && *firstLossy < 0) *firstLossy = i;
    }
  }
  out += "\r\n";
  return out;
}

QByteArray Version2Text(const TCrdList &list, const TBodyFile &body, bool plainText) {
  QStringList fields;
  for (int i = 0; i < list.Count(); ++i) fields << list.Strings(i) << list.Objects(i)->Phone;
  const bool utf8 = fieldsNeedUtf8(fields);
  QByteArray out = OldSignatureLine(plainText) + "\r\n";
  appendLine(out, kCards, QByteArray::number(list.Count()));
  TBodyReader reader(body);
  for (int i = 0; i < list.Count(); ++i) {
    const TCrd &card = *list.Objects(i);
    appendLine(out, kTitle, encodeField(list.Strings(i), utf8));
    if (card.Color != kNoColor) appendLine(out, kColor, QByteArray::number(card.Color));
    if (card.Created != 0) appendLine(out, kCreated, FormatTextFileReal(card.Created));
    if (card.LastOpen != 0) appendLine(out, kLastOpen, FormatTextFileReal(card.LastOpen));
    if (!card.Phone.isEmpty()) appendLine(out, kPhone, encodeField(card.Phone, utf8));
    QByteArrayView bytes = reader.read(card.ADR, card.SIZ);
    if (bytes == QByteArrayView(EmptyBody())) bytes = {};
    // The body's lines, each with CR LF whatever line breaks it was stored
    // with, then the one line break that follows every body.
    const QByteArray copy = bytes.toByteArray();
    for (const Line &l : splitLines(copy)) appendLine(out, {}, copy.sliced(l.begin, l.end - l.begin));
    out += "\r\n";
  }
  out += "\r\n";
  return out;
}

void WriteVersion1File(const QString &target, const QByteArray &text) {
  QString error;
  if (!WriteFileReplacing(target, text, &error)) {
    QString cause = WriteFailureCause(QFileInfo(target).absolutePath(), text.size());
    if (cause.isEmpty()) cause = error;
    throw ECardError(QStringLiteral("Cannot write %1: %2.").arg(target, cause));
  }
}

void ExportVersion2File(const TCrdList &list, const TBodyFile &body, const QString &target, TZipArchiver &zip,
                        bool plainText) {
  const QByteArray text = Version2Text(list, body, plainText);
  const TPrivateFolder staging(QStringLiteral("save-"));
  if (!staging.isValid()) throw ECardError(QStringLiteral("Cannot create a temporary folder to write %1.").arg(target));
  const QString ext = QLatin1String(zip.Password().isEmpty() ? kOldEntryExt : kOldProtectedEntryExt);
  const QString entry = staging.path() + ChangeFileExt(nameOnly(target), ext);
  const int fd = CreateExclusiveFile(entry);
  if (fd < 0) throw ECardError(QStringLiteral("Cannot write %1: %2").arg(entry, QString::fromLocal8Bit(std::strerror(errno))));
  QFile file;
  if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw ECardError(QStringLiteral("Cannot write %1: %2.").arg(entry, file.errorString()));
  }
  if (file.write(text) != text.size() || !file.flush()) {
    QString cause = WriteFailureCause(staging.path(), text.size());
    if (cause.isEmpty()) cause = file.errorString();
    throw ECardError(QStringLiteral("Cannot write %1: %2.").arg(entry, cause));
  }
  file.close();
  WriteArchiveReplacing(target, {entry}, zip, zip.AddOptions.contains(AddEncrypt), false);
}

QString OldArchiveEntry(const QString &fileName, TZipArchiver &zip) {
  zip.SetZipFileName(fileName);
  const auto &entries = zip.ZipContents();
  return entries.empty() ? QString() : entries.front().FileName;
}

OldCardsText ReadOldVersionFile(const QString &fileName, bool archive, TZipArchiver &zip,
                                const std::function<void(int)> &progress) {
  OldCardsText result;
  // Bodies are 32-bit offsets into the body file: no old text can hold more.
  constexpr qint64 kMaxTextSize = kMaxBodyFileSize;
  auto tooLarge = [&](qint64 size) {
    result.status = OldCardsText::Damaged;
    result.error = QStringLiteral("%1 bytes, more than a card file can hold").arg(size);
  };
  std::unique_ptr<TPrivateFolder> folder;
  QString textPath = fileName;
  if (archive) {
    const QString entry = OldArchiveEntry(fileName, zip);
    const QString base = nameOnly(entry);
    if (base.isEmpty()) return result;
    qint64 entrySize = 0;
    for (const ZipDirEntry &e : zip.ZipContents()) {
      if (e.FileName != entry) continue;
      if (e.UncompressedSize64 > std::uint64_t(kMaxTextSize)) {
        tooLarge(qint64(e.UncompressedSize64));
        return result;
      }
      entrySize = qint64(e.UncompressedSize64);
      break;
    }
    folder = std::make_unique<TPrivateFolder>(QStringLiteral("open-"));
    if (!folder->isValid()) {
      result.status = OldCardsText::Damaged;
      result.error = QStringLiteral("a temporary folder cannot be created");
      return result;
    }
    zip.ExtrBaseDir = folder->path();
    zip.ExtrOptions = {ExtrOverWrite};
    zip.FSpecArgs().clear();
    zip.FSpecArgs() << entry;
    zip.Extract();
    textPath = folder->path() + base;
    if (zip.SuccessCnt() != 1 || !QFileInfo(textPath).isFile()) {
      // Not extracted for want of room: the file is not to blame.
      const QString cause = WriteFailureCause(folder->path(), entrySize);
      if (!cause.isEmpty()) {
        result.status = OldCardsText::TempFolderFull;
        result.error = cause;
      }
      return result;
    }
  }
  QFile file(textPath);
  if (!file.open(QIODevice::ReadOnly)) {
    result.status = OldCardsText::Damaged;
    result.error = file.errorString();
    return result;
  }
  if (file.size() > kMaxTextSize) {
    tooLarge(file.size());
    return result;
  }
  const QByteArray text = file.readAll();
  if (text.size() != file.size()) {
    result.status = OldCardsText::Damaged;
    result.error = file.errorString();
    return result;
  }
  file.close();
  return ParseOldCardsText(text, progress);
}

void AppendOldCards(TCrdList &list, const TCardList &oldCards, TBodyFile &body) {
  TBodyBatch batch;
  std::vector<TCrdPtr> made;
  made.reserve(oldCards.size());
  qint64 bytes = 0;
  for (const TCard &old : oldCards)
    for (const QByteArray &line : old.SL) bytes += line.size() + 2;
  batch.data().reserve(qsizetype(qMin<qint64>(bytes, kMaxBodyFileSize)));
  // One clock reading for all: each card still gets its own stamp and UID.
  const TDateTime now = Now();
  for (const TCard &old : oldCards) {
    const TDateTime stamp = NewCardStampAt(now);
    TCrdPtr card = std::make_shared<TCrd>(stamp, StampToUID(stamp));
    card->Title = old.ID;
    card->Created = old.CreatedAt;
    card->LastOpen = old.LastOpenAt;
    card->Color = old.Color;
    card->Phone = old.PhoneNr;
    for (const QByteArray &line : old.SL) {
      batch.data() += line;
      batch.data() += "\r\n";
    }
    batch.endBody(card.get());
    made.push_back(std::move(card));
  }
  AppendBodies(batch, body);
  list.Reserve(list.Count() + int(made.size()));
  for (TCrdPtr &card : made) list.AddCrd(std::move(card));
}

void ReplaceWithOldCards(const TCardList &oldCards, const QString &fileName) {
  TLoadedCardFile loaded;
  loaded.privateFolder = std::make_unique<TPrivateFolder>(QStringLiteral("open-"));
  loaded.folder = loaded.privateFolder->path();
  if (loaded.folder.isEmpty()) throw ECardError(QStringLiteral("Cannot create a temporary folder to open %1.").arg(fileName));
  loaded.bodyPath = loaded.folder + QStringLiteral("body.~h");
  TBodyFile body(loaded.bodyPath);
  body.reset();
  AppendOldCards(loaded.cards, oldCards, body);
  InstallLoadedFile(loaded, fileName);
}

} // namespace qel
