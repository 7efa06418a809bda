#include "cards/cardfile.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/filelock.h"
#include "cards/indexfile.h"
#include "cards/oldformat.h"
#include "platform/fileutil.h"
#include "platform/tempname.h"
#include "platform/tempfolder.h"
#include "platform/uiservices.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

QString fileNameOnly(const QString &path) { return QFileInfo(path).fileName(); }

// Removes the listed files on every way out of a scope, unless released.
class RemoveOnExit {
public:
  void add(const QString &path) { paths_ << path; }
  void release(const QString &path) { paths_.removeAll(path); }
  ~RemoveOnExit() {
    for (const QString &p : paths_) ::unlink(QFile::encodeName(p).constData());
  }
private:
  QStringList paths_;
};

void report(const std::function<void(int)> &progress, int position) {
  if (progress) progress(position);
}

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Writes the marker entry: its presence alone says the file is protected.
// Created afresh without following links: whatever had that name beside the
// target goes (as the other entry files do) and nothing it pointed at is written.
void writeMarker(const QString &path) {
  ::unlink(QFile::encodeName(path).constData());
  const int fd = CreateExclusiveFile(path);
  if (fd < 0) throw ECardError(QStringLiteral("Cannot write %1: %2").arg(path, errnoText(errno)));
  const QByteArray text = QByteArray(kPasswordEntryText) + "\r\n";
  const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
  const int err = errno;
  ::close(fd);
  if (!ok) throw ECardError(QStringLiteral("Cannot write %1: %2").arg(path, errnoText(err)));
}

// A name for the temporary archive of a save of `targetName` in `folder`
// that no file has yet: ".<name>.~<random>.tmp", by the rule the cleanup knows.
QString freshArchiveName(const QString &folder, const QString &targetName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string random = "~" + QString::number(QRandomGenerator::global()->generate(), 36).toStdString();
    const QString candidate =
        folder + QLatin1Char('/') + QFile::decodeName(TempNameBeside(QFile::encodeName(targetName).toStdString(), random).c_str());
    if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) return candidate;
  }
  throw ECardError(QStringLiteral("Cannot create a temporary file in %1.").arg(folder));
}

void syncFile(const QString &path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw ECardError(QStringLiteral("Cannot open %1: %2").arg(path, errnoText(errno)));
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw ECardError(QStringLiteral("Cannot write %1: %2").arg(path, errnoText(err)));
}

} // namespace

// ---- names ----

QString NewFileName(int n) {
  if (n <= 0) return QStringLiteral("NEW.QEL");
  return QStringLiteral("NEW%1.QEL").arg(n, 2, 10, QLatin1Char('0'));
}

bool IsNewFileName(const QString &name) {
  if (name.size() > 9) return false;
  if (!name.startsWith(QLatin1String("NEW")) || name.size() < 4) return false;
  const QChar c = name.at(3);
  return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

QString FreeNewFileName(const std::function<bool(const QString &)> &taken) {
  for (int n = 0;; ++n) {
    const QString name = NewFileName(n);
    if (!taken || !taken(name)) return name;
  }
}

QString ChangeFileExt(const QString &path, const QString &ext) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot > slash) return path.left(dot) + ext;
  return path + ext;
}

// ---- backup ----

QString BackupFileName(const QString &file, const QString &backupFolder) {
  QString name = file;
  if (!backupFolder.isEmpty() && QFileInfo(backupFolder).isDir()) {
    QString folder = backupFolder;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    name = folder + fileNameOnly(file);
  }
  return ChangeFileExt(name, QStringLiteral(".bak"));
}

