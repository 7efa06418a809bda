#include "richedit/gifimage.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <utility>
#include <vector>

using namespace qel;

namespace {

// Packs (code, size) pairs least-significant bit first into sub-blocks of at
// most 255 bytes, after the minimum code size byte, with the terminator.
QByteArray PackCodes(int minimum, const std::vector<std::pair<int, int>> &codes, bool terminate = true) {
  QByteArray bytes;
  std::uint32_t buf = 0;
  int bits = 0;
  for (auto [code, size] : codes) {
    buf |= std::uint32_t(code) << bits;
    bits += size;
    while (bits >= 8) {
      bytes.append(char(buf & 0xFF));
      buf >>= 8;
      bits -= 8;
    }
  }
  if (bits) bytes.append(char(buf & 0xFF));
  QByteArray out(1, char(minimum));
  for (qsizetype i = 0; i < bytes.size(); i += 255) {
    const QByteArray part = bytes.mid(i, 255);
    out.append(char(part.size()));
    out.append(part);
  }
  if (terminate) out.append('\0');
  return out;
}

QByteArray Word(int v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF)); }

// Header, screen w x h with a global table of 4 colours.
QByteArray Header(int w = 2, int h = 2, const char *version = "GIF89a") {
  QByteArray g(version);
  g += Word(w) + Word(h);
  g += char(0x81); // global table, 2 bits
  g += char(0) + QByteArray(1, 0);
  g += QByteArray::fromHex("ff0000" "00ff00" "0000ff" "ffffff");
  return g;
}
QByteArray Descriptor(int w = 2, int h = 2, int packed = 0) {
  return QByteArray(",") + Word(0) + Word(0) + Word(w) + Word(h) + char(packed);
}
// The 2 x 2 picture 0 1 / 2 3 in codes of minimum size 2.
QByteArray GoodData() { return PackCodes(2, {{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}}); }

struct Loaded {
  QString error;
  bool frameCorrupted = false;
  QImage image;
};
Loaded Load(TGIFImage &gif, const QByteArray &bytes) {
  Loaded r;
  try {
    gif.LoadFromData(bytes);
    if (gif.frameCount()) {
      r.frameCorrupted = gif.frame(0).corrupted;
      r.image = gif.bitmap();
    }
  } catch (const EInvalidGraphic &e) {
    r.error = e.message();
  }
  return r;
}

} // namespace

