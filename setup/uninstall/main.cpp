// The uninstaller placed beside the program: removes what the installation
// listed in "uninstall.manifest" next to it.

#include "platform/uiservices.h"
#include "setup/manifest.h"
#include "setup/uninstaller.h"
#include "shell/programicons.h"

#include <QApplication>
#include <QDir>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel Moravine Uninstall"));
  qel::setApplicationTitle(QStringLiteral("Qel Moravine Uninstall"));
  QApplication::setWindowIcon(qel::ProgramIcon());
  const QString caption = qel::applicationTitle();

  const QString listPath = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(qel::kManifestFileName));
  qel::TInstallManifest manifest;
  QString error;
  if (!qel::TInstallManifest::load(listPath, manifest, error)) {
    qel::ui().messageBox(QStringLiteral("Qel Moravine cannot be removed.\n%1").arg(error), caption,
                         qel::MB_OK | qel::MB_ICONERROR);
    return 1;
  }
  if (qel::ui().messageBox(QStringLiteral("Remove Qel Moravine from \"%1\"?\n\n"
                                          "Your card files and settings are kept.")
                               .arg(manifest.installDir),
                           caption, qel::MB_YESNO | qel::MB_ICONQUESTION) != qel::IDYES)
    return 0;
  const qel::TUninstallResult result = qel::UninstallFromManifest(manifest, listPath);
  QString text = result.errors.isEmpty() ? QStringLiteral("Qel Moravine was removed.")
                                         : QStringLiteral("Qel Moravine was removed, except:\n") + result.errors.join(QLatin1Char('\n'));
  if (!result.kept.isEmpty())
    text += QStringLiteral("\n\nThese files changed since the installation and are kept:\n") + result.kept.join(QLatin1Char('\n'));
  qel::ui().messageBox(text, caption, qel::MB_OK | (result.errors.isEmpty() ? qel::MB_ICONINFORMATION : qel::MB_ICONWARNING));
  return result.errors.isEmpty() ? 0 : 1;
}
