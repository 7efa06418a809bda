#include "thmgallery.h"
#include "thmtestpalette.h"

#include "toolbars/paint/thmdefaulttheme.h"

#include <QDir>
#include <QMap>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// Set QEL_THEME_GALLERY to a folder to keep the pictures for a look.
void KeepGallery(const QImage &image, const char *name) {
  const QByteArray folder = qgetenv("QEL_THEME_GALLERY");
  if (!folder.isEmpty())
    image.save(QDir(QString::fromLocal8Bit(folder)).filePath(QString("theme-gallery-%1.png").arg(name)));
}

TEST(DefaultThemeGallery, PaintsEveryElementInEveryState) {
  for (const auto &[colors, name] : {std::pair{ClassicColors, "classic"}, std::pair{DarkColors, "dark"}}) {
    TPaletteGuard palette(colors);
    TThmDefaultTheme theme("Default");
    const QImage image = PaintGallery(theme);
    KeepGallery(image, name);
  }
}

} // namespace
