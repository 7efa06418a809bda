#include "setup/embeddedsource.h"

namespace qel {

TEmbeddedInstallSource::TEmbeddedInstallSource(Opener open) : open_(std::move(open)) {
  ConfigureComponents(fs_zipdll, fs_unzdll, fs_zip, fs_readme);
}

void TEmbeddedInstallSource::ConfigureComponents(TFileSource &zipdll, TFileSource &unzdll, TFileSource &zip,
                                                 TFileSource &readme) {
  zipdll.DisplayLabel = QStringLiteral("zipdll");
  zipdll.Extension = QStringLiteral(".so");
  zipdll.SetCompress(true);
  unzdll.DisplayLabel = QStringLiteral("unzdll");
  unzdll.Extension = QStringLiteral(".so");
  unzdll.SetCompress(true);
  zip.DisplayLabel = QStringLiteral("zip");
  zip.Extension = QStringLiteral(".zip");
  zip.SetStore(true);
  readme.DisplayLabel = QStringLiteral("readme");
  readme.Extension = QStringLiteral(".txt");
  readme.SetStore(true);
}

QString TEmbeddedInstallSource::fileOf(TFileSource &component, QString &error) {
  if (!error.isEmpty()) throw EFileSource(error.toStdString());
  const QString ready = component.FileName();
  if (!ready.isEmpty()) return ready;
  try {
    std::unique_ptr<QIODevice> data = open_ ? open_(component.DisplayLabel) : nullptr;
    if (!data) throw EFileSource("it is missing");
    component.ReadFileData(*data);
  } catch (const std::exception &e) {
    error = QStringLiteral("The installer's copy of \"%1\" cannot be read (%2).")
                .arg(component.DisplayLabel, QString::fromUtf8(e.what()));
    throw EFileSource(error.toStdString());
  }
  const QString path = component.FileName();
  if (path.isEmpty()) {
    error = QStringLiteral("The installer's copy of \"%1\" cannot be read.").arg(component.DisplayLabel);
    throw EFileSource(error.toStdString());
  }
  return path;
}

QString TEmbeddedInstallSource::ReadMeFile() { return fileOf(fs_readme, readmeError_); }

} // namespace qel
