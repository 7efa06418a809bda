// The one picture loader behind Insert Picture and the editor's paste: GIF
// files and "image/gif" go through TGIFImage, the rest as before.

#include "richedit/externalfiles.h"
#include "richedit/gifimage.h"
#include "richedit/rerichedit.h"

#include "platform/richedit/textprops.h"
#include "tests/support/scriptedui.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace qel;
using test::Answer;
using test::ScriptedUi;

namespace {

// A 3 x 2 GIF whose entry 1 is transparent; the first row red, clear, red,
// the second white, clear, white.
QByteArray SmallGif() {
  QImage image(3, 2, QImage::Format_Indexed8);
  image.setColorTable({qRgb(255, 0, 0), qRgba(0, 255, 0, 0), qRgb(255, 255, 255)});
  const uchar rows[2][3] = {{0, 1, 0}, {2, 1, 2}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) image.scanLine(y)[x] = rows[y][x];
  TGIFImage gif;
  gif.AddFrame(image);
  return gif.SaveToData();
}

void ExpectSmallGifPixels(const QImage &image) {
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
  EXPECT_EQ(image.pixel(2, 1), qRgb(255, 255, 255));
}

QByteArray PngOf(const QImage &image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

// The pictures in the editor, as the pixels it stores.
std::vector<QImage> Pictures(const QTextDocument &doc) {
  std::vector<QImage> out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      if (f.isImageFormat()) out.push_back(QImage::fromData(f.property(re::PicBlip).toByteArray()));
    }
  return out;
}

} // namespace

TEST(PictureLoader, GifFilesGoThroughTheGifImage) {
  QString error;
  ExpectSmallGifPixels(LoadPicture(SmallGif(), QStringLiteral("small.gif"), &error));
  EXPECT_EQ(error, QString());

  // A damaged frame keeps what was decoded; a GIF that cannot be read names
  // the file and says why in the GIF image's own words.
  const QByteArray cut = SmallGif().left(SmallGif().size() - 4);
  EXPECT_EQ(LoadPicture(cut, QStringLiteral("cut.gif"), &error).size(), QSize(3, 2));
  QByteArray huge = SmallGif();
  huge[6] = huge[7] = huge[8] = huge[9] = char(0xFF); // screen 65,535 x 65,535
  const int descriptor = int(huge.indexOf(','));
  for (int i = 5; i <= 8; ++i) huge[descriptor + i] = char(0xFF);
  EXPECT_TRUE(LoadPicture(huge, QStringLiteral("huge.gif"), &error).isNull());
  EXPECT_EQ(error, QStringLiteral("\"huge.gif\" is not a picture that can be inserted.\n"
                                  "GIF frame too large (more than 50000000 pixels)"));

  // From a file, as Insert Picture reads it; PNG still through Qt.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("p.gif"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(SmallGif());
  file.close();
  ExpectSmallGifPixels(LoadPictureFile(path, &error));
  QImage png(4, 4, QImage::Format_RGB32);
  png.fill(Qt::blue);
  EXPECT_EQ(LoadPicture(PngOf(png), QStringLiteral("b.png"), &error).pixel(0, 0), qRgb(0, 0, 255));
}

TEST(PictureLoader, ClipboardGifComesBeforeTheImage) {
  QImage other(5, 5, QImage::Format_RGB32);
  other.fill(Qt::blue);
  // The stored form some programs put there: a little-endian length first.
  QBuffer stored;
  stored.open(QIODevice::WriteOnly);
  TGIFImage small;
  small.LoadFromData(SmallGif());
  small.WriteData(stored);
  const QByteArray prefixed = stored.data();
  struct Case {
    const char *name;
    QByteArray gif; // empty: no image/gif
    bool withImage;
    QSize size;     // of the picture taken; 0 x 0: none
  };
  const Case cases[] = {
      {"GIF alone", SmallGif(), false, {3, 2}},
      {"GIF behind a length", prefixed, false, {3, 2}},
      {"GIF beside another image", SmallGif(), true, {3, 2}},
      {"damaged GIF beside an image", "GIF89a", true, {5, 5}},
      {"image alone", {}, true, {5, 5}},
      {"nothing", {}, false, {0, 0}},
  };
  for (const Case &c : cases) {
    QMimeData mime;
    if (!c.gif.isEmpty()) mime.setData(QStringLiteral("image/gif"), c.gif);
    if (c.withImage) mime.setImageData(other);
    EXPECT_EQ(HasPicture(mime), !c.gif.isEmpty() || c.withImage) << c.name;
    const QImage taken = LoadPictureFromMimeData(mime);
    EXPECT_EQ(taken.size(), c.size) << c.name;
    if (c.size == QSize(3, 2)) ExpectSmallGifPixels(taken);
  }
}

TEST(PictureLoader, EditorPastesClipboardGif) {
  // Only "image/gif" on the clipboard, as a browser or image viewer puts it.
  auto gifOnly = [] {
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/gif"), SmallGif());
    QApplication::clipboard()->setMimeData(mime);
  };
  TReRichEdit e;
  e.setText(QStringLiteral("ab"));
  e.setSel(1, 1);
  gifOnly();
  ASSERT_TRUE(e.canPaste());
  e.paste();
  auto pictures = Pictures(*e.document());
  ASSERT_EQ(pictures.size(), 1u);
  ExpectSmallGifPixels(pictures[0]);
  EXPECT_EQ(e.textLength(), 3);

  // Paste Special offers it as a bitmap and pastes the same pixels.
  TReRichEdit special;
  gifOnly();
  ScriptedUi ui;
  QStringList offered;
  ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
    auto *list = d.findChild<QListWidget *>(QStringLiteral("lb_PasteAs"));
    for (int i = 0; list && i < list->count(); ++i) offered << list->item(i)->text();
    if (list) list->setCurrentRow(0);
  }));
  ASSERT_TRUE(special.PasteSpecialDialog());
  EXPECT_EQ(offered, QStringList{QStringLiteral("Windows Bitmap")});
  pictures = Pictures(*special.document());
  ASSERT_EQ(pictures.size(), 1u);
  ExpectSmallGifPixels(pictures[0]);
  QApplication::clipboard()->clear();
}