TEST(GIFImage, ReadsCraftedFiles) {
  const QByteArray good = Header() + Descriptor() + GoodData() + ";";
  const QByteArray gce = QByteArray::fromHex("21f90405" "1027" "0200"); // transparent 2, disposal 1, 100 s
  const QByteArray loop = QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" + QByteArray::fromHex("0301ffff00");
  const QByteArray comment = QByteArray::fromHex("21fe") + char(5) + "hello" + char(0);
  struct Case {
    const char *name;
    QByteArray bytes;
    QString error;
    bool corrupted;
  };
  const Case cases[] = {
      {"good", good, {}, false},
      {"lower-case signature", QByteArray("gif87a") + Header().mid(6) + Descriptor() + GoodData() + ";", {}, false},
      {"unknown version", QByteArray("GIF88a") + Header().mid(6), "Unknown GIF version", false},
      {"not a GIF", QByteArray("XIF89a") + Header().mid(6), "Unknown GIF version", false},
      {"short signature", "GI", "Stream read error", false},
      {"truncated screen", Header().left(9), "Stream read error", false},
      {"truncated descriptor", Header() + Descriptor().left(5), "Stream read error", false},
      {"truncated mid sub-block", Header() + Descriptor() + GoodData().left(3), {}, true},
      {"no data at all", Header() + Descriptor(), {}, true},
      {"minimum code size 12", Header() + Descriptor() + PackCodes(12, {{512, 10}, {0, 10}, {1, 10}, {2, 10}, {3, 10}}) + ";", {}, true},
      {"code above the next free code", Header() + Descriptor() + PackCodes(2, {{4, 3}, {0, 3}, {7, 3}}) + ";", {}, true},
      {"first code after clear not a literal", Header() + Descriptor() + PackCodes(2, {{4, 3}, {6, 3}}) + ";", {}, true},
      {"no leading clear", Header() + Descriptor() + PackCodes(2, {{0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}}) + ";", {}, false},
      {"huge frame", Header(65535, 65535) + Descriptor(65535, 65535) + GoodData() + ";",
       "GIF frame too large (more than 50000000 pixels)", false},
      {"unknown extension label", Header() + QByteArray::fromHex("214200") + Descriptor() + GoodData() + ";",
       "Unrecognized extension block: 42", false},
      {"stray byte where a block is expected", Header() + "X" + Descriptor() + GoodData() + ";", "Stream read error", false},
      {"stray byte after an image", Header() + Descriptor() + GoodData() + "X", {}, false},
      {"truncated extension", Header() + QByteArray::fromHex("21fe05616263"), "Stream read error", false},
      {"extensions everywhere", Header() + loop + comment + gce + Descriptor() + GoodData() + comment + ";", {}, false},
  };
  for (const Case &c : cases) {
    TGIFImage gif;
    const Loaded r = Load(gif, c.bytes);
    EXPECT_EQ(r.error, c.error) << c.name;
    EXPECT_EQ(r.frameCorrupted, c.corrupted) << c.name;
    if (!c.error.isEmpty()) {
      EXPECT_EQ(gif.frameCount(), 0) << c.name;
      continue;
    }
    ASSERT_EQ(gif.frameCount(), 1) << c.name;
    ASSERT_EQ(r.image.size(), QSize(2, 2)) << c.name;
    if (c.corrupted) continue;
    EXPECT_EQ(r.image.pixel(0, 0), qRgb(255, 0, 0)) << c.name;
    EXPECT_EQ(r.image.pixel(1, 0), qRgb(0, 255, 0)) << c.name;
    EXPECT_EQ(r.image.pixel(0, 1), qRgb(0, 0, 255)) << c.name;
    EXPECT_EQ(r.image.pixel(1, 1), qRgb(255, 255, 255)) << c.name;
  }

  // The extensions of the last case: loop count 65,535 reads as 30,000, the
  // delay keeps its 100 s, the transparent entry is the read index, and the
  // trailing comment becomes the image's.
  TGIFImage gif;
  ASSERT_EQ(Load(gif, cases[std::size(cases) - 1].bytes).error, QString());
  EXPECT_TRUE(gif.looping);
  EXPECT_EQ(gif.repeatCount, 30000);
  TGIFFrame &f = gif.frame(0);
  EXPECT_EQ(f.delay(), 100000);
  EXPECT_EQ(f.disposal, 1);
  EXPECT_EQ(f.transparentIndex, 2);
  EXPECT_EQ(f.transparentColor, TColor(0xFF0000)); // blue as 0x00BBGGRR
  EXPECT_TRUE(gif.Transparent());
  EXPECT_EQ(f.comment(), QStringList{"hello"});
  EXPECT_EQ(gif.data().comment, QStringList{"hello"});
  EXPECT_EQ(gif.backgroundColor, TColor(0x0000FF));
  EXPECT_EQ(gif.Width(), 2);
  try {
    gif.SetWidth(5);
    ADD_FAILURE() << "SetWidth did not raise";
  } catch (const EInvalidGraphic &e) {
    EXPECT_EQ(e.message(), "Cannot change the Size of a GIF image");
  }
}

// The decoder's work is bounded by the data present: a frame declaring far
// more pixels than its few bytes of codes can make is refused before any
// pixel is made (not decoded, filled and written again); a frame its data
// can fill, or a small damaged one, is still read.
TEST(GIFImage, FrameLargerThanItsDataCanFillIsRefused) {
  struct Case {
    int width, height;
    QByteArray data;
    bool refused;
  } cases[] = {
      {8000, 6000, GoodData(), true},                           // 48 million pixels from 6 bytes
      {8000, 6000, PackCodes(2, {{4, 3}, {0, 3}}, false), true}, // and cut off as well
      {256, 257, GoodData(), true},                             // just past the small-frame allowance
      {256, 256, GoodData(), false},                            // small: shown as far as it goes
      {2, 2, GoodData(), false},
  };
  for (const Case &c : cases) {
    const QByteArray bytes = Header(c.width, c.height) + Descriptor(c.width, c.height) + c.data + ";";
    TGIFImage gif;
    const Loaded r = Load(gif, bytes);
    EXPECT_EQ(r.error.startsWith("GIF frame damaged: its "), c.refused) << c.width << "x" << c.height << " " << r.error.toStdString();
    if (!c.refused) EXPECT_EQ(r.image.size(), QSize(c.width, c.height));
  }
}

TEST(GIFImage, HostileCodesStayInsideImageAndTable) {
  // Minimum code size 9 on an 8-bit image: the literal 300 lies beyond the
  // colour table and goes to entry 0; the rest decodes.
  QByteArray g("GIF89a");
  g += Word(2) + Word(1) + char(0x87) + char(0) + char(0);
  QByteArray table(256 * 3, '\0');
  table[3 * 5] = char(200);
  g += table;
  g += Descriptor(2, 1) + PackCodes(9, {{512, 10}, {300, 10}, {5, 10}, {513, 10}}) + ";";
  TGIFImage gif;
  const Loaded r = Load(gif, g);
  ASSERT_EQ(r.error, QString());
  EXPECT_EQ(r.image.pixelIndex(0, 0), 0);
  EXPECT_EQ(r.image.pixelIndex(1, 0), 5);
  // More pixels than the frame holds stop at the last row.
  const QByteArray overlong = Header(1, 1) + Descriptor(1, 1) +
                              PackCodes(2, {{4, 3}, {0, 3}, {1, 3}, {6, 3}, {7, 4}, {8, 4}, {5, 4}}) + ";";
  EXPECT_EQ(Load(gif, overlong).image.size(), QSize(1, 1));
}

