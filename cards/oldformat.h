#pragma once
// The card files of the two versions before the archive of index and bodies:
// one text of single-byte lines holding every card with its body, plain on
// disk (1.x) or the single entry of a ZIP archive (2.x). They are read on
// open and merge, and written by the two old-format exports.
//
// 1.x text: the signature line, then per card "<TITLE>" + title and the
// body's plain lines; an empty line ends the text.
// 2.x text: the signature line ("... - text" or "... - RTF"), "<CARDS>" +
// count, then per card "<TITLE>", "<COLOR>", "<CREATED>", "<LAST OPEN>" and
// "<PHONE>" lines (the last four only when set), the stored body and one
// line break after it; an empty line ends the text. Every line ends in CR LF.
//
// A body line that starts with one of the tags is read as that tag: the
// formats have no escape, and the old versions read these files too.

#include "cards/crd.h"
#include "cards/strroutines.h"
#include "platform/datetime.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace qel {

class TBodyFile;
class TZipArchiver;

// The old-format card: a title, its body lines and its attributes, as read
// from an old file before it becomes a TCrd.
class TCard {
public:
  TCard();
  // With `createdAt` as the current time (one clock reading for a whole file).
  explicit TCard(TDateTime createdAt) : CreatedAt(createdAt) {}

  ByteLines SL;           // body lines, without their line breaks
  QString ID;             // the title
  qint32 Color = kNoColor;
  TDateTime CreatedAt = 0;  // the current time when created
  TDateTime LastOpenAt = 0;
  QString PhoneNr;

  void SetSL(ByteLines lines) { SL = std::move(lines); }
  void SetID(const QString &v) { ID = v; }
  void SetColor(qint32 v) { Color = v; }
  void SetCreatedAt(TDateTime v) { CreatedAt = v; }
  void SetLastOpenAt(TDateTime v) { LastOpenAt = v; }
  void SetPhoneNr(const QString &v) { PhoneNr = v; }
};

using TCardList = std::vector<TCard>;

// The signature line of both formats; " - text" for plain-text mode, else " - RTF".
QByteArray OldSignatureLine(bool plainText);
// Entry extensions of a 2.x archive: protected, and not.
inline constexpr char kOldProtectedEntryExt[] = ".~QE";
inline constexpr char kOldEntryExt[] = ".tmp";
// The expected card count before a "<CARDS>" line says otherwise.
constexpr int kOldCardsExpectedDefault = 300;

struct OldCardsText {
  // TempFolderFull: the archive's entry did not fit into the temporary folder.
  enum Status { Read, NotOldFile, Damaged, TempFolderFull };
  Status status = NotOldFile;
  QString error;  // for Damaged; for TempFolderFull the cause
  TCardList cards;
  // The last "<CARDS>" value (1 when not a number); only a progress hint.
  int cardsExpected = kOldCardsExpectedDefault;
};

// True when the first line of `text` carries the old signature.
bool IsOldCardsText(const QByteArray &text);

// Parses an old text. Lines end at CR LF, LF or CR. The last line of the text
// counts like any other, unless it is the empty line that ends every text the
// writers make; a "<TITLE>" line that is the very last line starts no card.
// In a 2.x text (one with a "<CARDS>" line) the line break written after each
// body is taken off again, so bodies read back as they were written. A card
// without body lines gets one empty line. A tag line longer than
// kMaxFieldLineBytes makes the text Damaged. `progress` hears the number of
// cards read, now and then.
OldCardsText ParseOldCardsText(const QByteArray &text, const std::function<void(int)> &progress = {});

// The 1.x text of `list`: titles from the list, bodies as `plainLines` gives
// them (the plain text of each card). A title that the code page cannot hold
// makes the titles UTF-8; bodies are single-byte text, and a character the
// code page lacks becomes "?": `firstLossy` (when given) gets the index of
// the first card whose body lost characters, -1 when none did.
QByteArray Version1Text(const TCrdList &list, const std::function<QStringList(const TCrd &)> &plainLines,
                        int *firstLossy = nullptr);
// The 2.x text of `list`, bodies read from `body`; `plainText` chooses the signature.
QByteArray Version2Text(const TCrdList &list, const TBodyFile &body, bool plainText);

// Writes a 1.x file through a temporary file beside `target` that replaces it
// only when complete. Throws ECardError (the old target stays).
void WriteVersion1File(const QString &target, const QByteArray &text);
// Writes `list` as a 2.x archive `target`: its one entry is named after the
// target with ".~QE" when `zip` has a password, else ".tmp", staged in a
// private folder, and added at level 9 (encrypted when zip.AddOptions holds
// AddEncrypt) to an archive beside the target that replaces it only when
// complete. Throws ECardError (the old target stays).
void ExportVersion2File(const TCrdList &list, const TBodyFile &body, const QString &target, TZipArchiver &zip,
                        bool plainText);

// The name of the first entry of an old archive (listed through `zip`), empty when it has none.
QString OldArchiveEntry(const QString &fileName, TZipArchiver &zip);

// Reads an old file: a 1.x text (`archive` false), or the first entry of a
// 2.x archive, extracted alone under its base name through `zip` (whose
// password is the one to try) into a fresh private folder that is removed
// afterwards. Nothing beside the file is touched. NotOldFile also when the
// archive gave no entry (a wrong password).
OldCardsText ReadOldVersionFile(const QString &fileName, bool archive, TZipArchiver &zip,
                                const std::function<void(int)> &progress = {});

// Turns old cards into new cards of `list`: fresh UID and Created, then the
// old title, times, colour and phone; the bodies are appended to `body` with
// one write. On failure no card is added.
void AppendOldCards(TCrdList &list, const TCardList &oldCards, TBodyFile &body);
// Makes the old cards the open file `fileName`: they are built with a fresh
// body file first, which then becomes the body file of `fileName`, and only
// then AllCards is replaced (its previous body file deleted) and
// CurrentFileName set. Throws ECardError, changing nothing, on failure.
void ReplaceWithOldCards(const TCardList &oldCards, const QString &fileName);

} // namespace qel
