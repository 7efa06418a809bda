// The Options command: the settings into the options dialog, and on OK back,
// applied to the window and stored.

#include "app/pending.h"
#include "app/tf_main.h"
#include "app/tf_options.h"
#include "platform/uiservices.h"
#include "settings/options.h"

#include <QAction>
#include <QDialog>
#include <QTabWidget>

namespace qel {

void Tf_Main::wireOptionsCommand() {
  actions_->wire(QStringLiteral("a_Options"), this, [this] { a_OptionsExecute(); });
}

void Tf_Main::a_OptionsExecute(int page) {
  BusyGuard busy(*this);
  if (!f_Options) f_Options = new Tf_Options(this, this);
  if (page >= 0 && page < f_Options->pc_Options->count()) f_Options->pc_Options->setCurrentIndex(page);
  AppOptions->ToOptionsDialog(*f_Options);
  if (ui().execDialog(*f_Options) != QDialog::Accepted) {
    ReloadToolbarItemVisibility();
    return;
  }
  AppOptions->FromOptionsDialog(*f_Options);
  ApplyOptions();
  try {
    SaveWindowState();
  } catch (const std::exception &e) {
    ui().messageBox(QString::fromUtf8(e.what()), applicationTitle(), MB_OK | MB_ICONERROR);
  }
}

} // namespace qel
