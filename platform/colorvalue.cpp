#include "platform/colorvalue.h"

#include <QGuiApplication>
#include <QPalette>

namespace qel {

QColor TColorToQColor(TColor color, const QColor &none) {
  if (color == clNone || color == clDefault) return none;
  if (color < 0) {
    const QPalette pal = QGuiApplication::palette();
    switch (color & 0xFF) {
    case 5: return pal.color(QPalette::Base);              // window background
    case 8: return pal.color(QPalette::Text);              // window text
    case 2: case 0x1B: return pal.color(QPalette::Highlight);        // active caption
    case 3: case 0x1C: return pal.color(QPalette::Dark);             // inactive caption
    case 6: return pal.color(QPalette::Shadow);            // window frame
    case 7: return pal.color(QPalette::WindowText);        // menu text
    case 9: return pal.color(QPalette::HighlightedText);   // caption text
    case 0x11: return pal.color(QPalette::Disabled, QPalette::WindowText); // grey text
    case 0x13: return pal.color(QPalette::Light);          // inactive caption text
    case 0x1A: return pal.color(QPalette::Link);           // hot light
    case 0x0F: return pal.color(QPalette::Button);         // button face
    case 0x10: return pal.color(QPalette::Dark);           // button shadow
    case 0x12: return pal.color(QPalette::ButtonText);
    case 0x0D: return pal.color(QPalette::Highlight);
    case 0x0E: return pal.color(QPalette::HighlightedText);
    case 0x14: return pal.color(QPalette::Light);          // button highlight
    case 0x15: return pal.color(QPalette::Shadow);         // dark shadow
    case 0x16: return pal.color(QPalette::Midlight);       // light edge
    case 0x17: return pal.color(QPalette::ToolTipText);
    case 0x18: return pal.color(QPalette::ToolTipBase);    // info background
    default: return pal.color(QPalette::Window);
    }
  }
  auto u = static_cast<std::uint32_t>(color);
  return QColor(u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF);
}

TColor QColorToTColor(const QColor &color) {
  if (!color.isValid()) return clNone;
  return TColor(color.red() | (color.green() << 8) | (color.blue() << 16));
}

TColor ColorToRGB(TColor color) {
  if (color >= 0 || color == clNone || color == clDefault) return color;
  return QColorToTColor(TColorToQColor(color));
}

} // namespace qel
