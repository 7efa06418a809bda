#pragma once
// The small drawing surface the toolbar framework paints on: rectangles,
// lines, text, images and clipping. One implementation sits on QPainter; the
// painting code never sees the painter itself.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QString>

class QPainter;

namespace qel::toolbars {

class TCanvas {
public:
  virtual ~TCanvas() = default;

  virtual void FillRect(const QRect &rect, const QColor &color) = 0;
  // Fills with an 8 x 8 pattern repeated from the surface's origin.
  virtual void FillRectWithPattern(const QRect &rect, const QImage &pattern) = 0;
  // Inverts, within the rectangle, the pixels the pattern's set (non-zero) pixels cover.
  virtual void InvertRectWithPattern(const QRect &rect, const QImage &pattern) = 0;
  // A one-pixel line from p1 to p2, both ends included.
  virtual void DrawLine(const QPoint &p1, const QPoint &p2, const QColor &color) = 0;
  // The polygon filled and outlined in one colour, without smoothing.
  virtual void FillPolygon(const QPolygon &polygon, const QColor &color) = 0;
  virtual void DrawText(const QRect &rect, int alignment, const QString &text, const QColor &color) = 0;
  virtual void DrawImage(const QPoint &topLeft, const QImage &image) = 0;
  // A copy of the surface's pixels in the rectangle (ARGB32); a null image
  // when the surface cannot be read back (a widget being painted).
  virtual QImage CopyArea(const QRect &rect) const = 0;

  virtual void SetFont(const QFont &font) = 0;
  virtual QFont Font() const = 0;
  // Height of a line and width of a text in the current font.
  virtual int TextHeight() const = 0;
  virtual int TextWidth(const QString &text) const = 0;
  // Distance from the top of a line to its baseline in the current font.
  virtual int TextAscent() const = 0;

  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual void SetClipRect(const QRect &rect) = 0;
  // Turns the coordinates a quarter clockwise about `origin`: until the next
  // Restore, (0, 0) lies at `origin`, x runs down the surface and y runs
  // left, so text drawn along x reads from top to bottom.
  virtual void TurnClockwise(const QPoint &origin) = 0;
};

class TPainterCanvas final : public TCanvas {
public:
  // The painter must paint on a QImage or a widget and outlive the canvas.
  explicit TPainterCanvas(QPainter &painter);

  void FillRect(const QRect &rect, const QColor &color) override;
  void FillRectWithPattern(const QRect &rect, const QImage &pattern) override;
  void InvertRectWithPattern(const QRect &rect, const QImage &pattern) override;
  void DrawLine(const QPoint &p1, const QPoint &p2, const QColor &color) override;
  void FillPolygon(const QPolygon &polygon, const QColor &color) override;
  void DrawText(const QRect &rect, int alignment, const QString &text, const QColor &color) override;
  void DrawImage(const QPoint &topLeft, const QImage &image) override;
  QImage CopyArea(const QRect &rect) const override;
  void SetFont(const QFont &font) override;
  QFont Font() const override;
  int TextHeight() const override;
  int TextWidth(const QString &text) const override;
  int TextAscent() const override;
  void Save() override;
  void Restore() override;
  void SetClipRect(const QRect &rect) override;
  void TurnClockwise(const QPoint &origin) override;

private:
  QPainter &Painter;
};

// Text measuring: the line height, and a text's width (without its
// accelerator marks when asked).
int CanvasTextHeight(const TCanvas &canvas);
int CanvasTextWidth(const TCanvas &canvas, const QString &text, bool stripAccelerators);

} // namespace qel::toolbars
