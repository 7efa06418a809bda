#pragma once
// Files from outside that the editor takes in or writes: pictures to insert,
// and text files a card is loaded from or saved to.

#include "platform/codepage.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QMimeData;

namespace qel {

// The one picture loader, behind Insert Picture and the editor's paste: GIF
// through TGIFImage (its first frame, with its transparency), JPEG through
// libjpeg, BMP and the bitmaps Windows and enhanced metafiles carry through
// the RTF picture readers, anything else (PNG) through Qt.
// `data` is a picture file's bytes (`fileName` tells a plain metafile by its
// extension); a null image and `error` when it cannot be read.
QImage LoadPicture(const QByteArray &data, const QString &fileName, QString *error = nullptr);
QImage LoadPictureFile(const QString &path, QString *error = nullptr);
// Whether `mime` holds a picture: "image/gif" or an image.
bool HasPicture(const QMimeData &mime);
// The picture on `mime`: "image/gif" through TGIFImage first, else the image
// Qt offers; a null image when there is none or it cannot be read.
QImage LoadPictureFromMimeData(const QMimeData &mime);

// A text file's characters: DecodeTextFile (platform/codepage.h).
// The editor's text ("\r" between lines) as a text file: every line ended by
// CR LF, in the legacy code page when every character fits it, else UTF-8;
// pictures and objects leave nothing.
QByteArray EncodeTextFile(const QString &text);

} // namespace qel
