#include "cards/cardfilter.h"

#include <algorithm>
#include <numeric>
#include <string_view>

namespace qel {

const CharSet &WordDelimiters() {
  static const CharSet delimiters{QLatin1Char(' ')};
  return delimiters;
}

namespace {
// One code unit upper-cased the filter's way; surrogates stay as they are.
inline char16_t filterUpperUnit(char16_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c;
  return QChar::isSurrogate(c) ? c : QChar(c).toUpper().unicode();
}
} // namespace

QString FilterUpperCase(const QString &text) {
  QString out = text;  // shares until a letter changes
  const qsizetype n = text.size();
  const QChar *in = text.constData();
  QChar *w = nullptr;
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i].unicode();
    const char16_t u = filterUpperUnit(c);
    if (u != c) {
      if (!w) w = out.data();
      w[i] = QChar(u);
    }
  }
  return out;
}

namespace {
// Whether the occurrence at `at` stands between delimiters (spaces) or the ends.
inline bool wholeWordAt(QStringView title, qsizetype at, qsizetype length) {
  return (at == 0 || title[at - 1] == QLatin1Char(' ')) &&
         (at + length == title.size() || title[at + length] == QLatin1Char(' '));
}
} // namespace

bool UpperTitleMatchesFilter(QStringView filter, QStringView title, FilterRules rules) {
  // A position search finds nothing for nothing.
  if (filter.isEmpty() || filter.size() > title.size()) return false;
  if (rules.fromStart) {
    // Only position 1 counts, also for whole words: a longer first word fails
    // even when a later word would match.
    return title.startsWith(filter) && (!rules.wholeWords || wholeWordAt(title, 0, filter.size()));
  }
  if (!rules.wholeWords) return title.contains(filter);
  for (qsizetype at = title.indexOf(filter); at >= 0; at = title.indexOf(filter, at + 1))
    if (wholeWordAt(title, at, filter.size())) return true;
  return false;
}

bool TitleMatchesFilter(const QString &upperFilter, const QString &title, FilterRules rules) {
  return UpperTitleMatchesFilter(upperFilter, FilterUpperCase(title), rules);
}

namespace {
inline char16_t asciiUpper(char16_t c) { return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c; }

bool beginsWithAscii(const QString &title, const QString &search) {
  if (title.size() < search.size()) return false;
  const QChar *t = title.constData(), *s = search.constData();
  for (qsizetype i = 0; i < search.size(); ++i)
    if (asciiUpper(t[i].unicode()) != asciiUpper(s[i].unicode())) return false;
  return true;
}

inline bool sameTitle(const QString &a, const QString &b) {
  return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}
} // namespace

int FindTitleByPrefix(const TCrdList &list, const QString &search, int start, bool wrap) {
  const int n = list.Count();
  if (start < 0 || start >= n) return -1;
  int i = start;
  for (;;) {
    if (beginsWithAscii(list.Strings(i), search)) return i;
    ++i;
    if (i >= n) {
      if (!wrap) return -1;
      i = 0;
    }
    if (i == start) return -1;
  }
}

// ---------------------------------------------------------------- filter

namespace {
// More changes than this since the last call and the order is made anew.
constexpr size_t kMaxPlacedChanges = 256;
// Up to this many changes are spliced into the title text and the full list.
constexpr size_t kMaxSplicedChanges = 16;
} // namespace

void TCardFilter::remember(const QString &filter, FilterRules rules, const std::vector<quint32> &passed) {
  // A few filters, and no more positions than the list holds four times over.
  constexpr size_t kTypedFilters = 16;
  size_t held = passed.size();
  for (const Typed &t : typed_) held += t.passed.size();
  while (!typed_.empty() && (typed_.size() >= kTypedFilters || held > 4 * order_.size())) {
    held -= typed_.front().passed.size();
    typed_.erase(typed_.begin());
  }
  if (held <= 4 * order_.size()) typed_.push_back(Typed{filter, rules, passed});
}

void TCardFilter::Invalidate() {
  entries_.clear();
  order_.clear();
  orderValid_ = false;
  text_.clear();
  starts_.clear();
  textValid_ = false;
  full_.reset();
  seenRevision_ = 0;
  lastValid_ = false;
  typed_.clear();
  lastPassed_.clear();
}

bool TCardFilter::cacheMatches(const TCrdList &all) const {
  // A list that did not change since the last call needs no look at its items.
  if (seenRevision_ != 0 && all.Revision() == seenRevision_ && size_t(all.Count()) == entries_.size()) return true;
  const auto &items = all.Items();
  if (items.size() != entries_.size()) return false;
  for (size_t k = 0; k < items.size(); ++k) {
    const Entry &e = entries_[k];
    if (items[k].card != e.card || !sameTitle(items[k].title, e.title)) return false;
  }
  return true;
}

