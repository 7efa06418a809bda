#pragma once
// Card files (".qel"): a ZIP archive of the index text (".~i"), the compacted
// body file (".~h") and, when protected, a marker entry (".~p"), all named
// after the card file. Reading goes into fresh state that the caller swaps in
// only on success; writing goes to a temporary archive beside the target that
// replaces it only when complete.

#include "cards/crd.h"
#include "cards/qelfilespec.h"
#include "platform/tempfolder.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace qel {

class TBodyFile;
class TZipArchiver;

// ---- names ----

// "NEW.QEL" for 0, else "NEW" + n with at least two digits + ".QEL".
QString NewFileName(int n);
// True for names of files never saved: at most 9 characters, "NEW" followed
// by "." or a digit. "NEW100.QEL" is 10 characters and so a real file name.
bool IsNewFileName(const QString &name);
// The first NEW name (n = 0, 1, ...) for which `taken` is false.
QString FreeNewFileName(const std::function<bool(const QString &)> &taken);
// `path` with the extension of its last element replaced by `ext` (added when there is none).
QString ChangeFileExt(const QString &path, const QString &ext);

// ---- backup ----

// The ".bak" copy's name: in `backupFolder` when that folder exists, else beside the file.
QString BackupFileName(const QString &file, const QString &backupFolder);
// Copies `file` over its backup. Throws ECardError when the copy fails.
// With `protectWith`, a component whose password protects the next save of
// `file`, the backup never holds readable cards when that password is set:
// unless `file` is already protected with it (its entries were written with
// `filePassword`), its entries are decrypted with `filePassword` and written
// again, encrypted with the new password, as a card file of the same kind
// (an old text file becomes a protected old archive).
void BackupCardsFile(const QString &file, const QString &backupFolder, TZipArchiver *protectWith = nullptr,
                     const QString &filePassword = {});

// ---- reading ----

inline constexpr char kPasswordEntryText[] = "password is here:";

// A version-3 file read into fresh state: its cards and its extracted body
// file, in a private folder that goes away with the object.
class TLoadedCardFile {
public:
  TLoadedCardFile() = default;
  ~TLoadedCardFile();
  TLoadedCardFile(const TLoadedCardFile &) = delete;
  TLoadedCardFile &operator=(const TLoadedCardFile &) = delete;

  std::unique_ptr<TPrivateFolder> privateFolder;
  QString folder;     // private sub-folder of the temporary folder, ends in "/"
  QString indexPath;
  QString bodyPath;
  TCrdList cards;
};

enum class LoadStatus {
  Loaded,
  IndexNotFound,  // no index came out: wrong or no password, or no index entry
  Damaged,        // an entry is missing or could not be extracted (message in `error`)
  Failed,         // the index or the folder could not be read or made (message in `error`)
};

struct LoadOutcome {
  LoadStatus status = LoadStatus::Failed;
  QString error;
  // Titles of the cards whose body range lay outside the body entry: they
  // were given the empty body, and the file should be saved again.
  QStringList damagedCards;
  // Titles of the cards whose size could not be read (missing, not a number,
  // out of range, or not above 0): they were left out.
  QStringList leftOutCards;
};

// The most an index entry may inflate to: a million cards take about 160 MB.
constexpr qint64 kMaxIndexEntrySize = qint64(256) << 20;

// The message for an archive whose index (or body entry) would inflate past
// what a card file can hold.
QString TooLargeEntryMessage(const QString &fileName, bool index, std::uint64_t size);

// The message shown when no index came out of an archive.
QString IndexNotFoundMessage();
// The message for a version-3 archive without its body entry.
QString DamagedFileMessage(const QString &fileName);

// The message for a file whose entries could not be extracted because the
// temporary folder is full (or cannot be written): `cause` says which.
QString TempFolderFullMessage(const QString &fileName, const QString &cause);

// The message for an archive whose index entry, not protected by a
// password, could not be extracted (damaged or far larger than it says).
QString DamagedIndexMessage(const QString &fileName);

// The warning naming the cards of `fileName` whose bodies were lost
// (`titles`) and those that could not be read at all (`leftOut`).
QString DamagedCardsMessage(const QString &fileName, const QStringList &titles, const QStringList &leftOut = {});

// The message for a file that exists but is no card file, or whose archive
// is damaged; `problem` is what the ZIP component found, when anything.
QString NotCardFileMessage(const QString &fileName, const QString &problem);

// Extracts the index and body entries the probe named (nothing else) through
// `zip`, whose password is the one to try, into a fresh private folder and
// reads the index into `out.cards`. A card whose body range lies outside the
// body entry gets the empty body (listed in `damagedCards`), so every card
// of the result can be shown and saved. Nothing of the open file is touched.
LoadOutcome LoadVersion3File(const tQelfileSpec &probed, TZipArchiver &zip, TLoadedCardFile &out,
                             const std::function<void(int)> &progress = {});

// Makes a loaded file the open one: its body becomes the body file of
// `fileName`, AllCards is replaced (the previous body file is deleted) and
// CurrentFileName becomes `fileName`. Throws ECardError, changing nothing,
// when the body file cannot be moved into place.
void InstallLoadedFile(TLoadedCardFile &loaded, const QString &fileName);

// Merges a loaded file's cards into AllCards and the current body file with
// merge rule `mode` (0..3). Every card's body range is checked first, so a
// damaged file changes nothing (ECardError).
void MergeLoadedFile(TLoadedCardFile &loaded, int mode);

// ---- what a killed program left ----

// Removes from the private temporary folder what programs that died left
// there: body files (decrypted card bodies) and the files their compaction
// was writing, extraction and save folders, and unfinished card clipboard
// files, whatever their age. A running program holds (THeldItem) every such
// item it uses, and those are never touched; nor are body files named in
// `inUse` (the records of running instances). Returns how many items were removed.
int RemoveDeadInstanceDebris(const QStringList &inUse);

// ---- writing ----

// Removes the temporary archives that saves of `target` killed on the way
// left beside it (".<name>.~<random>.tmp").
void RemoveStaleSaveArchives(const QString &target);

// Writes `list` (bodies in `body`) as the card file `target`: the body file
// is compacted, the entries are staged in a private temporary folder, added at level 9
// (encrypted with the component's password when it has one, which also adds
// the ".~p" entry) to a temporary archive in the target's folder, and that
// archive is checked and renamed over the target. The loose entry files and
// the temporary archive are removed on every way out. Throws ECardError; on
// failure the old target is untouched (the body file stays compacted, which
// the cards already describe).
// Adds the files `entries`, in this order and without their folders, at
// level 9 (encrypted with the component's password when `encrypt`) to a
// temporary archive beside `target`, checks that every entry is in it, syncs
// it and renames it over `target` (keeping the old file's permissions);
// `unlockFirst` releases the open file's lock just before. The temporary
// archive is removed on every way out. Throws ECardError naming the cause
// (a full or read-only file system); the old target is then untouched.
void WriteArchiveReplacing(const QString &target, const QStringList &entries, TZipArchiver &zip, bool encrypt,
                           bool unlockFirst, const std::function<void(int)> &progress = {});

void SaveCardsArchive(TCrdList &list, TBodyFile &body, const QString &target, TZipArchiver &zip,
                      const std::function<void(int)> &progress = {});

} // namespace qel
