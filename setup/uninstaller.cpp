#include "setup/uninstaller.h"

#include "settings/registry2000.h"
#include "setup/install.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

bool isEmptySection(const QByteArray &text, const QByteArray &header) {
  bool in = false;
  for (const QByteArray &line : text.split('\n')) {
    const QByteArray t = line.trimmed();
    if (t.startsWith('[') && t.endsWith(']')) {
      in = t == header;
      continue;
    }
    if (in && !t.isEmpty() && !t.startsWith('#')) return false;
  }
  return true;
}

QByteArray dropSection(const QByteArray &text, const QByteArray &header) {
  QList<QByteArray> out;
  bool in = false;
  for (const QByteArray &line : text.split('\n')) {
    const QByteArray t = line.trimmed();
    if (t.startsWith('[') && t.endsWith(']')) in = t == header;
    if (!in) out.append(line);
  }
  return out.join('\n');
}

void undoMimeDefault(const TInstallManifest::MimeDefault &m, TUninstallResult &result) {
  QFile f(m.file);
  if (!f.exists()) return;
  if (f.size() > 4 * 1024 * 1024 || !f.open(QIODevice::ReadOnly)) {
    result.errors.append(QStringLiteral("Cannot read \"%1\".").arg(m.file));
    return;
  }
  const QByteArray text = f.readAll();
  f.close();
  // Another program made itself the default since: its line stays.
  if (MimeDefaultOf(text, m.mimeType) != m.entry) return;
  QByteArray updated = SetMimeDefault(text, m.mimeType, m.hadLine ? m.previous : QString());
  if (m.addedSection && isEmptySection(updated, "[Default Applications]"))
    updated = dropSection(updated, "[Default Applications]");
  if (m.createdFile && updated.trimmed().isEmpty()) {
    if (::unlink(QFile::encodeName(m.file).constData()) != 0)
      result.errors.append(QStringLiteral("Cannot delete \"%1\": %2").arg(m.file, errnoText(errno)));
    return;
  }
  struct stat st;
  const int mode = ::stat(QFile::encodeName(m.file).constData(), &st) == 0 ? int(st.st_mode & 0777) : 0644;
  QString error;
  if (!WriteFileReplacing(m.file, updated, mode, error)) result.errors.append(error);
}

void removeFile(const TInstallManifest::File &file, TUninstallResult &result) {
  const QByteArray native = QFile::encodeName(file.path);
  struct stat st;
  if (::lstat(native.constData(), &st) != 0) return;  // gone already
  // Only the regular file we placed, unchanged; never what a link points to.
  if (!S_ISREG(st.st_mode) || FileSha256(file.path) != file.sha256) {
    result.kept.append(file.path);
    return;
  }
  if (::unlink(native.constData()) != 0)
    result.errors.append(QStringLiteral("Cannot delete \"%1\": %2").arg(file.path, errnoText(errno)));
}

void undoMimeDatabase(const TInstallManifest &m, TUninstallResult &result) {
  if (m.mimeDatabase.isEmpty() || !QFileInfo(m.mimeDatabase).isDir()) return;
  const QDir packages(m.mimeDatabase + QStringLiteral("/packages"));
  const bool noPackages = !packages.exists() || packages.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  if (noPackages && m.folders.contains(m.mimeDatabase)) {
    // We made the database and nothing is left to compile into it: all it
    // holds was generated from our package.
    if (!QDir(m.mimeDatabase).removeRecursively())
      result.errors.append(QStringLiteral("Cannot delete \"%1\".").arg(m.mimeDatabase));
    return;
  }
  QString error;
  if (!UpdateMimeDatabase(m.mimeDatabase, error)) result.errors.append(error);
}

void undoHive(const TInstallManifest &m, TUninstallResult &result) {
  try {
    for (const TInstallManifest::HiveValue &v : m.values) {
      TRegistry2000 reg;
      reg.SetRootKey(HKEY_LOCAL_MACHINE);
      if (!reg.OpenKeyTolerant(QLatin1Char('\\') + v.key, false)) continue;
      QString now;
      // A value another installation wrote since is theirs now.
      if (reg.ReadStringIfExists(v.name, now) && now == v.text) reg.DeleteValue(v.name);
      reg.CloseKey();
    }
    QStringList keys = m.keys;
    std::sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &k : keys) {
      TRegistry2000 reg;
      reg.SetRootKey(HKEY_LOCAL_MACHINE);
      if (!reg.OpenKeyTolerant(QLatin1Char('\\') + k, false)) continue;
      const bool empty = reg.GetValueNames().isEmpty() && !reg.HasSubKeys();
      reg.CloseKey();
      if (empty) reg.DeleteKey(QLatin1Char('\\') + k);
    }
  } catch (const ERegistryException &e) {
    result.errors.append(e.message());
    return;
  }
  // The store itself, when the installer created it and nothing is left in it.
  if (m.hiveFile.isEmpty() || m.hiveFile != RegistryHiveFile(HKEY_LOCAL_MACHINE)) return;
  try {
    TRegistry2000 reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyTolerant(QStringLiteral("\\"), false)) return;
    const bool empty = reg.GetValueNames().isEmpty() && !reg.HasSubKeys();
    reg.CloseKey();
    if (!empty) return;
  } catch (const ERegistryException &e) {
    result.errors.append(e.message());
    return;
  }
  for (const QString &f : {m.hiveFile, m.hiveFile + QStringLiteral(".lock")})
    if (::unlink(QFile::encodeName(f).constData()) != 0 && errno != ENOENT)
      result.errors.append(QStringLiteral("Cannot delete \"%1\": %2").arg(f, errnoText(errno)));
}

} // namespace

TUninstallResult UninstallFromManifest(const TInstallManifest &manifest, const QString &manifestPath) {
  TUninstallResult result;
  for (const TInstallManifest::MimeDefault &m : manifest.mimeDefaults) undoMimeDefault(m, result);
  for (auto it = manifest.files.crbegin(); it != manifest.files.crend(); ++it) removeFile(*it, result);
  undoMimeDatabase(manifest, result);
  undoHive(manifest, result);
  if (!manifestPath.isEmpty() && ::unlink(QFile::encodeName(manifestPath).constData()) != 0 && errno != ENOENT)
    result.errors.append(QStringLiteral("Cannot delete \"%1\": %2").arg(manifestPath, errnoText(errno)));
  // Folders last, children first, each only when empty.
  QStringList folders = manifest.folders;
  std::sort(folders.begin(), folders.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
  for (const QString &f : folders) ::rmdir(QFile::encodeName(f).constData());
  return result;
}

} // namespace qel
