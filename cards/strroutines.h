#pragma once
// Small string routines shared by the card store, the filter, printing and
// the imports. Positions are 1-based character positions; 0 means not found.

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace qel {

// Position of `sub` in `s` at or after `from` (0 or 1: the whole string);
// `ignoreCase` compares without regard to letter case. 0 when none or when
// `sub` is empty.
int PosFrom(const QString &sub, const QString &s, bool ignoreCase, int from);

// Characters that end a word.
using CharSet = QSet<QChar>;

// First case-sensitive occurrence of `sub` in `s` whose neighbours are both
// delimiters or string ends; 0 when none.
int FindWholeWord(const QString &sub, const QString &s, const CharSet &delimiters);

// Replaces every occurrence of `oldText` found from left to right; the search
// resumes after the inserted text. With `wholeWord`, an occurrence counts only
// between delimiters or string ends (an empty delimiter set accepts any neighbour).
QString ReplaceTextEx(const QString &oldText, const QString &newText, const QString &source, bool ignoreCase,
                      bool wholeWord, const CharSet &delimiters);
// Case-sensitive replacement of every occurrence.
QString ReplaceText(const QString &oldText, const QString &newText, const QString &source);
// The same with the argument order of the imports.
QString ReplaceAll(const QString &source, const QString &oldText, const QString &newText);
// Doubles every "&" so a caption shows it instead of underlining the next letter.
QString EscapeAmpersands(const QString &text);

// The text before / after the first occurrence of `key`, comparing with ASCII
// letters upper-cased; empty when the key is absent.
QString TextBefore(const QString &text, const QString &key);
// Where TextBefore and TextAfter split: the index of the first occurrence of
// `key` compared that way; -1 when absent.
qsizetype TextKeyIndex(const QString &text, const QString &key);
QString TextAfter(const QString &text, const QString &key);

// Lines of single-byte text, as a body or a text file holds them.
using ByteLines = QList<QByteArray>;
// Bytes the lines take when written: every line followed by CR LF.
qint64 StringsByteSize(const ByteLines &lines);
// The lines written out, every line followed by CR LF.
QByteArray JoinLines(const ByteLines &lines);
// Splits at CR LF, LF or CR; a final line break adds no empty line.
ByteLines SplitLines(const QByteArray &text);

} // namespace qel
