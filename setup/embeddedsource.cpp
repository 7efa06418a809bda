#include "setup/embeddedsource.h"

#include "setup/payload.h"

#include <memory>

namespace qel {

TEmbeddedInstallSource::TEmbeddedInstallSource(Opener open) {
  ConfigureComponents(fs_zipdll, fs_unzdll, fs_zip, fs_readme);
  read_ = [open = std::move(open)](TFileSource &component) {
    std::unique_ptr<QIODevice> data = open ? open(component.DisplayLabel) : nullptr;
    if (!data) throw EFileSource("it is missing");
    component.ReadFileData(*data);
  };
}

TEmbeddedInstallSource::TEmbeddedInstallSource(const QByteArray &form) {
  ConfigureComponents(fs_zipdll, fs_unzdll, fs_zip, fs_readme);
  // The whole form is checked once, when the first file is asked for; a
  // damaged one fails every component with the same reason.
  auto lazy = std::make_shared<TLazyPayloadForm>(form);
  read_ = [lazy](TFileSource &component) { lazy->Form().ReadComponent(component); };
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
    read_(component);
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
