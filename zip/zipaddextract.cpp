// Adding and extracting through the engines, and the engine callback.

#include "zip/ziparchiver.h"

#include "platform/codepage.h"
#include "platform/uiservices.h"
#include "zip/zippassworddlg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <deque>
#include <new>

namespace qel {

namespace {

using namespace zipabi;

const char *const kStoreSuffixes[kAddStoreExtCount] = {
  "gif", "png", "z", "zip", "zoo", "arc", "lzh", "arj", "taz", "tgz", "lha", "rar", "ace", "cab", "gz", "gzip",
  "jar", "exe",
};

// Owns the texts handed to an engine for the length of one call.
class TextPool {
public:
  const char *keep(const QByteArray &bytes) {
    texts_.push_back(bytes);
    return texts_.back().constData();
  }
  const char *keepOrNull(const QByteArray &bytes) { return bytes.isEmpty() ? nullptr : keep(bytes); }
private:
  std::deque<QByteArray> texts_;
};

// Password bytes for the cipher. Archives made on Windows used the legacy
// code page, so a password it can hold keeps those bytes; any other becomes UTF-8.
QByteArray passwordBytes(const QString &password) {
  const QString p = password.left(TZipArchiver::kMaxPasswordLength);
  return fitsLegacy(p) ? encodeLegacy(p) : p.toUtf8();
}

// The other spelling of a password in bytes, tried when extracting: UTF-8,
// as most other tools write it, when the first spelling is the legacy code
// page and differs from it; else none.
QByteArray altPasswordBytes(const QString &password) {
  const QString p = password.left(TZipArchiver::kMaxPasswordLength);
  const QByteArray first = passwordBytes(p), utf8 = p.toUtf8();
  return first == utf8 ? QByteArray() : utf8;
}

QByteArray pathBytes(const QString &path) { return QFile::encodeName(path); }

// Clears the per-operation lists and state on every way out of an operation.
template <typename F>
struct OnExit {
  F f;
  ~OnExit() { f(); }
};
template <typename F>
OnExit(F) -> OnExit<F>;

// The text of a callback record: bounded by the area, trailing blanks removed.
QString recordText(const ZipCallbackRecord &r) {
  std::size_t n = strnlen(r.text, kCallbackTextSize);
  while (n > 0 && r.text[n - 1] == ' ') --n;
  return decodeTextField(QByteArray(r.text, qsizetype(n)));
}

// Writes a reply into the text area, cut at a character boundary so the
// terminating zero always fits.
std::size_t writeRecordText(ZipCallbackRecord &r, const QByteArray &bytes) {
  std::size_t n = std::min<std::size_t>(std::size_t(bytes.size()), kCallbackTextSize - 1);
  if (n < std::size_t(bytes.size()))
    while (n > 0 && (static_cast<unsigned char>(bytes[qsizetype(n)]) & 0xC0) == 0x80) --n;
  std::memcpy(r.text, bytes.constData(), n);
  std::memset(r.text + n, 0, kCallbackTextSize - n);
  return n;
}

QString formatAddFrom(const QDate &d) {
  return d.isValid() ? d.toString(QStringLiteral("MM dd yy")) : QStringLiteral("00 00 00");
}

} // namespace

void TZipArchiver::clearLists() {
  fSpecArgs_.clear();
  fSpecArgsExcl_.clear();
}

void TZipArchiver::Add() {
  if (IsBusy()) return;  // a second operation from inside the callback's event processing
  successCnt_ = 0;
  OnExit cleanup{[this] { clearLists(); }};

  if (fSpecArgs_.isEmpty()) return ShowZipMessage(AD_NothingToZip);
  if (zipFileName_.isEmpty()) return ShowZipMessage(GE_NoZipSpecified);
  if (Unattended && AddOptions.contains(AddEncrypt) && password_.isEmpty()) return ShowZipMessage(AD_UnattPassword);
  const bool spanning = AddOptions.contains(AddDiskSpan) || AddOptions.contains(AddDiskSpanErase);
  if (spanning) {
    if (AddOptions.contains(AddFreshen) || AddOptions.contains(AddUpdate)) return ShowZipMessage(AD_NoFreshenUpdate);
    if (zipFileName_.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) return ShowZipMessage(DS_NoSFXSpan);
  }
  // "x.exe" that does not exist: a self-extracting program is made first
  // (stub, header, empty end record) and the engine adds to it.
  if (zipFileName_.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && entries_.empty() &&
      !QFileInfo::exists(zipFileName_)) {
    const int made = MakeSelfExtracting();
    if (made != 0) return ReportZipError(EZipArchiver::CreateFromIdInt(AD_AutoSFXWrong, made));
  }

  const bool wasLoaded = ZipEngineLoaded();
  if (LoadZipEngine() <= 0) return;

  // A spanned set is added into a temporary archive first, then written out
  // to the volumes; the temporary archive goes in every case.
  QString spanTemp;
  if (spanning) {
    spanTemp = MakeTempArchiveName();
    if (spanTemp.isEmpty()) {
      if (!wasLoaded) UnloadZipEngine();
      return ShowZipMessage(DS_NoTempFile);
    }
    if (Verbose && OnMessage) OnMessage(*this, 0, QStringLiteral("Temporary zipfile: ") + spanTemp);
  }
  OnExit dropTemp{[this, spanTemp] {
    if (!spanTemp.isEmpty()) DeleteArchiveFile(spanTemp, htdFinal);
  }};

  zipBusy_ = true;
  cancel_ = false;
  callbackFailed_ = false;
  OnExit finish{[this, wasLoaded] {
    zipBusy_ = false;
    cancel_ = false;
    if (!wasLoaded) UnloadZipEngine();
  }};

  try {
    TextPool texts;
    ZipAddParams p;
    std::memset(&p, 0, sizeof p);
    p.window = Unattended ? nullptr : QApplication::activeWindow();
    p.component = this;
    p.version = zipEngine_.version;
    p.callback = &TZipArchiver::engineCallback;
    p.trace = flag(Trace);
    const QByteArray password = passwordBytes(password_);
    p.password = texts.keepOrNull(password);
    QByteArray suffixes;
    for (int i = 0; i < kAddStoreExtCount; ++i) {
      if (!AddStoreSuffixes.contains(AddStoreExt(i))) continue;
      suffixes += '.';
      suffixes += kStoreSuffixes[i];
      suffixes += ':';
    }
    suffixes.chop(1);
    p.storeSuffixes = texts.keepOrNull(suffixes);
    p.encrypt = flag(AddOptions.contains(AddEncrypt));
    p.hiddenFiles = flag(AddOptions.contains(AddHiddenFiles));
    p.volumeLabel = flag(AddOptions.contains(AddVolume));
    p.extraAttributes = 0;
    p.noDirEntries = flag(!AddOptions.contains(AddSeparateDirs));
    p.fromDate = flag(AddOptions.contains(AddFromDate));
    p.verbose = flag(Verbose || Trace);
    p.quiet = kTrue;
    p.level = std::clamp(AddCompLevel, 0, 9);
    p.junkDirNames = flag(!AddOptions.contains(AddDirNames));
    p.recurse = AddOptions.contains(AddRecurseDirs) ? -1 : 0;
    p.grow = kTrue;
    p.forceDos = flag(AddOptions.contains(AddForceDOS));
    p.move = flag(AddOptions.contains(AddMove));
    p.update = flag(AddOptions.contains(AddUpdate));
    p.freshen = flag(AddOptions.contains(AddFreshen) && !AddOptions.contains(AddUpdate));
    p.archiveTimeLatest = flag(AddOptions.contains(AddZipTime));
    const QByteArray date = formatAddFrom(AddFrom).toLatin1();
    std::memcpy(p.date, date.constData(), std::min<std::size_t>(sizeof p.date, std::size_t(date.size())));
    p.archive = texts.keep(pathBytes(spanning ? spanTemp : zipFileName_));
    p.tempDir = texts.keepOrNull(pathBytes(TempDir));
    p.archiveComment = nullptr;
    p.archiveOnly = AddOptions.contains(AddArchiveOnly) ? 1 : 0;
    p.resetArchive = AddOptions.contains(AddResetArchive) ? 1 : 0;
    p.recycleDeleted = flag(HowToDelete == htdAllowUndo);
    p.wantedCodePage = CodePage == cpOEM ? 2 : 0;
    p.seven = kRecordSeven;

    const char *rootDir = RootDir.isEmpty() ? nullptr : texts.keep(pathBytes(QFileInfo(RootDir).absoluteFilePath()));
    std::vector<ZipAddFileEntry> files(std::size_t(fSpecArgs_.size()));
    for (qsizetype i = 0; i < fSpecArgs_.size(); ++i) {
      ZipAddFileEntry &f = files[std::size_t(i)];
      std::memset(&f, 0, sizeof f);
      QString line = fSpecArgs_[i];
      f.recurse = p.recurse;
      if (line.startsWith(QLatin1Char('>'))) { f.recurse = -1; line.remove(0, 1); }
      else if (line.startsWith(QLatin1Char('|'))) { f.recurse = 0; line.remove(0, 1); }
      f.password = p.password;
      f.encrypt = p.encrypt;
      const qsizetype lt = line.indexOf(QLatin1Char('<'));
      if (lt >= 0) {
        const QString linePassword = line.mid(lt + 1);
        line.truncate(lt);
        if (linePassword.isEmpty()) {
          f.encrypt = 0;
        } else {
          f.password = texts.keep(passwordBytes(linePassword));
          f.encrypt = 0xFFFF;
        }
      }
      f.fileSpec = texts.keep(pathBytes(line));
      f.rootDir = rootDir;
    }
    p.fileCount = std::int32_t(files.size());
    p.files = files.data();

    std::vector<const char *> excludes;
    for (const QString &pattern : fSpecArgsExcl_) excludes.push_back(texts.keep(pathBytes(pattern)));
    p.excludeCount = std::int32_t(excludes.size());
    p.excludes = excludes.empty() ? nullptr : excludes.data();

    auto exec = reinterpret_cast<ZipDllExecFunc>(zipEngine_.exec);
    successCnt_ = exec(&p);
  } catch (const std::bad_alloc &) {
    successCnt_ = 0;
    ShowZipMessage(GE_NoMem);
  }
  if (callbackFailed_) {
    successCnt_ = 0;
    ShowZipMessage(GE_FatalZip);
  }
  if (spanning && successCnt_ > 0) {
    if (WriteSpan(spanTemp, zipFileName_) != 0) {
      successCnt_ = 0;
    } else if (const QString last = lastSpanVolumeFile(); !last.isEmpty()) {
      zipFileName_ = last;
    }
  }
  if (successCnt_ > 0) {
    zipBusy_ = false;
    listArchive();
  }
}

void TZipArchiver::Extract() {
  if (IsBusy()) return;
  successCnt_ = 0;
  OnExit cleanup{[this] { clearLists(); }};

  if (zipFileName_.isEmpty() || !QFileInfo(zipFileName_).isFile()) return ShowZipMessage(GE_NoZipSpecified);

  const unsigned savedReqCount = passwordReqCount_;
  OnExit restore{[this, savedReqCount] { passwordReqCount_ = savedReqCount; }};
  if (Unattended && password_.isEmpty() && !OnPasswordError) {
    passwordReqCount_ = 0;
    ShowZipMessage(EX_UnAttPassword);
  }

  // A spanned set is joined into a temporary archive first, which the engine
  // extracts from and which goes afterwards.
  QString archive = zipFileName_;
  QString joined;
  if (listedLastVolume_ > 0) {
    joined = AddBackslash(TempDir);
    if (ReadSpan(zipFileName_, joined) != 0) return;
    archive = joined;
  }
  OnExit dropJoined{[this, joined] {
    if (!joined.isEmpty()) DeleteArchiveFile(joined, htdFinal);
  }};

  unzBusy_ = true;
  cancel_ = false;
  callbackFailed_ = false;
  const bool wasLoaded = UnzEngineLoaded();
  OnExit finish{[this, wasLoaded] {
    unzBusy_ = false;
    cancel_ = false;
    if (!wasLoaded) unloadEngine(unzEngine_);
  }};
  if (LoadUnzEngine() <= 0) return;

  try {
    TextPool texts;
    UnzExtractParams p;
    std::memset(&p, 0, sizeof p);
    p.window = Unattended ? nullptr : QApplication::activeWindow();
    p.component = this;
    p.version = unzEngine_.version;
    p.callback = &TZipArchiver::engineCallback;
    p.trace = flag(Trace);
    p.password = texts.keep(passwordBytes(password_));
    p.altPassword = texts.keepOrNull(altPasswordBytes(password_));
    p.nameCodePage = std::int16_t(nameCodePage(CodePage));
    p.testOnly = flag(ExtrOptions.contains(ExtrTest));
    p.quiet = kTrue;
    p.verbose = flag(Verbose || Trace);
    p.update = flag(ExtrOptions.contains(ExtrUpdate));
    p.freshen = flag(ExtrOptions.contains(ExtrFreshen) && !ExtrOptions.contains(ExtrUpdate));
    p.directories = flag(ExtrOptions.contains(ExtrDirNames));
    p.overwrite = flag(ExtrOptions.contains(ExtrOverWrite));
    p.archive = texts.keep(pathBytes(archive));
    p.passwordRequestCount = std::int32_t(passwordReqCount_);
    p.targetDir = texts.keepOrNull(pathBytes(ExtrBaseDir));
    p.seven = kRecordSeven;

    std::vector<UnzFileEntry> files;
    if (!fSpecArgs_.isEmpty() && fSpecArgs_.first() != QLatin1String("*.*")) {
      files.resize(std::size_t(fSpecArgs_.size()));
      for (qsizetype i = 0; i < fSpecArgs_.size(); ++i) {
        UnzFileEntry &f = files[std::size_t(i)];
        std::memset(&f, 0, sizeof f);
        f.fileSpec = texts.keep(pathBytes(fSpecArgs_[i]));
      }
    }
    p.fileCount = std::int32_t(files.size());
    p.files = files.empty() ? nullptr : files.data();

    auto exec = reinterpret_cast<UnzDllExecFunc>(unzEngine_.exec);
    successCnt_ = exec(&p);
  } catch (const std::bad_alloc &) {
    successCnt_ = 0;
    ShowZipMessage(GE_NoMem);
  }
  if (callbackFailed_) {
    successCnt_ = 0;
    ShowZipMessage(EX_FatalUnZip);
  }
}

// ---- The engine callback ----

std::int32_t TZipArchiver::engineCallback(ZipCallbackRecord *record) {
  if (!record || !record->component) return 0;
  auto *self = static_cast<TZipArchiver *>(record->component);
  std::int32_t result = 0;
  try {
    result = self->callback(*record);
  } catch (...) {
    // Nothing may unwind through the engine's frames: stop it and report afterwards.
    self->callbackFailed_ = true;
    self->cancel_ = true;
    result = -1;
  }
  // Keep the window painted and timers running, but take no user input
  // while the engine is inside an operation.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return self->cancel_ ? -1 : result;
}

std::int32_t TZipArchiver::callback(ZipCallbackRecord &r) {
  switch (r.action) {
  case cbNewFile:
    if (OnProgress) OnProgress(*this, NewFile, recordText(r), r.size);
    break;
  case cbProgress:
    if (OnProgress) OnProgress(*this, ProgressUpdate, QString(), r.size);
    break;
  case cbEndOfFile:
    if (OnProgress) OnProgress(*this, EndOfBatch, QString(), 0);
    break;
  case cbMessage: {
    message_ = recordText(r);
    if (r.errorCode != 0) {
      errCode_ = r.errorCode & 0xFF;
      fullErrCode_ = r.errorCode;
    }
    if (OnMessage) OnMessage(*this, r.errorCode, message_);
    break;
  }
  case cbTotalFiles:
    if (OnProgress) OnProgress(*this, TotalFiles2Process, QString(), r.size);
    break;
  case cbTotalSize:
    totalSize_ = r.size;
    if (OnProgress) OnProgress(*this, TotalSize2Process, QString(), r.size);
    break;
  case cbNewName: {
    r.errorCode = 0;
    if (OnSetNewName) {
      const QString old = recordText(r);
      QString name = old;
      OnSetNewName(*this, name);
      if (name != old) {
        writeRecordText(r, pathBytes(name));
        r.errorCode = 1;
      }
    }
    break;
  }
  case cbPassword:
    answerPassword(r);
    break;
  case cbCrcError: {
    if (OnCRC32Error) {
      bool doExtract = true;
      OnCRC32Error(*this, recordText(r), unsigned(r.errorCode), unsigned(r.size), doExtract);
      r.errorCode = doExtract ? 1 : 0;
    } else {
      r.errorCode = 2;
    }
    break;
  }
  case cbOverwrite: {
    bool doOverwrite = (r.size & 0xFF) != 0;
    if (OnExtractOverwrite)
      OnExtractOverwrite(*this, recordText(r), (r.errorCode & 0x10000) != 0, doOverwrite, r.errorCode & 0xFFFF);
    r.size = doOverwrite ? 1 : 0;
    break;
  }
  case cbSkipped: {
    if (r.errorCode != 0) {
      errCode_ = r.errorCode & 0xFF;
      fullErrCode_ = r.errorCode;
    }
    int kind = int(r.size & 0xFF) - 1;
    if (kind < stOnFreshen || kind > stGeneralExtractError) kind = stGeneralExtractError;
    if (OnExtractSkipped) OnExtractSkipped(*this, recordText(r), UnZipSkipType(kind), r.errorCode);
    break;
  }
  case cbFileComment: {
    const QString file = recordText(r);
    QString comment;
    bool changed = false;
    if (OnFileComment) OnFileComment(*this, file, comment, changed);
    r.size = std::int64_t(writeRecordText(r, changed ? comment.toUtf8() : QByteArray()));
    r.errorCode = changed ? 1 : 0;
    break;
  }
  case cbMemorySize: {
    constexpr std::int64_t kMaxMemory = std::int64_t(1) << 30;
    if (r.size < 0 || r.size > kMaxMemory) {
      r.errorCode = 1;
      r.size = 0;
      break;
    }
    try {
      zipStream_.SetSize(r.size);
      r.size = std::int64_t(reinterpret_cast<std::intptr_t>(zipStream_.data()));
    } catch (const std::bad_alloc &) {
      r.errorCode = 1;
      r.size = 0;
    }
    break;
  }
  default:
    break;
  }
  return 0;
}

bool TZipArchiver::promptPassword(bool forAdding, const QString &prompt, QString &password, TPasswordButton &button) {
  TZipPasswordDlg dlg(prompt, !forAdding, QApplication::activeWindow());
  const int result = ui().execDialog(dlg);
  password.clear();
  switch (result) {
  case QDialog::Accepted:
    button = pwbOk;
    password = dlg.password();
    return true;
  case TZipPasswordDlg::CancelAll:
    button = pwbCancelAll;
    return false;
  case TZipPasswordDlg::Abort:
    button = pwbAbort;
    return false;
  default:
    button = pwbCancel;
    return false;
  }
}

void TZipArchiver::answerPassword(ZipCallbackRecord &r) {
  const bool forAdding = (r.errorCode & 1) != 0;
  const std::int64_t asked = r.size;  // a copy: the record is packed
  unsigned retries = asked < 0 ? 0u : unsigned(std::min<std::int64_t>(asked, kMaxPasswordRequests));
  QString password;
  TPasswordButton button = pwbCancel;

  if (OnPasswordError) {
    button = pwbOk;
    OnPasswordError(*this, forAdding, password, recordText(r), retries, button);
  } else if (Unattended) {
    ShowZipMessage(forAdding ? PW_UnatAddPWMiss : PW_UnatExtPWMiss);
    button = pwbCancel;
  } else if (forAdding) {
    QString confirm;
    if (promptPassword(true, QStringLiteral("Enter Password "), password, button) &&
        promptPassword(true, QStringLiteral("Confirm Password "), confirm, button)) {
      if (confirm != password) {
        ShowZipMessage(GE_WrongPassword);
        password.clear();
        button = pwbCancel;
      }
    } else {
      password.clear();
    }
  } else {
    promptPassword(false, QStringLiteral("Enter Password "), password, button);
  }

  if (button == pwbCancelAll) r.action = 0;  // the engine stops asking
  if (button == pwbAbort) cancel_ = true;
  password = password.left(kMaxPasswordLength);
  if (button == pwbOk && !password.isEmpty()) {
    SetPassword(password);
    // The reply holds the password, and after its zero its other spelling
    // for an extracting engine to try as well.
    QByteArray reply = passwordBytes(password);
    const QByteArray alt = forAdding ? QByteArray() : altPasswordBytes(password);
    if (!alt.isEmpty()) reply += '\0' + alt;
    writeRecordText(r, reply);
    r.errorCode = 1;
    r.size = std::min<unsigned>(retries, kMaxPasswordRequests);
  } else {
    writeRecordText(r, QByteArray());
    r.errorCode = 0;
    r.size = 0;
  }
}

} // namespace qel
