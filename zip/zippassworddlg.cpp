#include "zip/zippassworddlg.h"

#include "zip/ziparchiver.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

TZipPasswordDlg::TZipPasswordDlg(const QString &prompt, bool forExtract, QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TZipPasswordDlg"));
  setWindowTitle(QStringLiteral("Password"));
  auto *layout = new QVBoxLayout(this);
  lbl_Prompt = new QLabel(prompt, this);
  lbl_Prompt->setObjectName(QStringLiteral("lbl_Prompt"));
  e_Password = new QLineEdit(this);
  e_Password->setObjectName(QStringLiteral("e_Password"));
  e_Password->setEchoMode(QLineEdit::Password);
  e_Password->setMaxLength(TZipArchiver::kMaxPasswordLength);
  lbl_Prompt->setBuddy(e_Password);
  layout->addWidget(lbl_Prompt);
  layout->addWidget(e_Password);

  auto *buttons = new QHBoxLayout;
  b_Ok = new QPushButton(QStringLiteral("&Ok"), this);
  b_Ok->setObjectName(QStringLiteral("b_Ok"));
  b_Ok->setDefault(true);
  b_Cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  b_Cancel->setObjectName(QStringLiteral("b_Cancel"));
  b_CancelAll = new QPushButton(QStringLiteral("Cancel all"), this);
  b_CancelAll->setObjectName(QStringLiteral("b_CancelAll"));
  b_CancelAll->setVisible(forExtract);
  b_Abort = new QPushButton(QStringLiteral("Abort"), this);
  b_Abort->setObjectName(QStringLiteral("b_Abort"));
  buttons->addStretch();
  for (QPushButton *b : {b_Ok, b_Cancel, b_CancelAll, b_Abort}) buttons->addWidget(b);
  layout->addLayout(buttons);

  connect(b_Ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(b_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(b_CancelAll, &QPushButton::clicked, this, [this] { done(CancelAll); });
  connect(b_Abort, &QPushButton::clicked, this, [this] { done(Abort); });
}

QString TZipPasswordDlg::password() const {
  return e_Password->text().left(TZipArchiver::kMaxPasswordLength);
}

} // namespace qel