TEST(GIFImage, InterlacedFramesWriteEveryRowOnce) {
  for (int height = 1; height <= 9; ++height) {
    QByteArray g("GIF89a");
    g += Word(1) + Word(height) + char(0x83) + char(0) + char(0);
    for (int i = 0; i < 16; ++i) g += QByteArray(3, char(i * 16));
    // Rows in interlace order, each pixel its row number, a clear code
    // before every literal to keep the code size at 5 bits.
    std::vector<std::pair<int, int>> codes;
    for (int pass = 0, start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2}; pass < 4; ++pass)
      for (int y = start[pass]; y < height; y += step[pass]) {
        codes.push_back({16, 5});
        codes.push_back({y, 5});
      }
    codes.push_back({17, 5});
    g += Descriptor(1, height, 0x40) + PackCodes(4, codes) + ";";
    TGIFImage gif;
    const Loaded r = Load(gif, g);
    ASSERT_EQ(r.error, QString()) << height;
    EXPECT_FALSE(r.frameCorrupted) << height;
    EXPECT_TRUE(gif.frame(0).interlaced);
    for (int y = 0; y < height; ++y) EXPECT_EQ(r.image.pixelIndex(0, y), y) << height;
  }
}

namespace {
bool HaveConvert() { return !QStandardPaths::findExecutable("convert").isEmpty(); }
QImage ConvertRgb(const QString &path, QSize size, int frame = 0) {
  QProcess p;
  p.start("convert", {QStringLiteral("%1[%2]").arg(path).arg(frame), "-depth", "8", "rgb:-"});
  if (!p.waitForFinished(30000)) return {};
  const QByteArray raw = p.readAllStandardOutput();
  if (raw.size() != size.width() * size.height() * 3) return {};
  QImage out(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) {
      const char *px = raw.constData() + 3 * (y * size.width() + x);
      out.setPixel(x, y, qRgb(uchar(px[0]), uchar(px[1]), uchar(px[2])));
    }
  return out;
}
} // namespace

