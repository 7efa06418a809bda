#include "richedit/bitmaphelpers.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qel {
namespace {

QImage fromBmp(const QByteArray &bmp) { return QImage::fromData(bmp, "BMP"); }

QSet<QRgb> colorsOf(const QImage &img) {
  QSet<QRgb> s;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) s.insert(img.pixel(x, y) | 0xFF000000);
  return s;
}

TEST(BitmapHelpers, LevelTablesTakeFirstOfEquallyNearLevels) {
  struct Case { int levels, value, index; };
  const Case cases[] = {{4, 0, 0},   {4, 42, 0},  {4, 43, 1},  {4, 127, 1}, {4, 128, 2}, {4, 255, 3},
                        {6, 25, 0},  {6, 26, 1},  {6, 76, 1},  {6, 77, 2},  {7, 21, 0},  {7, 22, 1},
                        {7, 64, 1},  {7, 106, 2}, {7, 107, 3}, {8, 18, 0},  {8, 19, 1},  {8, 237, 6},
                        {8, 238, 7}};
  for (const Case &c : cases)
    EXPECT_EQ(NearestLevelTable(c.levels)[c.value], c.index) << c.levels << " levels, value " << c.value;
  // 85 is as near to 43 as to 128 in the 7-level table: the first wins.
  EXPECT_EQ(NearestLevelTable(7)[64], 1);
}

TEST(BitmapHelpers, FixedPalettesGrayscaleAndChannelTriple) {
  QImage src(3, 2, QImage::Format_RGB32);
  src.fill(qRgb(255, 0, 0));
  src.setPixel(1, 0, qRgb(0, 255, 0));
  src.setPixel(2, 0, qRgb(0, 0, 255));
  src.setPixel(0, 1, qRgb(128, 73, 170));

  const QImage f784 = ReduceToIndexed8(src, rmFixed784);
  EXPECT_EQ(f784.pixelIndex(0, 0), 6 * 32);
  EXPECT_EQ(f784.pixelIndex(1, 0), 7 * 4);
  EXPECT_EQ(f784.pixelIndex(2, 0), 3);
  EXPECT_EQ(f784.pixelIndex(0, 1), 3 * 32 + 2 * 4 + 2);
  EXPECT_EQ(f784.pixel(0, 1), qRgb(128, 73, 170));
  const QImage f666 = ReduceToIndexed8(src, rmFixed666);
  EXPECT_EQ(f666.pixelIndex(0, 0), 5 * 36);
  EXPECT_EQ(f666.pixel(2, 0), qRgb(0, 0, 255));

  // The formula (r*77 + g*150 + b*29) div 256: pure red 76, green 149, blue 28.
  const QImage gray = ReduceToIndexed8(src, rmGrayscale);
  EXPECT_EQ(gray.pixelIndex(0, 0), 76);
  EXPECT_EQ(gray.pixelIndex(1, 0), 149);
  EXPECT_EQ(gray.pixelIndex(2, 0), 28);

  // Channel by (row + column) mod 3, rows counted from the bottom.
  QImage white(3, 3, QImage::Format_RGB32);
  white.fill(qRgb(255, 255, 255));
  const QImage triple = ReduceToIndexed8(white, rmChannelTriple);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(triple.pixelIndex(x, y), ((2 - y + x) % 3) * 64 + 63) << x << "," << y;
}

TEST(BitmapHelpers, HistogramKeepsUpTo256ColoursAndMergesBlueFirstBeyond2048) {
  QImage few(32, 16, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) few.setPixel(x, y, qRgb((x % 16) * 16 + 3, y * 16, (x % 16) * y));
  ASSERT_LE(colorsOf(few).size(), 256);
  const QImage back = fromBmp(ReduceBitmapColors(few, 8, rmHistogram));
  ASSERT_FALSE(back.isNull());
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(back.pixel(x, y) | 0xFF000000, few.pixel(x, y) | 0xFF000000);

  // 4,096 colours differing in the lowest bit of blue only among pairs: the
  // coarser blue mask halves them, red and green stay exact.
  QImage many(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) many.setPixel(x, y, qRgb(x * 4, y * 4, (x + y) % 2));
  const QImage reduced = ReduceToIndexed8(many, rmHistogram);
  for (QRgb c : reduced.colorTable()) EXPECT_EQ(qBlue(c) & 1, 0);
}

