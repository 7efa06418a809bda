#include "zip/ziparchiver.h"
#include "zip/zipspanstate.h"

#include "platform/uiservices.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <dlfcn.h>

namespace qel {

AddStoreExts allAddStoreExts() {
  return AddStoreExts::fromBits((1u << kAddStoreExtCount) - 1);
}

namespace {

QString formatOne(const QString &text, const QString &value) { return formatZipText(text, {value}); }

} // namespace

// ---- EZipArchiver ----

EZipArchiver EZipArchiver::CreateFromId(int id, bool display) {
  EZipArchiver e;
  e.MessageId = id;
  e.Display = display;
  e.Message = zipMessageText(id);
  return e;
}

EZipArchiver EZipArchiver::CreateFromIdInt(int id, int value) {
  EZipArchiver e;
  e.MessageId = id;
  e.Display = true;
  e.Message = formatOne(zipMessageText(id), QString::number(value));
  return e;
}

EZipArchiver EZipArchiver::CreateFromIdStr(int id, const QString &text) {
  EZipArchiver e;
  e.MessageId = id;
  e.Display = true;
  e.Message = formatOne(zipMessageText(id), text);
  return e;
}

const char *EZipArchiver::what() const noexcept {
  what_ = Message.toUtf8();
  return what_.constData();
}

// ---- TZipArchiver ----

TZipArchiver::TZipArchiver() = default;

TZipArchiver::~TZipArchiver() {
  // The owner asks IsBusy() before destroying; should it not, the engine is
  // still on the stack and the only safe thing left is to stop it.
  Q_ASSERT_X(!IsBusy(), "TZipArchiver", "destroyed while an engine runs");
  cancel_ = true;
  UnloadZipEngine();
  UnloadUnzEngine();
  while (waitCount_ > 0) StopWaitCursor();
}

void TZipArchiver::SetZipFileName(const QString &name) {
  if (IsBusy()) return;  // the entry list is not rebuilt under a running engine
  zipFileName_ = name;
  listArchive();
}

void TZipArchiver::List() {
  if (IsBusy()) return;
  listArchive();
}

void TZipArchiver::SetPassword(const QString &password) {
  password_ = password.left(kMaxPasswordLength);
}

void TZipArchiver::SetPasswordReqCount(unsigned count) {
  passwordReqCount_ = count > kMaxPasswordRequests ? kMaxPasswordRequests : count;
}

void TZipArchiver::SetDLLDirectory(const QString &dir) {
  QString d = dir;
  while (d.size() > 1 && (d.endsWith(QLatin1Char('/')) || d.endsWith(QLatin1Char('\\')))) d.chop(1);
  if (d == dllDirectory_) return;
  dllDirectory_ = d;
}

void TZipArchiver::ShowZipMessage(int id, const QString &extra) {
  QString text = zipMessageText(id) + extra;
  message_ = text;
  errCode_ = id;
  if (!Unattended) ui().messageBox(text, applicationTitle(), MB_OK);
  if (OnMessage) OnMessage(*this, 0, text);
}

void TZipArchiver::ReportZipError(const EZipArchiver &error) {
  if (error.Display && !Unattended) ui().messageBox(error.Message, applicationTitle(), MB_OK);
  errCode_ = error.MessageId;
  message_ = error.Message;
  if (OnMessage) OnMessage(*this, 0, error.Message);
}

void TZipArchiver::StartWaitCursor() {
  if (waitCount_++ == 0 && qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void TZipArchiver::StopWaitCursor() {
  if (waitCount_ <= 0) return;
  if (--waitCount_ == 0 && qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    QGuiApplication::restoreOverrideCursor();
}

// ---- Engine binding ----

QString TZipArchiver::engineFileName(const QString &windowsName) {
  if (windowsName.compare(QLatin1String("ZIPDLL.DLL"), Qt::CaseInsensitive) == 0) return QStringLiteral("libzipdll.so");
  if (windowsName.compare(QLatin1String("UNZDLL.DLL"), Qt::CaseInsensitive) == 0) return QStringLiteral("libunzdll.so");
  return windowsName;
}

struct TZipArchiver::EngineKind {
  const char *systemName;   // as the messages name it
  const char *execName;
  const char *versionName;
  int loadedId, noExecId, noVersionId, notFoundId, oldId;
  const char *verboseName;  // "ZipDll" / "UnzDll"
};

namespace {
const char *kInstallFolder = "../lib/qel-moravine";  // beside the program's folder, as installed
}

// The engine's full path. dlopen searches neither the program's folder nor
// the current one, and a bare name would let LD_LIBRARY_PATH choose the
// library, so a full path is always formed.
QString TZipArchiver::enginePath(const QString &fileName) const {
  const QString programDir = QCoreApplication::applicationDirPath();
  if (!dllDirectory_.isEmpty()) {
    QString candidate = dllDirectory_ + QLatin1Char('/') + fileName;
    if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
    if (dllDirectory_.startsWith(QLatin1Char('.'))) {
      QString joined = QDir(programDir).filePath(candidate);
      if (QFileInfo(joined).isFile()) return QFileInfo(joined).absoluteFilePath();
    }
  }
  QString inProgramDir = QDir(programDir).filePath(fileName);
  if (QFileInfo(inProgramDir).isFile()) return QDir::cleanPath(inProgramDir);
  QString installed = QDir(programDir).filePath(QLatin1String(kInstallFolder) + QLatin1Char('/') + fileName);
  if (QFileInfo(installed).isFile()) return QDir::cleanPath(installed);
  return QDir::cleanPath(inProgramDir);  // fails to load and is reported as not found
}

int TZipArchiver::loadEngine(Engine &engine, const EngineKind &kind) {
  if (engine.handle) {
    engine.version = reinterpret_cast<zipabi::GetZipDllVersionFunc>(engine.getVersion)();
    return engine.version;
  }
  const QString path = enginePath(engineFileName(QLatin1String(kind.systemName)));
  dlerror();
  void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    ShowZipMessage(kind.notFoundId);
    return 0;
  }
  engine.handle = handle;
  engine.path = path;
  if (Trace) ShowZipMessage(kind.loadedId, QLatin1Char(' ') + path);
  engine.exec = dlsym(handle, kind.execName);
  engine.getVersion = dlsym(handle, kind.versionName);
  if (!engine.exec) ShowZipMessage(kind.noExecId);
  if (!engine.getVersion) ShowZipMessage(kind.noVersionId);
  int version = 0;
  if (engine.exec && engine.getVersion) version = reinterpret_cast<zipabi::GetZipDllVersionFunc>(engine.getVersion)();
  if (version == 0) {
    unloadEngine(engine);
    ShowZipMessage(kind.notFoundId, QStringLiteral(" unloaded"));
    return 0;
  }
  int minimum = (&engine == &zipEngine_) ? MinZipDllVers : MinUnzDllVers;
  if (version < minimum) {
    unloadEngine(engine);
    ShowZipMessage(kind.oldId, path);
    return 0;
  }
  engine.version = version;
  if (Verbose && OnMessage)
    OnMessage(*this, 0, QStringLiteral("Loaded %1 ver: %2 from %3").arg(QLatin1String(kind.verboseName)).arg(version).arg(path));
  return version;
}

void TZipArchiver::unloadEngine(Engine &engine) {
  if (engine.handle) dlclose(engine.handle);
  engine = Engine{};
}

int TZipArchiver::LoadZipEngine() {
  static const EngineKind kind{"ZIPDLL.DLL", zipabi::kZipDllExecName, zipabi::kGetZipDllVersionName,
                               LZ_ZipDllLoaded, LZ_NoZipDllExec, LZ_NoZipDllVers, LZ_NoZipDll, LZ_OldZipDll,
                               "ZipDll"};
  return loadEngine(zipEngine_, kind);
}

int TZipArchiver::LoadUnzEngine() {
  static const EngineKind kind{"UNZDLL.DLL", zipabi::kUnzDllExecName, zipabi::kGetUnzDllVersionName,
                               LU_UnzDllLoaded, LU_NoUnzDllExec, LU_NoUnzDllVers, LU_NoUnzDll, LU_OldUnzDll,
                               "UnzDll"};
  return loadEngine(unzEngine_, kind);
}

void TZipArchiver::UnloadZipEngine() {
  if (!zipBusy_) unloadEngine(zipEngine_);
}

void TZipArchiver::UnloadUnzEngine() {
  if (!unzBusy_) unloadEngine(unzEngine_);
}

} // namespace qel
