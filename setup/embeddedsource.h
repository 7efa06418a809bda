#pragma once
// The installer's own payload as an install source: the form's file
// components, each read back from its "FileData" into a private temporary
// file the first time it is asked for (and deleted with the source).
// Read from the packed form, each component is decoded as the form says it
// was packed (compressed or stored); read through an opener, as
// ConfigureComponents sets it up.

#include "setup/filesource.h"
#include "setup/installsource.h"

#include <QIODevice>

#include <functional>
#include <memory>

namespace qel {

class TEmbeddedInstallSource : public IInstallSource {
public:
  // Opens the "FileData" bytes of the component with this display label;
  // null when the payload has no such component.
  using Opener = std::function<std::unique_ptr<QIODevice>(const QString &displayLabel)>;
  explicit TEmbeddedInstallSource(Opener open);
  // The form data the packer wrote (see payload.h), checked on first use.
  explicit TEmbeddedInstallSource(const QByteArray &form);

  // The form's components: both engines compressed, the archive as it is.
  TFileSource fs_zipdll{QStringLiteral("fs_zipdll")};
  TFileSource fs_unzdll{QStringLiteral("fs_unzdll")};
  TFileSource fs_zip{QStringLiteral("fs_zip")};
  TFileSource fs_readme{QStringLiteral("fs_readme")};

  QString ZipEngineFile() override { return fileOf(fs_zipdll, zipdllError_); }
  QString UnzEngineFile() override { return fileOf(fs_unzdll, unzdllError_); }
  QString ArchiveFile() override { return fileOf(fs_zip, zipError_); }
  QString ReadMeFile() override;

  // Sets up the four components as the installer carries them (labels,
  // extensions, compression); the packer and the reader share this.
  static void ConfigureComponents(TFileSource &zipdll, TFileSource &unzdll, TFileSource &zip, TFileSource &readme);

private:
  // The temporary file, read on first use; raises EFileSource (the same
  // message each time) when the payload is missing or damaged.
  QString fileOf(TFileSource &component, QString &error);

  // Fills the component's temporary file; raises on a missing or damaged one.
  std::function<void(TFileSource &)> read_;
  QString zipdllError_, unzdllError_, zipError_, readmeError_;
};

} // namespace qel
