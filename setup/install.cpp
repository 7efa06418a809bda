#include "setup/install.h"

#include "settings/registry2000.h"
#include "setup/manifest.h"
#include "shell/programicons.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <sys/stat.h>

namespace qel {

namespace {

QString xdgBase(const char *var, const char *fallback) {
  QString v = qEnvironmentVariable(var);
  if (v.isEmpty() || QDir::isRelativePath(v)) v = QDir::homePath() + QLatin1String(fallback);
  return QDir::cleanPath(v);
}

[[noreturn]] void failStep(const QString &step, const QString &reason) { throw EInstallStep(step, reason); }

// The steps as the user reads them when one fails.
const QString kStepRegistry = QStringLiteral("Registering Qel Moravine");
const QString kStepIcons = QStringLiteral("Installing the icons");
const QString kStepMenu = QStringLiteral("Creating the menu entry");
const QString kStepFileType = QStringLiteral("Associating *.qel files with Qel Moravine");
const QString kStepDesktop = QStringLiteral("Placing Qel Moravine on the desktop");

void placeFile(const QString &step, const QString &path, const QByteArray &bytes, int mode, TInstallManifest &manifest) {
  QString error;
  if (!ForceFolders(QFileInfo(path).path(), &manifest, error)) failStep(step, error);
  if (!WriteFileReplacing(path, bytes, mode, error)) failStep(step, error);
  manifest.addFile(path);
}

QByteArray pngOf(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return QByteArray();
  return bytes;
}

void placeIcons(const QString &context, const QString &name, QImage (*draw)(int), const XdgPlaces &places,
                TInstallManifest &manifest) {
  for (int size : kProgramIconSizes) {
    const QByteArray png = pngOf(draw(size));
    if (png.isEmpty()) failStep(kStepIcons, QStringLiteral("The icon could not be drawn."));
    const QString path = QStringLiteral("%1/%2x%2/%3/%4.png").arg(places.iconThemeDir()).arg(size).arg(context, name);
    placeFile(kStepIcons, path, png, 0644, manifest);
  }
}

bool isSectionHeader(const QByteArray &line) {
  const QByteArray t = line.trimmed();
  return t.startsWith('[') && t.endsWith(']');
}

} // namespace

EInstallStep::EInstallStep(const QString &step, const QString &reason)
    : std::runtime_error((step + QStringLiteral(": ") + reason).toStdString()), Step(step), Reason(reason) {}

void InstallRegWriteStr(HKEY root, const QString &key, const QString &name, const QString &text,
                        TInstallManifest *manifest) {
  TRegistry2000 reg;
  reg.SetRootKey(root);
  if (manifest) {
    const QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
      path = path.isEmpty() ? part : path + QLatin1Char('\\') + part;
      if (!reg.KeyExists(QLatin1Char('\\') + path)) manifest->addKey(path);
    }
  }
  if (!reg.OpenKeyTolerant(QLatin1Char('\\') + key, true))
    throw ERegistryException(QStringLiteral("Failed to create the key \"%1\".").arg(key));
  reg.WriteString(name, text);
  reg.CloseKey();
  if (manifest) manifest->addValue(key, name, text);
}

QString InstallRegReadStr(HKEY root, const QString &key, const QString &name) {
  TRegistry2000 reg(KEY_READ);
  reg.SetRootKey(root);
  QString value;
  if (reg.OpenKeyTolerant(QLatin1Char('\\') + key, false)) reg.ReadStringIfExists(name, value);
  reg.CloseKey();
  return value;
}

QString GetDefaultInstallDir() {
  QString dir = InstallRegReadStr(HKEY_LOCAL_MACHINE, kAppPathsKeyName, QStringLiteral("Path"));
  if (dir.isEmpty()) dir = InstallRegReadStr(HKEY_LOCAL_MACHINE, kAppPathsExeKeyName, QStringLiteral("Path"));
  // Programs a user installs for himself live under ~/.local/opt.
  if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.local/opt") + QStringLiteral("/Qel Moravine");
  return dir;
}

QString ResolveInstallDir(const QString &typed, QString &error) {
  if (typed.trimmed().isEmpty()) {
    error = QStringLiteral("Please enter the destination folder.");
    return QString();
  }
  QString path = typed;
  if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) path = QDir::homePath() + path.mid(1);
  return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

XdgPlaces XdgPlaces::current() {
  XdgPlaces p;
  p.dataHome = xdgBase("XDG_DATA_HOME", "/.local/share");
  p.configHome = xdgBase("XDG_CONFIG_HOME", "/.config");
  p.desktopDir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (p.desktopDir.isEmpty()) p.desktopDir = QDir::homePath() + QStringLiteral("/Desktop");
  p.desktopDir = QDir::cleanPath(p.desktopDir);
  return p;
}

