#pragma once
// The card clipboard file: whole cards copied in one running instance and
// pasted in any other, through one file of the private temporary folder.
//
// Single-byte text with CR LF line ends, no header, no count, no closing
// line. Per card: "<TITLE>" + title, then "<COLOR>", "<CREATED>",
// "<LAST OPEN>" and "<PHONE>" lines when the card has a value for them, then
// the body's stored lines as they are.
//
// Title and phone are legacy code-page text; when one of them holds a
// character the code page cannot, or the legacy bytes would pass for UTF-8,
// all text fields of that file are written as UTF-8. The reader decides once
// for the whole file: UTF-8 only when every field is valid UTF-8.
//
// A body line that begins with "<" is written with one more "<" in front and
// read back without it, so a body line such as "<PHONE>..." stays body text
// instead of being taken for a tag of the next reader.

#include "cards/crd.h"
#include "cards/strroutines.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace qel {

// TempFolderPath() + "qel_clipboard.clp"; ECardError when that folder cannot be made safe.
QString ClipboardFileName();
bool ClipboardFileExists();
// Deletes the card clipboard file (no error when it is missing).
void DeleteClipboardFile();

// A real number in the text-file writer's default form: 23 characters, a
// blank or "-", one digit, ".", 14 digits, "E", the exponent's sign and four
// digits (39455.5 gives " 3.94555000000000E+0004").
QByteArray FormatTextFileReal(double value);

// Whether a file of these cards writes all titles and phones as UTF-8.
bool CardClipboardNeedsUtf8(const std::vector<const TCrd *> &cards);
// Appends one card's block as the card clipboard file holds it, with
// `bodyText` as its body; `utf8Fields` writes the title and phone as UTF-8.
void AppendCardClipboardBlock(QByteArray &out, const TCrd &card, const QByteArray &bodyText, bool utf8Fields);

// Writes the cards, in the given order, with the bodies read from the current
// body file. The file is written beside the target under another name and
// renamed over it only when complete, so another instance pasting at the same
// moment reads the old file or the new one, never half of one. An empty list
// leaves an empty file. Throws ECardError on failure (the old file stays).
// `fromProtectedFile` marks the file as holding cards of a password-protected
// card file (a line before the first card, which readers pass over).
void WriteCardClipboard(const std::vector<const TCrd *> &cards, bool fromProtectedFile = false);
// The same, to another path (tests).
void WriteCardClipboardTo(const QString &path, const std::vector<const TCrd *> &cards, bool fromProtectedFile = false);
// Whether the card clipboard file holds cards of a password-protected card file.
bool ClipboardHoldsProtectedCards();

// One card read from the clipboard file.
struct ClipboardCard {
  QString title;
  qint32 color = kNoColor;
  QString phone;
  // The body's lines, each followed by CR LF (empty when the card had none).
  QByteArray body;
};

struct ClipboardContents {
  std::vector<ClipboardCard> cards;
  // The value of the last "<CARDS>" line seen inside a card (1 when it is
  // not a number), 0 when there was none.
  int cardsExpected = 0;
  // A title or phone line was longer than kMaxFieldLineBytes: the file is
  // damaged, and such a field is left empty.
  bool overlongField = false;
};

// Parses the file's bytes. Never fails: lines before the first "<TITLE>"
// line are ignored, a "<COLOR>" value that is not a decimal 32-bit integer
// means no colour, "<CREATED>" and "<LAST OPEN>" lines are skipped.
ClipboardContents ParseCardClipboard(const QByteArray &bytes);

// The file's contents; an empty result when there is no file. Throws
// ECardError when the file exists but cannot be read, or holds a title or
// phone line longer than any card can have.
ClipboardContents ReadCardClipboard();
ClipboardContents ReadCardClipboardFrom(const QString &path);

// Turns the parsed cards into new cards of `list`: fresh UID and creation
// stamp, LastOpen := `now`, the copied colour and phone, and the body
// appended to the current body file (an empty body as the 3-byte empty
// body). Each card joins the list once its body is stored, so a failure on
// the way leaves only whole cards behind. Returns the cards added, in order.
std::vector<TCrdPtr> AddClipboardCards(TCrdList &list, const ClipboardContents &contents, TDateTime now);

} // namespace qel
