// qel-moravine-setup: installs Qel Moravine for the user from the files it
// carries inside itself.

#include "platform/uiservices.h"
#include "setup/embeddedsource.h"
#include "setup/fsplash.h"
#include "setup/payload.h"
#include "setup/setup_main.h"
#include "shell/programicons.h"

#include <QApplication>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  // The splash stands while the payload is read and the dialog prepared.
  qel::Tf_splash *splash = qel::ShowSplash();

  QApplication::setApplicationName(QStringLiteral("Qel Moravine Setup"));
  QApplication::setApplicationDisplayName(QString());
  qel::setApplicationTitle(QStringLiteral("Qel Moravine Setup"));
  QApplication::setWindowIcon(qel::ProgramIcon());

  QStringList args = QApplication::arguments();
  args.removeFirst();
  qel::TEmbeddedInstallSource source(qel::EmbeddedPayload());
  qel::TForm1 form(source, args);
  splash->CloseWhenActive(&form);
  // Closing the dialog, by Install or Cancel, ends the installer.
  QObject::connect(&form, &QDialog::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  form.show();
  return app.exec();
}
