#pragma once
// Files from outside that the editor takes in or writes: pictures to insert,
// and text files a card is loaded from or saved to.

#include "platform/codepage.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace qel {

// A picture file (GIF, PNG, JPEG, BMP, and the bitmaps Windows and enhanced
// metafiles carry) as an image; a null image and `error` when it cannot be read.
QImage LoadPictureFile(const QString &path, QString *error = nullptr);

// A text file's characters: DecodeTextFile (platform/codepage.h).
// The editor's text ("\r" between lines) as a text file: every line ended by
// CR LF, in the legacy code page when every character fits it, else UTF-8;
// pictures and objects leave nothing.
QByteArray EncodeTextFile(const QString &text);

} // namespace qel
