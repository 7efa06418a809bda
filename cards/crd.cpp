#include "cards/crd.h"

#include <cstring>

#include "cards/bodyfile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <stdexcept>

namespace qel {

TCrdList AllCards;
TCrdList FilteredCards;
QString CurrentFileName = QStringLiteral("NEW.QEL");

namespace {
qint32 stampCounter = 0;
} // namespace

// ---------------------------------------------------------------- stamps

TDateTime CardStampAt(TDateTime now, qint32 counter) { return now + double(counter) * 1e-10; }

qint32 StampCounterAfter(qint32 counter, qint64 steps) {
  // One step: counter + 1 up to 10001, and 0 after that.
  qint64 c = counter;
  if (steps > 0 && c > 10000) {
    c = 0;
    --steps;
  }
  if (steps > 0 && c < 0) {
    const qint64 up = std::min(steps, -c);
    c += up;
    steps -= up;
  }
  if (steps > 0) c = (c + steps) % 10002;
  return qint32(c);
}

TDateTime NewCardStampAt(TDateTime now) {
  TDateTime stamp = CardStampAt(now, stampCounter);
  stampCounter = StampCounterAfter(stampCounter, 1);
  return stamp;
}

TDateTime NewCardStamp() { return NewCardStampAt(Now()); }

void SetStampCounter(qint32 value) { stampCounter = value; }
qint32 StampCounter() { return stampCounter; }

QString StampToUID(TDateTime stamp) {
  double whole = std::trunc(stamp);
  QString days = std::isfinite(whole) && std::fabs(whole) < 9.2e18 ? QString::number(qint64(whole)) : QStringLiteral("0");
  return days + QLatin1Char('-') + FloatToStr(stamp - whole).mid(2);
}

// ---------------------------------------------------------------- TCrd

TCrd::TCrd() : Created(NewCardStamp()) { UID = StampToUID(Created); }

TCrd::TCrd(TDateTime created, const QString &uid) : UID(uid), Created(created) {}

QString TCrd::LastModifiedText() const {
  if (LastOpen == 0) return QString();
  return QStringLiteral("Card last modified: ") + FormatDateTime(QStringLiteral("ddddd  hh:mm:ss"), LastOpen);
}

QString TCrd::HeaderText() const { return EscapeAmpersands(Title); }

QByteArray TCrd::BodyBytes() const { return ReadBody(*this, CurrentBodyFile()); }
QByteArray TCrd::BodyText() const { return ReadBodyText(*this, CurrentBodyFile()); }
ByteLines TCrd::BodyLines() const { return ReadBodyLines(*this, CurrentBodyFile()); }
bool TCrd::IsPlainText() const { return IsPlainTextBytes(BodyText()); }

void TCrd::StoreBodyBytes(const QByteArray &bytes) { AppendBody(*this, CurrentBodyFile(), bytes); }
void TCrd::StoreBodyLines(const ByteLines &lines) { AppendBodyLines(*this, CurrentBodyFile(), lines); }
void TCrd::StoreBodyText(const QByteArray &text) { StoreBodyLines(SplitLines(text)); }

// ---------------------------------------------------------------- TCrdList

quint64 TCrdList::NewRevision() {
  static std::atomic<quint64> next{1};
  return next++;
}

void TCrdList::touch() { revision_ = NewRevision(); }

TCrdList::TCrdList(const TCrdList &other) {
  if (other.shared_) {
    shared_ = other.shared_;
    picks_ = other.picks_;
    sharedAll_ = other.sharedAll_;
    return;
  }
  other.compact();
  items_ = other.items_;
}

TCrdList &TCrdList::operator=(const TCrdList &other) {
  if (this != &other) {
    if (other.shared_) {
      items_.clear();
      shared_ = other.shared_;
      picks_ = other.picks_;
      sharedAll_ = other.sharedAll_;
    } else {
      other.compact();
      items_ = other.items_;
      shared_.reset();
      picks_.reset();
    }
    holes_ = 0;
    invalidateIndex();
    touch();
  }
  return *this;
}

TCrdList::TCrdList(TCrdList &&other) noexcept
    : items_(std::move(other.items_)), holes_(other.holes_), shared_(std::move(other.shared_)),
      picks_(std::move(other.picks_)), sharedAll_(other.sharedAll_), revision_(other.revision_) {
  other.items_.clear();
  other.holes_ = 0;
  other.shared_.reset();
  other.picks_.reset();
  other.invalidateIndex();
  other.touch();
}

TCrdList &TCrdList::operator=(TCrdList &&other) noexcept {
  if (this != &other) {
    items_ = std::move(other.items_);
    holes_ = other.holes_;
    shared_ = std::move(other.shared_);
    picks_ = std::move(other.picks_);
    sharedAll_ = other.sharedAll_;
    revision_ = other.revision_;
    other.items_.clear();
    other.holes_ = 0;
    other.shared_.reset();
    other.picks_.reset();
    other.invalidateIndex();
    other.touch();
    invalidateIndex();
  }
  return *this;
}

void TCrdList::AssignShared(SharedItems items) {
  Clear();
  if (!items) return;
  shared_ = std::move(items);
  sharedAll_ = true;
}

void TCrdList::AssignShared(SharedItems items, std::vector<quint32> picks) {
  AssignShared(std::move(items), std::make_shared<const std::vector<quint32>>(std::move(picks)));
}

void TCrdList::AssignShared(SharedItems items, std::shared_ptr<const std::vector<quint32>> picks) {
  Clear();
  if (!items || !picks) return;
  for (quint32 p : *picks)
    if (p >= items->size()) throw std::out_of_range("List index out of bounds (" + std::to_string(p) + ")");
  shared_ = std::move(items);
  picks_ = std::move(picks);
  sharedAll_ = false;
}

TCrdList::SharedItems TCrdList::SharedBlock() const {
  if (shared_ && sharedAll_) return shared_;
  own();
  compact();
  auto block = std::make_shared<std::vector<Item>>(std::move(items_));
  items_.clear();
  invalidateIndex();  // it names positions in the list's own items
  shared_ = std::move(block);
  sharedAll_ = true;
  return shared_;
}

void TCrdList::own() const {
  if (!shared_) return;
  const std::vector<Item> &from = *shared_;
  std::vector<Item> mine;
  if (sharedAll_ && shared_.use_count() == 1) {
    // No one else holds the block (it was made non-const): its items are
    // taken over, not copied.
    mine = std::move(const_cast<std::vector<Item> &>(from));
  } else if (sharedAll_) {
    mine = from;
  } else {
    mine.reserve(picks_->size());
    for (quint32 p : *picks_) mine.push_back(from[p]);
  }
  items_ = std::move(mine);
  holes_ = 0;
  shared_.reset();
  picks_.reset();
  sharedAll_ = false;
  invalidateIndex();
}

void TCrdList::compact() const {
  if (holes_ == 0) return;
  // The sequence numbers beside the items go with them.
  const bool seqs = indexValid_ && seqs_.size() == items_.size();
  size_t kept = 0;
  for (size_t k = 0; k < items_.size(); ++k) {
    if (!items_[k].card) continue;
    if (kept != k) {
      items_[kept] = std::move(items_[k]);
      if (seqs) seqs_[kept] = seqs_[k];
    }
    ++kept;
  }
  items_.resize(kept);
  if (seqs)
    seqs_.resize(kept);
  else
    invalidateIndex();
  holes_ = 0;
}

const std::vector<TCrdList::Item> &TCrdList::Items() const {
  // All of a shared block is read where it is.
  if (shared_ && sharedAll_) return *shared_;
  own();
  compact();
  return items_;
}

const TCrdList::Item &TCrdList::at(int i) const {
  if (shared_) {
    if (i < 0 || i >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
    return (*shared_)[sharedAll_ ? size_t(i) : (*picks_)[size_t(i)]];
  }
  compact();
  if (i < 0 || size_t(i) >= items_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  return items_[size_t(i)];
}

void TCrdList::invalidateIndex() const {
  if (indexValid_ || !index_.isEmpty() || !seqs_.empty()) {
    index_.clear();
    std::vector<quint64>().swap(seqs_);
    indexValid_ = false;
  }
}

void TCrdList::indexAdded(const Item &item, quint64 seq) const { index_[item.title.toCaseFolded()].append(seq); }

void TCrdList::indexRemoved(size_t pos) const {
  if (!indexValid_) return;
  if (pos >= seqs_.size() || pos >= items_.size()) {
    invalidateIndex();
    return;
  }
  const quint64 seq = seqs_[pos];
  auto it = index_.find(items_[pos].title.toCaseFolded());
  if (it != index_.end()) {
    for (qsizetype k = 0; k < it->size(); ++k) {
      if (it->at(k) != seq) continue;
      if (it->size() == 1) index_.erase(it);
      else it->remove(k);
      return;
    }
  }
  invalidateIndex();
}

void TCrdList::buildIndex() const {
  own();
  compact();
  index_.clear();
  index_.reserve(qsizetype(items_.size()));
  // Sequence numbers are renumbered in list order; they are not part of the
  // list's value, only of this index.
  seqs_.resize(items_.size());
  for (size_t k = 0; k < items_.size(); ++k) {
    seqs_[k] = k;
    indexAdded(items_[k], k);
  }
  nextSeq_ = items_.size();
  indexValid_ = true;
}

qsizetype TCrdList::rawPositionOfSeq(quint64 seq) const {
  auto it = std::lower_bound(seqs_.begin(), seqs_.end(), seq);
  return it != seqs_.end() && *it == seq ? qsizetype(it - seqs_.begin()) : -1;
}

void TCrdList::SetString(int i, const QString &title) {
  own();
  at(i);
  items_[size_t(i)].title = title;
  invalidateIndex();
  touch();
}

int TCrdList::AddObject(const QString &title, TCrdPtr card) {
  if (!card) throw std::invalid_argument("A card list holds no empty records");
  own();
  items_.push_back(Item{title, std::move(card)});
  if (indexValid_) {
    seqs_.push_back(nextSeq_++);
    indexAdded(items_.back(), seqs_.back());
  }
  touch();
  return Count() - 1;
}

int TCrdList::AddCrd(TCrdPtr card) {
  if (!card) throw std::invalid_argument("A card list holds no empty records");
  QString title = card->Title;
  return AddObject(title, std::move(card));
}

void TCrdList::InsertObject(int i, const QString &title, TCrdPtr card) {
  own();
  compact();
  if (i < 0 || size_t(i) > items_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  if (size_t(i) == items_.size()) {
    AddObject(title, std::move(card));
    return;
  }
  if (!card) throw std::invalid_argument("A card list holds no empty records");
  items_.insert(items_.begin() + i, Item{title, std::move(card)});
  invalidateIndex();
  touch();
}

void TCrdList::Delete(int i) {
  own();
  at(i);
  indexRemoved(size_t(i));
  items_.erase(items_.begin() + i);
  if (indexValid_) seqs_.erase(seqs_.begin() + i);
  touch();
}

void TCrdList::Clear() {
  items_.clear();
  holes_ = 0;
  shared_.reset();
  picks_.reset();
  sharedAll_ = false;
  invalidateIndex();
  touch();
}

int TCrdList::IndexOf(const QString &title) const {
  own();
  compact();
  if (items_.size() < 64 && !indexValid_) {
    for (size_t k = 0; k < items_.size(); ++k)
      if (items_[k].title.compare(title, Qt::CaseInsensitive) == 0) return int(k);
    return -1;
  }
  if (!indexValid_) buildIndex();
  auto it = index_.constFind(title.toCaseFolded());
  if (it == index_.cend()) return -1;
  return int(rawPositionOfSeq(it->front()));
}

int TCrdList::IndexOfObject(const TCrd *card) const {
  for (int k = 0, n = Count(); k < n; ++k)
    if (at(k).card.get() == card) return k;
  return -1;
}

void TCrdList::Exchange(int i, int j) {
  own();
  at(i);
  at(j);
  std::swap(items_[size_t(i)], items_[size_t(j)]);
  invalidateIndex();
  touch();
}

void TCrdList::Move(int from, int to) {
  own();
  at(from);
  at(to);
  if (from == to) return;
  Item item = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  invalidateIndex();
  touch();
}

void TCrdList::CustomSort(const std::function<int(const Item &, const Item &)> &compare) {
  own();
  compact();
  std::stable_sort(items_.begin(), items_.end(), [&](const Item &a, const Item &b) { return compare(a, b) < 0; });
  invalidateIndex();
  touch();
}

void TCrdList::SortByTitle() {
  CustomSort([](const Item &a, const Item &b) { return a.title.compare(b.title, Qt::CaseInsensitive); });
}

void TCrdList::SortByCreated() {
  CustomSort([](const Item &a, const Item &b) {
    return a.card->Created < b.card->Created ? -1 : (a.card->Created > b.card->Created ? 1 : 0);
  });
}

// What the merge rule needs of a list beyond its public face: the first card
// under a title and its lazy removal, neither of which moves other items.
struct CrdListAccess {
  static const TCrdList::Item *firstByTitle(const TCrdList &list, const QString &title) {
    list.own();
    if (!list.indexValid_) list.buildIndex();
    auto it = list.index_.constFind(title.toCaseFolded());
    if (it == list.index_.cend()) return nullptr;
    qsizetype pos = list.rawPositionOfSeq(it->front());
    return pos < 0 ? nullptr : &list.items_[size_t(pos)];
  }
  static void removeLazily(TCrdList &list, const TCrdList::Item *item) {
    list.touch();
    const size_t pos = size_t(item - list.items_.data());
    list.indexRemoved(pos);
    auto &slot = list.items_[pos];
    slot.card.reset();
    slot.title = QString();
    ++list.holes_;
  }
};

int CompareCreated(const TCrdList &list, int i, int j) {
  TDateTime a = list.Objects(i)->Created, b = list.Objects(j)->Created;
  return a < b ? -1 : (a > b ? 1 : 0);
}

// ---------------------------------------------------------------- clearing and merging

void ClearCards(TCrdList &list) {
  list.Clear();
  DeleteBodyFile();
}

void AddIncomingCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, TBodyFile &target) {
  // The bytes go over as they are: RTF may hold binary data whose line ends
  // must not be rewritten.
  QByteArray body = ReadBody(*card, sourceBody);
  AppendBody(*card, target, body);
  list.AddCrd(std::move(card));
}

void AddIncomingCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody) {
  AddIncomingCard(list, std::move(card), sourceBody, CurrentBodyFile());
}

void MergeCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, int mode, TBodyFile &target) {
  if (mode < 0 || mode == MergeAddAsNew) {
    AddIncomingCard(list, std::move(card), sourceBody, target);
    return;
  }
  const TCrdList::Item *found = CrdListAccess::firstByTitle(list, card->Title);
  if (!found) {
    AddIncomingCard(list, std::move(card), sourceBody, target);
    return;
  }
  switch (mode) {
  case MergeOverwrite:
    break;
  case MergeSkip:
    return;
  case MergeKeepRecent:
    if (found->card->LastOpen > card->LastOpen) return;
    break;
  default:
    // Unknown modes change nothing.
    return;
  }
  // The incoming body is copied before the existing card goes, so a failure
  // leaves the list as it was.
  QByteArray body = ReadBody(*card, sourceBody);
  AppendBody(*card, target, body);
  CrdListAccess::removeLazily(list, found);
  list.AddCrd(std::move(card));
}

void MergeCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, int mode) {
  MergeCard(list, std::move(card), sourceBody, mode, CurrentBodyFile());
}

