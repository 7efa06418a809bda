#include "app/dlg_export.h"
#include "app/textdialogparts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qel {

Tf_Export::Tf_Export(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("f_Export"));
  setWindowTitle(QStringLiteral("Export to text file"));
  auto *layout = new QVBoxLayout(this);
  AddPicturePanel(this, layout, pn_1, im_1);
  auto *types = rg_type = new QGroupBox(QStringLiteral("Export Type"), this);
  types->setObjectName(QStringLiteral("rg_type"));
  auto *tl = new QVBoxLayout(types);
  const char *captions[3] = {"&List only", "&Single line card", "&Multi line card"};
  for (int i = 0; i < 3; ++i) {
    rb_Type[i] = new QRadioButton(QString::fromLatin1(captions[i]), types);
    tl->addWidget(rb_Type[i]);
    connect(rb_Type[i], &QRadioButton::toggled, this, [this] { rg_typeClick(); });
  }
  rb_Type[2]->setChecked(true);
  layout->addWidget(types);

  g_Separators = new QGroupBox(QStringLiteral("Separators"), this);
  g_Separators->setObjectName(QStringLiteral("g_Separators"));
  g_Separators->setToolTip(QStringLiteral("Press Ctrl+Tab for TAB Character"));
  auto *form = new QFormLayout(g_Separators);
  auto edit = [&](const char *name, const char *label, const QString &text) {
    auto *e = new QLineEdit(text, g_Separators);
    e->setObjectName(QString::fromLatin1(name));
    LetCtrlTabTypeATab(e);
    form->addRow(QString::fromLatin1(label), e);
    return e;
  };
  e_bh = edit("e_bh", "Before Card Title:", QString());
  e_ah = edit("e_ah", "After Card Title:", QString());
  e_bc = edit("e_bc", "Before each Card line:", QStringLiteral("  "));
  e_ac = edit("e_ac", "After each Card line:", QString());
  layout->addWidget(g_Separators);

  chb_Line = new QCheckBox(QStringLiteral("Line between Cards:"), this);
  chb_Line->setObjectName(QStringLiteral("chb_Line"));
  e_Line = new QLineEdit(this);
  e_Line->setObjectName(QStringLiteral("e_Line"));
  e_Line->setEnabled(false);
  LetCtrlTabTypeATab(e_Line);
  connect(chb_Line, &QCheckBox::toggled, e_Line, &QWidget::setEnabled);
  auto *lineRow = new QHBoxLayout;
  lineRow->addWidget(chb_Line);
  lineRow->addWidget(e_Line, 1);
  layout->addLayout(lineRow);
  chb_selected = new QCheckBox(QStringLiteral("Export selected cards only"), this);
  chb_selected->setObjectName(QStringLiteral("chb_selected"));
  layout->addWidget(chb_selected);

  m_Sample = AddSampleBox(this, layout, QStringLiteral("Preview Sample"));

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  b_Preview = buttons->addButton(QStringLiteral("Preview"), QDialogButtonBox::ActionRole);
  b_Preview->setObjectName(QStringLiteral("b_Preview"));
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(b_Preview, &QPushButton::clicked, this, [this] { BuildSample(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  rg_typeClick();
  resize(500, 560);
}

TExportLayout Tf_Export::Layout() const {
  TExportLayout l;
  l.type = rb_Type[0]->isChecked() ? 0 : rb_Type[1]->isChecked() ? 1 : 2;
  l.bh = e_bh->text();
  l.ah = e_ah->text();
  l.bc = e_bc->text();
  l.ac = e_ac->text();
  l.line = e_Line->isEnabled();
  l.sep = e_Line->text();
  return l;
}

bool Tf_Export::SelectedOnly() const { return chb_selected->isChecked(); }

void Tf_Export::BuildSample() { m_Sample->setPlainText(SampleLines ? SampleLines().join(QLatin1Char('\n')) : QString()); }

void Tf_Export::rg_typeClick() {
  if (g_Separators) g_Separators->setEnabled(!rb_Type[0]->isChecked());
}

// The picture panel spans the controls from the export types to the
// separators; the sample is built anew.
void Tf_Export::FormShow() {
  PlacePicturePanel(pn_1, im_1, rg_type, g_Separators);
  BuildSample();
}

void Tf_Export::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  FormShow();
}

void Tf_Export::resizeEvent(QResizeEvent *e) {
  QDialog::resizeEvent(e);
  if (isVisible()) PlacePicturePanel(pn_1, im_1, rg_type, g_Separators);
}

} // namespace qel