void BackupCardsFile(const QString &file, const QString &backupFolder, TZipArchiver *protectWith,
                     const QString &filePassword) {
  const QString backup = BackupFileName(file, backupFolder);
  auto fail = [&](const QString &why) {
    throw ECardError(QStringLiteral("Cannot make the backup copy %1: %2").arg(backup, why));
  };
  const QString password = protectWith ? protectWith->Password() : QString();
  auto copy = [&] {
    QString error;
    if (!CopyFileReplacing(file, backup, &error)) fail(error);
  };
  if (password.isEmpty()) return copy();
  TZipArchiver &zip = *protectWith;
  zip.Unattended = true;
  const tQelfileSpec probed = ProbeCardsFile(file, zip);
  if (probed.Kind == KindNone) return copy();  // no cards of ours to protect
  bool encrypted = probed.Kind != KindOldText && !zip.ZipContents().empty();
  for (const ZipDirEntry &e : zip.ZipContents()) encrypted &= e.Encrypted;
  if (encrypted && password == filePassword) return copy();

  // The previous version's entries, staged in a private folder of ours and
  // added again with the file's password.
  const TPrivateFolder staging(QStringLiteral("save-"));
  if (!staging.isValid()) fail(QStringLiteral("a temporary folder cannot be created"));
  const QString stem = staging.path() + ChangeFileExt(fileNameOnly(file), QString());
  const QString oldEntry = stem + QLatin1String(kOldProtectedEntryExt);
  QStringList entries;
  if (probed.Kind == KindOldText) {
    QString error;
    if (!CopyFileReplacing(file, oldEntry, &error)) fail(error);
    entries << oldEntry;
  } else {
    zip.SetPassword(filePassword);
    zip.SetZipFileName(file);
    zip.ExtrBaseDir = staging.path();
    zip.ExtrOptions = {ExtrOverWrite};
    zip.FSpecArgs().clear();
    zip.FSpecArgs() << QStringLiteral("*.*");
    zip.Extract();
    zip.SetPassword(password);
    for (const ZipDirEntry &e : zip.ZipContents()) {
      const QString path = staging.path() + QFileInfo(e.FileName).fileName();
      if (!QFileInfo(path).isFile()) {
        // Protected with a password other than the one it was written with:
        // the copy as it is stays as protected as the file was.
        if (encrypted) return copy();
        const QString cause = WriteFailureCause(staging.path(), qint64(e.UncompressedSize64));
        fail(cause.isEmpty() ? QStringLiteral("%1 cannot be read").arg(file) : cause);
      }
      if (!entries.contains(path)) entries << path;
    }
    if (probed.Kind == KindOldArchive) {
      // A protected old archive's one entry has its own extension.
      if (entries.size() != 1) fail(QStringLiteral("%1 cannot be read").arg(file));
      if (entries.front() != oldEntry) {
        QString error;
        if (!RenameFileReplacing(entries.front(), oldEntry, &error)) fail(error);
        entries.front() = oldEntry;
      }
    } else if (probed.PassEntry.isEmpty()) {
      const QString marker = stem + QStringLiteral(".~p");
      writeMarker(marker);
      entries << marker;
    }
  }
  WriteArchiveReplacing(backup, entries, zip, true, false);
}

// ---- reading ----

TLoadedCardFile::~TLoadedCardFile() {
  if (!folder.isEmpty()) QDir(folder).removeRecursively();
}

QString IndexNotFoundMessage() {
  return QStringLiteral("Index not found.\rIf file was protected, probably, you entered wrong password");
}

QString DamagedFileMessage(const QString &fileName) {
  return QStringLiteral("The file %1 is damaged: its card bodies are missing.").arg(fileName);
}

QString TempFolderFullMessage(const QString &fileName, const QString &cause) {
  QString folder;
  try {
    folder = TempFolderPath();
  } catch (const std::runtime_error &) {
    folder = QDir::tempPath();
  }
  return QStringLiteral("The file %1 cannot be opened: its cards do not fit into the temporary folder %2 (%3).")
      .arg(fileName, folder, cause);
}

QString DamagedIndexMessage(const QString &fileName) {
  return QStringLiteral("The file %1 is damaged: its index cannot be read.").arg(fileName);
}

namespace {

// Up to 20 titles of `titles`, one a line in quotes, then how many more.
QString titleLines(const QStringList &titles) {
  constexpr qsizetype kShown = 20;
  QString text;
  for (qsizetype i = 0; i < titles.size() && i < kShown; ++i) text += QStringLiteral("\r\"") + titles[i] + QLatin1Char('"');
  if (titles.size() > kShown) text += QStringLiteral("\rand %1 more.").arg(titles.size() - kShown);
  return text;
}

} // namespace

QString DamagedCardsMessage(const QString &fileName, const QStringList &titles, const QStringList &leftOut) {
  QString text;
  if (!titles.isEmpty())
    text = QStringLiteral("The file %1 is damaged: the bodies of these cards are missing and they are opened empty:")
               .arg(fileName) +
           titleLines(titles);
  if (!leftOut.isEmpty()) {
    if (text.isEmpty())
      text = QStringLiteral("The file %1 is damaged: ").arg(fileName);
    else
      text += QStringLiteral("\rAnd ");
    text += QStringLiteral("these cards have no readable size and were left out:") + titleLines(leftOut);
  }
  return text;
}

