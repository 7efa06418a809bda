#pragma once
// "Card properties": the title (editable unless the cards are locked), the
// times, the size, the background colour and the phone number of one card.

#include <QDialog>
#include <QFrame>

class QLabel;
class QLineEdit;

namespace qel {

class TCrd;

// A swatch filled with one brush, as the dialog shows the card's colour.
class TColorShape : public QFrame {
  Q_OBJECT
public:
  explicit TColorShape(QWidget *parent = nullptr);
  QColor brushColor() const { return color_; }
  Qt::BrushStyle brushStyle() const { return style_; }
  void setBrush(const QColor &color, Qt::BrushStyle style);

protected:
  void paintEvent(QPaintEvent *e) override;

private:
  QColor color_;
  Qt::BrushStyle style_ = Qt::SolidPattern;
};

class Tf_CardProperties : public QDialog {
  Q_OBJECT
public:
  explicit Tf_CardProperties(QWidget *parent = nullptr);

  // Fills the controls from the card.
  void ShowCard(const TCrd &card, bool locked);

  QLineEdit *e_Title = nullptr;
  QLabel *lbl_created = nullptr;
  QLabel *lbl_modified = nullptr;
  QLabel *lbl_size = nullptr;
  QLabel *lbl_phone = nullptr;
  TColorShape *sh_background = nullptr;
};

// Date and time as the properties show them; "unknown" for 0.
QString CardTimeText(double stamp);

} // namespace qel
