#pragma once
// The installer's one dialog: destination folder, four options, ReadMe,
// Install and Cancel.

#include "setup/installsource.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qel {

class TForm1 : public QDialog {
  Q_OBJECT
public:
  // `arguments`: the installer's command line without the program name.
  TForm1(IInstallSource &source, const QStringList &arguments, QWidget *parent = nullptr);

  QLabel *Label1 = nullptr;
  QLabel *Label2 = nullptr;
  QGroupBox *GroupBox1 = nullptr;
  QLineEdit *e_Dir = nullptr;
  QPushButton *SpeedButton1 = nullptr;
  QCheckBox *chb_Associate = nullptr;
  QCheckBox *chb_StartMenu = nullptr;
  QCheckBox *chb_Desktop = nullptr;
  QCheckBox *chb_Run = nullptr;
  QPushButton *b_ReadMe = nullptr;
  QPushButton *b_Install = nullptr;
  QPushButton *b_Cancel = nullptr;
  QProgressBar *progress = nullptr;
  QFrame *pn_1 = nullptr;
  QLabel *im_1 = nullptr;

  void FormShow();
  void f_fromClick();
  void b_ReadMeClick();
  // True when installed (the dialog is then closed).
  bool b_InstallClick();
  void b_CancelClick() { reject(); }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void showProgress(bool visible);

  IInstallSource &source_;
  QStringList arguments_;
  bool shown_ = false;
};

} // namespace qel