TEST(GIFImage, FirstFrameMatchesOtherReaders) {
  if (!HaveConvert()) {
    GTEST_SKIP() << "ImageMagick is not installed";
  }
  const bool qtReadsGif = QImageReader::supportedImageFormats().contains("gif");
  QTemporaryDir dir;
  struct Case {
    int colors;
    int width, height;
    bool interlace;
  };
  // 32 and 128 colours give the minimum code sizes 5 and 7 the others do not.
  std::vector<Case> cases = {{2, 31, 19, false},  {4, 31, 19, false},   {16, 33, 17, false},
                             {32, 40, 30, false}, {64, 40, 30, false},  {128, 64, 48, false},
                             {256, 64, 48, false}, {256, 64, 48, true}, {16, 20, 11, true}};
  for (int h = 1; h <= 9; ++h) cases.push_back({8, 7, h, true});
  for (const Case &c : cases) {
    const QString path = dir.filePath(QStringLiteral("g%1_%2_%3.gif").arg(c.colors).arg(c.height).arg(c.interlace));
    QProcess p;
    p.start("convert", {"-seed", "7", "-size", QStringLiteral("%1x%2").arg(c.width).arg(c.height), "plasma:",
                        "+dither", "-colors", QString::number(c.colors), "-interlace",
                        c.interlace ? "GIF" : "none", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    TGIFImage gif;
    QString error;
    ASSERT_TRUE(gif.LoadFromFile(path, &error)) << error.toStdString();
    EXPECT_FALSE(gif.frame(0).corrupted) << path.toStdString();
    const QImage ours = gif.bitmap().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(ours.size(), QSize(c.width, c.height));
    EXPECT_EQ(ours, ConvertRgb(path, ours.size())) << path.toStdString();
    // Qt's reader fills interlaced frames of 3 and 4 rows progressively and
    // leaves a copied row where the last pass's row belongs; the interlace
    // order itself is checked on hand-made frames above.
    const bool qtComparable = !c.interlace || c.height > 4;
    if (qtReadsGif && qtComparable) {
      EXPECT_EQ(ours, QImage(path).convertToFormat(QImage::Format_RGB32)) << path.toStdString();
    }
  }
}

namespace {
QImage RandomIndexed(int w, int h, int colors, quint32 seed) {
  QImage img(w, h, QImage::Format_Indexed8);
  QVector<QRgb> table;
  for (int i = 0; i < colors; ++i) table.append(qRgb((i * 37) & 255, (i * 91) & 255, (i * 13 + 7) & 255));
  img.setColorTable(table);
  quint32 r = seed;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      r = r * 1664525u + 1013904223u;
      // Runs of equal pixels as well as noise, so strings grow long.
      img.scanLine(y)[x] = uchar(((r >> 24) % 4 == 0 ? (r >> 8) : (x / 5 + y / 3)) % colors);
    }
  return img;
}
} // namespace

TEST(GIFImage, WritesWhatItReadsBack) {
  QImage mono(37, 11, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 37; ++x) mono.setPixel(x, y, (x * y + x / 3) % 2);
  QImage rgb(40, 30, QImage::Format_RGB32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) rgb.setPixel(x, y, qRgb(x * 6, y * 8, (x + y) * 3));
  const QImage sources[] = {mono, RandomIndexed(9, 7, 5, 1), RandomIndexed(300, 200, 256, 2),
                            RandomIndexed(1000, 400, 16, 3), rgb};
  const bool haveConvert = HaveConvert();
  QTemporaryDir dir;
  int n = 0;
  for (const QImage &src : sources) {
    TGIFImage gif;
    gif.AddFrame(src);
    const QByteArray bytes = gif.SaveToData();
    EXPECT_TRUE(bytes.startsWith("GIF87a")) << n; // one plain frame
    TGIFImage back;
    const Loaded r = Load(back, bytes);
    ASSERT_EQ(r.error, QString()) << n;
    EXPECT_FALSE(r.frameCorrupted) << n;
    const QImage expected = src.format() == QImage::Format_RGB32
                                ? ReduceToIndexed8(src, DefaultColorReduction).convertToFormat(QImage::Format_RGB32)
                                : src.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(r.image.convertToFormat(QImage::Format_RGB32), expected) << n;
    if (haveConvert) {
      const QString path = dir.filePath(QStringLiteral("w%1.gif").arg(n));
      ASSERT_TRUE(gif.SaveToFile(path));
      QProcess p;
      p.start("identify", {path});
      ASSERT_TRUE(p.waitForFinished(30000));
      EXPECT_EQ(p.readAllStandardError().trimmed(), "") << n;
      EXPECT_EQ(ConvertRgb(path, src.size()), expected) << n;
    }
    ++n;
  }
}

TEST(GIFImage, WritingKeepsVersionLoopDelayAndTransparentIndex) {
  TGIFImage none;
  try {
    none.SaveToData();
    ADD_FAILURE();
  } catch (const EInvalidGraphic &e) {
    EXPECT_EQ(e.message(), "No GIF Data to write");
  }

  TGIFImage commented;
  commented.AddFrame(RandomIndexed(4, 4, 4, 5));
  commented.data().comment = QStringList{"note"};
  const QByteArray withComment = commented.SaveToData();
  EXPECT_TRUE(withComment.startsWith("GIF89a"));
  TGIFImage back;
  ASSERT_EQ(Load(back, withComment).error, QString());
  EXPECT_EQ(back.data().comment, QStringList{"note"});

  TGIFImage anim;
  anim.AddFrame(RandomIndexed(6, 5, 4, 6));
  anim.AddFrame(RandomIndexed(6, 5, 4, 7));
  anim.looping = true;
  anim.repeatCount = 7;
  anim.frame(1).delayHundredths = 9000; // 90 s
  anim.frame(1).disposal = 2;
  ASSERT_EQ(Load(back, anim.SaveToData()).error, QString());
  EXPECT_EQ(back.frameCount(), 2);
  EXPECT_TRUE(back.looping);
  EXPECT_EQ(back.repeatCount, 7);
  EXPECT_EQ(back.frame(1).delay(), 90000);
  EXPECT_EQ(back.frame(1).disposal, 2);

  // The same colour twice: the transparent entry read stays the one written.
  QByteArray g("GIF89a");
  g += Word(2) + Word(2) + char(0x81) + char(0) + char(0);
  g += QByteArray::fromHex("ff0000" "0000ff" "0000ff" "ffffff");
  g += QByteArray::fromHex("21f904010000" "0200") + Descriptor() + GoodData() + ";";
  TGIFImage dup;
  ASSERT_EQ(Load(dup, g).error, QString());
  ASSERT_EQ(Load(back, dup.SaveToData()).error, QString());
  EXPECT_EQ(back.frame(0).transparentIndex, 2);

  // A screen wider than 65,535 cannot be written.
  TGIFImage wide;
  wide.AddFrame(RandomIndexed(100, 1, 2, 8));
  wide.frame(0).left = 65500;
  try {
    wide.SaveToData();
    ADD_FAILURE();
  } catch (const EInvalidGraphic &e) {
    EXPECT_EQ(e.message(), "GIF image encoding error");
  }
}

namespace {
// Pictures whose encoded bytes are pinned: blank ones make the longest
// strings, noise the most table resets, a ramp repeats strings across rows.
QImage Blank(int w, int h, QImage::Format format) {
  QImage img(w, h, format);
  img.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
  img.fill(format == QImage::Format_Mono ? 1 : 0);
  return img;
}
QImage Ramp(int w, int h) {
  QImage img(w, h, QImage::Format_Indexed8);
  QVector<QRgb> table;
  for (int i = 0; i < 256; ++i) table.append(qRgb(i, i, 255 - i));
  img.setColorTable(table);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.scanLine(y)[x] = uchar((x / 7 + y / 5) & 255);
  return img;
}
} // namespace

TEST(GIFImage, EncodingWritesThePinnedCodes) {
  QImage mono(301, 77, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int y = 0; y < mono.height(); ++y)
    for (int x = 0; x < mono.width(); ++x) mono.setPixel(x, y, ((x ^ y) % 5) == 0);
  // Digests of what the encoder wrote with its first string table; the codes
  // of a greedy LZW do not depend on how the table is searched.
  struct Case {
    const char *name;
    QImage image;
    const char *sha1;
    qsizetype size;
  };
  const Case cases[] = {
      {"blank 8-bit 4000x3000", Blank(4000, 3000, QImage::Format_Indexed8), "08d252a65e1f24b8037f0a9dce1b54826f7543b6", 9697},
      {"blank 1-bit 1500x900", Blank(1500, 900, QImage::Format_Mono), "99e69b5dce884d4afa571d4a8023186abf4f75b6", 2051},
      {"noise 256 colours", RandomIndexed(640, 480, 256, 11), "b21ac2424ed9e876efe93da0f63eea551a835b69", 259296},
      {"noise 3 colours", RandomIndexed(333, 222, 3, 12), "e8839b3a97a28fecc34ea00ef38e81e43e86c39d", 13598},
      {"ramp", Ramp(800, 600), "b6bea1e1d05f3ab5d1505349ca5bc0ded973d45e", 121027},
      {"mono pattern", mono, "de667719e5c4ff2f7cd5d415fcac169ed49fabc9", 2268},
  };
  for (const Case &c : cases) {
    TGIFImage gif;
    gif.AddFrame(c.image);
    const QByteArray bytes = gif.SaveToData();
    EXPECT_EQ(bytes.size(), c.size) << c.name;
    EXPECT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex(), QByteArray(c.sha1)) << c.name;
    TGIFImage back;
    const Loaded r = Load(back, bytes);
    EXPECT_EQ(r.error, QString()) << c.name;
    EXPECT_EQ(r.image.convertToFormat(QImage::Format_RGB32), c.image.convertToFormat(QImage::Format_RGB32)) << c.name;
  }
}

