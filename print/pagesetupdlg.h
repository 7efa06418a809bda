#pragma once
// The page setup dialog: paper, orientation, the four margins from the paper
// edge in the printer's unit, and the printer. The flags word of the rich
// printer turns parts off.

#include <QDialog>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>

class QComboBox;
class QDoubleSpinBox;
class QRadioButton;

namespace qel {

struct PageSetupValues {
  QPageSize paper = QPageSize(QPageSize::A4);
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  QMarginsF margins;    // in millimetres or inches, as `millimetres` says
  bool millimetres = true;
  QString printer;      // empty: a PDF file
};

class TPageSetupDlg : public QDialog {
  Q_OBJECT
public:
  // `flags`: the PSD_ bits of the rich printer's flags word.
  TPageSetupDlg(const PageSetupValues &values, unsigned flags, QWidget *parent = nullptr);
  PageSetupValues values() const;

  QComboBox *cb_Paper;
  QRadioButton *rb_Portrait, *rb_Landscape;
  QDoubleSpinBox *se_MarginLeft, *se_MarginTop, *se_MarginRight, *se_MarginBottom;
  QComboBox *cb_Printer;

private:
  PageSetupValues initial_;
  unsigned flags_;
};

} // namespace qel
