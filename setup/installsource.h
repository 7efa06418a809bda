#pragma once
// Where the installer takes the files it places: the payload carried inside
// the installer program, or (tests, a development tree) files on disk.

#include <QString>

namespace qel {

class IInstallSource {
public:
  virtual ~IInstallSource() = default;
  // Paths of the decoded files. Each raises std::runtime_error, saying what
  // is wrong, when the installer's payload cannot give it.
  virtual QString ZipEngineFile() = 0;  // becomes "libzipdll.so"
  virtual QString UnzEngineFile() = 0;  // becomes "libunzdll.so"
  virtual QString ArchiveFile() = 0;    // the ZIP archive with the program and its files
  // "readme.txt" where the payload keeps a copy of its own; empty when it does not.
  virtual QString ReadMeFile() { return QString(); }
};

// Files on disk, as given.
class TFileInstallSource : public IInstallSource {
public:
  TFileInstallSource(const QString &zipEngine, const QString &unzEngine, const QString &archive)
      : zipEngine_(zipEngine), unzEngine_(unzEngine), archive_(archive) {}
  QString ZipEngineFile() override { return zipEngine_; }
  QString UnzEngineFile() override { return unzEngine_; }
  QString ArchiveFile() override { return archive_; }
  QString ReadMeFile() override { return readMe_; }
  void SetReadMeFile(const QString &path) { readMe_ = path; }

private:
  QString zipEngine_, unzEngine_, archive_, readMe_;
};

// What the installed files take on disk: both engines and every entry of
// the archive, unpacked; -1 when the payload cannot tell.
qint64 InstallSourceSize(IInstallSource &source);

} // namespace qel
