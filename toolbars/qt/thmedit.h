#pragma once
// The in-place line editor of themed edit items: a line edit that takes
// the item's alignment, password character, read-only state and font
// settings (TThmEditControl) for the time of one edit.

#include "toolbars/paint/thmedititem.h"

#include <QLineEdit>

#include <memory>

class QStyle;

namespace qel::toolbars {

class TThmEdit : public QLineEdit, public TThmEditControl {
public:
  explicit TThmEdit(QWidget *parent = nullptr);
  ~TThmEdit() override;

  TAlignment EditAlignment() const { return FAlignment; }
  QChar PasswordChar() const { return FPasswordChar; }

  void SetEditAlignment(TAlignment value) override;
  void SetPasswordChar(QChar value) override;
  void SetEditReadOnly(bool value) override { setReadOnly(value); }
  QFont EditFont() const override { return font(); }
  void SetEditFont(const QFont &font, TColor color) override;
  QString EditText() const override { return text(); }
  void SetEditText(const QString &text) override { setText(text); }
  void SelectAllText() override { selectAll(); }
  void SetEditSelection(int start, int length) override { setSelection(start, length); }

private:
  std::unique_ptr<QStyle> FPasswordStyle;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  QChar FPasswordChar;
};

} // namespace qel::toolbars
