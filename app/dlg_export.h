#pragma once
// "Export to text file": the layout of the text export, with a sample built
// from the first cards. One instance lives for the program's run, so its
// settings persist.

#include "app/textexport.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qel {

class Tf_Export : public QDialog {
  Q_OBJECT
public:
  explicit Tf_Export(QWidget *parent = nullptr);

  TExportLayout Layout() const;
  bool SelectedOnly() const;
  // Builds the lines of the sample (set by the main window).
  std::function<QStringList()> SampleLines;
  void BuildSample();
  void rg_typeClick();
  void FormShow();

  QRadioButton *rb_Type[3] = {};
  QGroupBox *g_Separators = nullptr;
  QLineEdit *e_bh = nullptr, *e_ah = nullptr, *e_bc = nullptr, *e_ac = nullptr, *e_Line = nullptr;
  QCheckBox *chb_Line = nullptr;
  QCheckBox *chb_selected = nullptr;
  QPlainTextEdit *m_Sample = nullptr;
  QPushButton *b_Preview = nullptr;
  QGroupBox *rg_type = nullptr;
  QFrame *pn_1 = nullptr;
  QLabel *im_1 = nullptr;

protected:
  void showEvent(QShowEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
};

} // namespace qel
