#include "app/passworddlg.h"

#include "platform/uiservices.h"
#include "zip/ziparchiver.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

namespace {

QLineEdit *maskedEdit(const QString &name, int maxLength, QWidget *parent) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setEchoMode(QLineEdit::Password);
  edit->setMaxLength(maxLength);
  return edit;
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

} // namespace

// ---- "Protect file" ----

TPasswordDlg::TPasswordDlg(TZipArchiver &zip, QWidget *parent) : QDialog(parent), zip_(zip) {
  setObjectName(QStringLiteral("PasswordDlg"));
  setWindowTitle(QStringLiteral("Protect file"));
  auto *layout = new QVBoxLayout(this);
  auto *grid = new QGridLayout;
  l_Password = new QLabel(QStringLiteral("Enter password:"), this);
  l_Confirm = new QLabel(QStringLiteral("Confirm password:"), this);
  e_Password = maskedEdit(QStringLiteral("e_Password"), kMaxLength, this);
  Confirm = maskedEdit(QStringLiteral("Confirm"), kMaxLength, this);
  l_Password->setBuddy(e_Password);
  l_Confirm->setBuddy(Confirm);
  grid->addWidget(l_Password, 0, 0);
  grid->addWidget(e_Password, 0, 1);
  grid->addWidget(l_Confirm, 1, 0);
  grid->addWidget(Confirm, 1, 1);
  layout->addLayout(grid);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  OKBtn = button(QStringLiteral("OKBtn"), QStringLiteral("OK"), this);
  OKBtn->setDefault(true);
  CancelBtn = button(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
  b_Unprotect = button(QStringLiteral("b_Unprotect"), QStringLiteral("Unprotect"), this);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  buttons->addWidget(b_Unprotect);
  layout->addLayout(buttons);

  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(b_Unprotect, &QPushButton::clicked, this, [this] { UnprotectClick(); });
  updateUnprotect();
}

void TPasswordDlg::Preset(const QString &password) {
  e_Password->setText(password);
  Confirm->setText(password);
  updateUnprotect();
}

void TPasswordDlg::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  mustConfirm_ = false;  // closing is allowed again
  updateUnprotect();
}

void TPasswordDlg::reject() {
  if (mustConfirm_) return;
  QDialog::reject();
}

void TPasswordDlg::closeEvent(QCloseEvent *e) {
  if (mustConfirm_) {
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

void TPasswordDlg::updateUnprotect() { b_Unprotect->setEnabled(!e_Password->text().isEmpty()); }

void TPasswordDlg::OKBtnClick() {
  if (e_Password->text() != Confirm->text()) {
    ui().messageBox(QStringLiteral("The passwords you typed do not match. Please type and confirm password again."),
                    MB_OK | MB_ICONERROR);
    mustConfirm_ = true;  // stays open until an OK succeeds (or Unprotect)
    return;
  }
  const QString password = e_Password->text();
  zip_.SetPassword(password);
  if (password.isEmpty())
    zip_.AddOptions.remove(AddEncrypt);
  else
    zip_.AddOptions.insert(AddEncrypt);
  applied_ = true;
  mustConfirm_ = false;
  accept();
}

void TPasswordDlg::UnprotectClick() {
  e_Password->clear();
  Confirm->clear();
  zip_.AddOptions.remove(AddEncrypt);
  zip_.SetPassword(QString());
  applied_ = true;
  mustConfirm_ = false;
  done(Unprotect);
}

// ---- "Password Dialog" ----

TPasswordDlg1::TPasswordDlg1(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PasswordDlg1"));
  setWindowTitle(QStringLiteral("Password Dialog"));
  auto *layout = new QVBoxLayout(this);
  Label1 = new QLabel(QStringLiteral("Enter password:"), this);
  Password = maskedEdit(QStringLiteral("Password"), TPasswordDlg::kMaxLength, this);
  Label1->setBuddy(Password);
  layout->addWidget(Label1);
  layout->addWidget(Password);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  OKBtn = button(QStringLiteral("OKBtn"), QStringLiteral("OK"), this);
  OKBtn->setDefault(true);
  CancelBtn = button(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

QString TPasswordDlg1::password() const { return Password->text().left(TZipArchiver::kMaxPasswordLength); }

void TPasswordDlg1::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  Password->clear();
  Password->setFocus();
}

} // namespace qel
