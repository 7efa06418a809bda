#pragma once
// Finding text the way the rich-edit control's find does, on plain text in
// the control's convention (a paragraph break is one character). Shared by
// the control's own find and by the search over card bodies that are not
// loaded into an editor, so both find exactly the same matches.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace qel::re {

// A character that belongs to a word for the whole-word search.
bool isFindWordChar(QChar c);

// The first match of `needle` in `hay` at or after `from`, with the control's
// search flags FR_MATCHCASE and FR_WHOLEWORD (case-insensitive compares by
// Unicode case folding). The ends of `hay` count as word boundaries. -1 when
// there is none, and always for an empty needle.
qsizetype findForward(QStringView hay, QStringView needle, qsizetype from, int flags);

// The text a stored card body shows in the editor, one character per editor
// position as far as a search can tell: RTF through the reader's direct text
// path, anything else as plain text in the legacy code page. The stored empty
// body reads as empty.
QString bodySearchText(QByteArrayView body);

} // namespace qel::re
