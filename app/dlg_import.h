#pragma once
// "Import text file": how the text file is read (one card per line with a
// delimiter, or one card per paragraph), with a sample of the layout. One
// instance lives for the program's run, so its choices persist.

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace qel {

class Tf_Import : public QDialog {
  Q_OBJECT
public:
  explicit Tf_Import(QWidget *parent = nullptr);

  // 0 delimited, 1 paragraph separated.
  int SourceType() const;
  void SetSourceType(int type);
  QString Delimiter() const;

  QRadioButton *rb_Delimited = nullptr;
  QRadioButton *rb_Paragraph = nullptr;
  QLineEdit *e_Delimiter = nullptr;
  QLabel *l_delimiter = nullptr;
  QPlainTextEdit *m_Sample = nullptr;
  QGroupBox *rg_sourcetype = nullptr;
  QFrame *pn_1 = nullptr;
  QLabel *im_1 = nullptr;

  void rg_sourcetypeClick();
  void FormShow();

public slots:
  void accept() override;

protected:
  void showEvent(QShowEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
};

} // namespace qel
