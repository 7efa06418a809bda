#pragma once
// The password prompt the component shows when an engine asks for a
// password and no handler answers it.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qel {

class TZipPasswordDlg : public QDialog {
  Q_OBJECT
public:
  // Result codes besides Accepted (OK) and Rejected (Cancel).
  enum { CancelAll = 2, Abort = 3 };

  TZipPasswordDlg(const QString &prompt, bool forExtract, QWidget *parent = nullptr);
  QString password() const;

  QLabel *lbl_Prompt;
  QLineEdit *e_Password;
  QPushButton *b_Ok;
  QPushButton *b_Cancel;
  QPushButton *b_CancelAll;
  QPushButton *b_Abort;
};

} // namespace qel
