#include "richedit/respinedit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <climits>
#include <cmath>

namespace qel {

namespace {
constexpr int kUpDownWidth = 15;
}

// ---------------------------------------------------------------- TReUpDown

TReUpDown::TReUpDown(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TReUpDown"));
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton *b : {up_, down_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(400);
    b->setAutoRepeatInterval(100);
  }
  connect(up_, &QToolButton::clicked, this, [this] { emit clicked(true); });
  connect(down_, &QToolButton::clicked, this, [this] { emit clicked(false); });
  setFixedWidth(kUpDownWidth);
}

void TReUpDown::resizeEvent(QResizeEvent *) {
  const int h = height() / 2;
  up_->setGeometry(0, 0, width(), h);
  down_->setGeometry(0, h, width(), height() - h);
}

// ---------------------------------------------------------------- TReSpinButton

TReSpinButton::TReSpinButton(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TReSpinButton"));
  resize(20, 20);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] { repeatTick(); });
}

TReSpinButton::Half TReSpinButton::HalfAt(const QPoint &p, const QSize &size) {
  if (size.width() <= 0) return Top;
  const double slope = double(size.height()) / double(size.width());
  return p.y() > size.height() - slope * p.x() ? Bottom : Top;
}

void TReSpinButton::click(Half half) {
  if (half == Top) emit topClick();
  if (half == Bottom) emit bottomClick();
  // A button let go meanwhile (a dialog shown by the click) releases the half.
  if (!(QApplication::mouseButtons() & Qt::LeftButton) && !dragging_) setDown(None);
}

void TReSpinButton::setDown(Half half) {
  if (down_ == half) return;
  down_ = half;
  update();
}

void TReSpinButton::mousePressEvent(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  if (FocusControl && FocusControl->focusPolicy() & Qt::TabFocus && !FocusControl->hasFocus()) FocusControl->setFocus();
  if (down_ == None) {
    lastDown_ = HalfAt(e->position().toPoint(), size());
    setDown(lastDown_);
    dragging_ = true;
    click(lastDown_);
    timer_->start(400);
  }
  dragging_ = true;
}

void TReSpinButton::repeatTick() {
  timer_->setInterval(100);
  if (down_ != None && dragging_) {
    try {
      click(down_);
    } catch (...) {
      timer_->stop();
      throw;
    }
  }
}

void TReSpinButton::mouseMoveEvent(QMouseEvent *e) {
  if (!dragging_) return;
  const QPoint p = e->position().toPoint();
  Half h = None;
  if (rect().contains(p) && HalfAt(p, size()) == lastDown_) h = lastDown_;
  setDown(h);
}

void TReSpinButton::mouseReleaseEvent(QMouseEvent *e) {
  if (!dragging_) return;
  dragging_ = false;
  timer_->stop();
  if (rect().contains(e->position().toPoint())) setDown(None);
  else setDown(None);
}

void TReSpinButton::changeEvent(QEvent *e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::EnabledChange && !isEnabled()) {
    dragging_ = false;
    timer_->stop();
    setDown(None);
  }
}

void TReSpinButton::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QPalette &pal = palette();
  const int w = width(), h = height();
  p.fillRect(rect(), pal.color(QPalette::Button));
  const QColor light = pal.color(QPalette::Light), dark = pal.color(QPalette::Dark);
  // Bevels: the top half lit at its top-left, the bottom half shaded at its
  // bottom-right; a pressed half has them the other way round.
  const bool topDown = down_ == Top, bottomDown = down_ == Bottom;
  p.setPen(topDown ? dark : light);
  p.drawLine(1, 1, w - 3, 1);
  p.drawLine(1, 1, 1, h - 3);
  p.setPen(bottomDown ? light : dark);
  p.drawLine(2, h - 2, w - 2, h - 2);
  p.drawLine(w - 2, 2, w - 2, h - 2);
  // Frame and diagonal.
  p.setPen(pal.color(QPalette::WindowText));
  p.drawRect(0, 0, w - 1, h - 1);
  p.drawLine(0, h - 1, w - 1, 0);
  // Our glyphs: a small triangle up at a quarter, down at three quarters.
  const QColor glyph = isEnabled() ? pal.color(QPalette::ButtonText) : dark;
  p.setPen(Qt::NoPen);
  p.setBrush(glyph);
  const int s = std::max(2, std::min(w, h) / 6);
  const QPoint up(w / 4 + 1 + (topDown ? 1 : 0), h / 4 + 1 + (topDown ? 1 : 0));
  const QPoint dn(3 * w / 4 - 1 + (bottomDown ? 1 : 0), 3 * h / 4 - 1 + (bottomDown ? 1 : 0));
  p.drawPolygon(QPolygon({up + QPoint(-s, s / 2), up + QPoint(s, s / 2), up + QPoint(0, -s / 2 - 1)}));
  p.drawPolygon(QPolygon({dn + QPoint(-s, -s / 2), dn + QPoint(s, -s / 2), dn + QPoint(0, s / 2 + 1)}));
}

