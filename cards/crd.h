#pragma once
// Card records and card lists. A card in memory is only its description; its
// body lives in the body file (bodyfile.h) at ADR, SIZ bytes long.
//
// Records are shared: AllCards holds the cards of the open file, FilteredCards
// refers to some of them. A record dropped from AllCards (cleared, merged
// over, deleted) stays valid for as long as FilteredCards still refers to it,
// so the filtered list can never point at freed memory; rebuilding the
// filtered list lets it go.

#include "cards/cardtext.h"
#include "cards/strroutines.h"
#include "platform/datetime.h"

#include <QByteArray>
#include <QHash>
#include <QVarLengthArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace qel {

class TBodyFile;

// Colour value meaning "no colour of its own".
constexpr qint32 kNoColor = 0x1FFFFFFF;
// Bodies larger than this load under the hourglass.
constexpr qint32 kBigCardSize = 100000;
// The most one line of card-file text may hold: a tag and its field (a
// title, a phone number, an identifier). Far above any real card; a file with
// a longer line is damaged and refused before anything is built from it.
constexpr qsizetype kMaxFieldLineBytes = 64 * 1024;

// The 1-based number of the first line of `text` (ended by CR LF, LF or CR)
// longer than kMaxFieldLineBytes, 0 when there is none.
qsizetype FirstOverlongLine(const char *text, qsizetype size);

class TCrd {
public:
  // A fresh card: Created from NewCardStamp, UID made from that very stamp.
  TCrd();
  // A card with the given creation stamp and identifier.
  TCrd(TDateTime created, const QString &uid);

  // The short fields are packed (cardtext.h): a million records stay small.
  TCardText UID;
  TCardText PUID;
  QString Title;
  qint32 ADR = 1;
  qint32 SIZ = 0;
  qint32 Color = kNoColor;
  TDateTime Created = 0;
  TDateTime LastOpen = 0;
  TCardText Phone;

  void SetUID(const QString &v) { UID = v; }
  void SetPUID(const QString &v) { PUID = v; }
  void SetTitle(const QString &v) { Title = v; }
  void SetADR(qint32 v) { ADR = v; }
  void SetSIZ(qint32 v) { SIZ = v; }
  void SetColor(qint32 v) { Color = v; }
  void SetCreated(TDateTime v) { Created = v; }
  void SetLastOpen(TDateTime v) { LastOpen = v; }
  void SetPhone(const QString &v) { Phone = v; }

  bool IsBigCard() const { return SIZ > kBigCardSize; }
  // "Card last modified: " and the time of the last change; empty when unknown.
  QString LastModifiedText() const;
  // The title for a caption, with "&" doubled.
  QString HeaderText() const;

  // The body in the current body file (CurrentBodyFile()). Readers throw
  // ECardError when ADR/SIZ do not lie inside the file.
  // The stored bytes exactly as they are.
  QByteArray BodyBytes() const;
  // The body as text: the stored empty body (00 0D 0A) reads as empty.
  QByteArray BodyText() const;
  QByteArray BodyStream() const { return BodyText(); }
  ByteLines BodyLines() const;
  // True when the body is not RTF.
  bool IsPlainText() const;

  // Appends a new body to the current body file and points ADR/SIZ at it.
  // An empty body is stored as the 3-byte empty body so the card is never
  // dropped as empty by the next open.
  void StoreBodyBytes(const QByteArray &bytes);
  void StoreBodyLines(const ByteLines &lines);
  // `text` split into lines, each stored with CR LF (used by the imports).
  void StoreBodyText(const QByteArray &text);
};

using TCrdPtr = std::shared_ptr<TCrd>;

// A fresh record, as TCrd() makes it.
inline TCrdPtr NewCrd() { return std::make_shared<TCrd>(); }

// Makes many records at once (the cards of a file being opened) in shared
// blocks of memory rather than one allocation each: a million allocations
// cost more than the reading of the cards, most of all side by side on
// several threads. Each record stays a shared pointer of its own; a block
// goes when the last record in it has gone (memory of a record deleted
// before then is not used again) and the batch has moved past it. One batch
// serves one thread.
class TCrdBatch {
public:
  TCrdBatch();
  ~TCrdBatch();
  TCrdBatch(const TCrdBatch &) = delete;
  TCrdBatch &operator=(const TCrdBatch &) = delete;
  // As TCrd(created, uid).
  TCrdPtr Make(TDateTime created, const QString &uid);

  struct Arena;
private:
  std::unique_ptr<Arena> arena_;
};

// A list of titles with their card records. Duplicate titles are allowed.
class TCrdList {
public:
  struct Item {
    QString title;
    TCrdPtr card;
  };

  // A block of items that lists share instead of copying (see AssignShared).
  using SharedItems = std::shared_ptr<const std::vector<Item>>;

  TCrdList() = default;
  TCrdList(const TCrdList &other);
  TCrdList &operator=(const TCrdList &other);
  TCrdList(TCrdList &&other) noexcept;
  TCrdList &operator=(TCrdList &&other) noexcept;

  int Count() const {
    if (shared_) return int(sharedAll_ ? shared_->size() : picks_->size());
    return int(items_.size() - holes_);
  }
  bool IsEmpty() const { return Count() == 0; }
  // Index checks throw std::out_of_range.
  const QString &Strings(int i) const { return at(i).title; }
  void SetString(int i, const QString &title);
  TCrd *Objects(int i) const { return at(i).card.get(); }
  const TCrdPtr &Ptr(int i) const { return at(i).card; }
  const std::vector<Item> &Items() const;