QString NotCardFileMessage(const QString &fileName, const QString &problem) {
  if (problem.isEmpty()) return QStringLiteral("The file %1 is not a Qel Moravine card file.").arg(fileName);
  return QStringLiteral("The file %1 cannot be opened: it is damaged or not a card file (%2).").arg(fileName, problem);
}

QString TooLargeEntryMessage(const QString &fileName, bool index, std::uint64_t size) {
  return QStringLiteral("The file %1 cannot be opened: it is damaged or too large. Its %2 would take %3 bytes, "
                        "more than a card file can hold (%4).")
      .arg(fileName, index ? QStringLiteral("index") : QStringLiteral("card bodies"), QString::number(size),
           index ? QStringLiteral("256 MB") : QStringLiteral("2 GB"));
}

namespace {

// Points every card whose range lies outside the body file at one stored
// empty body appended to it; returns their titles.
QStringList repairBodyRanges(TCrdList &cards, const QString &bodyPath) {
  TBodyFile body(bodyPath);
  const qint64 size = body.size();
  QStringList titles;
  std::vector<TCrd *> damaged;
  for (const auto &item : cards.Items()) {
    const TCrd &c = *item.card;
    if (c.ADR < 0 || c.SIZ < 0 || qint64(c.ADR) + qint64(c.SIZ) > size) {
      damaged.push_back(item.card.get());
      titles << c.Title;
    }
  }
  if (damaged.empty()) return titles;
  qint32 adr = 0, siz = 0;
  body.append(EmptyBody(), adr, siz);
  for (TCrd *c : damaged) {
    c->ADR = adr;
    c->SIZ = siz;
  }
  return titles;
}

} // namespace