// ---------------------------------------------------------------- TReSpinEdit

TReSpinEdit::TReSpinEdit(QWidget *parent) : QLineEdit(parent) {
  setText(QStringLiteral("0"));
  connect(this, &QLineEdit::textEdited, this, [this] {
    if (OnChange) OnChange(this);
  });
  SetButtonKind(bkDiagonal);
}

void TReSpinEdit::SetButtonKind(TSpinButtonKind kind) {
  // New-style controls always exist here: the kind asked for is the kind shown.
  if (button_ && kind == buttonKind_) return;
  buttonKind_ = kind;
  delete button_;
  if (kind == bkStandard) {
    auto *ud = new TReUpDown(this);
    connect(ud, &TReUpDown::clicked, this, [this](bool up) {
      if ((focusPolicy() & Qt::TabFocus) && isEnabled()) setFocus();
      if (up)
        UpClick();
      else
        DownClick();
    });
    button_ = ud;
  } else {
    auto *sb = new TReSpinButton(this);
    sb->FocusControl = this;
    connect(sb, &TReSpinButton::topClick, this, [this] { UpClick(); });
    connect(sb, &TReSpinButton::bottomClick, this, [this] { DownClick(); });
    button_ = sb;
  }
  button_->setEnabled(isEnabled());
  button_->show();
  layoutButton();
}

void TReSpinEdit::layoutButton() {
  if (!button_) return;
  const bool rtl = layoutDirection() == Qt::RightToLeft;
  int bw = 0;
  if (buttonKind_ == bkStandard) {
    bw = kUpDownWidth;
    button_->setGeometry(rtl ? 0 : width() - bw, 0, bw, height());
  } else {
    const int side = std::max(0, height() - 3);
    bw = side;
    button_->setGeometry(rtl ? 1 : width() - side - 1, 1, side, side);
  }
  // The text stays clear of the button.
  if (rtl)
    setTextMargins(bw + 1, 0, 0, 0);
  else
    setTextMargins(0, 0, bw + 2, 0);
  setMinimumHeight(fontMetrics().height() + 4 + 1);
}

void TReSpinEdit::resizeEvent(QResizeEvent *e) {
  QLineEdit::resizeEvent(e);
  layoutButton();
}

void TReSpinEdit::changeEvent(QEvent *e) {
  QLineEdit::changeEvent(e);
  if (e->type() == QEvent::EnabledChange && button_) button_->setEnabled(isEnabled());
  if (e->type() == QEvent::FontChange || e->type() == QEvent::LayoutDirectionChange) layoutButton();
}

void TReSpinEdit::SetDecimal(int decimal) {
  const long double v = Value();
  decimal_ = std::clamp(decimal, 0, 255);
  SetValue(v);
}

void TReSpinEdit::SetValueType(TValueType type) {
  const long double v = Value();
  valueType_ = type;
  if (type != vtFloat) {
    increment_ = std::nearbyint(increment_);
    if (increment_ == 0) increment_ = 1;
  }
  SetValue(v);
}

long double TReSpinEdit::CheckValue(long double value) const {
  if (MaxValue != MinValue) {
    if (value < MinValue) value = MinValue;
    else if (value > MaxValue) value = MaxValue;
  }
  return value;
}

long double TReSpinEdit::rawValue(bool *isNumber) const {
  const QString t = text().trimmed();
  *isNumber = false;
  switch (valueType_) {
  case vtInteger: {
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]+$"));
    if (!re.match(t).hasMatch()) return 0;
    *isNumber = true;
    return std::strtold(t.toLatin1().constData(), nullptr);
  }
  case vtHex: {
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9A-Fa-f]+$"));
    if (!re.match(t).hasMatch()) return 0;
    long double v = 0;
    for (QChar c : t)
      if (c != QLatin1Char('+') && c != QLatin1Char('-')) v = v * 16 + QString(c).toInt(nullptr, 16);
    *isNumber = true;
    return t.startsWith(QLatin1Char('-')) ? -v : v;
  }
  case vtFloat: {
    bool ok = false;
    const double v = QLocale().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return 0;
    *isNumber = true;
    return v;
  }
  }
  return 0;
}