QString DesktopExecArgument(const QString &argument) {
  // Inside double quotes a backslash escapes '"', '`', '$' and '\'; a '%'
  // would start a field code and is doubled.
  QString out = QStringLiteral("\"");
  for (QChar c : argument) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      out += QLatin1Char('\\');
    if (c == QLatin1Char('%')) out += QLatin1Char('%');
    out += c;
  }
  out += QLatin1Char('"');
  return out;
}

QString DesktopStringValue(const QString &value) {
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    switch (c.unicode()) {
    case '\\': out += QStringLiteral("\\\\"); break;
    case '\n': out += QStringLiteral("\\n"); break;
    case '\t': out += QStringLiteral("\\t"); break;
    case '\r': out += QStringLiteral("\\r"); break;
    case ' ':
      if (i == 0) out += QStringLiteral("\\s");
      else out += c;
      break;
    default: out += c;
    }
  }
  return out;
}

QByteArray DesktopEntryText(const QString &exe, const QString &dir, bool mimeType, bool noDisplay) {
  QString t = QStringLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Version=1.0\n"
                             "Name=Qel Moravine\n");
  t += QStringLiteral("Exec=") + DesktopStringValue(DesktopExecArgument(exe) + QStringLiteral(" %f")) + QLatin1Char('\n');
  t += QStringLiteral("Path=") + DesktopStringValue(dir) + QLatin1Char('\n');
  t += QStringLiteral("Icon=") + kAppIconName + QLatin1Char('\n');
  t += QStringLiteral("Terminal=false\n"
                      "Categories=Office;\n");
  if (mimeType) t += QStringLiteral("MimeType=") + kMimeTypeName + QStringLiteral(";\n");
  if (noDisplay) t += QStringLiteral("NoDisplay=true\n");
  return t.toUtf8();
}

QByteArray MimePackageText() {
  return QByteArrayLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"application/x-qel-moravine\">\n"
      "    <comment>Qel Moravine</comment>\n"
      "    <acronym>QEL</acronym>\n"
      "    <expanded-acronym>QEL file</expanded-acronym>\n"
      "    <sub-class-of type=\"application/zip\"/>\n"
      "    <icon name=\"application-x-qel-moravine\"/>\n"
      "    <glob pattern=\"*.qel\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n");
}

QByteArray SetMimeDefault(const QByteArray &text, const QString &mimeType, const QString &entry, bool *hadLine,
                          QString *previous, bool *addedSection) {
  QList<QByteArray> lines = text.split('\n');
  const bool endedWithNewline = text.isEmpty() || text.endsWith('\n');
  if (endedWithNewline && !lines.isEmpty()) lines.removeLast();
  const QByteArray key = mimeType.toUtf8();
  QByteArray value = entry.toUtf8();
  if (!value.endsWith(';')) value += ';';
  const QByteArray newLine = key + '=' + value;
  if (hadLine) *hadLine = false;
  if (addedSection) *addedSection = false;

  qsizetype section = -1;
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].trimmed() == "[Default Applications]") {
      section = i;
      break;
    }
  if (section < 0) {
    if (!entry.isEmpty()) {
      lines.append("[Default Applications]");
      lines.append(newLine);
      if (addedSection) *addedSection = true;
    }
  } else {
    qsizetype end = section + 1;
    while (end < lines.size() && !isSectionHeader(lines[end])) ++end;
    qsizetype found = -1;
    for (qsizetype i = section + 1; i < end; ++i) {
      const qsizetype eq = lines[i].indexOf('=');
      if (eq > 0 && lines[i].left(eq).trimmed() == key) {
        found = i;
        break;
      }
    }
    if (found >= 0) {
      if (hadLine) *hadLine = true;
      if (previous) *previous = QString::fromUtf8(lines[found].mid(lines[found].indexOf('=') + 1).trimmed());
      if (entry.isEmpty()) lines.removeAt(found);
      else lines[found] = newLine;
    } else if (!entry.isEmpty()) {
      // After the section's last non-empty line.
      qsizetype at = end;
      while (at > section + 1 && lines[at - 1].trimmed().isEmpty()) --at;
      lines.insert(at, newLine);
    }
  }
  QByteArray out = lines.join('\n');
  if (!lines.isEmpty()) out += '\n';
  return out;
}