LoadOutcome LoadVersion3File(const tQelfileSpec &probed, TZipArchiver &zip, TLoadedCardFile &out,
                             const std::function<void(int)> &progress) {
  LoadOutcome outcome;
  if (probed.IndexEntry.isEmpty()) {
    outcome.status = LoadStatus::IndexNotFound;
    return outcome;
  }
  if (probed.BodyEntry.isEmpty()) {
    outcome.status = LoadStatus::Damaged;
    outcome.error = DamagedFileMessage(probed.FileName);
    return outcome;
  }
  out.privateFolder = std::make_unique<TPrivateFolder>(QStringLiteral("open-"));
  out.folder = out.privateFolder->path();
  if (out.folder.isEmpty()) {
    outcome.error = QStringLiteral("Cannot create a temporary folder to open %1.").arg(probed.FileName);
    return outcome;
  }
  // Entries are extracted without their folders, under their base names.
  out.indexPath = out.folder + QFileInfo(probed.IndexEntry).fileName();
  out.bodyPath = out.folder + QFileInfo(probed.BodyEntry).fileName();
  if (out.indexPath == out.bodyPath) {
    outcome.status = LoadStatus::Damaged;
    outcome.error = DamagedFileMessage(probed.FileName);
    return outcome;
  }

  zip.SetZipFileName(probed.FileName);
  // Opening inflates the body entry into the body file, which stops at 2 GB,
  // and reads the index whole into memory, where its cards take several times
  // its size. An entry declaring more is refused before anything is written;
  // the engine stops any entry that inflates past what it declares, so these
  // bounds hold whatever the compressed data does.
  bool indexEncrypted = false, anyEncrypted = false;
  qint64 indexSize = 0, bodySize = 0;
  for (const ZipDirEntry &e : zip.ZipContents()) {
    if (e.FileName != probed.IndexEntry && e.FileName != probed.BodyEntry) continue;
    const bool index = e.FileName == probed.IndexEntry;
    if (index) indexEncrypted = e.Encrypted;
    (index ? indexSize : bodySize) = qint64(qMin<std::uint64_t>(e.UncompressedSize64, std::uint64_t(kMaxBodyFileSize)));
    anyEncrypted |= e.Encrypted;
    if (e.UncompressedSize64 > std::uint64_t(index ? kMaxIndexEntrySize : kMaxBodyFileSize)) {
      outcome.error = TooLargeEntryMessage(probed.FileName, index, e.UncompressedSize64);
      return outcome;
    }
  }
  zip.ExtrBaseDir = out.folder;
  zip.ExtrOptions = {ExtrOverWrite};
  // Why an entry was not extracted: the engine says it in a message just
  // before it reports the entry skipped.
  struct Skip {
    UnZipSkipType kind;
    QString why;
  };
  QHash<QString, Skip> skipped;
  QString lastMessage;
  const auto savedOnMessage = zip.OnMessage;
  const auto savedOnSkipped = zip.OnExtractSkipped;
  zip.OnMessage = [&](TZipArchiver &z, int code, const QString &text) {
    lastMessage = text;
    if (savedOnMessage) savedOnMessage(z, code, text);
  };
  zip.OnExtractSkipped = [&](TZipArchiver &z, const QString &file, UnZipSkipType kind, int code) {
    QString why = lastMessage;
    if (why.endsWith(QStringLiteral(": ") + file)) why.chop(file.size() + 2);
    skipped.insert(file, Skip{kind, why});
    if (savedOnSkipped) savedOnSkipped(z, file, kind, code);
  };
  struct RestoreEvents {
    TZipArchiver &zip;
    decltype(zip.OnMessage) onMessage;
    decltype(zip.OnExtractSkipped) onSkipped;
    ~RestoreEvents() {
      zip.OnMessage = onMessage;
      zip.OnExtractSkipped = onSkipped;
    }
  } restoreEvents{zip, savedOnMessage, savedOnSkipped};
  auto extract = [&](const QStringList &entries) {
    zip.FSpecArgs().clear();
    zip.FSpecArgs() << entries;
    zip.Extract();
  };
  // A password typed at the engine's request holds for one extraction only:
  // a protected file's entries come out together, as they always did.
  const bool together = anyEncrypted;
  auto ownOnly = [&](const QString &path) {
    // The extraction gave the entry the mode it was stored with; in our
    // folders every file is ours alone before it is used.
    if (::chmod(QFile::encodeName(path).constData(), 0600) == 0) return true;
    outcome.error = QStringLiteral("Cannot open %1: %2").arg(probed.FileName, errnoText(errno));
    return false;
  };

  // An entry that did not come out for want of room (or of a writable
  // temporary folder) says nothing about the file: that cause is named.
  auto noRoomFor = [&](const QString &entry, qint64 size) {
    const auto it = skipped.constFind(entry);
    if (it != skipped.constEnd() && it->kind == stBadPassword) return false;
    const QString cause = WriteFailureCause(out.folder, size);
    if (cause.isEmpty()) return false;
    outcome.status = LoadStatus::Failed;
    outcome.error = TempFolderFullMessage(probed.FileName, cause);
    return true;
  };

  // The index first: its cards are read on threads of their own while the
  // body entry is extracted here.
  report(progress, 20);
  if (together)
    extract({probed.IndexEntry, probed.BodyEntry});
  else
    extract({probed.IndexEntry});
  if (!QFileInfo(out.indexPath).isFile()) {
    if (noRoomFor(probed.IndexEntry, indexSize)) return outcome;
    if (indexEncrypted) {
      // Most likely the password was wrong.
      outcome.status = LoadStatus::IndexNotFound;
    } else {
      // No password is involved: the entry itself could not be extracted.
      outcome.status = LoadStatus::Damaged;
      outcome.error = DamagedIndexMessage(probed.FileName);
    }
    return outcome;
  }
  if (!ownOnly(out.indexPath)) return outcome;

  TCrdList cards;
  QStringList leftOut;
  int version = kIndexVersion;
  std::exception_ptr readFailure;
  std::thread reading([&] {
    try {
      version = ReadIndexFile(cards, out.indexPath, nullptr, MergeAdd, &leftOut, false);
    } catch (...) {
      readFailure = std::current_exception();
    }
  });
  // Joined on every way out: the thread reads into this frame.
  struct Join {
    std::thread &thread;
    ~Join() {
      if (thread.joinable()) thread.join();
    }
  } join{reading};

  report(progress, 30);
  if (!together) extract({probed.BodyEntry});
  report(progress, 80);
  reading.join();

  // An entry that would not decrypt is a wrong password; any other reason
  // is damage, and the message says which.
  auto notExtracted = [&](const QString &entry, const QString &part) {
    const auto it = skipped.constFind(entry);
    if (it == skipped.constEnd() || it->kind == stBadPassword) return false;
    outcome.status = LoadStatus::Damaged;
    outcome.error = QStringLiteral("The file %1 is damaged: its %2 cannot be read (%3).")
                        .arg(probed.FileName, part, it->why.isEmpty() ? QStringLiteral("the archive is damaged") : it->why);
    return true;
  };
  if (!QFileInfo(out.bodyPath).isFile()) {
    if (noRoomFor(probed.BodyEntry, bodySize)) return outcome;
    if (!notExtracted(probed.BodyEntry, QStringLiteral("card bodies"))) {
      outcome.status = LoadStatus::Damaged;
      outcome.error = DamagedFileMessage(probed.FileName);
    }
    return outcome;
  }
  if (!ownOnly(out.bodyPath)) return outcome;
  try {
    if (readFailure) std::rethrow_exception(readFailure);
    if (version != kIndexVersion) ui().showMessage(QStringLiteral("incorrect file version"));
    outcome.leftOutCards = leftOut;
    outcome.damagedCards = repairBodyRanges(cards, out.bodyPath);
    out.cards = std::move(cards);
  } catch (const EIndexLineTooLong &e) {
    outcome.status = LoadStatus::Damaged;
    outcome.error = QStringLiteral("The file %1 is damaged: line %2 of its index is longer than %3 bytes.")
                        .arg(probed.FileName)
                        .arg(e.line())
                        .arg(kMaxFieldLineBytes);
    return outcome;
  } catch (const ECardError &e) {
    outcome.error = e.message();
    return outcome;
  } catch (const std::bad_alloc &) {
    outcome.error = QStringLiteral("The file %1 cannot be opened: it is damaged or too large, and its cards do not fit "
                                   "into memory.")
                        .arg(probed.FileName);
    return outcome;
  }
  outcome.status = LoadStatus::Loaded;
  return outcome;
}