qsizetype FirstOverlongLine(const char *text, qsizetype size) {
  // The line number is counted only for the message, once a line is found.
  auto lineAt = [&](qsizetype pos) {
    qsizetype line = 1;
    for (qsizetype i = 0; i < pos; ++i) {
      if (text[i] == '\n' || (text[i] == '\r' && !(i + 1 < size && text[i + 1] == '\n'))) ++line;
    }
    return line;
  };
  qsizetype start = 0;
  for (;;) {
    const void *nl = std::memchr(text + start, '\n', size_t(size - start));
    const qsizetype end = nl ? static_cast<const char *>(nl) - text : size;
    if (end - start > kMaxFieldLineBytes) {
      // Lines may also end with CR alone.
      qsizetype from = start;
      for (qsizetype i = start; i < end; ++i) {
        if (text[i] != '\r') continue;
        if (i - from > kMaxFieldLineBytes) return lineAt(from);
        from = i + 1;
      }
      if (end - from > kMaxFieldLineBytes) return lineAt(from);
    }
    if (!nl) return 0;
    start = end + 1;
  }
}

// ---------------------------------------------------------------- batches

struct TCrdBatch::Arena {
  // Blocks of one large page where the system offers them: a million records
  // touch some 120 MB, and a fault for every small page costs more than
  // making the records. A block is aligned to its size and begins with the
  // count of what holds it (each record in it, and the arena while it fills
  // the block), so a record finds its block from its own address and the
  // records carry no pointer back: 16 bytes less each. A block goes when the
  // last of them lets go of it.
  static constexpr size_t kBlock = size_t(2) << 20;
  struct alignas(64) Header {
    std::atomic<size_t> holders{1};
  };
  Header *current = nullptr;
  size_t used = kBlock;  // in the current block

