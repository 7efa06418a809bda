#include "app/dlg_exportrtf.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qel {

Tdlg_Export_RTF::Tdlg_Export_RTF(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlg_Export_RTF"));
  setWindowTitle(QStringLiteral("Export to RTF"));
  auto *top = new QVBoxLayout(this);
  rg_Objects = new QGroupBox(QStringLiteral("What cards to export? "), this);
  rg_Objects->setObjectName(QStringLiteral("rg_Objects"));
  auto *group = new QVBoxLayout(rg_Objects);
  rb_Selected = new QRadioButton(QStringLiteral("&Selected"), rg_Objects);
  rb_Filtered = new QRadioButton(QStringLiteral("&Filtered"), rg_Objects);
  rb_All = new QRadioButton(QStringLiteral("&All"), rg_Objects);
  for (QRadioButton *b : {rb_Selected, rb_Filtered, rb_All}) group->addWidget(b);
  rb_All->setChecked(true);
  top->addWidget(rg_Objects);
  chb_PageBreaks = new QCheckBox(QStringLiteral("Page &breaks after cards"), this);
  chb_PageBreaks->setObjectName(QStringLiteral("chb_PageBreaks"));
  top->addWidget(chb_PageBreaks);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);
}

Tdlg_Export_RTF::Objects Tdlg_Export_RTF::objects() const {
  if (rb_Selected->isChecked()) return Selected;
  if (rb_Filtered->isChecked()) return Filtered;
  return All;
}

void Tdlg_Export_RTF::setObjects(Objects which) {
  (which == Selected ? rb_Selected : which == Filtered ? rb_Filtered : rb_All)->setChecked(true);
}

} // namespace qel
