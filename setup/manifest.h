#pragma once
// The list of what an installation placed and registered, kept beside the
// program as "uninstall.manifest": the uninstaller removes exactly what it
// names, and only while it is still as the installer left it.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace qel {

inline constexpr const char *kManifestFileName = "uninstall.manifest";

struct TInstallManifest {
  struct File {
    QString path;
    QByteArray sha256;  // hex; a file that changed since is kept
  };
  // A value the installer wrote under HKEY_LOCAL_MACHINE.
  struct HiveValue {
    QString key;
    QString name;  // "" = the key's default value
    QString text;
  };
  // Our default-handler line in a mimeapps.list.
  struct MimeDefault {
    QString file;
    QString mimeType;
    QString entry;             // "qel-moravine.desktop"
    bool hadLine = false;      // the type had a default before us...
    QString previous;          // ...this one, put back on removal
    bool addedSection = false; // we added "[Default Applications]"
    bool createdFile = false;
  };

  QString installDir;
  QList<File> files;           // in the order placed
  QStringList folders;         // created by the installer, parents first
  QList<HiveValue> values;
  QStringList keys;            // hive keys the installer created, parents first
  QList<MimeDefault> mimeDefaults;
  QString mimeDatabase;        // the "mime" folder our package was compiled into
  QString hiveFile;            // the HKEY_LOCAL_MACHINE store, when the installer created it

  // Records a placed file with the checksum of what it holds now.
  void addFile(const QString &path);
  // Records a folder the installer created (once).
  void addFolder(const QString &path);
  void addKey(const QString &key);
  void addValue(const QString &key, const QString &name, const QString &text);

  // What an earlier installation into the same folder recorded, kept: the
  // folders and keys it created were created by "us" as much as ours.
  void mergeEarlier(const TInstallManifest &earlier);

  QByteArray toBytes() const;
  // False with `error` set for anything that is not a manifest of ours.
  static bool fromBytes(const QByteArray &bytes, TInstallManifest &out, QString &error);
  // Saved through a temporary file renamed over the target; false with `error` set.
  bool save(const QString &path, QString &error) const;
  static bool load(const QString &path, TInstallManifest &out, QString &error);
};

// Hex SHA-256 of a file's bytes; empty when it cannot be read.
QByteArray FileSha256(const QString &path);

// Creates `path` and its missing parents, recording each one created in
// `manifest` (when given). False with `error` set, e.g. when a file stands
// where a folder must go.
bool ForceFolders(const QString &path, TInstallManifest *manifest, QString &error);

// Writes `bytes` to `path` through a temporary file renamed over it, with
// the permission bits `mode`; false with `error` set.
bool WriteFileReplacing(const QString &path, const QByteArray &bytes, int mode, QString &error);

} // namespace qel
