#pragma once
// Our RTF reader: card bodies, pastes and imports from bytes into the
// rich-edit control's QTextDocument, with the control's attributes mapped as
// textprops.h and formatrecords.h define them; and a direct RTF-to-text path
// that gives exactly the text the document would hold, for find across
// cards and plain-text conversion.
//
// Tolerant: truncated or unbalanced RTF loads what it can; unknown control
// words and destinations are skipped. Only data that does not start with
// "{\rtf" is refused, so callers can fall back to plain text.
//
// Text convention of rtfToPlainText and documentPlainText: one character per
// document position; paragraph ends and line breaks (\line) are '\n', each
// picture and embedded object is U+FFFC, no break after the last paragraph.

#include <QByteArray>
#include <QString>

class QTextCursor;
class QTextDocument;

namespace qel::re {

// True when the data starts with "{\rtf" (case-sensitive).
bool isRtf(const char *data, qsizetype size);
inline bool isRtf(const QByteArray &data) { return isRtf(data.constData(), data.size()); }

// Replaces the document's contents (and image resources) with the RTF.
// The document's last paragraph mark ("\par" at the very end) ends the last
// paragraph instead of adding an empty one, so a load and save keep the
// paragraph count. Undo history is cleared. Returns false, leaving the
// document untouched, when the data is not RTF.
bool readRtf(const QByteArray &rtf, QTextDocument *document);

// Inserts the RTF at the cursor, replacing its selection, as one undo step
// (paste, joining cards). Every "\par" ends a paragraph here; the paragraph
// the text lands in keeps its format unless an inserted paragraph mark ends it.
// Returns false, changing nothing, when the data is not RTF.
bool insertRtf(const QByteArray &rtf, QTextCursor &cursor);

// The text readRtf would put into a document, without building one.
// Returns false (and leaves `text` empty) when the data is not RTF.
bool rtfToPlainText(const char *data, qsizetype size, QString &text);
inline bool rtfToPlainText(const QByteArray &rtf, QString &text) { return rtfToPlainText(rtf.constData(), rtf.size(), text); }

// A document's text in the convention above.
QString documentPlainText(const QTextDocument *document);

} // namespace qel::re