TEST(BitmapHelpers, MedianCutOfFourColoursGivesThoseFour) {
  // Colours at cell centres (4-bit value * 16 + 15), and black.
  const QRgb colours[] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(239, 47, 111), qRgb(31, 207, 143)};
  QImage img(8, 8, QImage::Format_RGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) img.setPixel(x, y, colours[(x + 3 * y) % 4 == 0 ? 0 : (x * y) % 3 + 1]);
  const QImage reduced = ReduceToIndexed8(img, rmMedianCut);
  EXPECT_EQ(reduced.colorCount(), 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(reduced.pixel(x, y), img.pixel(x, y));
}

TEST(BitmapHelpers, ErrorsReachTheCaller) {
  try {
    ReduceBitmapColors(QImage(), 8, rmHistogram);
    FAIL();
  } catch (const EInvalidGraphic &e) {
    EXPECT_EQ(e.message(), "Bitmap image is not valid");
  }
  QImage img(2, 2, QImage::Format_RGB32);
  img.fill(Qt::red);
  for (int bits : {0, 2, 16, 32}) {
    try {
      ReduceBitmapColors(img, bits, rmHistogram);
      FAIL() << bits;
    } catch (const ENotImplemented &e) {
      EXPECT_EQ(e.message(), "Function not yet implemented");
    }
  }
}

