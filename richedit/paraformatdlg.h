#pragma once
// TParaFormatDlg: the "Paragraph" dialog of the card editor. It shows the
// indents, alignment and spacing of the selected paragraphs and, on OK,
// writes back only what the user changed, so paragraphs keep whatever the
// dialog cannot show (justification, other line-spacing rules, fractions of
// a point, each paragraph's own values in a selection of several).

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace qel {

class TReParaAttributes;
class TReSpinEdit;

class TParaFormatDlg : public QDialog {
  Q_OBJECT
public:
  explicit TParaFormatDlg(QWidget *parent = nullptr);

  void LoadParagraphAttributes(TReParaAttributes &paragraph);
  // Writes the fields changed since loading; nothing when none changed.
  void StoreParagraphAttributes(TReParaAttributes &paragraph);

  QGroupBox *IndentBox = nullptr;
  TReSpinEdit *LeftIndent = nullptr;
  TReSpinEdit *RightIndent = nullptr;
  TReSpinEdit *FirstIndent = nullptr;
  QGroupBox *Alignment = nullptr;
  QButtonGroup *AlignmentItems = nullptr;  // ids 0 left, 1 right, 2 centre
  QGroupBox *SpacingBox = nullptr;
  TReSpinEdit *SpaceBefore = nullptr;
  TReSpinEdit *SpaceAfter = nullptr;
  TReSpinEdit *LineSpacing = nullptr;
  QPushButton *OkBtn = nullptr;
  QPushButton *CancelBtn = nullptr;

private:
  QStringList loaded_;
  int loadedAlignment_ = -1;
};

// Shows the dialog for the paragraphs (through the prompt seam); true on OK.
bool ShowParagraphDialog(TReParaAttributes &paragraph, QWidget *parent = nullptr);

} // namespace qel