  // `card` must not be null.
  int AddObject(const QString &title, TCrdPtr card);
  // Adds the card under its own title.
  int AddCrd(TCrdPtr card);
  void InsertObject(int i, const QString &title, TCrdPtr card);
  void Delete(int i);
  void Clear();
  void Reserve(int n) {
    own();
    items_.reserve(size_t(n));
  }

  // Makes the list the items of `items` (all, or those at `picks`, in that
  // order) without copying them: a list of a million cards is made in no time
  // and holds no references of its own. The block is shared until the list
  // is changed; it must not change while shared. Blocks are made as
  // non-const vectors (a list may take back a block no one else holds).
  void AssignShared(SharedItems items);
  void AssignShared(SharedItems items, std::vector<quint32> picks);
  // The same with positions that others may share (they must not change while shared).
  void AssignShared(SharedItems items, std::shared_ptr<const std::vector<quint32>> picks);
  // The list's items as a block that others may share, without copying: the
  // list reads its items from that block until its next change, which makes
  // it a copy of its own again (or takes the block back when no one else
  // holds it). The all-cards list hands its block to the filter this way, so
  // a million cards are not held twice.
  SharedItems SharedBlock() const;
  // Changes with every change of the list's titles, cards or order, and
  // differs between lists of different content: an unchanged revision means
  // an unchanged list.
  quint64 Revision() const { return revision_; }

  // First index whose title equals `title` without regard to case; -1 when none.
  int IndexOf(const QString &title) const;
  int IndexOfObject(const TCrd *card) const;

  void Exchange(int i, int j);
  void Move(int from, int to);
  // Stable sort with a comparison returning <0, 0 or >0.
  void CustomSort(const std::function<int(const Item &, const Item &)> &compare);
  // By title, without regard to case.
  void SortByTitle();
  // By creation stamp.
  void SortByCreated();

private:
  friend struct CrdListAccess;
  const Item &at(int i) const;
  // Copies a shared block's items into the list's own, before a change.
  void own() const;
  void touch();
  void compact() const;
  void invalidateIndex() const;
  void buildIndex() const;
  void indexAdded(const Item &item, quint64 seq) const;
  // Drops the item at raw position `pos` from the title index.
  void indexRemoved(size_t pos) const;
  qsizetype rawPositionOfSeq(quint64 seq) const;

  // Merging removes cards lazily: a removed item stays as a hole (no card)
  // until the next access by position, so merging many cards does not shift
  // the whole list once per card.
  mutable std::vector<Item> items_;
  mutable size_t holes_ = 0;
  // Case-folded title -> sequence numbers of the items under it, in list
  // order, and each item's sequence number (seqs_, beside items_, kept only
  // while the index is). Items stay sorted by sequence number while cards are
  // only appended or removed, so a title is found without searching the
  // list; any other edit drops the index, which is rebuilt on the next search.
  mutable QHash<QString, QVarLengthArray<quint64, 1>> index_;
  mutable std::vector<quint64> seqs_;
  mutable quint64 nextSeq_ = 0;
  mutable bool indexValid_ = false;
  // While set, the items are those of the shared block (all, or at picks_)
  // and items_ is empty.
  mutable SharedItems shared_;
  mutable std::shared_ptr<const std::vector<quint32>> picks_;
  mutable bool sharedAll_ = false;
  quint64 revision_ = NewRevision();
  static quint64 NewRevision();
};

// Sort comparison by creation stamp: -1, 0 or 1.
int CompareCreated(const TCrdList &list, int i, int j);

// The cards of the open file, in file order, and the cards that pass the filter.
extern TCrdList AllCards;
extern TCrdList FilteredCards;
// Path of the open card file, or its NEW name while it was never saved.
extern QString CurrentFileName;

// A creation stamp unique within the run: the current time plus a counter of
// 1e-10 day steps that runs 0..10001 and wraps.
TDateTime NewCardStamp();
// The same, with `now` as the current time.
TDateTime NewCardStampAt(TDateTime now);
// The stamp made at `now` with the counter at `counter`.
TDateTime CardStampAt(TDateTime now, qint32 counter);
// The counter after `steps` stamps were made from `counter`.
qint32 StampCounterAfter(qint32 counter, qint64 steps);
// Sets the stamp counter (tests).
void SetStampCounter(qint32 value);
qint32 StampCounter();
// Identifier text: whole days, "-", then the general text of the fraction
// without its first two characters ("0." for a positive fraction).
QString StampToUID(TDateTime stamp);

// Releases the list's records, empties it and deletes the current body file.
void ClearCards(TCrdList &list);

// Merge modes of the merge dialog; a negative mode means plain adding.
enum MergeMode : int {
  MergeAdd = -1,
  MergeKeepRecent = 0,
  MergeOverwrite = 1,
  MergeSkip = 2,
  MergeAddAsNew = 3,
};

// Adds a card read from another card file by the merge rule. `sourceBody`
// holds the incoming card's body at its ADR/SIZ; the body goes to `target`.
void MergeCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, int mode, TBodyFile &target);
void MergeCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, int mode);
// Copies the incoming card's body bytes verbatim into `target` and adds the card.
void AddIncomingCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, TBodyFile &target);
void AddIncomingCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody);

} // namespace qel