void InstallLoadedFile(TLoadedCardFile &loaded, const QString &fileName) {
  const QString newBody = BodyFileName(fileName);
  // Reopening the file already open: the rename below replaces the old
  // bytes, so only the records are dropped afterwards.
  const bool sameBody = newBody == CurrentBodyFileName();
  // Held before it is moved out of the loaded file's folder, so no program
  // starting meanwhile takes it for a dead one's.
  THeldItem held;
  held.hold(loaded.bodyPath);
  QString error;
  if (!RenameFileReplacing(loaded.bodyPath, newBody, &error))
    throw ECardError(QStringLiteral("Cannot open the body file %1: %2").arg(newBody, error));
  if (sameBody)
    AllCards.Clear();
  else
    ClearCards(AllCards);  // deletes the previous file's body file
  AllCards = std::move(loaded.cards);
  CurrentFileName = fileName;
  CurrentBodyFile().adoptHold(std::move(held));
  SetFileHidden(newBody);
}

void MergeLoadedFile(TLoadedCardFile &loaded, int mode) {
  TBodyFile source(loaded.bodyPath);
  const qint64 size = source.size();
  for (const auto &item : loaded.cards.Items()) {
    const TCrd &card = *item.card;
    if (card.SIZ < 0 || card.ADR < 0 || qint64(card.ADR) + card.SIZ > size)
      throw ECardError(QStringLiteral("The card \"%1\" points outside the body file; nothing was merged.").arg(card.Title));
  }
  for (const auto &item : loaded.cards.Items()) MergeCard(AllCards, item.card, source, mode);
}

// ---- what a killed program left ----

int RemoveDeadInstanceDebris(const QStringList &inUse) {
  QString temp;
  try {
    temp = TempFolderPath();
  } catch (const std::runtime_error &) {
    return 0;
  }
  // Body files, what a compaction of one was writing, and unfinished card
  // clipboard files; extraction and save folders.
  static const QRegularExpression bodyName(QStringLiteral("^[0-9A-F]{32}\\.~h$"));
  static const QRegularExpression bodyTemp(QStringLiteral("^[0-9A-F]{32}\\.~h\\.[0-9a-f]{8}\\.tmp$"));
  static const QRegularExpression clipboardTemp(QStringLiteral("^qel_clipboard\\.clp\\.[0-9a-f]+\\.tmp$"));
  int removed = 0;
  const QDir folder(temp);
  for (const QFileInfo &info : folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    const QString name = info.fileName();
    if (info.isSymLink()) continue;
    bool debris;
    if (info.isDir())
      debris = name.startsWith(QLatin1String("open-")) || name.startsWith(QLatin1String("save-"));
    else
      debris = (bodyName.match(name).hasMatch() && !inUse.contains(name)) || bodyTemp.match(name).hasMatch() ||
               clipboardTemp.match(name).hasMatch();
    // Whatever a running program uses, it holds; what nobody holds is a dead
    // program's, however new it is.
    if (debris && RemoveUnheldItem(info.absoluteFilePath())) ++removed;
  }
  return removed;
}

// ---- writing ----

