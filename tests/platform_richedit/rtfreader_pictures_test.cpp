// Pictures and embedded objects: every picture kind decodes to the image
// shown, keeps its bytes and sizes for the writer, and objects keep their
// whole group.

#include "platform/richedit/rtf_pict.h"
#include "platform/richedit/units.h"
#include "tests/platform_richedit/rtfreader_helpers.h"

#include <QBuffer>
#include <QtEndian>

using namespace qel;
using namespace qel::re;
using qel::test::images;
using qel::test::imageOf;

namespace {

QByteArray encode(const QImage &image, const char *format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format, 100));
  return bytes;
}

QImage testImage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, y < h / 2 ? qRgb(220, 20, 20) : qRgb(20, 20, 220));
  return image;
}

QByteArray pict(const QByteArray &words, const QByteArray &data) {
  return "{\\rtf1 x{\\pict" + words + "\r\n" + data.toHex() + "\r\n}y}";
}

bool reddish(QRgb c) { return qRed(c) > 150 && qBlue(c) < 100; }
bool bluish(QRgb c) { return qBlue(c) > 150 && qRed(c) < 100; }

void expectRedOverBlue(const QImage &image, int w, int h) {
  ASSERT_EQ(image.size(), QSize(w, h));
  EXPECT_TRUE(reddish(image.pixel(0, 0))) << std::hex << image.pixel(0, 0);
  EXPECT_TRUE(bluish(image.pixel(w - 1, h - 1))) << std::hex << image.pixel(w - 1, h - 1);
}

QByteArray dibOf(const QImage &image) { return encode(image, "BMP").mid(14); }

TEST(RtfReaderPictures, PngAndJpegDecodeAndKeepTheirBytes) {
  const QByteArray png = encode(testImage(5, 4), "PNG");
  auto doc = test::load(pict("\\pngblip\\picw5\\pich4\\picwgoal75\\pichgoal60", png));
  auto imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].property(PicBlip).toByteArray(), png);
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicPng);
  EXPECT_EQ(imgs[0].intProperty(PicGoalWidthTwips), 75);
  EXPECT_EQ(imgs[0].intProperty(PicWidth), 5);
  EXPECT_DOUBLE_EQ(imgs[0].width(), 5.0);
  EXPECT_DOUBLE_EQ(imgs[0].height(), 4.0);
  expectRedOverBlue(imageOf(*doc, imgs[0]), 5, 4);

  const QByteArray jpeg = encode(testImage(16, 8), "JPEG");
  doc = test::load(pict("\\jpegblip\\picw16\\pich8", jpeg));
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicJpeg);
  expectRedOverBlue(imageOf(*doc, imgs[0]), 16, 8);
  expectRedOverBlue(rtf::decodeJpeg(jpeg), 16, 8);
  EXPECT_TRUE(rtf::decodeJpeg(jpeg.left(jpeg.size() / 3)).isNull() ||
              rtf::decodeJpeg(jpeg.left(jpeg.size() / 3)).size() == QSize(16, 8));  // truncated: no crash
}

TEST(RtfReaderPictures, BinaryPictureData) {
  const QByteArray png = encode(testImage(4, 2), "PNG");
  auto doc = test::load("{\\rtf1{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png + "}}");
  auto imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].property(PicBlip).toByteArray(), png);
  expectRedOverBlue(imageOf(*doc, imgs[0]), 4, 2);
}

TEST(RtfReaderPictures, DeviceIndependentAndDependentBitmaps) {
  auto doc = test::load(pict("\\dibitmap0\\picw6\\pich4", dibOf(testImage(6, 4))));
  auto imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicDib);
  expectRedOverBlue(imageOf(*doc, imgs[0]), 6, 4);

  // A monochrome device-dependent bitmap, rows of two bytes, top row first.
  doc = test::load(pict("\\wbitmap0\\picw8\\pich2\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2",
                        QByteArray::fromHex("f0000f00")));
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicBitmap);
  EXPECT_EQ(imgs[0].intProperty(PicBitmapWidthBytes), 2);
  const QImage ddb = imageOf(*doc, imgs[0]);
  ASSERT_EQ(ddb.size(), QSize(8, 2));
  EXPECT_EQ(ddb.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(ddb.pixel(7, 0), qRgb(0, 0, 0));
  EXPECT_EQ(ddb.pixel(0, 1), qRgb(0, 0, 0));
  EXPECT_EQ(ddb.pixel(7, 1), qRgb(255, 255, 255));
}

