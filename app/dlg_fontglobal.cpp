#include "app/dlg_fontglobal.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

Tdlg_FontGlobal *dlg_FontGlobal = nullptr;

Tdlg_FontGlobal::Tdlg_FontGlobal(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlg_FontGlobal"));
  setWindowTitle(QStringLiteral("Set font to all cards"));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Selected text attributes will be applied to all cards"), this));

  auto *sample = new QGroupBox(QStringLiteral("Sample"), this);
  auto *sampleLayout = new QVBoxLayout(sample);
  lbl_Sample = new QLabel(QStringLiteral("AaBbYyZz"), sample);
  lbl_Sample->setObjectName(QStringLiteral("lbl_Sample"));
  lbl_Sample->setAlignment(Qt::AlignCenter);
  sampleLayout->addWidget(lbl_Sample);
  layout->addWidget(sample);

  auto *attributes = new QGroupBox(QStringLiteral("Text Attributes"), this);
  auto *attrLayout = new QVBoxLayout(attributes);
  auto box = [&](const char *name, const char *caption) {
    auto *b = new QCheckBox(QString::fromUtf8(caption), attributes);
    b->setObjectName(QString::fromLatin1(name));
    b->setChecked(true);
    attrLayout->addWidget(b);
    return b;
  };
  chb_Font = box("chb_Font", "&Font name");
  chb_Style = box("chb_Style", "St&yle");
  chb_Size = box("chb_Size", "&Size");
  chb_Color = box("chb_Color", "&Color");
  layout->addWidget(attributes);

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

FontGlobalParts Tdlg_FontGlobal::parts() const {
  return {chb_Font->isChecked(), chb_Style->isChecked(), chb_Size->isChecked(), chb_Color->isChecked()};
}

} // namespace qel
