#pragma once
// Palettes for theme tests: a classic grey desktop and a dark one, each
// colour distinct so that a pixel tells which desktop colour painted it.
// Installing one makes it the application's palette until the guard goes.

#include <QApplication>
#include <QPalette>

namespace qel::toolbars::test {

struct TDesktopColors {
  QRgb Face, Light, Midlight, Shadow, DarkShadow, Text, Window, WindowText, Highlight, HighlightText, GreyText;
};

inline const TDesktopColors ClassicColors{0xFFC0C0C0, 0xFFFFFFFF, 0xFFDFDFDF, 0xFF808080, 0xFF404040, 0xFF000000,
                                          0xFFFFFFF0, 0xFF000010, 0xFF000080, 0xFFFFFF00, 0xFF707070};
inline const TDesktopColors DarkColors{0xFF353535, 0xFF5A5A5A, 0xFF454545, 0xFF202020, 0xFF101010, 0xFFE0E0E0,
                                       0xFF252525, 0xFFE0E0D0, 0xFF2A82DA, 0xFFFFFFFF, 0xFF7A7A7A};

inline QPalette MakePalette(const TDesktopColors &c) {
  QPalette p;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Button, QColor(c.Face));
    p.setColor(group, QPalette::Light, QColor(c.Light));
    p.setColor(group, QPalette::Midlight, QColor(c.Midlight));
    p.setColor(group, QPalette::Dark, QColor(c.Shadow));
    p.setColor(group, QPalette::Mid, QColor(c.Shadow));
    p.setColor(group, QPalette::Shadow, QColor(c.DarkShadow));
    p.setColor(group, QPalette::ButtonText, QColor(c.Text));
    p.setColor(group, QPalette::Base, QColor(c.Window));
    p.setColor(group, QPalette::Text, QColor(c.WindowText));
    p.setColor(group, QPalette::Window, QColor(c.Face));
    p.setColor(group, QPalette::WindowText, QColor(group == QPalette::Disabled ? c.GreyText : c.Text));
    p.setColor(group, QPalette::Highlight, QColor(c.Highlight));
    p.setColor(group, QPalette::HighlightedText, QColor(c.HighlightText));
    p.setColor(group, QPalette::Link, QColor(c.Highlight));
  }
  return p;
}

class TPaletteGuard {
public:
  explicit TPaletteGuard(const TDesktopColors &colors) : saved_(QApplication::palette()) {
    QApplication::setPalette(MakePalette(colors));
  }
  ~TPaletteGuard() { QApplication::setPalette(saved_); }

private:
  QPalette saved_;
};

} // namespace qel::toolbars::test
