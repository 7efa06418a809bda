#pragma once
// The two password dialogs of card files: "Protect file" sets or removes the
// open file's password, "Password Dialog" asks for the password of a
// protected file being opened.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qel {

class TZipArchiver;

class TPasswordDlg : public QDialog {
  Q_OBJECT
public:
  // The modal result of the "Unprotect" button.
  static constexpr int Unprotect = 5;
  static constexpr int kMaxLength = 80;

  // `zip` is the open file's component: OK and Unprotect change its password and encryption.
  explicit TPasswordDlg(TZipArchiver &zip, QWidget *parent = nullptr);

  // Presets both edits (the current password).
  void Preset(const QString &password);
  // True once OK succeeded or Unprotect was pressed: the component was changed.
  bool Applied() const { return applied_; }

  void OKBtnClick();
  void UnprotectClick();

  QLabel *l_Password = nullptr;
  QLabel *l_Confirm = nullptr;
  QLineEdit *e_Password = nullptr;
  QLineEdit *Confirm = nullptr;
  QPushButton *OKBtn = nullptr;
  QPushButton *CancelBtn = nullptr;
  QPushButton *b_Unprotect = nullptr;

  // After passwords that did not match, only a successful OK or Unprotect closes.
  void reject() override;

protected:
  void showEvent(QShowEvent *e) override;
  void closeEvent(QCloseEvent *e) override;

private:
  void updateUnprotect();
  TZipArchiver &zip_;
  bool applied_ = false;
  bool mustConfirm_ = false;
};

class TPasswordDlg1 : public QDialog {
  Q_OBJECT
public:
  explicit TPasswordDlg1(QWidget *parent = nullptr);

  QString password() const;

  QLabel *Label1 = nullptr;
  QLineEdit *Password = nullptr;
  QPushButton *OKBtn = nullptr;
  QPushButton *CancelBtn = nullptr;

protected:
  void showEvent(QShowEvent *e) override;
};

} // namespace qel
