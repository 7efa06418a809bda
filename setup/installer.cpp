#include "setup/installer.h"

#include "platform/fileutil.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <sys/stat.h>

namespace qel {

namespace {

const QString kStepSource = QStringLiteral("Reading the installer's files");
const QString kStepFolder = QStringLiteral("Creating the folder");
const QString kStepZipEngine = QStringLiteral("Copying libzipdll.so");
const QString kStepUnzEngine = QStringLiteral("Copying libunzdll.so");
const QString kStepExtract = QStringLiteral("Extracting the program files");
const QString kStepManifest = QStringLiteral("Writing the uninstall list");

[[noreturn]] void failStep(const QString &step, const QString &reason) { throw EInstallStep(step, reason); }

QString sourceFile(QString (IInstallSource::*get)(), IInstallSource &source) {
  QString path;
  try {
    path = (source.*get)();
  } catch (const std::exception &e) {
    failStep(kStepSource, QString::fromUtf8(e.what()));
  }
  if (path.isEmpty() || !QFileInfo(path).isFile())
    failStep(kStepSource, QStringLiteral("The file \"%1\" is missing.").arg(path));
  return path;
}

} // namespace

qint64 InstallSourceSize(IInstallSource &source) {
  try {
    const qint64 zip = FileSizeByName(source.ZipEngineFile());
    const qint64 unz = FileSizeByName(source.UnzEngineFile());
    const QString archive = source.ArchiveFile();
    if (zip < 0 || unz < 0 || FileSizeByName(archive) < 0) return -1;
    TZipArchiver listing;
    listing.Unattended = true;
    listing.SetZipFileName(archive);
    if (listing.Count() == 0) return -1;
    qint64 total = zip + unz;
    for (const ZipDirEntry &e : listing.ZipContents()) total += qint64(e.UncompressedSize64);
    return total;
  } catch (const std::exception &) {
    return -1;
  }
}

void TInstaller::copyEngine(const QString &step, const QString &from, const QString &to) {
  // Replaced by renaming a complete copy over it: a running program that has
  // the old library mapped keeps its pages.
  QString error;
  if (!CopyFileReplacing(from, to, &error)) failStep(step, error);
  if (::chmod(QFile::encodeName(to).constData(), 0755) != 0)
    failStep(step, QStringLiteral("Cannot set the permissions of \"%1\".").arg(to));
  manifest_.addFile(to);
}

void TInstaller::extractArchive(const QString &archive) {
  TZipArchiver zip;
  zip.Unattended = true;
  QString lastMessage;
  zip.OnMessage = [&lastMessage](TZipArchiver &, int, const QString &message) {
    if (!message.isEmpty()) lastMessage = message;
  };
  // The payload is not encrypted: a password question means it is damaged.
  zip.OnPasswordError = [](TZipArchiver &, bool, QString &, const QString &, unsigned &, TPasswordButton &action) {
    action = pwbCancelAll;
  };
  zip.SetDLLDirectory(dir_);
  zip.SetZipFileName(archive);
  QStringList files;
  QSet<QString> folders;
  for (const ZipDirEntry &e : zip.ZipContents()) {
    const QString name = QDir::cleanPath(e.FileName);
    if (name.isEmpty() || name.startsWith(QLatin1String("../")) || name == QLatin1String("..") || QDir::isAbsolutePath(name))
      failStep(kStepExtract, QStringLiteral("The installer's archive names a file outside the folder: \"%1\".").arg(e.FileName));
    if (e.FileName.endsWith(QLatin1Char('/'))) {
      folders.insert(name);
      continue;
    }
    files.append(name);
    for (QString parent = QFileInfo(name).path(); parent != QLatin1String("."); parent = QFileInfo(parent).path())
      folders.insert(parent);
  }
  if (files.isEmpty())
    failStep(kStepExtract, lastMessage.isEmpty() ? QStringLiteral("The installer's archive is damaged or empty.") : lastMessage);
  QStringList newFolders;
  for (const QString &f : folders)
    if (!QFileInfo::exists(dir_ + QLatin1Char('/') + f)) newFolders.append(dir_ + QLatin1Char('/') + f);
  std::sort(newFolders.begin(), newFolders.end());  // parents before their children

  zip.ExtrBaseDir = dir_;
  zip.ExtrOptions = ExtrOpts{ExtrDirNames, ExtrOverWrite};
  zip.Extract();
  const int extracted = zip.SuccessCnt();
  for (const QString &f : newFolders)
    if (QFileInfo(f).isDir()) manifest_.addFolder(f);
  for (const QString &f : files) {
    const QString path = dir_ + QLatin1Char('/') + f;
    if (QFileInfo(path).isFile()) manifest_.addFile(path);
  }
  if (extracted != files.size()) {
    QString why = QStringLiteral("%1 of %2 files were extracted.").arg(extracted).arg(files.size());
    if (!lastMessage.isEmpty()) why += QLatin1Char(' ') + lastMessage;
    failStep(kStepExtract, why);
  }
  for (const QString &f : files)
    if (!QFileInfo(dir_ + QLatin1Char('/') + f).isFile())
      failStep(kStepExtract, QStringLiteral("\"%1\" is missing after extraction.").arg(f));
}

void TInstaller::saveManifest(bool raise) {
  TInstallManifest merged = manifest_;
  merged.mergeEarlier(earlier_);
  QString error;
  if (!merged.save(dir_ + QLatin1Char('/') + QLatin1String(kManifestFileName), error) && raise)
    failStep(kStepManifest, error);
}

void TInstaller::Install(const QString &dir, bool associate, bool startMenu, bool desktop) {
  manifest_ = TInstallManifest();
  earlier_ = TInstallManifest();
  dir_ = dir;
  manifest_.installDir = dir;
  progress(5);

  const QString zipEngine = sourceFile(&IInstallSource::ZipEngineFile, source_);
  const QString unzEngine = sourceFile(&IInstallSource::UnzEngineFile, source_);
  const QString archive = sourceFile(&IInstallSource::ArchiveFile, source_);

  QString error;
  if (dir.isEmpty() || QDir::isRelativePath(dir)) failStep(kStepFolder, QStringLiteral("The folder must be absolute."));
  if (!ForceFolders(dir, &manifest_, error)) failStep(kStepFolder, error);
  // What an earlier installation here placed stays on the list.
  const QString listPath = dir + QLatin1Char('/') + QLatin1String(kManifestFileName);
  if (QFileInfo::exists(listPath)) TInstallManifest::load(listPath, earlier_, error);
  progress(10);

  try {
    copyEngine(kStepZipEngine, zipEngine, dir + QLatin1Char('/') + TZipArchiver::engineFileName(QStringLiteral("ZIPDLL.DLL")));
    progress(20);
    copyEngine(kStepUnzEngine, unzEngine, dir + QLatin1Char('/') + TZipArchiver::engineFileName(QStringLiteral("UNZDLL.DLL")));
    progress(60);
    extractArchive(archive);
    progress(70);
    RegisterInstallation(dir, associate, startMenu, desktop, manifest_);
  } catch (const EInstallStep &) {
    saveManifest(false);
    throw;
  }
  saveManifest(true);
  progress(100);
}

} // namespace qel