namespace {
// A 2 x 2 GIF, the picture 0 1 / 2 3, entry 2 transparent and given twice
// (entries 1 and 2 are both blue), with a frame comment.
QByteArray TransparentGif() {
  QByteArray g("GIF89a");
  g += Word(2) + Word(2) + char(0x81) + char(0) + char(0);
  g += QByteArray::fromHex("ff0000" "0000ff" "0000ff" "ffffff");
  g += QByteArray::fromHex("21fe") + char(4) + "note" + char(0);
  g += QByteArray::fromHex("21f904010000" "0200") + Descriptor() + GoodData() + ";";
  return g;
}
} // namespace

TEST(GIFImage, AssignSharesAndCopies) {
  TGIFImage source;
  ASSERT_EQ(Load(source, TransparentGif()).error, QString());
  source.data().comment = QStringList{"image note"};

  // Image to image: the copy writes the same GIF; changing the copy's global
  // data leaves the source's alone.
  TGIFImage copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.frameCount(), 1);
  EXPECT_EQ(&copy.frame(0).item(), &source.frame(0).item()); // shared encoded data
  EXPECT_EQ(copy.frame(0).comment(), QStringList{"note"});
  EXPECT_EQ(copy.frame(0).transparentIndex, 2);
  EXPECT_TRUE(copy.Equals(source));
  copy.data().comment = QStringList{"changed"};
  EXPECT_EQ(source.data().comment, QStringList{"image note"});
  EXPECT_FALSE(copy.Equals(source));
  source.AssignTo(copy);
  EXPECT_TRUE(copy.Equals(source));

  // A frame: that frame alone, with its image's global table.
  TGIFImage anim;
  anim.AddFrame(RandomIndexed(3, 3, 4, 1));
  anim.AddFrame(RandomIndexed(5, 4, 4, 2));
  anim.frame(1).delayHundredths = 50;
  TGIFImage single;
  single.Assign(anim.frame(1));
  ASSERT_EQ(single.frameCount(), 1);
  EXPECT_EQ(single.frame(0).delay(), 500);
  EXPECT_EQ(single.Width(), 5);
  EXPECT_EQ(single.screenWidth, 5);
  EXPECT_EQ(single.bitmap(), anim.frame(1).bitmap());
  // Its own frame: no harm from freeing it first.
  single.Assign(single.frame(0));
  EXPECT_EQ(single.bitmap(), anim.frame(1).bitmap());

  // A frame from an image: the image's current frame.
  TGIFFrame frame(nullptr);
  frame.Assign(anim);
  EXPECT_EQ(frame.delay(), 500);

  // A QImage: one frame; none: empty.
  TGIFImage one;
  one.Assign(RandomIndexed(7, 2, 4, 3));
  EXPECT_EQ(one.frameCount(), 1);
  EXPECT_EQ(one.Width(), 7);
  one.Assign(static_cast<const TGIFImage *>(nullptr));
  EXPECT_TRUE(one.Empty());
  QImage out(3, 3, QImage::Format_RGB32);
  one.AssignTo(out);
  EXPECT_TRUE(out.isNull());
  EXPECT_TRUE(one.Palette().isEmpty());
  EXPECT_TRUE(one.Equals(copy) == false && TGIFImage().Equals(one));
}