  Arena() = default;
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;
  ~Arena() {
    if (current) release(current);
  }

  static Header *headerOf(void *p) {
    return reinterpret_cast<Header *>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kBlock - 1));
  }
  static void release(void *p) {
    Header *header = headerOf(p);
    if (header->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      header->~Header();
      ::munmap(header, kBlock);
    }
  }

  static Header *newBlock() {
    // Mapped twice the size, then cut to one aligned block.
    void *raw = ::mmap(nullptr, 2 * kBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kBlock - 1) & ~uintptr_t(kBlock - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    if (aligned + kBlock < start + 2 * kBlock) ::munmap(reinterpret_cast<void *>(aligned + kBlock), start + 2 * kBlock - aligned - kBlock);
    void *block = reinterpret_cast<void *>(aligned);
    ::madvise(block, kBlock, MADV_HUGEPAGE);
    return new (block) Header;
  }

  void *take(size_t size, size_t align) {
    used = (used + align - 1) & ~(align - 1);
    if (used + size > kBlock) {
      if (size + sizeof(Header) > kBlock) throw std::bad_alloc();
      Header *fresh = newBlock();
      if (current) release(current);
      current = fresh;
      used = sizeof(Header);
    }
    void *at = reinterpret_cast<unsigned char *>(current) + used;
    used += size;
    current->holders.fetch_add(1, std::memory_order_relaxed);
    return at;
  }
};

namespace {
// The arena of the batch making a record on this thread, for the allocator,
// which holds no state: what it hands out goes back to its block by address.
thread_local TCrdBatch::Arena *makingArena = nullptr;

template <typename T>
struct BatchAllocator {
  using value_type = T;
  BatchAllocator() = default;
  template <typename U>
  BatchAllocator(const BatchAllocator<U> &) {}
  T *allocate(size_t n) { return static_cast<T *>(makingArena->take(n * sizeof(T), alignof(T))); }
  void deallocate(T *p, size_t) { TCrdBatch::Arena::release(p); }
  template <typename U>
  bool operator==(const BatchAllocator<U> &) const { return true; }
};
} // namespace

TCrdBatch::TCrdBatch() : arena_(std::make_unique<Arena>()) {}
TCrdBatch::~TCrdBatch() = default;

TCrdPtr TCrdBatch::Make(TDateTime created, const QString &uid) {
  struct Making {
    explicit Making(Arena *a) { makingArena = a; }
    ~Making() { makingArena = nullptr; }
  } making(arena_.get());
  return std::allocate_shared<TCrd>(BatchAllocator<TCrd>(), created, uid);
}

} // namespace qel
