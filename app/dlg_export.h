#pragma once
// "Export to text file": the layout of the text export, with a sample built
// from the first cards. One instance lives for the program's run, so its
// settings persist.

#include "app/textexport.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
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

  QRadioButton *rb_Type[3] = {};
  QGroupBox *g_Separators = nullptr;
  QLineEdit *e_bh = nullptr, *e_ah = nullptr, *e_bc = nullptr, *e_ac = nullptr, *e_Line = nullptr;
  QCheckBox *chb_Line = nullptr;
  QCheckBox *chb_selected = nullptr;
  QPlainTextEdit *m_Sample = nullptr;
  QPushButton *b_Preview = nullptr;

protected:
  void showEvent(QShowEvent *e) override;
};

} // namespace qel
