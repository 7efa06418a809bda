#include "app/dlg_import.h"
#include "app/textdialogparts.h"

#include "platform/uiservices.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qel {

Tf_Import::Tf_Import(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("f_Import"));
  setWindowTitle(QStringLiteral("Import text file"));
  auto *layout = new QVBoxLayout(this);
  AddPicturePanel(this, layout, pn_1, im_1);
  auto *group = rg_sourcetype = new QGroupBox(QStringLiteral("Source file type"), this);
  group->setObjectName(QStringLiteral("rg_sourcetype"));
  auto *gl = new QVBoxLayout(group);
  rb_Delimited = new QRadioButton(QStringLiteral("Delimited"), group);
  rb_Paragraph = new QRadioButton(QStringLiteral("Paragraph separated"), group);
  rb_Delimited->setChecked(true);
  gl->addWidget(rb_Delimited);
  gl->addWidget(rb_Paragraph);
  layout->addWidget(group);

  auto *row = new QHBoxLayout;
  l_delimiter = new QLabel(QStringLiteral("Delimiter:"), this);
  l_delimiter->setObjectName(QStringLiteral("l_delimiter"));
  e_Delimiter = new QLineEdit(QStringLiteral(","), this);
  e_Delimiter->setObjectName(QStringLiteral("e_Delimiter"));
  e_Delimiter->setToolTip(QStringLiteral("Press Ctrl+Tab for TAB Character"));
  LetCtrlTabTypeATab(e_Delimiter);
  l_delimiter->setBuddy(e_Delimiter);
  row->addWidget(l_delimiter);
  row->addWidget(e_Delimiter, 1);
  layout->addLayout(row);

  m_Sample = AddSampleBox(this, layout, QStringLiteral("Source file sample"));

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &Tf_Import::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(rb_Delimited, &QRadioButton::toggled, this, [this] { rg_sourcetypeClick(); });
  connect(e_Delimiter, &QLineEdit::textChanged, this, [this] { rg_sourcetypeClick(); });
  rg_sourcetypeClick();
  resize(440, 320);
}

int Tf_Import::SourceType() const { return rb_Paragraph->isChecked() ? 1 : 0; }

void Tf_Import::SetSourceType(int type) { (type == 1 ? rb_Paragraph : rb_Delimited)->setChecked(true); }

QString Tf_Import::Delimiter() const { return e_Delimiter->text(); }

void Tf_Import::rg_sourcetypeClick() {
  const bool delimited = SourceType() == 0;
  e_Delimiter->setEnabled(delimited);
  l_delimiter->setEnabled(delimited);
  QStringList lines;
  if (delimited) {
    const QString d = e_Delimiter->text();
    for (int i = 0; i < 5; ++i)
      lines << QStringLiteral("TITLE") + d + QStringLiteral("contents") + d + QStringLiteral("contents") + d +
                   QStringLiteral("contents");
  } else {
    lines << QStringLiteral("TITLE") << QStringLiteral("contents") << QStringLiteral("contents") << QString()
          << QStringLiteral("TITLE") << QStringLiteral("contents");
  }
  m_Sample->setPlainText(lines.join(QLatin1Char('\n')));
}

// The picture panel spans the controls from the source types to the sample.
void Tf_Import::FormShow() { PlacePicturePanel(pn_1, im_1, rg_sourcetype, m_Sample->parentWidget()); }

void Tf_Import::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  FormShow();
}

void Tf_Import::resizeEvent(QResizeEvent *e) {
  QDialog::resizeEvent(e);
  if (isVisible()) FormShow();
}

void Tf_Import::accept() {
  // Without a delimiter every line would be a title only: that is not a delimited import.
  if (SourceType() == 0 && e_Delimiter->text().isEmpty()) {
    ui().messageBox(QStringLiteral("Please enter a delimiter."), applicationTitle(), MB_OK | MB_ICONWARNING);
    e_Delimiter->setFocus();
    return;
  }
  QDialog::accept();
}

} // namespace qel