bool TCardFilter::update(const TCrdList &all) {
  const auto &items = all.Items();
  std::vector<Entry> fresh;
  fresh.reserve(items.size());
  // Old entry -> its new index (or -1 when it went); new entries to place.
  std::vector<qint64> moved(entries_.size(), -1);
  std::vector<quint32> toPlace;
  bool manyChanges = false;
  size_t i = 0;
  // One walk over both lists: cards kept in place keep their entry; a card
  // renamed in place keeps its place in the list but must be placed again in
  // the order; a card not found where the walk expects it counts as removed,
  // and whatever is left of the new list as added.
  for (size_t j = 0; j < items.size(); ++j) {
    const auto &item = items[j];
    while (i < entries_.size() && entries_[i].card != item.card) ++i;  // removed cards
    if (i < entries_.size()) {
      Entry e = std::move(entries_[i]);
      if (!sameTitle(e.title, item.title)) {
        e.title = item.title;
        toPlace.push_back(quint32(j));
      } else {
        moved[i] = qint64(j);
      }
      fresh.push_back(std::move(e));
      ++i;
    } else {
      fresh.push_back(Entry{item.card, item.title});
      toPlace.push_back(quint32(j));
    }
    if (toPlace.size() > kMaxPlacedChanges) manyChanges = true;
  }
  entries_ = std::move(fresh);
  lastValid_ = false;
  typed_.clear();
  if (!orderValid_ || manyChanges) return false;

  // The kept entries stay in the order they had; the others are placed by search.
  std::vector<quint32> kept, removedAt;
  kept.reserve(entries_.size());
  for (quint32 pos = 0; pos < quint32(order_.size()); ++pos) {
    const quint32 old = order_[pos];
    if (old < moved.size() && moved[old] >= 0)
      kept.push_back(quint32(moved[old]));
    else
      removedAt.push_back(pos);
  }
  order_ = std::move(kept);
  // A few changes are cut out of and put into the list and the title text in
  // place (each a move of memory); more make the list anew and leave the text
  // to the next non-empty filter.
  const bool splice =
      removedAt.size() + toPlace.size() <= kMaxSplicedChanges && full_ && full_->size() == moved.size();
  // The list handed out last shares the items: the changes go into a copy.
  if (splice && full_.use_count() > 1) full_ = std::make_shared<std::vector<TCrdList::Item>>(*full_);
  const bool spliceText = splice && textValid_ && starts_.size() == moved.size() + 1;
  if (!spliceText) dropText();
  if (splice) {
    for (auto it = removedAt.rbegin(); it != removedAt.rend(); ++it) {
      const quint32 pos = *it;
      if (spliceText) {
        const quint32 length = starts_[pos + 1] - starts_[pos];
        text_.remove(starts_[pos], length);
        starts_.erase(starts_.begin() + pos);
        for (size_t k = pos; k < starts_.size(); ++k) starts_[k] -= length;
      }
      full_->erase(full_->begin() + pos);
    }
  }
  for (quint32 e : toPlace) {
    const quint32 pos = placeInOrder(e);
    if (!splice) continue;
    const Entry &entry = entries_[e];
    if (spliceText) {
      const QString upper = FilterUpperCase(entry.title);
      const quint32 length = quint32(upper.size() + 1);
      text_.insert(starts_[pos], upper + QChar(0));
      starts_.insert(starts_.begin() + pos, starts_[pos]);
      for (size_t k = pos + 1; k < starts_.size(); ++k) starts_[k] += length;
    }
    full_->insert(full_->begin() + pos, TCrdList::Item{entry.title, entry.card, 0});
  }
  if (!splice) buildList();
  return true;
}

bool TCardFilter::before(quint32 a, quint32 b, const QString &foldedB) const {
  if (orderKind_ == TListOrder::ByTitle) {
    const QString foldedA = entries_[a].title.toCaseFolded();
    if (foldedA != foldedB) return foldedA < foldedB;
  } else {
    const TDateTime ca = entries_[a].card->Created, cb = entries_[b].card->Created;
    if (ca != cb) return ca < cb;
  }
  return a < b;  // equal keys keep file order
}

quint32 TCardFilter::placeInOrder(quint32 entry) {
  const QString folded = orderKind_ == TListOrder::ByTitle ? entries_[entry].title.toCaseFolded() : QString();
  auto at = std::partition_point(order_.begin(), order_.end(), [&](quint32 e) { return before(e, entry, folded); });
  const quint32 pos = quint32(at - order_.begin());
  order_.insert(at, entry);
  return pos;
}

