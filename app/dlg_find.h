#pragma once
// The find and replace dialogs of the card search: modeless, always searching
// downwards, keeping their texts and options for the program's run.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qel {

class TFindDialog : public QDialog {
  Q_OBJECT
public:
  enum Kind { Find, Replace };
  TFindDialog(Kind kind, QWidget *parent = nullptr);

  Kind kind() const { return kind_; }
  QString FindText() const;
  void SetFindText(const QString &text);
  QString ReplaceText() const;
  bool MatchCase() const;
  bool WholeWord() const;
  // Shows the dialog (or brings it forward) with the find text selected.
  void Execute();

  QLineEdit *e_Find = nullptr;
  QLineEdit *e_Replace = nullptr;  // only in the replace dialog
  QCheckBox *chb_MatchCase = nullptr;
  QCheckBox *chb_WholeWord = nullptr;
  QPushButton *b_FindNext = nullptr;
  QPushButton *b_Replace = nullptr;     // only in the replace dialog
  QPushButton *b_ReplaceAll = nullptr;  // only in the replace dialog
  QPushButton *b_Cancel = nullptr;

signals:
  void findNext();
  void replace();
  void replaceAll();

private:
  void updateButtons();
  Kind kind_;
};

} // namespace qel
