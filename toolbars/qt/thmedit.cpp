#include "toolbars/qt/thmedit.h"

#include "toolbars/paint/framecontrols.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>

namespace qel::toolbars {

namespace {

// The application's style, except that hidden text shows the item's character.
class TPasswordCharStyle final : public QProxyStyle {
public:
  explicit TPasswordCharStyle(QChar passwordChar) : QProxyStyle(QApplication::style()->name()), Char(passwordChar) {}
  int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                QStyleHintReturn *returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter)
      return Char.unicode();
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }

private:
  QChar Char;
};

} // namespace

TThmEdit::TThmEdit(QWidget *parent) : QLineEdit(parent) {}

TThmEdit::~TThmEdit() {
  // The style goes after the widget stops using it.
  if (FPasswordStyle)
    setStyle(nullptr);
}

void TThmEdit::SetEditAlignment(TAlignment value) {
  FAlignment = value;
  Qt::Alignment alignment = Qt::AlignLeft;
  if (value == TAlignment::taRightJustify)
    alignment = Qt::AlignRight;
  else if (value == TAlignment::taCenter)
    alignment = Qt::AlignHCenter;
  setAlignment(alignment | Qt::AlignVCenter);
}

void TThmEdit::SetPasswordChar(QChar value) {
  if (value == FPasswordChar)
    return;
  FPasswordChar = value;
  if (value.isNull()) {
    setEchoMode(Normal);
    setStyle(nullptr);
    FPasswordStyle.reset();
    return;
  }
  auto style = std::make_unique<TPasswordCharStyle>(value);
  setStyle(style.get());
  FPasswordStyle = std::move(style);
  setEchoMode(Password);
}

void TThmEdit::SetEditFont(const QFont &font, TColor color) {
  setFont(font);
  if (color == ThmNoColor)
    return;
  QPalette palette = this->palette();
  palette.setColor(QPalette::Text, ThmQColor(color));
  setPalette(palette);
}

} // namespace qel::toolbars
