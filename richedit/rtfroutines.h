#pragma once
// Routines on card bodies: is a body plain text or RTF, RTF lines to plain
// lines, and RTF inserted at an editor's selection.

#include <QByteArray>
#include <QList>
#include <QStringList>

class QIODevice;

namespace qel {

namespace re {
class RichEditControl;
}

// True when the list is empty or its first line does not start with "{\rtf"
// (case-sensitive). Only a body that starts with it is RTF: a plain body that
// merely mentions "{\rtf" in its first line stays plain text.
bool IsPlainTextLines(const QStringList &lines);
bool IsPlainTextLines(const QList<QByteArray> &lines);

// The text of RTF lines as the editor shows it, one line per paragraph (the
// empty paragraph after a final line break is not a line, pictures and
// objects leave nothing); plain lines are copied (bytes decoded from the
// legacy code page).
void RTFToPlainLines(const QStringList &source, QStringList &target);
void RTFToPlainLines(const QList<QByteArray> &source, QStringList &target);

// An RTF body as stored (bytes, any line breaks) converted to the plain body
// RTFToPlainLines and the legacy code page make of its lines: each line
// followed by CR LF, appended to `out`. When a character has no byte in the
// code page, appends nothing, puts the plain lines into `lines` and returns
// false, so the caller can keep the text some other way.
bool RTFBodyToPlainBody(const char *data, qsizetype size, QByteArray &out, QStringList &lines);

// Inserts the RTF from the stream's current position to its end at the
// editor's selection, replacing it. Data that does not read as RTF is
// inserted as plain text instead, so nothing of a body is lost. Returns true
// when the data went in as RTF.
bool InsertRTFAtSelection(re::RichEditControl &editor, QIODevice &stream);

} // namespace qel