long double TReSpinEdit::bounded(long double v) const {
  // A number beyond the field's range (or int's, for an integer field
  // without one) is kept within it, never read as some other value.
  if (MaxValue != MinValue) return CheckValue(v);
  if (valueType_ != vtFloat) return std::clamp<long double>(v, INT_MIN, INT_MAX);
  return v;
}

long double TReSpinEdit::Value() const {
  bool number = false;
  const long double v = rawValue(&number);
  if (!number) return valueType_ == vtFloat ? MinValue : std::trunc(MinValue);
  return valueType_ == vtFloat ? v : bounded(v);
}

QString TReSpinEdit::textOf(long double value) const {
  switch (valueType_) {
  case vtFloat:
    return QLocale().toString(double(value), 'f', decimal_);
  case vtHex: {
    const long double r = std::nearbyint(std::clamp<long double>(value, -double(LLONG_MAX), double(LLONG_MAX)));
    const long long n = static_cast<long long>(r);
    return n < 0 ? QStringLiteral("-") + QString::number(-n, 16).toUpper() : QString::number(n, 16).toUpper();
  }
  case vtInteger:
    break;
  }
  const long double r = std::nearbyint(std::clamp<long double>(value, -double(LLONG_MAX), double(LLONG_MAX)));
  return QString::number(static_cast<long long>(r));
}

void TReSpinEdit::SetValue(long double value) { setText(textOf(CheckValue(value))); }

int TReSpinEdit::AsInteger() const {
  const long double v = Value();
  if (std::isnan(v)) return 0;
  return int(std::trunc(std::clamp<long double>(v, INT_MIN, INT_MAX)));
}

bool TReSpinEdit::IsValidChar(QChar c) const {
  if (!EditorEnabled && (c == QLatin1Char('\b') || c.unicode() >= 32)) return false;
  if (c.unicode() < 32) return true;
  if (c == QLatin1Char('+') || c == QLatin1Char('-') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) return true;
  if (valueType_ == vtFloat) {
    const QString sep = QLocale().decimalPoint();
    if (QString(c) == sep && !text().contains(sep)) return true;
    if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && !text().toUpper().contains(QLatin1Char('E'))) return true;
  }
  if (valueType_ == vtHex) {
    const QChar u = c.toUpper();
    if (u >= QLatin1Char('A') && u <= QLatin1Char('F')) return true;
  }
  return false;
}

void TReSpinEdit::spin(long double step, bool up) {
  if (isReadOnly()) {
    QApplication::beep();
    return;
  }
  const QString before = text();
  SetValue(Value() + step);
  if (text().compare(before, Qt::CaseInsensitive) != 0) {
    setModified(true);
    if (OnChange) OnChange(this);
  }
  if (up && OnTopClick) OnTopClick(this);
  if (!up && OnBottomClick) OnBottomClick(this);
}

void TReSpinEdit::UpClick() { spin(increment_, true); }
void TReSpinEdit::DownClick() { spin(-increment_, false); }

void TReSpinEdit::keyPressEvent(QKeyEvent *e) {
  if (ArrowKeys && e->key() == Qt::Key_Up && !(e->modifiers() & ~Qt::KeypadModifier)) {
    UpClick();
    return;
  }
  if (ArrowKeys && e->key() == Qt::Key_Down && !(e->modifiers() & ~Qt::KeypadModifier)) {
    DownClick();
    return;
  }
  if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
    if (!EditorEnabled || isReadOnly()) {
      QApplication::beep();
      return;
    }
    QLineEdit::keyPressEvent(e);
    return;
  }
  const QString t = e->text();
  if (e->key() == Qt::Key_Backspace && !IsValidChar(QLatin1Char('\b'))) {
    QApplication::beep();
    return;
  }
  if (!t.isEmpty() && t.at(0).unicode() >= 32 && !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
    for (QChar c : t)
      if (!IsValidChar(c)) {
        QApplication::beep();
        return;
      }
  }
  // Enter and Esc are not the field's: the dialog's default and cancel buttons take them.
  QLineEdit::keyPressEvent(e);
}

void TReSpinEdit::focusInEvent(QFocusEvent *e) {
  QLineEdit::focusInEvent(e);
  if (e->reason() != Qt::MouseFocusReason) selectAll();
}

void TReSpinEdit::focusOutEvent(QFocusEvent *e) {
  QLineEdit::focusOutEvent(e);
  bool number = false;
  const long double v = rawValue(&number);
  if (number && bounded(v) != v) SetValue(bounded(v));
}

} // namespace qel
