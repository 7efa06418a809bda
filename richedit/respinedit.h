#pragma once
// TReSpinEdit: a number field with spin buttons (TReUpDown, Qt's arrow
// buttons, or TReSpinButton, our own diagonal button) for integer,
// floating-point or hexadecimal values, with clamping, increments, arrow
// keys and timed auto-repeat.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>

class QTimer;
class QToolButton;

namespace qel {

enum TValueType { vtInteger, vtFloat, vtHex };
enum TSpinButtonKind { bkStandard, bkDiagonal };

// Two arrow buttons of Qt's style, one above the other.
class TReUpDown : public QWidget {
  Q_OBJECT
public:
  explicit TReUpDown(QWidget *parent = nullptr);
  QToolButton *upButton() const { return up_; }
  QToolButton *downButton() const { return down_; }

signals:
  void clicked(bool up);

protected:
  void resizeEvent(QResizeEvent *e) override;

private:
  QToolButton *up_ = nullptr;
  QToolButton *down_ = nullptr;
};

// A square button split by its diagonal (bottom-left to top-right): the top
// half spins up, the bottom half down. Held down, it repeats after 400 ms,
// then every 100 ms.
class TReSpinButton : public QWidget {
  Q_OBJECT
public:
  enum Half { None, Top, Bottom };
  explicit TReSpinButton(QWidget *parent = nullptr);

  QPointer<QWidget> FocusControl;
  // The half a point lies in: below the diagonal is the bottom half.
  static Half HalfAt(const QPoint &p, const QSize &size);
  Half down() const { return down_; }
  QTimer *repeatTimer() const { return timer_; }
  // One tick of the repeat timer.
  void repeatTick();

signals:
  void topClick();
  void bottomClick();

protected:
  void paintEvent(QPaintEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mouseReleaseEvent(QMouseEvent *e) override;
  void changeEvent(QEvent *e) override;

private:
  void click(Half half);
  void setDown(Half half);
  Half down_ = None;
  Half lastDown_ = None;
  bool dragging_ = false;
  QTimer *timer_ = nullptr;
};

class TReSpinEdit : public QLineEdit {
  Q_OBJECT
public:
  explicit TReSpinEdit(QWidget *parent = nullptr);

  bool ArrowKeys = true;
  bool EditorEnabled = true;
  TSpinButtonKind ButtonKind() const { return buttonKind_; }
  void SetButtonKind(TSpinButtonKind kind);
  int Decimal() const { return decimal_; }
  void SetDecimal(int decimal);
  long double Increment() const { return increment_; }
  void SetIncrement(long double increment) { increment_ = increment; }
  long double MinValue = 0;
  long double MaxValue = 0;
  TValueType ValueType() const { return valueType_; }
  void SetValueType(TValueType type);
  // The text's value; text that is no number reads as MinValue.
  long double Value() const;
  void SetValue(long double value);
  // The value truncated, kept within the range of int.
  int AsInteger() const;
  void SetAsInteger(int value) { SetValue(value); }
  // Within MinValue..MaxValue unless the two are equal.
  long double CheckValue(long double value) const;

  virtual bool IsValidChar(QChar c) const;
  virtual void UpClick();
  virtual void DownClick();

  // OnChange: once per user edit and once per spin click that changed the text.
  std::function<void(TReSpinEdit *)> OnChange;
  std::function<void(TReSpinEdit *)> OnTopClick;
  std::function<void(TReSpinEdit *)> OnBottomClick;
  QWidget *button() const { return button_; }

protected:
  void keyPressEvent(QKeyEvent *e) override;
  void focusInEvent(QFocusEvent *e) override;
  void focusOutEvent(QFocusEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
  void changeEvent(QEvent *e) override;

private:
  void spin(long double step, bool up);
  long double rawValue(bool *isNumber) const;
  long double bounded(long double v) const;
  void layoutButton();
  QString textOf(long double value) const;
  TSpinButtonKind buttonKind_ = bkDiagonal;
  int decimal_ = 2;
  long double increment_ = 1;
  TValueType valueType_ = vtInteger;
  QWidget *button_ = nullptr;
  bool quiet_ = false;
};

} // namespace qel
