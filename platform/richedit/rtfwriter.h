#pragma once
// The RTF writer: turns the control's QTextDocument (with the properties of
// textprops.h) into RTF 1.x that the control's own reader, the Windows
// control, LibreOffice, pandoc and unrtf load.
//
// The output is deterministic (the same document gives the same bytes), pure
// ASCII with CR LF line breaks, starts with "{\rtf1" and has no line starting
// with '<'. A document loaded from our own output and written again gives the
// same bytes.

#include <QByteArray>

class QTextDocument;

namespace qel::re {

struct RtfWriteOptions {
  // Only the characters from selectionStart up to (not including)
  // selectionEnd, in document positions; a paragraph's "\par" is written when
  // its paragraph break lies inside the range.
  bool selectionOnly = false;
  int selectionStart = 0;
  int selectionEnd = 0;
  // Leaves embedded objects and pictures out ("Rich Text Format Without
  // Objects").
  bool withoutObjects = false;
};

QByteArray writeRtf(const QTextDocument &document, const RtfWriteOptions &options = {});

} // namespace qel::re
