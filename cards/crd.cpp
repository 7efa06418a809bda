#include "cards/crd.h"

#include "cards/bodyfile.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qel {

TCrdList AllCards;
TCrdList FilteredCards;
QString CurrentFileName = QStringLiteral("NEW.QEL");

namespace {
qint32 stampCounter = 0;
} // namespace

// ---------------------------------------------------------------- stamps

TDateTime NewCardStampAt(TDateTime now) {
  TDateTime stamp = now + double(stampCounter) * 1e-10;
  stampCounter = stampCounter <= 10000 ? stampCounter + 1 : 0;
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

TCrdList::TCrdList(const TCrdList &other) {
  other.compact();
  items_ = other.items_;
}

TCrdList &TCrdList::operator=(const TCrdList &other) {
  if (this != &other) {
    other.compact();
    items_ = other.items_;
    holes_ = 0;
    invalidateIndex();
  }
  return *this;
}

TCrdList::TCrdList(TCrdList &&other) noexcept : items_(std::move(other.items_)), holes_(other.holes_) {
  other.items_.clear();
  other.holes_ = 0;
  other.invalidateIndex();
}

TCrdList &TCrdList::operator=(TCrdList &&other) noexcept {
  if (this != &other) {
    items_ = std::move(other.items_);
    holes_ = other.holes_;
    other.items_.clear();
    other.holes_ = 0;
    other.invalidateIndex();
    invalidateIndex();
  }
  return *this;
}

void TCrdList::compact() const {
  if (holes_ == 0) return;
  items_.erase(std::remove_if(items_.begin(), items_.end(), [](const Item &item) { return !item.card; }),
               items_.end());
  holes_ = 0;
}

const std::vector<TCrdList::Item> &TCrdList::Items() const {
  compact();
  return items_;
}

const TCrdList::Item &TCrdList::at(int i) const {
  compact();
  if (i < 0 || size_t(i) >= items_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  return items_[size_t(i)];
}

void TCrdList::invalidateIndex() const {
  if (indexValid_ || !index_.isEmpty()) {
    index_.clear();
    indexValid_ = false;
  }
}

void TCrdList::indexAdded(const Item &item) const { index_[item.title.toCaseFolded()].append(item.seq); }

void TCrdList::indexRemoved(const Item &item) const {
  if (!indexValid_) return;
  auto it = index_.find(item.title.toCaseFolded());
  if (it != index_.end()) {
    for (qsizetype k = 0; k < it->size(); ++k) {
      if (it->at(k) != item.seq) continue;
      if (it->size() == 1) index_.erase(it);
      else it->remove(k);
      return;
    }
  }
  invalidateIndex();
}

void TCrdList::buildIndex() const {
  compact();
  index_.clear();
  index_.reserve(qsizetype(items_.size()));
  // Sequence numbers are renumbered in list order; they are not part of the
  // list's value, only of this index.
  for (size_t k = 0; k < items_.size(); ++k) items_[k].seq = k;
  nextSeq_ = items_.size();
  for (const Item &item : items_) indexAdded(item);
  indexValid_ = true;
}

qsizetype TCrdList::rawPositionOfSeq(quint64 seq) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), seq,
                             [](const Item &item, quint64 s) { return item.seq < s; });
  return it != items_.end() && it->seq == seq ? qsizetype(it - items_.begin()) : -1;
}

void TCrdList::SetString(int i, const QString &title) {
  at(i);
  items_[size_t(i)].title = title;
  invalidateIndex();
}

int TCrdList::AddObject(const QString &title, TCrdPtr card) {
  if (!card) throw std::invalid_argument("A card list holds no empty records");
  items_.push_back(Item{title, std::move(card), nextSeq_++});
  if (indexValid_) indexAdded(items_.back());
  return Count() - 1;
}

int TCrdList::AddCrd(TCrdPtr card) {
  if (!card) throw std::invalid_argument("A card list holds no empty records");
  QString title = card->Title;
  return AddObject(title, std::move(card));
}

void TCrdList::InsertObject(int i, const QString &title, TCrdPtr card) {
  compact();
  if (i < 0 || size_t(i) > items_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  if (size_t(i) == items_.size()) {
    AddObject(title, std::move(card));
    return;
  }
  if (!card) throw std::invalid_argument("A card list holds no empty records");
  items_.insert(items_.begin() + i, Item{title, std::move(card), 0});
  invalidateIndex();
}

void TCrdList::Delete(int i) {
  indexRemoved(at(i));
  items_.erase(items_.begin() + i);
}

void TCrdList::Clear() {
  items_.clear();
  holes_ = 0;
  invalidateIndex();
}

int TCrdList::IndexOf(const QString &title) const {
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
  compact();
  for (size_t k = 0; k < items_.size(); ++k)
    if (items_[k].card.get() == card) return int(k);
  return -1;
}

void TCrdList::Exchange(int i, int j) {
  at(i);
  at(j);
  std::swap(items_[size_t(i)], items_[size_t(j)]);
  invalidateIndex();
}

void TCrdList::Move(int from, int to) {
  at(from);
  at(to);
  if (from == to) return;
  Item item = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  invalidateIndex();
}

void TCrdList::CustomSort(const std::function<int(const Item &, const Item &)> &compare) {
  compact();
  std::stable_sort(items_.begin(), items_.end(), [&](const Item &a, const Item &b) { return compare(a, b) < 0; });
  invalidateIndex();
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
    if (!list.indexValid_) list.buildIndex();
    auto it = list.index_.constFind(title.toCaseFolded());
    if (it == list.index_.cend()) return nullptr;
    qsizetype pos = list.rawPositionOfSeq(it->front());
    return pos < 0 ? nullptr : &list.items_[size_t(pos)];
  }
  static void removeLazily(TCrdList &list, const TCrdList::Item *item) {
    list.indexRemoved(*item);
    auto &slot = list.items_[size_t(item - list.items_.data())];
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

} // namespace qel