TEST(RtfReaderPictures, MetafilesShowTheBitmapTheyWrap) {
  // The Windows control's pasted bitmap: a WMF with one StretchDIB record.
  auto doc = test::load(test::readFixture("rtfread_wincontrol_1250.rtf"));
  auto imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 2u);  // the picture and the object
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicWmf);
  EXPECT_EQ(imgs[0].intProperty(PicMetafileMapMode), 8);
  EXPECT_DOUBLE_EQ(imgs[0].width(), twipsToUnits(120));
  EXPECT_DOUBLE_EQ(imgs[0].height(), twipsToUnits(90));
  expectRedOverBlue(imageOf(*doc, imgs[0]), 8, 6);

  // An EMF with one StretchDIBits record.
  const QByteArray dib = dibOf(testImage(3, 2));
  const int bmiSize = 40;
  QByteArray emf(88, '\0');
  qToLittleEndian<quint32>(1, emf.data());
  qToLittleEndian<quint32>(88, emf.data() + 4);
  QByteArray rec(80, '\0');
  qToLittleEndian<quint32>(81, rec.data());
  qToLittleEndian<quint32>(quint32(80 + dib.size()), rec.data() + 4);
  qToLittleEndian<quint32>(80, rec.data() + 48);
  qToLittleEndian<quint32>(bmiSize, rec.data() + 52);
  qToLittleEndian<quint32>(80 + bmiSize, rec.data() + 56);
  qToLittleEndian<quint32>(quint32(dib.size() - bmiSize), rec.data() + 60);
  emf += rec + dib;
  QByteArray eof(20, '\0');
  qToLittleEndian<quint32>(14, eof.data());
  qToLittleEndian<quint32>(20, eof.data() + 4);
  emf += eof;
  doc = test::load(pict("\\emfblip\\picw2540\\pich1270", emf));
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicEmf);
  expectRedOverBlue(imageOf(*doc, imgs[0]), 3, 2);
  // Without a goal size a metafile's own size is in 0.01 mm: 2540 is one inch.
  EXPECT_DOUBLE_EQ(imgs[0].width(), 96.0);
  EXPECT_DOUBLE_EQ(imgs[0].height(), 48.0);
}

TEST(RtfReaderPictures, SizesFromGoalScaleAndCrop) {
  const QByteArray png = encode(testImage(10, 10), "PNG");
  struct Case {
    QByteArray words;
    double w, h;
  };
  for (const Case &c : {Case{"\\pngblip", 10, 10}, {"\\pngblip\\picw20\\pich30", 20, 30},
                        {"\\pngblip\\picwgoal300\\pichgoal150", 20, 10},
                        {"\\pngblip\\picwgoal300\\pichgoal150\\picscalex50\\picscaley200", 10, 20},
                        {"\\pngblip\\picwgoal300\\pichgoal300\\piccropl60\\piccropr90", 10, 20}}) {
    auto doc = test::load(pict(c.words, png));
    auto imgs = images(*doc);
    ASSERT_EQ(imgs.size(), 1u) << c.words.constData();
    EXPECT_DOUBLE_EQ(imgs[0].width(), c.w) << c.words.constData();
    EXPECT_DOUBLE_EQ(imgs[0].height(), c.h) << c.words.constData();
  }
}

TEST(RtfReaderPictures, ShapePictureIsPreferredAndUndecodableOnesAreKept) {
  const QByteArray png = encode(testImage(4, 4), "PNG");
  auto doc = test::load("{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png.toHex() +
                        "}}\r\n{\\nonshppict{\\pict\\wmetafile8 0100090000}}b}");
  auto imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].intProperty(PicBlipType), PicPng);

  doc = test::load(pict("\\pngblip\\picwgoal600\\pichgoal300", QByteArray::fromHex("0102030405")));
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].property(PicBlip).toByteArray(), QByteArray::fromHex("0102030405"));
  EXPECT_FALSE(imageOf(*doc, imgs[0]).isNull());  // shown as an empty frame
  EXPECT_DOUBLE_EQ(imgs[0].width(), 40.0);
}

