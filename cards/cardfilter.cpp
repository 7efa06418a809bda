#include "cards/cardfilter.h"

#include <algorithm>
#include <cstring>
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
// Up to this many changes are spliced into the title text.
constexpr size_t kMaxSplicedChanges = 16;
// How far ahead the walks over all titles ask for a title's characters: the
// titles lie in blocks of their own across the heap, and waiting for each in
// turn costs more than reading it.
constexpr size_t kPrefetch = 16;
inline void prefetchTitle(const QString &title) { __builtin_prefetch(title.constData()); }
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
  entries_.reset();
  order_.clear();
  orderValid_ = false;
  text_.clear();
  starts_.clear();
  textValid_ = false;
  seenRevision_ = 0;
  lastValid_ = false;
  typed_.clear();
  lastPassed_.clear();
}

bool TCardFilter::cacheMatches(const TCrdList &all) const {
  // A list that did not change since the last call needs no look at its items.
  if (seenRevision_ != 0 && all.Revision() == seenRevision_ && size_t(all.Count()) == entryCount()) return true;
  const auto &items = all.Items();
  if (entries_ && &items == entries_.get()) return true;
  if (items.size() != entryCount()) return false;
  for (size_t k = 0; k < items.size(); ++k) {
    const Item &e = entry(quint32(k));
    if (items[k].card != e.card || !sameTitle(items[k].title, e.title)) return false;
  }
  return true;
}

bool TCardFilter::update(const TCrdList &all) {
  TCrdList::SharedItems block = all.SharedBlock();
  const std::vector<Item> &items = *block;
  const size_t oldCount = entryCount();
  // Old entry -> its new index (or -1 when it went); new entries to place.
  std::vector<qint64> moved(oldCount, -1);
  std::vector<quint32> toPlace;
  bool manyChanges = false;
  size_t i = 0;
  // One walk over both lists: cards kept in place keep their place in the
  // order; a card renamed in place must be placed again; a card not found
  // where the walk expects it counts as removed, and whatever is left of the
  // new list as added.
  for (size_t j = 0; j < items.size(); ++j) {
    const Item &item = items[j];
    while (i < oldCount && entry(quint32(i)).card != item.card) ++i;  // removed cards
    if (i < oldCount) {
      if (!sameTitle(entry(quint32(i)).title, item.title))
        toPlace.push_back(quint32(j));
      else
        moved[i] = qint64(j);
      ++i;
    } else {
      toPlace.push_back(quint32(j));
    }
    if (toPlace.size() > kMaxPlacedChanges) {
      manyChanges = true;
      break;
    }
  }
  entries_ = std::move(block);
  lastValid_ = false;
  typed_.clear();
  if (!orderValid_ || manyChanges) return false;

  // The kept entries stay in the order they had; the others are placed by search.
  std::vector<quint32> kept, removedAt;
  kept.reserve(entryCount());
  for (quint32 pos = 0; pos < quint32(order_.size()); ++pos) {
    const quint32 old = order_[pos];
    if (old < moved.size() && moved[old] >= 0)
      kept.push_back(quint32(moved[old]));
    else
      removedAt.push_back(pos);
  }
  order_ = std::move(kept);
  // A few changes are cut out of and put into the title text in place (each
  // a move of memory); more leave the text to be made anew.
  const bool spliceText = removedAt.size() + toPlace.size() <= kMaxSplicedChanges && textValid_ &&
                          starts_.size() == moved.size() + 1;
  if (!spliceText) dropText();
  if (spliceText) {
    for (auto it = removedAt.rbegin(); it != removedAt.rend(); ++it) {
      const quint32 pos = *it;
      const quint32 length = starts_[pos + 1] - starts_[pos];
      text_.remove(starts_[pos], length);
      starts_.erase(starts_.begin() + pos);
      for (size_t k = pos; k < starts_.size(); ++k) starts_[k] -= length;
    }
  }
  for (quint32 e : toPlace) {
    const quint32 pos = placeInOrder(e);
    if (!spliceText) continue;
    const QString upper = FilterUpperCase(entry(e).title);
    const quint32 length = quint32(upper.size() + 1);
    text_.insert(starts_[pos], upper + QChar(0));
    starts_.insert(starts_.begin() + pos, starts_[pos]);
    for (size_t k = pos + 1; k < starts_.size(); ++k) starts_[k] += length;
  }
  return true;
}

bool TCardFilter::before(quint32 a, quint32 b, const QString &foldedB) const {
  if (orderKind_ == TListOrder::ByTitle) {
    const QString foldedA = entry(a).title.toCaseFolded();
    if (foldedA != foldedB) return foldedA < foldedB;
  } else {
    const TDateTime ca = entry(a).card->Created, cb = entry(b).card->Created;
    if (ca != cb) return ca < cb;
  }
  return a < b;  // equal keys keep file order
}