TEST(BitmapHelpers, BmpResultIsReadByQtAndImageMagick) {
  QImage img(13, 7, QImage::Format_RGB32);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) img.setPixel(x, y, qRgb(x * 19, y * 30, 200));
  QTemporaryDir dir;
  const bool haveIdentify = !QStandardPaths::findExecutable("identify").isEmpty();
  struct Case { int bits; QString type; };
  for (const Case &c : {Case{1, "1"}, Case{4, "4"}, Case{8, "8"}, Case{24, "24"}}) {
    const QByteArray bmp = ReduceBitmapColors(img, c.bits, rmHistogram);
    ASSERT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(bmp.size() % 2, 0);
    const QImage back = fromBmp(bmp);
    ASSERT_FALSE(back.isNull()) << c.bits;
    EXPECT_EQ(back.size(), img.size());
    if (c.bits == 4) {
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_TRUE(QVector<QRgb>({qRgb(0, 0, 128), qRgb(0, 0, 255), qRgb(192, 192, 192),
                                                                qRgb(128, 128, 128), qRgb(0, 0, 0), qRgb(255, 255, 255),
                                                                qRgb(128, 0, 128), qRgb(255, 0, 255), qRgb(0, 128, 128),
                                                                qRgb(0, 255, 255), qRgb(128, 0, 0), qRgb(255, 0, 0),
                                                                qRgb(0, 128, 0), qRgb(0, 255, 0), qRgb(128, 128, 0),
                                                                qRgb(255, 255, 0)})
                                                     .contains(back.pixel(x, y)));
    }
    if (!haveIdentify) continue;
    const QString path = dir.filePath(QStringLiteral("r%1.bmp").arg(c.bits));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    QProcess p;
    p.start("identify", {"-format", "%w %h %z %k", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.readAllStandardError().trimmed(), "") << c.bits;
    const QStringList out = QString::fromLatin1(p.readAllStandardOutput()).split(' ');
    ASSERT_EQ(out.size(), 4);
    EXPECT_EQ(out[0], "13");
    EXPECT_EQ(out[1], "7");
  }
  if (haveIdentify) {
    // 8 bits with a 256-entry palette and every colour kept: AE 0 against the source.
    const QString src = dir.filePath("src.png"), res = dir.filePath("r8.bmp");
    ASSERT_TRUE(img.save(src));
    QProcess p;
    p.start("identify", {"-verbose", res});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString verbose = QString::fromLatin1(p.readAllStandardOutput());
    EXPECT_TRUE(verbose.contains("Colormap entries: 256")) << verbose.toStdString();
    p.start("compare", {"-metric", "AE", src, res, "null:"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.readAllStandardError().trimmed(), "0");
  }
}

TEST(BitmapHelpers, TransparentDrawing) {
  QImage bmp(2, 2, QImage::Format_RGB32);
  bmp.setPixel(0, 0, qRgb(255, 0, 0));
  bmp.setPixel(1, 0, qRgb(0, 255, 0));
  bmp.setPixel(0, 1, qRgb(0, 0, 255));  // bottom-left
  bmp.setPixel(1, 1, qRgb(255, 0, 0));
  const QRgb bg = qRgb(9, 9, 9);
  auto draw = [&](const QImage &src, TColor t, int dw, int dh) {
    QImage dest(8, 8, QImage::Format_RGB32);
    dest.fill(bg);
    QPainter p(&dest);
    DrawBitmapTransparent(p, 0, 0, dw, dh, 0, 0, 0, 0, src, t);
    p.end();
    return dest;
  };
  QImage d = draw(bmp, clNone, 0, 0);
  EXPECT_EQ(d.pixel(0, 1), qRgb(0, 0, 255));
  EXPECT_EQ(d.pixel(2, 2), bg);
  d = draw(bmp, clDefault, 0, 0);  // the bottom-left blue is left out
  EXPECT_EQ(d.pixel(0, 1), bg);
  EXPECT_EQ(d.pixel(0, 0), qRgb(255, 0, 0));
  d = draw(bmp, 0x0000FF, 4, 4);  // red (BGR) left out, stretched up
  EXPECT_EQ(d.pixel(1, 1), bg);
  EXPECT_EQ(d.pixel(3, 0), qRgb(0, 255, 0));
  EXPECT_EQ(d.pixel(1, 3), qRgb(0, 0, 255));
  EXPECT_EQ(d.pixel(3, 3), bg);
  EXPECT_EQ(d.pixel(4, 4), bg);
  d = draw(bmp, clNone, 1, 1);  // stretched down, nearest neighbour
  const QRgb one = d.pixel(0, 0);
  EXPECT_TRUE(one == qRgb(255, 0, 0) || one == qRgb(0, 255, 0) || one == qRgb(0, 0, 255));
  EXPECT_EQ(d.pixel(1, 0), bg);

  QImage mono(2, 1, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.setPixel(0, 0, 0);
  mono.setPixel(1, 0, 1);
  d = draw(mono, clDefault, 0, 0);  // a monochrome bitmap leaves out white
  EXPECT_EQ(d.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(d.pixel(1, 0), bg);

  QImage rect(8, 8, QImage::Format_RGB32);
  rect.fill(bg);
  QPainter p(&rect);
  DrawBitmapRectTransparent(p, 2, 2, 2, 2, bmp, QRect(1, 0, 1, 1), clNone);
  p.end();
  EXPECT_EQ(rect.pixel(3, 3), qRgb(0, 255, 0));
  EXPECT_EQ(rect.pixel(1, 1), bg);
}

TEST(BitmapHelpers, CursorsAndIconClipboard) {
  EXPECT_EQ(ScreenCursor(crHandPoint).shape(), Qt::PointingHandCursor);
  EXPECT_EQ(ScreenCursor(crDragCursor).shape(), Qt::DragMoveCursor);
  EXPECT_EQ(ScreenCursor(crFormatPainter).shape(), Qt::BitmapCursor);
  EXPECT_EQ(ScreenCursor(12345).shape(), Qt::ArrowCursor);

  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(qRgba(10, 200, 30, 255));
  QMimeData mime;
  ASSERT_TRUE(SaveIconToClipboardFormat(icon, mime));
  EXPECT_TRUE(mime.hasFormat(IconMimeType));
  const QImage back = LoadIconFromClipboardFormat(mime);
  ASSERT_EQ(back.size(), icon.size());
  EXPECT_EQ(back.pixel(5, 5), icon.pixel(5, 5));
  EXPECT_TRUE(LoadIconFromClipboardFormat(QMimeData()).isNull());
}

} // namespace
} // namespace qel