QString MimeDefaultOf(const QByteArray &text, const QString &mimeType) {
  bool inSection = false;
  const QByteArray key = mimeType.toUtf8();
  for (const QByteArray &line : text.split('\n')) {
    if (isSectionHeader(line)) {
      inSection = line.trimmed() == "[Default Applications]";
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (inSection && eq > 0 && line.left(eq).trimmed() == key)
      return QString::fromUtf8(line.mid(eq + 1).trimmed()).section(QLatin1Char(';'), 0, 0);
  }
  return QString();
}

bool UpdateMimeDatabase(const QString &mimeDir, QString &error) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(QStringLiteral("update-mime-database"), {mimeDir});
  if (!process.waitForStarted(10000)) {
    error = QStringLiteral("update-mime-database could not be run: %1").arg(process.errorString());
    return false;
  }
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished(1000);
    error = QStringLiteral("update-mime-database did not finish.");
    return false;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    error = QStringLiteral("update-mime-database failed: %1")
                .arg(QString::fromLocal8Bit(process.readAll()).trimmed());
    return false;
  }
  return true;
}

void RegisterInstallation(const QString &dir, bool associate, bool startMenu, bool desktop, TInstallManifest &manifest) {
  const QString exe = dir + QLatin1Char('/') + kProgramFileName;
  try {
    // A store the installation brings into being goes with it again.
    const QString hive = RegistryHiveFile(HKEY_LOCAL_MACHINE);
    QFileInfo hiveInfo(hive);
    if (!hiveInfo.exists() && !hiveInfo.isSymLink()) {
      QString error;
      if (!ForceFolders(hiveInfo.path(), &manifest, error)) failStep(kStepRegistry, error);
      manifest.hiveFile = hive;
    }
    InstallRegWriteStr(HKEY_LOCAL_MACHINE, kAppPathsExeKeyName, QString(), exe, &manifest);
    InstallRegWriteStr(HKEY_LOCAL_MACHINE, kAppPathsExeKeyName, QStringLiteral("Path"), dir, &manifest);
    InstallRegWriteStr(HKEY_LOCAL_MACHINE, kUninstallKeyName, QStringLiteral("DisplayName"), QStringLiteral("Qel Moravine"),
                       &manifest);
    InstallRegWriteStr(HKEY_LOCAL_MACHINE, kUninstallKeyName, QStringLiteral("UninstallString"),
                       dir + QLatin1Char('/') + kUninstallerFileName, &manifest);
  } catch (const ERegistryException &e) {
    failStep(kStepRegistry, e.message());
  }

  const XdgPlaces places = XdgPlaces::current();
  placeIcons(QStringLiteral("apps"), kAppIconName, &DrawProgramIconImage, places, manifest);
  if (associate) placeIcons(QStringLiteral("mimetypes"), kMimeIconName, &DrawCardFileIconImage, places, manifest);

  // The file type's default program is named by its menu entry, so the entry
  // is written also when it stays out of the menu.
  if (startMenu || associate)
    placeFile(kStepMenu, places.applicationsDir() + QLatin1Char('/') + kDesktopEntryName,
              DesktopEntryText(exe, dir, associate, !startMenu), 0644, manifest);

  if (associate) {
    placeFile(kStepFileType, places.mimeDir() + QStringLiteral("/packages/") + kMimePackageName, MimePackageText(), 0644,
              manifest);
    manifest.mimeDatabase = places.mimeDir();
    QString error;
    if (!UpdateMimeDatabase(places.mimeDir(), error)) failStep(kStepFileType, error);

    const QString list = places.mimeAppsList();
    TInstallManifest::MimeDefault record;
    record.file = list;
    record.mimeType = kMimeTypeName;
    record.entry = kDesktopEntryName;
    QByteArray text;
    QFileInfo info(list);
    if (info.exists()) {
      if (!info.isFile() || info.size() > 4 * 1024 * 1024) failStep(kStepFileType, QStringLiteral("\"%1\" is not a list of default programs.").arg(list));
      QFile f(list);
      if (!f.open(QIODevice::ReadOnly)) failStep(kStepFileType, QStringLiteral("Cannot read \"%1\": %2").arg(list, f.errorString()));
      text = f.readAll();
    } else {
      record.createdFile = true;
    }
    const QByteArray updated =
        SetMimeDefault(text, kMimeTypeName, kDesktopEntryName, &record.hadLine, &record.previous, &record.addedSection);
    if (!ForceFolders(places.configHome, &manifest, error)) failStep(kStepFileType, error);
    struct stat st;
    const int mode = ::stat(QFile::encodeName(list).constData(), &st) == 0 ? int(st.st_mode & 0777) : 0644;
    if (!WriteFileReplacing(list, updated, mode, error)) failStep(kStepFileType, error);
    // An earlier installation's own line is not what stood before us.
    if (record.hadLine && record.previous.section(QLatin1Char(';'), 0, 0) == kDesktopEntryName) {
      record.hadLine = false;
      record.previous.clear();
    }
    manifest.mimeDefaults.append(record);
  }

  if (desktop)
    placeFile(kStepDesktop, places.desktopDir + QLatin1Char('/') + kDesktopEntryName,
              DesktopEntryText(exe, dir, associate, false), 0755, manifest);
}

} // namespace qel