quint32 TCardFilter::placeInOrder(quint32 e) {
  const QString folded = orderKind_ == TListOrder::ByTitle ? entry(e).title.toCaseFolded() : QString();
  auto at = std::partition_point(order_.begin(), order_.end(), [&](quint32 o) { return before(o, e, folded); });
  const quint32 pos = quint32(at - order_.begin());
  order_.insert(at, e);
  return pos;
}

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
  const size_t n = entryCount();
  qsizetype total = 0;
  for (size_t k = 0; k < n; ++k) total += entry(quint32(k)).title.size();
  // The case-folded titles one after another. Titles of plain ASCII (most of
  // them) are folded here without a string of their own: folding changes
  // only A-Z there.
  std::vector<char16_t> text(size_t(total) + 16);
  size_t used = 0;
  std::vector<Key> keys(n);
  for (size_t k = 0; k < n; ++k) {
    if (k + kPrefetch < n) prefetchTitle(entry(quint32(k + kPrefetch)).title);
    const QString &title = entry(quint32(k)).title;
    const char16_t *t = reinterpret_cast<const char16_t *>(title.constData());
    const size_t len = size_t(title.size());
    bool ascii = true;
    for (size_t i = 0; i < len; ++i) ascii &= t[i] < 0x80;
    const QString folded = ascii ? QString() : title.toCaseFolded();
    const size_t length = ascii ? len : size_t(folded.size());
    if (used + length > text.size()) text.resize(std::max(text.size() * 2, used + length));
    char16_t *w = text.data() + used;
    if (ascii) {
      for (size_t i = 0; i < len; ++i) w[i] = t[i] >= 'A' && t[i] <= 'Z' ? char16_t(t[i] + 32) : t[i];
    } else {
      std::memcpy(w, folded.constData(), length * sizeof(char16_t));
    }
    keys[k] = Key{0, 0, quint32(k), quint32(used), quint32(length)};
    used += length;
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
  order_.resize(entryCount());
  std::iota(order_.begin(), order_.end(), quint32(0));
  orderKind_ = order;
  if (order == TListOrder::ByTitle) {
    sortByFoldedTitle();
  } else {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](quint32 a, quint32 b) { return entry(a).card->Created < entry(b).card->Created; });
  }
  orderValid_ = true;
  lastValid_ = false;
  typed_.clear();
  dropText();
}

void TCardFilter::buildText() {
  qsizetype total = 0;
  for (size_t k = 0; k < entryCount(); ++k) total += entry(quint32(k)).title.size() + 1;
  text_.resize(total);
  starts_.clear();
  starts_.reserve(order_.size() + 1);
  // Upper-cased as FilterUpperCase does title by title (it keeps lengths);
  // a NUL after each title.
  char16_t *w = reinterpret_cast<char16_t *>(text_.data());
  qsizetype used = 0;
  const size_t n = order_.size();
  for (size_t k = 0; k < n; ++k) {
    if (k + kPrefetch < n) prefetchTitle(entry(order_[k + kPrefetch]).title);
    if (k + 2 * kPrefetch < n) __builtin_prefetch(&entry(order_[k + 2 * kPrefetch]));
    const QString &title = entry(order_[k]).title;
    starts_.push_back(quint32(used));
    const char16_t *t = reinterpret_cast<const char16_t *>(title.constData());
    for (qsizetype i = 0, len = title.size(); i < len; ++i) w[used + i] = filterUpperUnit(t[i]);
    used += title.size();
    w[used++] = 0;
  }
  starts_.push_back(quint32(used));
  textValid_ = true;
}

void TCardFilter::dropText() {
  text_.clear();
  text_.squeeze();
  starts_.clear();
  starts_.shrink_to_fit();
  textValid_ = false;
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

void TCardFilter::hand(TCrdList &out, const std::vector<quint32> *passed) const {
  if (!passed) {
    out.AssignShared(entries_, order_);
    return;
  }
  std::vector<quint32> picks;
  picks.reserve(passed->size());
  for (quint32 pos : *passed) picks.push_back(order_[pos]);
  out.AssignShared(entries_, std::move(picks));
}

void TCardFilter::Apply(const TCrdList &all, const QString &filterText, FilterRules rules, TListOrder order,
                        TCrdList &out) {
  if (!cacheMatches(all)) {
    if (!update(all)) orderValid_ = false;
  } else {
    // The same cards: the list's own block is held, not a copy of it.
    entries_ = all.SharedBlock();
  }
  if (!orderValid_ || orderKind_ != order) sort(order);

  const QString filter = FilterUpperCase(filterText);
  // The upper-cased titles are made with the list, not at the first letter
  // typed: that keystroke must stay within a frame, while the few
  // milliseconds vanish in the opening of the file.
  if (!textValid_) buildText();
  seenRevision_ = all.Revision();
  if (filter.isEmpty()) {
    hand(out, nullptr);
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
  hand(out, &passed);
  if (known == typed_.end()) remember(filter, rules, passed);
  lastFilter_ = filter;
  lastRules_ = rules;
  lastValid_ = true;
  lastPassed_ = std::move(passed);
}

} // namespace qel
