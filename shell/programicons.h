#pragma once
// The program's two pictures, drawn by the program itself at any size: the
// program icon (windows, tray, help, the desktop's menu) and the card-file
// icon (the desktop shows it for ".qel" files).

#include <QIcon>
#include <QImage>
#include <array>

namespace qel {

// The sizes the installer places in the desktop's icon theme.
inline constexpr std::array<int, 8> kProgramIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

// A square transparent image of `size` pixels (at least 1).
QImage DrawProgramIconImage(int size);
QImage DrawCardFileIconImage(int size);

// The pictures as icons holding each standard size.
QIcon ProgramIcon();
QIcon CardFileIcon();

} // namespace qel
