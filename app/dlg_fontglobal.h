#pragma once
// "Set font to all cards": which parts of the chosen font the options dialog
// applies to every card. The dialog only holds the choice; the main window's
// ApplyFontToAllCards does the work.

#include <QDialog>

class QCheckBox;
class QLabel;

namespace qel {

// The parts of a font applied to all cards.
struct FontGlobalParts {
  bool name = true;
  bool style = true;
  bool size = true;
  bool color = true;
};

class Tdlg_FontGlobal : public QDialog {
  Q_OBJECT
public:
  explicit Tdlg_FontGlobal(QWidget *parent = nullptr);

  FontGlobalParts parts() const;

  QLabel *lbl_Sample = nullptr;
  QCheckBox *chb_Font = nullptr;
  QCheckBox *chb_Style = nullptr;
  QCheckBox *chb_Size = nullptr;
  QCheckBox *chb_Color = nullptr;
};

// The instance the options dialog makes; null until then.
extern Tdlg_FontGlobal *dlg_FontGlobal;

} // namespace qel