namespace {
// A title's case-folded form, the sort key of the title order. Titles of
// plain ASCII (most of them) are folded here without a string of their own:
// folding changes only A-Z there.
void appendFolded(const QString &title, std::vector<char16_t> &keys) {
  const char16_t *t = reinterpret_cast<const char16_t *>(title.constData());
  const qsizetype n = title.size();
  qsizetype i = 0;
  while (i < n && t[i] < 0x80) ++i;
  if (i < n) {
    const QString folded = title.toCaseFolded();
    const char16_t *f = reinterpret_cast<const char16_t *>(folded.constData());
    keys.insert(keys.end(), f, f + folded.size());
    return;
  }
  for (i = 0; i < n; ++i) keys.push_back(t[i] >= 'A' && t[i] <= 'Z' ? char16_t(t[i] + 32) : t[i]);
}
} // namespace

void TCardFilter::sortByFoldedTitle() {
  // All keys in one block. The keys are sorted four code units at a time:
  // the units at the current depth are packed into one number that compares
  // as they do, and only runs of keys that tie there are sorted again on the
  // next four units. Each pass reads its keys in one sequence, so a million
  // titles that share their first words cost a few sorts of plain numbers,
  // not a string comparison per step. The result is the order of QString's
  // own comparison (code unit by code unit, a shorter key first), and equal
  // keys keep file order.
  struct Key {
    quint64 head;    // the four units at the current depth
    quint32 rest;    // units left from the depth on, at most 5 (5: more than four)
    quint32 entry;
    quint32 begin, length;
  };
  std::vector<char16_t> text;
  qsizetype total = 0;
  for (const Entry &e : entries_) total += e.title.size();
  text.reserve(size_t(total) + size_t(total) / 8);
  std::vector<Key> keys(entries_.size());
  for (size_t k = 0; k < entries_.size(); ++k) {
    const size_t begin = text.size();
    appendFolded(entries_[k].title, text);
    keys[k] = Key{0, 0, quint32(k), quint32(begin), quint32(text.size() - begin)};
  }
  const char16_t *base = text.data();
  auto pack = [base](Key &key, size_t depth) {
    quint64 head = 0;
    for (size_t i = depth; i < depth + 4; ++i) head = (head << 16) | (i < key.length ? base[key.begin + i] : 0u);
    key.head = head;
    key.rest = quint32(std::min<size_t>(key.length > depth ? key.length - depth : 0, 5));
  };
  auto less = [](const Key &a, const Key &b) {
    if (a.head != b.head) return a.head < b.head;
    if (a.rest != b.rest) return a.rest < b.rest;
    return a.entry < b.entry;
  };
  // Runs still to be ordered on the units from their depth on.
  struct Run {
    size_t from, to, depth;
  };
  std::vector<Run> runs{{0, keys.size(), 0}};
  while (!runs.empty()) {
    const Run run = runs.back();
    runs.pop_back();
    for (size_t k = run.from; k < run.to; ++k) pack(keys[k], run.depth);
    std::sort(keys.begin() + qsizetype(run.from), keys.begin() + qsizetype(run.to), less);
    // Keys that tie on these four units and go on past them are ordered by
    // what follows; keys that end within them are equal and stay by entry.
    for (size_t k = run.from; k < run.to;) {
      size_t e = k + 1;
      while (e < run.to && keys[e].head == keys[k].head && keys[e].rest == keys[k].rest) ++e;
      if (e - k > 1 && keys[k].rest == 5) runs.push_back(Run{k, e, run.depth + 4});
      k = e;
    }
  }
  for (size_t k = 0; k < keys.size(); ++k) order_[k] = keys[k].entry;
}

void TCardFilter::sort(TListOrder order) {
  order_.resize(entries_.size());
  std::iota(order_.begin(), order_.end(), quint32(0));
  if (order == TListOrder::ByTitle) {
    sortByFoldedTitle();
  } else {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](quint32 a, quint32 b) { return entries_[a].card->Created < entries_[b].card->Created; });
  }
  orderKind_ = order;
  orderValid_ = true;
  lastValid_ = false;
  typed_.clear();
  dropText();
  buildList();
}

