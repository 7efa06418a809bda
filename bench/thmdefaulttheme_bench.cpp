// Painting one toolbar of 20 items and one popup menu of 20 entries through
// the default theme into an image, every element a real paint would ask for
// (target: each well under a millisecond):
//   thmdefaulttheme_bench
#include "bench/offscreenmain.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/verticaltext.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace {

using namespace qel::toolbars;

QImage Glyph() {
  QImage glyph(16, 16, QImage::Format_ARGB32);
  glyph.fill(Qt::transparent);
  QPainter p(&glyph);
  p.fillRect(2, 2, 12, 12, QColor(0x20, 0x40, 0xC0));
  return glyph;
}

ItemPaintInfo Info(int viewType, int options, int i) {
  ItemPaintInfo info;
  info.ViewType = viewType;
  info.ItemOptions = options | ipo::AppActive;
  info.Enabled = i % 7 != 6;
  info.Selected = i % 5 == 2;
  info.HoverKind = i == 3 ? 2 : 0;
  info.ImageShown = true;
  info.ImageWidth = info.ImageHeight = 16;
  info.PopupMargin = 22;
  return info;
}

void BM_Toolbar20Items(benchmark::State &state) {
  TThmDefaultTheme theme("Default");
  const QImage glyph = Glyph();
  QImage image(20 * 60 + 20, 30, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  ToolbarFrameInfo frame;
  frame.ViewType = vt::Toolbar;
  frame.AllowDrag = true;
  frame.BorderStyle = 1;
  frame.BorderSize = QPoint(2, 2);
  frame.ClientWidth = image.width() - 4;
  frame.ClientHeight = 26;
  for (auto _ : state) {
    theme.PaintToolbarFrame(canvas, image.rect(), frame);
    for (int i = 0; i < 20; ++i) {
      const auto info = Info(vt::Toolbar, ipo::ToolbarStyle, i);
      const QRect button(12 + i * 60, 3, 58, 24);
      theme.PaintItemButton(canvas, button, info);
      theme.PaintItemImage(canvas, QRect(button.left() + 3, button.top() + 4, 16, 16), info, glyph);
      theme.PaintItemCaption(canvas, QRect(button.left() + 22, button.top(), 34, 24), info, "&Item",
                             TextVCenter, false);
    }
  }
}
BENCHMARK(BM_Toolbar20Items)->Unit(benchmark::kMicrosecond);

void BM_Menu20Entries(benchmark::State &state) {
  TThmDefaultTheme theme("Default");
  const QImage glyph = Glyph();
  QImage image(200, 20 * 22 + 6, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  PopupFrameInfo frame;
  frame.ViewType = vt::PopupMenu;
  frame.BorderSize = QPoint(3, 3);
  for (auto _ : state) {
    theme.PaintViewBackground(canvas, QRect(), image.rect(), image.rect(), theme.ViewBackColor(vt::PopupMenu), false,
                              vt::PopupMenu);
    theme.PaintPopupFrame(canvas, image.rect(), frame);
    for (int i = 0; i < 20; ++i) {
      const auto info = Info(vt::PopupMenu, i % 4 == 1 ? ipo::Submenu : 0, i);
      const QRect entry(3, 3 + i * 22, 194, 22);
      theme.PaintMenuEntry(canvas, entry, info);
      if (info.Selected && i % 2)
        theme.PaintCheckGlyph(canvas, QRect(entry.left() + 1, entry.top(), 22, 22), info);
      else
        theme.PaintItemImage(canvas, QRect(entry.left() + 4, entry.top() + 3, 16, 16), info, glyph);
      theme.PaintItemCaption(canvas, QRect(entry.left() + 28, entry.top(), 140, 22), info, "&Menu entry",
                             TextVCenter, false);
    }
  }
}
BENCHMARK(BM_Menu20Entries)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QGuiApplication>(argc, argv); }