TEST(GIFImage, TransparencyReachesImagesAndDrawing) {
  TGIFImage gif;
  ASSERT_EQ(Load(gif, TransparentGif()).error, QString());
  EXPECT_EQ(gif.Palette().mid(0, 4),
            (QVector<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(255, 255, 255)}));

  // To a QImage: every pixel of the transparent colour is transparent.
  QImage image;
  gif.AssignTo(image);
  ASSERT_EQ(image.size(), QSize(2, 2));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);
  EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(0, 1)), 0);
  EXPECT_EQ(qAlpha(image.pixel(1, 1)), 255);

  // Drawn stretched onto green: the blue pixels leave the green.
  QImage canvas(4, 4, QImage::Format_RGB32);
  canvas.fill(qRgb(0, 255, 0));
  {
    QPainter p(&canvas);
    gif.Draw(p, QRect(0, 0, 4, 4));
  }
  EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(canvas.pixel(3, 0), qRgb(0, 255, 0));
  EXPECT_EQ(canvas.pixel(0, 3), qRgb(0, 255, 0));
  EXPECT_EQ(canvas.pixel(3, 3), qRgb(255, 255, 255));
  gif.transparent = false; // drawn whole
  {
    QPainter p(&canvas);
    gif.Draw(p, QRect(0, 0, 4, 4));
  }
  EXPECT_EQ(canvas.pixel(3, 0), qRgb(0, 0, 255));

  // From a QImage with transparency, back to a written GIF: an indexed one
  // keeps its transparent entry, an ARGB one gets a free key colour.
  QImage argb(3, 2, QImage::Format_ARGB32);
  argb.fill(qRgba(255, 0, 255, 255)); // magenta is taken: the key is another colour
  argb.setPixel(1, 0, qRgba(0, 0, 0, 0));
  argb.setPixel(2, 1, qRgba(9, 9, 9, 10));
  for (const QImage &src : {image, argb}) {
    TGIFImage from;
    from.Assign(src);
    EXPECT_TRUE(from.Transparent());
    TGIFImage back;
    ASSERT_EQ(Load(back, from.SaveToData()).error, QString());
    QImage again;
    back.AssignTo(again);
    ASSERT_EQ(again.size(), src.size());
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x) {
        const bool clear = qAlpha(src.pixel(x, y)) < 128;
        EXPECT_EQ(qAlpha(again.pixel(x, y)), clear ? 0 : 255) << x << "," << y;
        if (!clear) { EXPECT_EQ(again.pixel(x, y), src.pixel(x, y) | 0xFF000000) << x << "," << y; }
      }
  }
}

