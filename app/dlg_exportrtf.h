#pragma once
// "Export to RTF": which cards go to the RTF file, and whether each card
// ends with a page break.

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace qel {

class Tdlg_Export_RTF : public QDialog {
  Q_OBJECT
public:
  explicit Tdlg_Export_RTF(QWidget *parent = nullptr);

  enum Objects { Selected = 0, Filtered = 1, All = 2 };
  Objects objects() const;
  void setObjects(Objects which);

  QGroupBox *rg_Objects = nullptr;
  QRadioButton *rb_Selected = nullptr;
  QRadioButton *rb_Filtered = nullptr;
  QRadioButton *rb_All = nullptr;
  QCheckBox *chb_PageBreaks = nullptr;
};

} // namespace qel
