#pragma once
// "Duplicate Card": the new title and whether the source's content is copied.

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace qel {

class Tf_Duplicate : public QDialog {
  Q_OBJECT
public:
  explicit Tf_Duplicate(QWidget *parent = nullptr);

  QLineEdit *Keyword = nullptr;
  QCheckBox *chb_CopyCard = nullptr;

  // The box's last state, kept for the program's run; starts unchecked.
  // Whoever shows the dialog stores the state there when it closes.
  static bool RememberedCopyCard;

protected:
  void showEvent(QShowEvent *e) override;

public:
  void setVisible(bool visible) override;
};

} // namespace qel