void RemoveStaleSaveArchives(const QString &targetIn) {
  const QFileInfo target(QFileInfo(targetIn).absoluteFilePath());
  const QDir folder(target.absolutePath());
  // Our own temporary archive, and the engine's temporary file beside it when
  // the save was killed while the engine wrote.
  const std::string targetName = QFile::encodeName(target.fileName()).toStdString();
  const QStringList names = folder.entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString &name : names)
    if (IsTempNameOf(QFile::encodeName(name).toStdString(), targetName))
      ::unlink(QFile::encodeName(folder.filePath(name)).constData());
}

void WriteArchiveReplacing(const QString &targetIn, const QStringList &entries, TZipArchiver &zip, bool encrypt,
                           bool unlockFirst, const std::function<void(int)> &progress) {
  // A link to the card file stays a link: the file it points to is replaced.
  const QString target = FollowLinks(targetIn);
  const QString folder = QFileInfo(target).absolutePath();
  // What a write of this target that was killed left beside it.
  RemoveStaleSaveArchives(target);
  const QString archive = freshArchiveName(folder, fileNameOnly(target));
  RemoveOnExit partial;
  partial.add(archive);

  zip.SetZipFileName(archive);
  zip.AddCompLevel = 9;
  AddOpts options;
  if (encrypt) options.insert(AddEncrypt);
  zip.AddOptions = options;
  zip.FSpecArgs().clear();
  zip.FSpecArgs() << entries;
  report(progress, 75);
  zip.Add();
  report(progress, 85);

  // Every entry must be in the new archive, in order, before it may replace the old file.
  const auto &contents = zip.ZipContents();
  bool complete = zip.SuccessCnt() == entries.size() && qsizetype(contents.size()) == entries.size();
  for (qsizetype i = 0; complete && i < entries.size(); ++i) {
    const ZipDirEntry &e = contents[size_t(i)];
    complete = e.FileName == fileNameOnly(entries[i]) && e.Encrypted == encrypt;
  }
  if (!complete || !QFileInfo(archive).isFile()) {
    // The engine says only that it failed; the target's folder tells why,
    // while the partial archive still takes its room.
    qint64 needed = 0;
    for (const QString &e : entries) needed += QFileInfo(e).size();
    QString cause = WriteFailureCause(folder, needed);
    if (cause.isEmpty()) cause = zip.Message();
    if (cause.isEmpty()) cause = QStringLiteral("the archive could not be written completely");
    throw ECardError(QStringLiteral("Cannot write %1: %2.").arg(target, cause));
  }
  syncFile(archive);

  // The new file keeps the old one's permissions.
  struct stat st;
  if (::stat(QFile::encodeName(target).constData(), &st) == 0)
    ::chmod(QFile::encodeName(archive).constData(), st.st_mode & 07777);

  if (unlockFirst) UnlockDataFile();
  if (::rename(QFile::encodeName(archive).constData(), QFile::encodeName(target).constData()) != 0)
    throw ECardError(QStringLiteral("Cannot replace %1: %2").arg(target, errnoText(errno)));
  partial.release(archive);
  zip.SetZipFileName(target);
}

void SaveCardsArchive(TCrdList &list, TBodyFile &body, const QString &targetIn, TZipArchiver &zip,
                      const std::function<void(int)> &progress) {
  const QString target = QFileInfo(targetIn).absoluteFilePath();
  const bool isProtected = !zip.Password().isEmpty();

  // The entries are staged in a private folder of our own (mode 0700, files
  // 0600), never beside the user's file: the index of a protected file is
  // plain text until it is in the archive. They go with the folder.
  const TPrivateFolder staging(QStringLiteral("save-"));
  if (!staging.isValid())
    throw ECardError(QStringLiteral("Cannot create a temporary folder to save %1.").arg(target));
  const QString stem = staging.path() + ChangeFileExt(fileNameOnly(target), QString());
  const QString indexFile = stem + QStringLiteral(".~i");
  const QString bodyEntry = stem + QStringLiteral(".~h");
  const QString passEntry = stem + QStringLiteral(".~p");
  report(progress, 10);

  CompactDataFile(list, body, bodyEntry);
  report(progress, 45);
  WriteIndexFile(list, indexFile);
  report(progress, 60);

  QStringList entries{indexFile, bodyEntry};
  if (isProtected) {
    writeMarker(passEntry);
    entries << passEntry;
  }

  WriteArchiveReplacing(target, entries, zip, isProtected, true, progress);
}

} // namespace qel
