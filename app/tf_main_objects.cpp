// The editor's object commands of the main window: Paste Special and Insert
// Object. The work is the card editor's (richedit/reobjects.cpp).

#include "app/guards.h"
#include "app/mainactions.h"
#include "app/tf_main.h"

#include <QAction>

namespace qel {

void Tf_Main::wireObjectCommands() {
  actions_->wire(QStringLiteral("a_PasteSpecial"), this, [this] { a_PasteSpecialExecute(); });
  actions_->wire(QStringLiteral("a_InsertObject"), this, [this] { a_InsertObjectExecute(); });
  // Never enabled (UpdateEditMenu): the status line says why.
  QAction *insert = (*actions_)[QStringLiteral("a_InsertObject")];
  insert->setStatusTip(QStringLiteral(
      "Embedding an object needs an object server, which Linux does not have; insert pictures with Insert Picture"));
  insert->setEnabled(false);
}

void Tf_Main::a_PasteSpecialExecute() { m_Card->PasteSpecialDialog(); }

void Tf_Main::a_InsertObjectExecute() {
  WaitCursor wait;
  m_Card->InsertObjectDialog();
}

} // namespace qel
