#pragma once
// The program's colour values to Qt colours: 0x00BBGGRR, a negative value
// names a system colour by its low byte, clNone paints nothing.

#include <QColor>
#include <cstdint>

namespace qel {

QColor TColorToQColor(std::int32_t color, const QColor &none = QColor());
std::int32_t QColorToTColor(const QColor &color);

} // namespace qel
