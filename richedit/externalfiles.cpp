#include "richedit/externalfiles.h"

#include "platform/codepage.h"
#include "platform/richedit/rtf_pict.h"
#include "richedit/gifimage.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStringDecoder>

namespace qel {

namespace {
// Far beyond any picture a card holds; a larger file is refused before it is read.
constexpr qint64 kMaxPictureFile = 256LL << 20;

quint32 le32(const QByteArray &b, int at) {
  if (at + 4 > b.size()) return 0;
  return quint32(uchar(b[at])) | (quint32(uchar(b[at + 1])) << 8) | (quint32(uchar(b[at + 2])) << 16) |
         (quint32(uchar(b[at + 3])) << 24);
}
} // namespace

QImage LoadPicture(const QByteArray &data, const QString &fileName, QString *error) {
  const QString notPicture = QStringLiteral("\"") + fileName + QStringLiteral("\" is not a picture that can be inserted.");
  QImage image;
  if (data.left(3).toUpper() == "GIF") {
    // A damaged frame loads with what could be decoded; a GIF that cannot be
    // read at all says why below the common sentence.
    TGIFImage gif;
    try {
      gif.LoadFromData(data);
      gif.AssignTo(image);
    } catch (const EInvalidGraphic &e) {
      if (error) *error = notPicture + QLatin1Char('\n') + e.message();
      return QImage();
    }
  } else if (data.startsWith("\xFF\xD8")) {
    image = re::rtf::decodeJpeg(data);
  } else if (data.startsWith("BM") && data.size() > 14) {
    // A bitmap file: its header, then the device-independent bitmap.
    image = re::rtf::decodeDib(data.constData() + 14, data.size() - 14);
  } else if (le32(data, 0) == 1 && le32(data, 40) == 0x464D4520) {  // EMR_HEADER, " EMF"
    image = re::rtf::dibFromEmf(data);
  } else if (le32(data, 0) == 0x9AC6CDD7u) {
    // A placeable Windows metafile: the metafile follows its 22-byte header.
    image = re::rtf::dibFromWmf(data.mid(22));
  } else if (QFileInfo(fileName).suffix().compare(QLatin1String("wmf"), Qt::CaseInsensitive) == 0) {
    image = re::rtf::dibFromWmf(data);
  } else {
    image = QImage::fromData(data);  // PNG and the rest Qt reads
  }
  if (image.isNull() && error) *error = notPicture;
  return image;
}

QImage LoadPictureFile(const QString &path, QString *error) {
  auto fail = [&](const QString &why) {
    if (error) *error = why;
    return QImage();
  };
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return fail(QStringLiteral("Cannot open file \"") + path + QStringLiteral("\". ") + file.errorString());
  if (file.size() > kMaxPictureFile) return fail(QStringLiteral("\"") + path + QStringLiteral("\" is too large for a picture."));
  return LoadPicture(file.readAll(), path, error);
}

bool HasPicture(const QMimeData &mime) { return mime.hasFormat(QString::fromLatin1(GIFMimeType)) || mime.hasImage(); }

QImage LoadPictureFromMimeData(const QMimeData &mime) {
  if (mime.hasFormat(QString::fromLatin1(GIFMimeType))) {
    TGIFImage gif;
    try {
      if (gif.LoadFromClipboardFormat(mime)) {
        QImage image;
        gif.AssignTo(image);
        if (!image.isNull()) return image;
      }
    } catch (const EInvalidGraphic &) {
      // A damaged GIF: the image the other program put beside it, if any.
    }
  }
  return mime.hasImage() ? qvariant_cast<QImage>(mime.imageData()) : QImage();
}

QByteArray EncodeTextFile(const QString &text) {
  QString out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (const QChar c : text) {
    if (c == QChar::ObjectReplacementCharacter) continue;
    if (c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
      out += QStringLiteral("\r\n");
    else
      out += c;
  }
  out += QStringLiteral("\r\n");
  bool fitted = false;
  const QByteArray legacy = encodeLegacy(out, &fitted);
  return fitted ? legacy : out.toUtf8();
}

} // namespace qel
