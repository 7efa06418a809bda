#pragma once
// What the installer writes outside the program folder: the entries in the
// HKEY_LOCAL_MACHINE hive (application path and uninstall entry), and the
// desktop's own registrations (menu entry, desktop launcher, ".qel" file
// type with its default program, icons in the icon theme). Every step
// checks its result and raises EInstallStep naming the step.

#include "platform/registry.h"

#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace qel {

struct TInstallManifest;

// A failed installation step: which one, and why.
class EInstallStep : public std::runtime_error {
public:
  EInstallStep(const QString &step, const QString &reason);
  QString Step;
  QString Reason;
};

inline const QString kAppPathsKeyName =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qel Moravine");
inline const QString kAppPathsExeKeyName =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qel Moravine.exe");
inline const QString kUninstallKeyName =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qel Moravine");
inline const QString kProgramFileName = QStringLiteral("qel-moravine");
inline const QString kUninstallerFileName = QStringLiteral("uninstall");
inline const QString kDesktopEntryName = QStringLiteral("qel-moravine.desktop");
inline const QString kMimeTypeName = QStringLiteral("application/x-qel-moravine");
inline const QString kMimePackageName = QStringLiteral("qel-moravine.xml");
inline const QString kAppIconName = QStringLiteral("qel-moravine");
inline const QString kMimeIconName = QStringLiteral("application-x-qel-moravine");

// Opens the key, creating it when missing, and writes the string (an empty
// name is the key's default value). Keys it creates are recorded in
// `manifest` when given. Raises ERegistryException on failure.
void InstallRegWriteStr(HKEY root, const QString &key, const QString &name, const QString &text,
                        TInstallManifest *manifest = nullptr);
// The string value when the key and value exist, else empty.
QString InstallRegReadStr(HKEY root, const QString &key, const QString &name);

// The folder of an earlier installation, else ~/.local/opt/Qel Moravine.
QString GetDefaultInstallDir();

// The destination as the installer uses it: absolute (a relative one is
// taken from the current folder), without a trailing "/". Empty, with
// `error` set, for an empty destination.
QString ResolveInstallDir(const QString &typed, QString &error);

// The desktop's per-user folders, from the environment now.
struct XdgPlaces {
  QString dataHome;    // $XDG_DATA_HOME, else ~/.local/share
  QString configHome;  // $XDG_CONFIG_HOME, else ~/.config
  QString desktopDir;  // the desktop folder the user's directories name, else ~/Desktop
  static XdgPlaces current();
  QString applicationsDir() const { return dataHome + QStringLiteral("/applications"); }
  QString mimeDir() const { return dataHome + QStringLiteral("/mime"); }
  QString iconThemeDir() const { return dataHome + QStringLiteral("/icons/hicolor"); }
  QString mimeAppsList() const { return configHome + QStringLiteral("/mimeapps.list"); }
};

// One argument of an Exec line, quoted as the desktop entry format asks.
QString DesktopExecArgument(const QString &argument);
// A string value of a desktop entry, with its escapes.
QString DesktopStringValue(const QString &value);
// The menu entry: starting `exe` with a file, in `dir`; `mimeType` set when
// the entry handles card files; `noDisplay` hides it from the menu.
QByteArray DesktopEntryText(const QString &exe, const QString &dir, bool mimeType, bool noDisplay);
// The shared-MIME-info package that makes "*.qel" ours.
QByteArray MimePackageText();

// Sets (or, with an empty entry, removes) the default handler of `mimeType`
// in the mimeapps.list `text`, touching no other line; `entry` may be a
// list of entries ("a.desktop;b.desktop;"). `previous` receives
// the line's old value, `hadLine` whether there was one, `addedSection`
// whether "[Default Applications]" had to be added.
QByteArray SetMimeDefault(const QByteArray &text, const QString &mimeType, const QString &entry, bool *hadLine = nullptr,
                          QString *previous = nullptr, bool *addedSection = nullptr);
// The default handler of `mimeType` in a mimeapps.list text; empty when none.
QString MimeDefaultOf(const QByteArray &text, const QString &mimeType);

// Compiles the MIME packages of the `mime` folder (update-mime-database).
// False with `error` set.
bool UpdateMimeDatabase(const QString &mimeDir, QString &error);

// Writes, in this order: application path ("Qel Moravine.exe": default
// value and "Path"), the uninstall entry ("DisplayName", "UninstallString"),
// the icons, the menu entry (when in the menu or when associating, hidden
// then), the ".qel" file type with our default handler (when associating),
// the launcher on the desktop. Everything placed goes into `manifest`.
// Raises EInstallStep at the first failure.
void RegisterInstallation(const QString &dir, bool associate, bool startMenu, bool desktop, TInstallManifest &manifest);

} // namespace qel
