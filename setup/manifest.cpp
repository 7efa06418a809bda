#include "setup/manifest.h"

#include "platform/fileutil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace qel {

namespace {

constexpr const char *kFormat = "qel-moravine-install-manifest";
constexpr int kVersion = 1;
constexpr qint64 kMaxManifestBytes = 16 * 1024 * 1024;

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QJsonArray strings(const QStringList &list) {
  QJsonArray a;
  for (const QString &s : list) a.append(s);
  return a;
}

bool readStrings(const QJsonValue &v, QStringList &out) {
  if (v.isUndefined()) return true;
  if (!v.isArray()) return false;
  for (const QJsonValue &e : v.toArray()) {
    if (!e.isString()) return false;
    out.append(e.toString());
  }
  return true;
}

bool readString(const QJsonObject &o, const char *name, QString &out, bool required = true) {
  const QJsonValue v = o.value(QLatin1String(name));
  if (v.isUndefined()) return !required;
  if (!v.isString()) return false;
  out = v.toString();
  return true;
}

} // namespace

QByteArray FileSha256(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&f)) return QByteArray();
  return hash.result().toHex();
}

void TInstallManifest::addFile(const QString &path) {
  const QByteArray sum = FileSha256(path);
  for (File &f : files)
    if (f.path == path) {
      f.sha256 = sum;
      return;
    }
  files.append(File{path, sum});
}

void TInstallManifest::addFolder(const QString &path) {
  if (!folders.contains(path)) folders.append(path);
}

void TInstallManifest::addKey(const QString &key) {
  for (const QString &k : keys)
    if (k.compare(key, Qt::CaseInsensitive) == 0) return;
  keys.append(key);
}

void TInstallManifest::addValue(const QString &key, const QString &name, const QString &text) {
  for (HiveValue &v : values)
    if (v.key.compare(key, Qt::CaseInsensitive) == 0 && v.name.compare(name, Qt::CaseInsensitive) == 0) {
      v.text = text;
      return;
    }
  values.append(HiveValue{key, name, text});
}

void TInstallManifest::mergeEarlier(const TInstallManifest &earlier) {
  QStringList mergedFolders = earlier.folders;
  for (const QString &f : folders)
    if (!mergedFolders.contains(f)) mergedFolders.append(f);
  folders = mergedFolders;
  QStringList mergedKeys = earlier.keys;
  for (const QString &k : keys) {
    bool known = false;
    for (const QString &e : mergedKeys) known = known || e.compare(k, Qt::CaseInsensitive) == 0;
    if (!known) mergedKeys.append(k);
  }
  keys = mergedKeys;
  // Files the earlier installation placed and this one did not stay listed.
  for (const File &f : earlier.files) {
    bool listed = false;
    for (const File &g : files) listed = listed || g.path == f.path;
    if (!listed) files.prepend(f);
  }
  // A default we replaced was our own line: what stood before the first
  // installation is what removal puts back.
  for (MimeDefault &m : mimeDefaults)
    for (const MimeDefault &e : earlier.mimeDefaults)
      if (e.file == m.file && e.mimeType == m.mimeType) {
        m.hadLine = e.hadLine;
        m.previous = e.previous;
        m.addedSection = e.addedSection;
        m.createdFile = e.createdFile;
      }
  for (const MimeDefault &e : earlier.mimeDefaults) {
    bool listed = false;
    for (const MimeDefault &m : mimeDefaults) listed = listed || (e.file == m.file && e.mimeType == m.mimeType);
    if (!listed) mimeDefaults.append(e);
  }
  for (const HiveValue &e : earlier.values) {
    bool listed = false;
    for (const HiveValue &v : values)
      listed = listed || (v.key.compare(e.key, Qt::CaseInsensitive) == 0 && v.name.compare(e.name, Qt::CaseInsensitive) == 0);
    if (!listed) values.append(e);
  }
  if (mimeDatabase.isEmpty()) mimeDatabase = earlier.mimeDatabase;
  // The store the first installation created is still ours to remove.
  if (!earlier.hiveFile.isEmpty()) hiveFile = earlier.hiveFile;
}