void TCardFilter::buildText() {
  qsizetype total = 0;
  for (const Entry &e : entries_) total += e.title.size() + 1;
  text_.clear();
  text_.reserve(total);
  starts_.clear();
  starts_.reserve(order_.size() + 1);
  for (quint32 k : order_) {
    starts_.push_back(quint32(text_.size()));
    text_ += entries_[k].title;
    text_ += QChar(0);
  }
  starts_.push_back(quint32(text_.size()));
  // Upper-cased in place, as FilterUpperCase does title by title (it keeps
  // lengths, and the NULs between titles stay).
  char16_t *w = reinterpret_cast<char16_t *>(text_.data());
  for (qsizetype i = 0, n = text_.size(); i < n; ++i) w[i] = filterUpperUnit(w[i]);
  textValid_ = true;
}

void TCardFilter::dropText() {
  text_.clear();
  starts_.clear();
  textValid_ = false;
}

void TCardFilter::buildList() {
  auto full = std::make_shared<std::vector<TCrdList::Item>>();
  full->reserve(order_.size());
  for (quint32 k : order_) full->push_back(TCrdList::Item{entries_[k].title, entries_[k].card, 0});
  full_ = std::move(full);
}

QStringView TCardFilter::titleAt(quint32 pos) const {
  return QStringView(text_).mid(starts_[pos], starts_[pos + 1] - starts_[pos] - 1);
}

void TCardFilter::scan(const QString &filter, FilterRules rules, std::vector<quint32> &passed) const {
  const quint32 n = quint32(order_.size());
  if (rules.fromStart) {
    for (quint32 pos = 0; pos < n; ++pos)
      if (UpperTitleMatchesFilter(filter, titleAt(pos), rules)) passed.push_back(pos);
    return;
  }
  // One search over all titles; a hit is mapped to its title, and the search
  // goes on behind that title once it passed.
  const QStringView all(text_);
  const qsizetype length = filter.size();
  quint32 pos = 0;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = all.indexOf(filter, from);
    if (at < 0) return;
    while (starts_[pos + 1] <= quint32(at)) ++pos;
    const qsizetype begin = starts_[pos], end = starts_[pos + 1] - 1;
    if (at + length <= end && (!rules.wholeWords || wholeWordAt(all.mid(begin, end - begin), at - begin, length))) {
      passed.push_back(pos);
      from = starts_[pos + 1];
    } else {
      from = at + 1;
    }
  }
}

void TCardFilter::Apply(const TCrdList &all, const QString &filterText, FilterRules rules, TListOrder order,
                        TCrdList &out) {
  if (!cacheMatches(all) && !update(all)) orderValid_ = false;
  if (!orderValid_ || orderKind_ != order) sort(order);

  const QString filter = FilterUpperCase(filterText);
  // The upper-cased titles are made with the list, not at the first letter
  // typed: that keystroke must stay within a frame, while the few
  // milliseconds vanish in the opening of the file.
  if (!textValid_) buildText();
  seenRevision_ = all.Revision();
  if (filter.isEmpty()) {
    out.AssignShared(full_);
    lastFilter_.clear();
    lastRules_ = rules;
    lastValid_ = true;
    lastPassed_.clear();
    return;
  }
  // A filter that only grows keeps the cards that failed failing, as long as
  // matching is by substring or by prefix (whole words are not: ANN passes
  // "JO ANN", ANNA does not, and ANNA may pass where ANN failed in "ANNA").
  const bool narrows = lastValid_ && !lastFilter_.isEmpty() && !rules.wholeWords && !lastRules_.wholeWords &&
                       lastRules_.fromStart == rules.fromStart &&
                       (rules.fromStart ? filter.startsWith(lastFilter_) : filter.contains(lastFilter_));
  std::vector<quint32> passed;
  // A shorter filter typed before on this list (Backspace comes back to one)
  // is not searched again.
  const bool shorter = lastValid_ && filter.size() < lastFilter_.size();
  const auto known = !shorter ? typed_.end() : std::find_if(typed_.begin(), typed_.end(), [&](const Typed &t) {
    return t.filter == filter && t.rules.fromStart == rules.fromStart && t.rules.wholeWords == rules.wholeWords;
  });
  if (known != typed_.end()) {
    passed = known->passed;
  } else if (narrows) {
    passed.reserve(lastPassed_.size());
    for (quint32 pos : lastPassed_)
      if (UpperTitleMatchesFilter(filter, titleAt(pos), rules)) passed.push_back(pos);
  } else {
    scan(filter, rules, passed);
  }
  out.AssignShared(full_, passed);
  if (known == typed_.end()) remember(filter, rules, passed);
  lastFilter_ = filter;
  lastRules_ = rules;
  lastValid_ = true;
  lastPassed_ = std::move(passed);
}

} // namespace qel
