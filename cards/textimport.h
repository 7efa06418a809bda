#pragma once
// Readers of the files the Import commands take: card-index files (".crd",
// signature "MGC") and text files, delimited (one card per line) or
// paragraph-separated (one card per paragraph). They read into a list of
// titles and bodies and change nothing else; the caller appends the cards.
// Every reader treats its input as hostile: a ".crd" file is checked whole
// before a single card is taken from it.

#include <QByteArray>
#include <QList>
#include <QString>

namespace qel {

struct TImportCard {
  QString Title;
  QString Body;  // lines separated by CR LF
  bool operator==(const TImportCard &) const = default;
};

// The file opens and its first line starts with "MGC".
bool IsMGCFile(const QString &fileName);

// All cards of a ".crd" file, in file order, opened read-only. Cards that
// carry a picture give their text; the picture is skipped. Throws ECardError,
// naming the file, when any part of it (header, index, an offset, a length)
// does not lie within the file; nothing is then taken from it.
QList<TImportCard> ReadMGCFile(const QString &fileName);
// The same on the file's bytes (`fileName` only names it in messages).
QList<TImportCard> ParseMGCData(const QByteArray &data, const QString &fileName);

// Its lines: CR LF, LF and CR end a line; a line end at the very end adds no empty line.
QStringList TextFileLines(const QString &text);

// One card per line: the title before the first delimiter (found without
// regard to ASCII case), the body after it with every further delimiter
// (matched exactly) a line break. A line without the delimiter becomes a card
// titled by the whole line with an empty body.
QList<TImportCard> ParseDelimitedText(const QStringList &lines, const QString &delimiter);
// One card per paragraph; a line that is empty after trimming ends one. The
// first line is the title, the body holds all lines of the paragraph.
QList<TImportCard> ParseParagraphText(const QStringList &lines);

// Reads a whole text file, decoded by DecodeTextFile (platform/codepage.h);
// throws ECardError naming it when it cannot be read.
QString ReadTextFile(const QString &fileName);

} // namespace qel