TEST(RtfReaderPictures, ObjectsKeepTheirWholeGroupAndShowTheResult) {
  const QByteArray rtf = test::readFixture("rtfread_wincontrol_1252.rtf");
  const qsizetype start = rtf.indexOf("{\\object");
  ASSERT_GE(start, 0);
  const qsizetype stop = rtf.indexOf("}}}", start) + 3;  // the fixture's object ends its result and group here
  const QByteArray group = rtf.mid(start, stop - start);

  auto doc = test::load(rtf);
  auto imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 2u);
  const QTextImageFormat object = imgs[1];
  EXPECT_EQ(object.property(ObjRawGroup).toByteArray(), group);
  EXPECT_EQ(object.stringProperty(ObjClass), "Paint.Picture");
  EXPECT_EQ(object.intProperty(PicBlipType), PicWmf);
  EXPECT_DOUBLE_EQ(object.width(), twipsToUnits(2000));
  EXPECT_DOUBLE_EQ(object.height(), twipsToUnits(1000));
  expectRedOverBlue(imageOf(*doc, object), 8, 6);
  EXPECT_FALSE(imgs[0].hasProperty(ObjRawGroup));

  // No result: an empty frame of the object's size, its bytes kept.
  doc = test::load("{\\rtf1 {\\object\\objemb\\objw1440\\objh720{\\*\\objdata 0102}}}");
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_EQ(imgs[0].property(ObjRawGroup).toByteArray(), "{\\object\\objemb\\objw1440\\objh720{\\*\\objdata 0102}}");
  EXPECT_DOUBLE_EQ(imgs[0].width(), 96.0);
  EXPECT_DOUBLE_EQ(imgs[0].height(), 48.0);

  // A text result is shown drawn in the object's frame; the text stays inside the group.
  doc = test::load("{\\rtf1 a{\\object{\\*\\objdata 01}{\\result {\\b Sheet} 1\\par total}}b}");
  EXPECT_EQ(documentPlainText(doc.get()), QStringLiteral("a\ufffcb"));
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_TRUE(imgs[0].hasProperty(ObjRawGroup));
  const QImage shown = imageOf(*doc, imgs[0]);
  EXPECT_GT(shown.width(), 8);
  EXPECT_DOUBLE_EQ(imgs[0].width(), shown.width());

  // Cut off by the end of the data: no whole group to keep, the picture still shows.
  doc = test::load("{\\rtf1 {\\object{\\result{\\pict\\pngblip " + encode(testImage(2, 2), "PNG").toHex() + "}");
  imgs = images(*doc);
  ASSERT_EQ(imgs.size(), 1u);
  EXPECT_FALSE(imgs[0].hasProperty(ObjRawGroup));
  EXPECT_EQ(imageOf(*doc, imgs[0]).size(), QSize(2, 2));
}

TEST(RtfReaderPictures, HostileBitmapHeadersAreRefused) {
  // Claimed sizes far beyond the data, negative heights, short headers.
  QByteArray header(40, '\0');
  qToLittleEndian<quint32>(40, header.data());
  qToLittleEndian<qint32>(30000, header.data() + 4);
  qToLittleEndian<qint32>(-30000, header.data() + 8);
  qToLittleEndian<quint16>(1, header.data() + 12);
  qToLittleEndian<quint16>(24, header.data() + 14);
  EXPECT_TRUE(rtf::decodeDib(header.constData(), header.size()).isNull());
  EXPECT_TRUE(rtf::decodeDib(header.constData(), 20).isNull());
  qToLittleEndian<qint32>(INT32_MIN, header.data() + 8);
  EXPECT_TRUE(rtf::decodeDib(header.constData(), header.size()).isNull());
  EXPECT_TRUE(rtf::dibFromWmf(QByteArray(18, '\xff')).isNull());
  EXPECT_TRUE(rtf::dibFromEmf(QByteArray::fromHex("01000000ffffffff")).isNull());
  rtf::PictureData ddb;
  ddb.type = PicBitmap;
  ddb.picw = 60000;
  ddb.pich = 60000;
  ddb.data = QByteArray(16, '\0');
  EXPECT_TRUE(rtf::decodeDdb(ddb).isNull());
}

} // namespace
