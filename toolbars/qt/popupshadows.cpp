#include "toolbars/qt/popupshadows.h"

#include <QPainter>

namespace qel::toolbars {

namespace {

class TShadowStripWindow final : public QWidget {
public:
  TShadowStripWindow(const QRect &bounds, QImage image)
      : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                             Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
        Image(std::move(image)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setGeometry(bounds);
  }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, Image);
  }

private:
  QImage Image;
};

} // namespace

QImage ShadowStripImage(bool horizontal, const QSize &size, int edges, int opacity) {
  const int w = qMax(size.width(), 0), h = qMax(size.height(), 0);
  QImage image(w, h, QImage::Format_ARGB32);
  const QList<std::uint8_t> alpha = ShadowStripAlpha(horizontal, size, edges);
  const int o = qBound(0, opacity, 255);
  for (int y = 0; y < h; ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < w; ++x)
      line[x] = qRgba(0, 0, 0, alpha.at(qsizetype(y) * w + x) * o / 255);
  }
  return image;
}

TPopupShadows::TPopupShadows(const QRect &opening, const QRect &window, int opacity, int size, bool translucent) {
  if (!translucent)
    return;
  for (const TShadowStrip &strip : ShadowLayout(opening, window, size, false)) {
    if (strip.Bounds.isEmpty())
      continue;
    StripWindows.push_back(std::make_unique<TShadowStripWindow>(
        strip.Bounds, ShadowStripImage(strip.Horizontal, strip.Bounds.size(), strip.Edges, opacity)));
  }
}

TPopupShadows::~TPopupShadows() {
  // Last made, first gone.
  while (!StripWindows.empty())
    StripWindows.pop_back();
}

void TPopupShadows::Show(QWidget *popup) {
  // Top-level windows stack by raising: the strips first, the popup over them.
  for (auto &strip : StripWindows)
    strip->show();
  if (popup)
    popup->raise();
}

} // namespace qel::toolbars