QByteArray TInstallManifest::toBytes() const {
  QJsonObject root;
  root.insert(QStringLiteral("format"), QLatin1String(kFormat));
  root.insert(QStringLiteral("version"), kVersion);
  root.insert(QStringLiteral("installDir"), installDir);
  QJsonArray fileList;
  for (const File &f : files)
    fileList.append(QJsonObject{{QStringLiteral("path"), f.path}, {QStringLiteral("sha256"), QString::fromLatin1(f.sha256)}});
  root.insert(QStringLiteral("files"), fileList);
  root.insert(QStringLiteral("folders"), strings(folders));
  QJsonArray valueList;
  for (const HiveValue &v : values)
    valueList.append(QJsonObject{{QStringLiteral("key"), v.key}, {QStringLiteral("name"), v.name}, {QStringLiteral("text"), v.text}});
  root.insert(QStringLiteral("hiveValues"), valueList);
  root.insert(QStringLiteral("hiveKeys"), strings(keys));
  QJsonArray defaults;
  for (const MimeDefault &m : mimeDefaults)
    defaults.append(QJsonObject{{QStringLiteral("file"), m.file},
                                {QStringLiteral("mimeType"), m.mimeType},
                                {QStringLiteral("entry"), m.entry},
                                {QStringLiteral("hadLine"), m.hadLine},
                                {QStringLiteral("previous"), m.previous},
                                {QStringLiteral("addedSection"), m.addedSection},
                                {QStringLiteral("createdFile"), m.createdFile}});
  root.insert(QStringLiteral("mimeDefaults"), defaults);
  root.insert(QStringLiteral("mimeDatabase"), mimeDatabase);
  if (!hiveFile.isEmpty()) root.insert(QStringLiteral("hiveFile"), hiveFile);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool TInstallManifest::fromBytes(const QByteArray &bytes, TInstallManifest &out, QString &error) {
  out = TInstallManifest();
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
  auto bad = [&](const QString &why) {
    error = QStringLiteral("The uninstall list is damaged (%1).").arg(why);
    out = TInstallManifest();
    return false;
  };
  if (parseError.error != QJsonParseError::NoError) return bad(parseError.errorString());
  if (!doc.isObject()) return bad(QStringLiteral("not a list"));
  const QJsonObject root = doc.object();
  if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormat)) return bad(QStringLiteral("unknown format"));
  if (root.value(QStringLiteral("version")).toInt(-1) != kVersion) return bad(QStringLiteral("unknown version"));
  if (!readString(root, "installDir", out.installDir)) return bad(QStringLiteral("installDir"));
  const QJsonValue fileList = root.value(QStringLiteral("files"));
  if (!fileList.isArray()) return bad(QStringLiteral("files"));
  for (const QJsonValue &v : fileList.toArray()) {
    if (!v.isObject()) return bad(QStringLiteral("files"));
    File f;
    QString sum;
    if (!readString(v.toObject(), "path", f.path) || !readString(v.toObject(), "sha256", sum)) return bad(QStringLiteral("files"));
    f.sha256 = sum.toLatin1();
    out.files.append(f);
  }
  if (!readStrings(root.value(QStringLiteral("folders")), out.folders)) return bad(QStringLiteral("folders"));
  const QJsonValue valueList = root.value(QStringLiteral("hiveValues"));
  if (!valueList.isUndefined()) {
    if (!valueList.isArray()) return bad(QStringLiteral("hiveValues"));
    for (const QJsonValue &v : valueList.toArray()) {
      HiveValue h;
      if (!v.isObject() || !readString(v.toObject(), "key", h.key) || !readString(v.toObject(), "name", h.name) ||
          !readString(v.toObject(), "text", h.text))
        return bad(QStringLiteral("hiveValues"));
      out.values.append(h);
    }
  }
  if (!readStrings(root.value(QStringLiteral("hiveKeys")), out.keys)) return bad(QStringLiteral("hiveKeys"));
  const QJsonValue defaults = root.value(QStringLiteral("mimeDefaults"));
  if (!defaults.isUndefined()) {
    if (!defaults.isArray()) return bad(QStringLiteral("mimeDefaults"));
    for (const QJsonValue &v : defaults.toArray()) {
      if (!v.isObject()) return bad(QStringLiteral("mimeDefaults"));
      const QJsonObject o = v.toObject();
      MimeDefault m;
      if (!readString(o, "file", m.file) || !readString(o, "mimeType", m.mimeType) || !readString(o, "entry", m.entry) ||
          !readString(o, "previous", m.previous, false))
        return bad(QStringLiteral("mimeDefaults"));
      m.hadLine = o.value(QStringLiteral("hadLine")).toBool();
      m.addedSection = o.value(QStringLiteral("addedSection")).toBool();
      m.createdFile = o.value(QStringLiteral("createdFile")).toBool();
      out.mimeDefaults.append(m);
    }
  }
  if (!readString(root, "mimeDatabase", out.mimeDatabase, false)) return bad(QStringLiteral("mimeDatabase"));
  if (!readString(root, "hiveFile", out.hiveFile, false)) return bad(QStringLiteral("hiveFile"));
  // Every path must be absolute: a relative one would be taken from wherever
  // the uninstaller happens to run. A NUL would cut the name the system
  // sees short of the one listed.
  auto absolute = [](const QString &p) { return !p.isEmpty() && QDir::isAbsolutePath(p) && !p.contains(QChar(0)); };
  for (const File &f : out.files)
    if (!absolute(f.path)) return bad(QStringLiteral("a relative path"));
  for (const QString &f : out.folders)
    if (!absolute(f)) return bad(QStringLiteral("a relative path"));
  for (const MimeDefault &m : out.mimeDefaults)
    if (!absolute(m.file)) return bad(QStringLiteral("a relative path"));
  if (!out.mimeDatabase.isEmpty() && !absolute(out.mimeDatabase)) return bad(QStringLiteral("a relative path"));
  if (!out.hiveFile.isEmpty() && !absolute(out.hiveFile)) return bad(QStringLiteral("a relative path"));
  for (const QString &k : out.keys)
    if (k.contains(QChar(0))) return bad(QStringLiteral("a key name"));
  for (const HiveValue &v : out.values)
    if (v.key.contains(QChar(0))) return bad(QStringLiteral("a key name"));
  return true;
}

