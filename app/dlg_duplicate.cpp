#include "app/dlg_duplicate.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

bool Tf_Duplicate::RememberedCopyCard = false;

Tf_Duplicate::Tf_Duplicate(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("f_Duplicate"));
  setWindowTitle(QStringLiteral("Duplicate Card"));
  auto *layout = new QVBoxLayout(this);
  auto *label = new QLabel(QStringLiteral("New Title:"), this);
  Keyword = new QLineEdit(this);
  Keyword->setObjectName(QStringLiteral("Keyword"));
  label->setBuddy(Keyword);
  chb_CopyCard = new QCheckBox(QStringLiteral("Copy card content:"), this);
  chb_CopyCard->setObjectName(QStringLiteral("chb_CopyCard"));
  chb_CopyCard->setLayoutDirection(Qt::RightToLeft);  // the box stands after its text
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(label);
  layout->addWidget(Keyword);
  layout->addWidget(chb_CopyCard, 0, Qt::AlignLeft);
  layout->addWidget(buttons);
  setMinimumWidth(320);
  chb_CopyCard->setChecked(RememberedCopyCard);
}

void Tf_Duplicate::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  chb_CopyCard->setChecked(RememberedCopyCard);
  Keyword->setFocus();
}

void Tf_Duplicate::setVisible(bool visible) {
  QDialog::setVisible(visible);
  // Showing gives the edit the focus as a Tab would, which selects its whole
  // text: the caret goes after the title with nothing selected, once that is done.
  if (visible) {
    Keyword->deselect();
    Keyword->setCursorPosition(int(Keyword->text().size()));
  }
}

} // namespace qel
