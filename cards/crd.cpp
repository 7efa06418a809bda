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

TCrdList::TCrdList(const TCrdList &other) : items_(other.items_) {}

TCrdList &TCrdList::operator=(const TCrdList &other) {
  if (this != &other) {
    items_ = other.items_;
    invalidateIndex();
  }
  return *this;
}

TCrdList::TCrdList(TCrdList &&other) noexcept : items_(std::move(other.items_)) {
  other.items_.clear();
  other.invalidateIndex();
}

TCrdList &TCrdList::operator=(TCrdList &&other) noexcept {
  if (this != &other) {
    items_ = std::move(other.items_);
    other.items_.clear();
    other.invalidateIndex();
    invalidateIndex();
  }
  return *this;
}

const TCrdList::Item &TCrdList::at(int i) const {
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

void TCrdList::indexAdded(const Item &item) const {
  IndexEntry &e = index_[item.title.toCaseFolded()];
  if (e.count++ == 0) e.first = item.card.get();
}

void TCrdList::buildIndex() const {
  index_.clear();
  index_.reserve(qsizetype(items_.size()));
  for (const Item &item : items_) indexAdded(item);
  indexValid_ = true;
}

void TCrdList::SetString(int i, const QString &title) {
  at(i);
  items_[size_t(i)].title = title;
  invalidateIndex();
}

int TCrdList::AddObject(const QString &title, TCrdPtr card) {
  items_.push_back(Item{title, std::move(card)});
  if (indexValid_) indexAdded(items_.back());
  return int(items_.size()) - 1;
}

int TCrdList::AddCrd(TCrdPtr card) {
  QString title = card->Title;
  return AddObject(title, std::move(card));
}

void TCrdList::InsertObject(int i, const QString &title, TCrdPtr card) {
  if (i < 0 || size_t(i) > items_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
  if (size_t(i) == items_.size()) {
    AddObject(title, std::move(card));
    return;
  }
  items_.insert(items_.begin() + i, Item{title, std::move(card)});
  invalidateIndex();
}

void TCrdList::Delete(int i) {
  const Item &item = at(i);
  if (indexValid_) {
    QString key = item.title.toCaseFolded();
    auto it = index_.find(key);
    if (it == index_.end()) {
      invalidateIndex();
    } else if (--it->count == 0) {
      index_.erase(it);
    } else if (it->first == item.card.get()) {
      // The next card under the same title becomes the first.
      it->first = nullptr;
      for (size_t k = size_t(i) + 1; k < items_.size(); ++k) {
        if (items_[k].title.compare(item.title, Qt::CaseInsensitive) == 0) {
          it->first = items_[k].card.get();
          break;
        }
      }
      if (!it->first) invalidateIndex();
    }
  }
  items_.erase(items_.begin() + i);
}

void TCrdList::Clear() {
  items_.clear();
  invalidateIndex();
}

int TCrdList::IndexOf(const QString &title) const {
  if (items_.size() < 64) {
    for (size_t k = 0; k < items_.size(); ++k)
      if (items_[k].title.compare(title, Qt::CaseInsensitive) == 0) return int(k);
    return -1;
  }
  if (!indexValid_) buildIndex();
  auto it = index_.constFind(title.toCaseFolded());
  if (it == index_.cend()) return -1;
  return IndexOfObject(it->first);
}

int TCrdList::IndexOfObject(const TCrd *card) const {
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
  int found = list.IndexOf(card->Title);
  if (found < 0) {
    AddIncomingCard(list, std::move(card), sourceBody, target);
    return;
  }
  switch (mode) {
  case MergeOverwrite:
    break;
  case MergeSkip:
    return;
  case MergeKeepRecent:
    if (list.Objects(found)->LastOpen > card->LastOpen) return;
    break;
  default:
    // Unknown modes change nothing.
    return;
  }
  // The incoming body is copied before the existing card goes, so a failure
  // leaves the list as it was.
  QByteArray body = ReadBody(*card, sourceBody);
  AppendBody(*card, target, body);
  list.Delete(found);
  list.AddCrd(std::move(card));
}

void MergeCard(TCrdList &list, TCrdPtr card, const TBodyFile &sourceBody, int mode) {
  MergeCard(list, std::move(card), sourceBody, mode, CurrentBodyFile());
}

} // namespace qel