TEST(GIFImage, StoredFormAndClipboard) {
  TGIFImage gif;
  ASSERT_EQ(Load(gif, TransparentGif()).error, QString());
  const QByteArray plain = gif.SaveToData();

  // The stored form: a 4-byte length, then the GIF; what follows is left.
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  gif.WriteData(buffer);
  buffer.write("tail");
  EXPECT_EQ(buffer.data().mid(4, plain.size()), plain);
  buffer.seek(0);
  TGIFImage back;
  back.ReadData(buffer);
  EXPECT_TRUE(back.Equals(gif));
  EXPECT_EQ(buffer.read(4), "tail");
  for (const QByteArray &bad : {QByteArray("\x01\x02", 2), QByteArray::fromHex("ffffff7f") + plain,
                                QByteArray::fromHex("ffffffff") + plain}) {
    QBuffer b;
    b.setData(bad);
    b.open(QIODevice::ReadOnly);
    try {
      back.ReadData(b);
      ADD_FAILURE() << bad.left(4).toHex().constData();
    } catch (const EInvalidGraphic &e) {
      EXPECT_EQ(e.message(), "Stream read error");
    }
  }

  // The clipboard: the first frame as an image and the plain GIF.
  QMimeData mime;
  gif.SaveToClipboardFormat(mime);
  EXPECT_EQ(mime.data("image/gif"), plain);
  EXPECT_EQ(qvariant_cast<QImage>(mime.imageData()).size(), QSize(2, 2));
  TGIFImage pasted;
  ASSERT_TRUE(pasted.LoadFromClipboardFormat(mime));
  EXPECT_TRUE(pasted.Equals(gif));
  // A frame not encoded yet: the image alone.
  TGIFImage fresh;
  fresh.AddFrame(RandomIndexed(4, 4, 4, 9));
  QMimeData freshMime;
  fresh.SaveToClipboardFormat(freshMime);
  EXPECT_FALSE(freshMime.hasFormat("image/gif"));
  ASSERT_TRUE(pasted.LoadFromClipboardFormat(freshMime));
  EXPECT_EQ(pasted.bitmap().convertToFormat(QImage::Format_RGB32),
            fresh.bitmap().convertToFormat(QImage::Format_RGB32));
  // With a length before it, as the stored form has it.
  QMimeData prefixed;
  QByteArray withLength = QByteArray::fromHex("00000000") + plain;
  withLength[0] = char(plain.size() & 0xFF);
  withLength[1] = char(plain.size() >> 8);
  prefixed.setData("image/gif", withLength);
  ASSERT_TRUE(pasted.LoadFromClipboardFormat(prefixed));
  EXPECT_TRUE(pasted.Equals(gif));
  // Neither a GIF nor an image; a bad GIF.
  QMimeData text;
  text.setText("x");
  EXPECT_FALSE(pasted.LoadFromClipboardFormat(text));
  QMimeData junk;
  junk.setData("image/gif", "PNG!");
  EXPECT_THROW(pasted.LoadFromClipboardFormat(junk), EInvalidGraphic);
}

TEST(GIFImage, GrayscaleFramesAreWrittenInGrays) {
  QImage rgb(16, 8, QImage::Format_RGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) rgb.setPixel(x, y, qRgb(x * 16, y * 32, 255 - x * 16));
  TGIFImage gif;
  gif.AddFrame(rgb);
  gif.frame(0).grayscale = true;
  TGIFImage back;
  ASSERT_EQ(Load(back, gif.SaveToData()).error, QString());
  const QImage image = back.bitmap();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const QRgb c = image.pixel(x, y), s = rgb.pixel(x, y);
      EXPECT_EQ(qRed(c), (qRed(s) * 77 + qGreen(s) * 150 + qBlue(s) * 29) / 256) << x << "," << y;
      EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
    }
}

namespace {
struct ToolRun {
  int exitCode = -1;
  QString out, err;
};
ToolRun RunTool(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  ToolRun r;
  if (!p.waitForFinished(30000)) return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
  return r;
}
bool HaveGifsicle() { return !QStandardPaths::findExecutable("gifsicle").isEmpty(); }
} // namespace

