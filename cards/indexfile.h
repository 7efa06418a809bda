#pragma once
// The index text of a card file: a version line, then one block of tagged
// lines per card. Text fields are written in the legacy code page when every
// one of them fits it, else the whole file's text fields are UTF-8; readers
// tell the two apart by detection.

#include "cards/crd.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include "cards/carderror.h"

namespace qel {

class TBodyFile;

inline constexpr char kIndexHeader[] = "<~QEL MORAVINE QEL FILE VERSION~>";
inline constexpr char kOldHeader[] = "VR3KT Another moravine";
constexpr int kIndexVersion = 3;

// The format version a first line announces: the number after the index
// header, 2 or 1 for the old text header, else 0.
int FileVersionOfHeader(const QString &line);

// Appends one card block (CR LF line ends) to `out`, text fields in UTF-8
// when `utf8`, else in the legacy code page.
void WriteIndexEntry(const TCrd &card, QByteArray &out, bool utf8);
// The whole index text of `list`.
QByteArray IndexText(const TCrdList &list);
// Writes the index of `list` to `fileName` through a temporary file that
// replaces it only when complete. Throws ECardError.
void WriteIndexFile(const TCrdList &list, const QString &fileName);

// Applies one tagged line to a card; lines without a known tag change nothing.
void ParseIndexLine(TCrd &card, const QString &line);

// Reads an index into `list`. A negative `mode` adds every card (opening);
// modes 0..3 merge each card with MergeCard, `sourceBody` then being the body
// file of the merged file. A first line that is not version 3 shows
// "incorrect file version" and the rest is read anyway. Blocks with SIZ 0 or
// less are dropped. A merge whose offsets point outside `sourceBody` throws
// ECardError before any card joins. Returns the version found on the first line.
// An index larger than `chunkBytes` is read in pieces of about that size (at
// most 64), side by side on up to 8 cores; the result is the same.
// `dropped`, when given, gets the titles of the dropped blocks, in text order.
inline constexpr qsizetype kIndexChunkBytes = 4 << 20;
int ReadIndexText(TCrdList &list, const QByteArray &text, const TBodyFile *sourceBody, int mode,
                  qsizetype chunkBytes = kIndexChunkBytes, QStringList *dropped = nullptr);
// The same from `size` bytes at `data`; `read`, when given, is told of each
// piece of the text once its cards are made (from any thread). Without
// `sayWrongVersion` the caller says "incorrect file version" (it may read on
// a thread of its own, where no message may be shown).
int ReadIndexText(TCrdList &list, const char *data, qsizetype size, const TBodyFile *sourceBody, int mode,
                  qsizetype chunkBytes, QStringList *dropped,
                  const std::function<void(const char *, qsizetype)> &read = {}, bool sayWrongVersion = true);
// An index line longer than any field may be: the index is damaged. The
// message names the line; `line()` lets a caller that knows the card file
// name it too.
class EIndexLineTooLong : public ECardError {
public:
  explicit EIndexLineTooLong(qint64 line);
  qint64 line() const { return line_; }

private:
  qint64 line_;
};

// The same from a file; throws ECardError when it cannot be read.
int ReadIndexFile(TCrdList &list, const QString &fileName, const TBodyFile *sourceBody, int mode,
                  QStringList *dropped = nullptr, bool sayWrongVersion = true);

} // namespace qel
