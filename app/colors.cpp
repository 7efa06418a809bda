#include "app/colors.h"

#include <QApplication>
#include <QPalette>

namespace qel {

QColor TColorToQColor(std::int32_t color, const QColor &none) {
  if (color == 0x1FFFFFFF) return none;
  if (color < 0) {
    const QPalette pal = QApplication::palette();
    switch (color & 0xFF) {
    case 5: return pal.color(QPalette::Base);              // window background
    case 8: return pal.color(QPalette::Text);              // window text
    case 0x0F: return pal.color(QPalette::Button);         // button face
    case 0x12: return pal.color(QPalette::ButtonText);
    case 0x0D: return pal.color(QPalette::Highlight);
    case 0x0E: return pal.color(QPalette::HighlightedText);
    case 0x17: return pal.color(QPalette::ToolTipText);
    case 0x18: return pal.color(QPalette::ToolTipBase);    // info background
    default: return pal.color(QPalette::Window);
    }
  }
  auto u = static_cast<std::uint32_t>(color);
  return QColor(u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF);
}

std::int32_t QColorToTColor(const QColor &color) {
  if (!color.isValid()) return 0x1FFFFFFF;
  return std::int32_t(color.red() | (color.green() << 8) | (color.blue() << 16));
}

} // namespace qel