bool TInstallManifest::save(const QString &path, QString &error) const {
  return WriteFileReplacing(path, toBytes(), 0644, error);
}

bool TInstallManifest::load(const QString &path, TInstallManifest &out, QString &error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("Cannot read \"%1\": %2").arg(path, f.errorString());
    return false;
  }
  if (f.size() > kMaxManifestBytes) {
    error = QStringLiteral("The uninstall list is damaged (too long).");
    return false;
  }
  return fromBytes(f.readAll(), out, error);
}

bool ForceFolders(const QString &path, TInstallManifest *manifest, QString &error) {
  const QString clean = QDir::cleanPath(path);
  QStringList missing;
  for (QString p = clean; !p.isEmpty();) {
    QFileInfo info(p);
    if (info.exists() || info.isSymLink()) {
      if (!info.isDir()) {
        error = QStringLiteral("\"%1\" is a file, not a folder.").arg(p);
        return false;
      }
      break;
    }
    missing.prepend(p);
    const QString parent = info.path();
    if (parent == p) break;
    p = parent;
  }
  for (const QString &p : missing) {
    if (::mkdir(QFile::encodeName(p).constData(), 0755) != 0 && errno != EEXIST) {
      error = QStringLiteral("Cannot create the folder \"%1\": %2").arg(p, errnoText(errno));
      return false;
    }
    if (manifest) manifest->addFolder(p);
  }
  if (!QFileInfo(clean).isDir()) {
    error = QStringLiteral("\"%1\" is not a folder.").arg(clean);
    return false;
  }
  return true;
}

bool WriteFileReplacing(const QString &path, const QByteArray &bytes, int mode, QString &error) {
  if (QFileInfo(path).isDir()) {
    error = QStringLiteral("\"%1\" is a folder.").arg(path);
    return false;
  }
  // The shared safe write: every byte on the disk before it replaces the old file.
  if (!qel::WriteFileReplacing(path, bytes, &error, mode)) return false;
  if (::chmod(QFile::encodeName(path).constData(), mode_t(mode)) != 0) {
    error = QStringLiteral("Cannot set the permissions of \"%1\": %2").arg(path, errnoText(errno));
    return false;
  }
  return true;
}

} // namespace qel
