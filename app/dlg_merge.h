#pragma once
// The merge-options dialog: which of two cards with the same title survives.

#include <QDialog>

class QRadioButton;
class QButtonGroup;
class QPushButton;

namespace qel {

class Tdlg_Merge : public QDialog {
  Q_OBJECT
public:
  explicit Tdlg_Merge(QWidget *parent = nullptr);

  // The chosen merge rule: 0 keep most recent, 1 overwrite, 2 skip, 3 add as new.
  int ItemIndex() const;
  void SetItemIndex(int index);

  QButtonGroup *rg_Merge = nullptr;
  QPushButton *b_OK = nullptr;
  QPushButton *b_Cancel = nullptr;
};

} // namespace qel