// Files made by an outside tool: animations with loop counts, delays and
// disposal, local colour tables, transparency, comments, plain-text and
// application extensions. Every frame equals ImageMagick's reading of it.
TEST(GIFImage, ReadsWhatGifsicleMakes) {
  if (!HaveConvert() || !HaveGifsicle()) {
    GTEST_SKIP() << "ImageMagick or gifsicle is not installed";
  }
  QTemporaryDir dir;
  auto path = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
  auto plasma = [&](const char *name, int seed, int colors) {
    const ToolRun r = RunTool("convert", {"-seed", QString::number(seed), "-size", "30x20", "plasma:", "+dither", "-colors",
                                      QString::number(colors), path(name)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  };
  plasma("a.gif", 3, 16);
  plasma("b.gif", 4, 16);
  plasma("c.gif", 5, 200);
  plasma("d.gif", 6, 200);
  auto gifsicle = [&](QStringList args, const char *out) {
    args << "-o" << path(out);
    const ToolRun r = RunTool("gifsicle", args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  };
  gifsicle({"--loopcount=65535", "--delay", "250", "--disposal", "background", path("a.gif"), "--delay", "7",
            "--disposal", "previous", path("b.gif")},
           "anim.gif");
  gifsicle({"--no-warnings", path("c.gif"), path("d.gif")}, "local.gif");
  gifsicle({"-t", "3", "-c", "hello world", "--extension", "1", "ABCDEFGHIJKL", "--app-extension", "QELTEST01xy",
            "payload", "-i", path("a.gif")},
           "ext.gif");

  auto load = [&](TGIFImage &gif, const char *name) {
    QString error;
    ASSERT_TRUE(gif.LoadFromFile(path(name), &error)) << name << ": " << error.toStdString();
    for (int i = 0; i < gif.frameCount(); ++i) {
      const QImage ours = gif.frame(i).bitmap().convertToFormat(QImage::Format_RGB32);
      EXPECT_FALSE(gif.frame(i).corrupted) << name << " #" << i;
      EXPECT_EQ(ours, ConvertRgb(path(name), ours.size(), i)) << name << " #" << i;
    }
  };
  TGIFImage anim;
  load(anim, "anim.gif");
  ASSERT_EQ(anim.frameCount(), 2);
  EXPECT_TRUE(anim.looping);
  EXPECT_EQ(anim.repeatCount, 30000);
  EXPECT_EQ(anim.frame(0).delay(), 2500);
  EXPECT_EQ(anim.frame(1).delay(), 70);
  EXPECT_EQ(anim.frame(0).disposal, 2);
  EXPECT_EQ(anim.frame(1).disposal, 3);

  TGIFImage local;
  load(local, "local.gif");
  ASSERT_EQ(local.frameCount(), 2);
  EXPECT_FALSE(local.frame(0).localTable);
  EXPECT_TRUE(local.frame(1).localTable);

  TGIFImage ext;
  load(ext, "ext.gif");
  ASSERT_EQ(ext.frameCount(), 1);
  EXPECT_TRUE(ext.frame(0).interlaced);
  EXPECT_EQ(ext.frame(0).transparentIndex, 3);
  EXPECT_EQ(ext.frame(0).comment(), QStringList{"hello world"});
}

// What we write, as the outside tool reads it: no warnings, and the version,
// frames, loop, delays, disposal, transparent index and comment we meant.
TEST(GIFImage, GifsicleReadsWhatWeWrite) {
  if (!HaveGifsicle()) {
    GTEST_SKIP() << "gifsicle is not installed";
  }
  QTemporaryDir dir;
  auto info = [&](TGIFImage &gif, const char *name) {
    const QString file = dir.filePath(QLatin1String(name));
    EXPECT_TRUE(gif.SaveToFile(file)) << name;
    const ToolRun r = RunTool("gifsicle", {"--xinfo", file});
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_EQ(r.err, QString()) << name;
    QString text = r.out;
    return text.remove(file);
  };

  TGIFImage plain;
  plain.AddFrame(RandomIndexed(40, 30, 200, 21));
  EXPECT_EQ(info(plain, "plain.gif"), "*  1 image\n"
                                     "  logical screen 40x30\n"
                                     "  global color table [256]\n"
                                     "  background 0\n"
                                     "  + image #0 40x30\n");
  EXPECT_TRUE(plain.SaveToData().startsWith("GIF87a"));

  TGIFImage anim;
  anim.AddFrame(RandomIndexed(12, 10, 4, 22));
  anim.AddFrame(RandomIndexed(12, 10, 4, 23));
  anim.looping = true;
  anim.repeatCount = 7;
  anim.frame(0).delayHundredths = 50;
  anim.frame(0).disposal = 2;
  anim.frame(1).delayHundredths = 7;
  anim.frame(1).disposal = 3;
  // RandomIndexed's entry 2 is (74, 182, 33); colours are 0x00BBGGRR.
  anim.frame(1).transparentColor = TColor(33 << 16 | 182 << 8 | 74);
  TExtension note;
  note.type = etComment;
  note.data = {"note"};
  anim.frame(1).extensions().append(note);
  EXPECT_EQ(info(anim, "anim.gif"), "*  2 images\n"
                                    "  logical screen 12x10\n"
                                    "  global color table [4]\n"
                                    "  background 0\n"
                                    "  loop count 7\n"
                                    "  + image #0 12x10\n"
                                    "    disposal background delay 0.50s\n"
                                    "  + image #1 12x10 transparent 2\n"
                                    "    comment note\n"
                                    "    local color table [4]\n"
                                    "    disposal previous delay 0.07s\n");
  EXPECT_TRUE(anim.SaveToData().startsWith("GIF89a"));
}
