#include "app/dlg_merge.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qel {

Tdlg_Merge::Tdlg_Merge(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlg_Merge"));
  setWindowTitle(QStringLiteral("Merge"));
  auto *layout = new QVBoxLayout(this);
  auto *box = new QGroupBox(QStringLiteral("Cards with the same title"), this);
  box->setObjectName(QStringLiteral("gb_Merge"));
  auto *boxLayout = new QVBoxLayout(box);
  rg_Merge = new QButtonGroup(this);
  rg_Merge->setObjectName(QStringLiteral("rg_Merge"));
  const char *items[] = {"Keep most recent only", "Always overwrite", "Always skip", "Add as new card"};
  for (int i = 0; i < 4; ++i) {
    auto *radio = new QRadioButton(QString::fromLatin1(items[i]), box);
    radio->setObjectName(QStringLiteral("rb_Merge%1").arg(i));
    rg_Merge->addButton(radio, i);
    boxLayout->addWidget(radio);
  }
  rg_Merge->button(0)->setChecked(true);
  layout->addWidget(box);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  b_OK = new QPushButton(QStringLiteral("OK"), this);
  b_OK->setObjectName(QStringLiteral("b_OK"));
  b_OK->setDefault(true);
  b_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
  b_Cancel->setObjectName(QStringLiteral("b_Cancel"));
  buttons->addWidget(b_OK);
  buttons->addWidget(b_Cancel);
  layout->addLayout(buttons);
  connect(b_OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(b_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int Tdlg_Merge::ItemIndex() const { return rg_Merge->checkedId(); }

void Tdlg_Merge::SetItemIndex(int index) {
  if (auto *b = rg_Merge->button(index)) b->setChecked(true);
}

} // namespace qel
