#include "cards/cardfilter.h"

#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <type_traits>
#include <cstring>
#include <memory>
#include <mutex>
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
template <typename C>
using TextView = std::basic_string_view<C>;

// Whether the occurrence at `at` stands between delimiters (spaces) or the ends.
template <typename C>
inline bool wholeWordAt(TextView<C> title, size_t at, size_t length) {
  return (at == 0 || title[at - 1] == C(' ')) && (at + length == title.size() || title[at + length] == C(' '));
}

// The filter rules on upper-cased text, of two bytes or of one byte a unit.
template <typename C>
bool upperMatches(TextView<C> filter, TextView<C> title, FilterRules rules) {
  // A position search finds nothing for nothing.
  if (filter.empty() || filter.size() > title.size()) return false;
  if (rules.fromStart) {
    // Only position 1 counts, also for whole words: a longer first word fails
    // even when a later word would match.
    return title.substr(0, filter.size()) == filter && (!rules.wholeWords || wholeWordAt(title, 0, filter.size()));
  }
  if (!rules.wholeWords) return title.find(filter) != TextView<C>::npos;
  for (size_t at = title.find(filter); at != TextView<C>::npos; at = title.find(filter, at + 1))
    if (wholeWordAt(title, at, filter.size())) return true;
  return false;
}

inline TextView<char16_t> viewOf(QStringView text) {
  return TextView<char16_t>(reinterpret_cast<const char16_t *>(text.data()), size_t(text.size()));
}

// The first occurrence of `what` in `text` from `from` on; npos when none.
inline size_t findIn(TextView<char> text, TextView<char> what, size_t from) {
  if (from > text.size()) return TextView<char>::npos;
  const void *hit = memmem(text.data() + from, text.size() - from, what.data(), what.size());
  return hit ? size_t(static_cast<const char *>(hit) - text.data()) : TextView<char>::npos;
}
inline size_t findIn(TextView<char16_t> text, TextView<char16_t> what, size_t from) {
  const qsizetype at = QStringView(text.data(), qsizetype(text.size()))
                           .indexOf(QStringView(what.data(), qsizetype(what.size())), qsizetype(from));
  return at < 0 ? TextView<char16_t>::npos : size_t(at);
}
} // namespace

bool UpperTitleMatchesFilter(QStringView filter, QStringView title, FilterRules rules) {
  return upperMatches(viewOf(filter), viewOf(title), rules);
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

// Blocks of list positions and picks of a large list, kept for reuse once
// their filtered list lets go of them. A fresh block of a few megabytes is
// mapped on its own (KeepLargeBlocksApart) and costs a page fault per page
// at its first writing, about 10 microseconds each on a virtual machine:
// 7 ms for the 700,000 titles one common letter passes, more than the
// search. A reused block is written at memory speed. The pool keeps at most
// as many positions as two lists of all cards hold, so the memory it keeps
// is what a keystroke needs anyway at its peak.
class PositionPool : public std::enable_shared_from_this<PositionPool> {
public:
  // Blocks smaller than this come from the heap cheaply and are not kept.
  static constexpr size_t kSmallest = 32 * 1024;

  // An empty block holding at least `capacity` positions: the smallest kept
  // one that fits, else a new one.
  std::vector<quint32> take(size_t capacity) {
    std::vector<quint32> block;
    if (capacity >= kSmallest) {
      const std::lock_guard<std::mutex> lock(mutex_);
      auto best = spare_.end();
      for (auto it = spare_.begin(); it != spare_.end(); ++it)
        if (it->capacity() >= capacity && (best == spare_.end() || it->capacity() < best->capacity()))
          best = it;
      if (best != spare_.end()) {
        held_ -= best->capacity();
        block = std::move(*best);
        spare_.erase(best);
      }
    }
    block.clear();
    block.reserve(capacity);
    return block;
  }
  // Keeps the block for a later take; beyond the limit the smallest kept
  // blocks go (a large block serves the searches of all cards).
  void give(std::vector<quint32> &&block) {
    if (block.capacity() < kSmallest) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    held_ += block.capacity();
    spare_.push_back(std::move(block));
    trim();
  }
  // The block shared; it comes back here when its last holder lets go.
  std::shared_ptr<const std::vector<quint32>> share(std::vector<quint32> &&block) {
    std::weak_ptr<PositionPool> pool = weak_from_this();
    return std::shared_ptr<const std::vector<quint32>>(
        new std::vector<quint32>(std::move(block)), [pool](const std::vector<quint32> *gone) {
          std::unique_ptr<std::vector<quint32>> owned(const_cast<std::vector<quint32> *>(gone));
          if (auto p = pool.lock()) p->give(std::move(*owned));
        });
  }
  // The most positions kept (frees what is kept beyond it).
  void setLimit(size_t positions) {
    const std::lock_guard<std::mutex> lock(mutex_);
    limit_ = positions;
    trim();
  }

private:
  void trim() {
    while (held_ > limit_ && !spare_.empty()) {
      auto smallest = std::min_element(spare_.begin(), spare_.end(), [](const auto &a, const auto &b) {
        return a.capacity() < b.capacity();
      });
      held_ -= smallest->capacity();
      spare_.erase(smallest);
    }
  }

  std::mutex mutex_;
  std::vector<std::vector<quint32>> spare_;
  size_t held_ = 0, limit_ = 0;
};

PositionPool &TCardFilter::pool() {
  if (!pool_) pool_ = std::make_shared<PositionPool>();
  return *pool_;
}

void TCardFilter::remember(const QString &filter, FilterRules rules, Positions passed) {
  // A few filters, and blocks of no more positions than the list holds
  // cards: a million cards keep at most 4 MB of them however many letters were typed
  // (a wide filter searched again costs a few milliseconds, not a frame).
  constexpr size_t kTypedFilters = 16;
  size_t held = passed->capacity();
  for (const Typed &t : typed_) held += t.passed->capacity();
  while (!typed_.empty() && (typed_.size() >= kTypedFilters || held > order_->size())) {
    held -= typed_.front().passed->capacity();
    typed_.erase(typed_.begin());
  }
  if (held <= order_->size()) typed_.push_back(Typed{filter, rules, std::move(passed)});
}

void TCardFilter::Invalidate() {
  entries_.reset();
  order_ = std::make_shared<std::vector<quint32>>();
  orderValid_ = false;
  dropText();
  seenRevision_ = 0;
  lastValid_ = false;
  typed_.clear();
  lastPassed_.reset();
  if (pool_) pool_->setLimit(0);
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
  for (quint32 pos = 0; pos < quint32(order_->size()); ++pos) {
    const quint32 old = (*order_)[pos];
    if (old < moved.size() && moved[old] >= 0)
      kept.push_back(quint32(moved[old]));
    else
      removedAt.push_back(pos);
  }
  order_ = std::make_shared<std::vector<quint32>>(std::move(kept));
  // A few changes are cut out of and put into the title text in place (each
  // a move of memory); more leave the text to be made anew, as does a title
  // that one byte a unit cannot hold.
  bool spliceText = removedAt.size() + toPlace.size() <= kMaxSplicedChanges && textValid_ &&
                    starts_.size() == moved.size() + 1;
  std::vector<QString> uppers;
  for (quint32 e : toPlace) {
    if (!spliceText) break;
    uppers.push_back(FilterUpperCase(entry(e).title));
    if (!wide_)
      for (QChar c : uppers.back()) spliceText &= c.unicode() < 0x100;
  }
  if (!spliceText) dropText();
  auto splice = [&](auto &text) {
    using C = typename std::decay_t<decltype(text)>::value_type;
    for (auto it = removedAt.rbegin(); it != removedAt.rend(); ++it) {
      const quint32 pos = *it;
      const quint32 length = starts_[pos + 1] - starts_[pos];
      text.erase(starts_[pos], length);
      starts_.erase(starts_.begin() + pos);
      for (size_t k = pos; k < starts_.size(); ++k) starts_[k] -= length;
    }
    for (size_t i = 0; i < toPlace.size(); ++i) {
      const quint32 pos = placeInOrder(toPlace[i]);
      std::basic_string<C> units;
      for (QChar c : uppers[i]) units.push_back(C(c.unicode()));
      units.push_back(C(0));
      text.insert(starts_[pos], units);
      starts_.insert(starts_.begin() + pos, starts_[pos]);
      for (size_t k = pos + 1; k < starts_.size(); ++k) starts_[k] += quint32(units.size());
    }
  };
  if (!spliceText) {
    for (quint32 e : toPlace) placeInOrder(e);
  } else if (wide_) {
    splice(text16_);
  } else {
    splice(text8_);
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
  // The filtered list handed out may share the order: a change goes into a copy.
  if (order_.use_count() > 1) order_ = std::make_shared<std::vector<quint32>>(*order_);
  std::vector<quint32> &order = *order_;
  auto at = std::partition_point(order.begin(), order.end(), [&](quint32 o) { return before(o, e, folded); });
  const quint32 pos = quint32(at - order.begin());
  order.insert(at, e);
  return pos;
}

namespace {

// One title's sort key: the four case-folded units at the current depth
// packed into one number that compares as they do. Sixteen bytes: a million
// titles take 16 MB of keys and nothing else while they are sorted.
struct TitleKey {
  quint64 head;   // the four units at the current depth
  quint32 rest;   // units left from the depth on, at most 5 (5: more than four)
  quint32 entry;
};
static_assert(sizeof(TitleKey) == 16);

inline bool keyLess(const TitleKey &a, const TitleKey &b) {
  if (a.head != b.head) return a.head < b.head;
  if (a.rest != b.rest) return a.rest < b.rest;
  return a.entry < b.entry;
}

// The unit at `i` of the case-folded title, read from the title itself.
// Case folding maps every code point outside the surrogates to one unit,
// whatever stands around it, so no folded copy of the titles is needed. A
// title with surrogates (rare) is folded whole, as QString folds it.
inline char16_t foldedUnit(const QString &title, const char16_t *t, size_t i) {
  const char16_t u = t[i];
  if (u < 0x80) return u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u;
  if (!QChar::isSurrogate(u)) return QChar::toCaseFolded(u);
  return title.toCaseFolded().at(qsizetype(i)).unicode();
}

inline void packKey(const QString &title, TitleKey &key, size_t depth) {
  const char16_t *t = reinterpret_cast<const char16_t *>(title.constData());
  const size_t length = size_t(title.size());
  quint64 head = 0;
  for (size_t i = depth; i < depth + 4; ++i) head = (head << 16) | (i < length ? foldedUnit(title, t, i) : 0u);
  key.head = head;
  key.rest = quint32(std::min<size_t>(length > depth ? length - depth : 0, 5));
}

// The bucket of a key by its first unit: units below 256 each have their
// own, the others share one per 256. Buckets follow the order of the keys.
constexpr size_t kTitleBuckets = 0x1FF;
inline size_t bucketOf(const TitleKey &key) {
  const size_t u = size_t(key.head >> 48);
  return u < 0x100 ? u : 0xFF + (u >> 8);
}

// Runs of keys still to be ordered on the units from their depth on.
struct KeyRun {
  size_t from, to, depth;
};

// Adds the runs of keys in [from, to) that tie on the units at `depth` and
// go on past them; keys that end within them are equal and stay by entry.
void addTies(const TitleKey *keys, size_t from, size_t to, size_t depth, std::vector<KeyRun> &runs) {
  for (size_t k = from; k < to;) {
    size_t e = k + 1;
    while (e < to && keys[e].head == keys[k].head && keys[e].rest == keys[k].rest) ++e;
    if (e - k > 1 && keys[k].rest == 5) runs.push_back(KeyRun{k, e, depth + 4});
    k = e;
  }
}

// Orders a run of keys packed at its depth and, one after another, the ties within it.
template <typename TitleOf>
void sortRun(const TitleOf &titleOf, TitleKey *keys, KeyRun first) {
  std::vector<KeyRun> runs{first};
  bool packed = true;
  while (!runs.empty()) {
    const KeyRun run = runs.back();
    runs.pop_back();
    if (!packed)
      for (size_t k = run.from; k < run.to; ++k) packKey(titleOf(keys[k].entry), keys[k], run.depth);
    packed = false;
    std::sort(keys + run.from, keys + run.to, keyLess);
    addTies(keys, run.from, run.to, run.depth, runs);
  }
}

// Below this many titles the sort runs on one thread.
constexpr size_t kParallelTitles = 20000;
// Titles per piece of the walks over all titles: many more pieces than
// threads, so a thread the system holds back delays no others.
constexpr size_t kTitlesPerPiece = 8192;

} // namespace

void TCardFilter::sortByFoldedTitle() {
  // The keys are sorted four code units at a time: only runs of keys that
  // tie on the four units at one depth are sorted again on the next four.
  // Each pass reads its keys in one sequence, so a million titles that share
  // their first words cost a few sorts of plain numbers, not a string
  // comparison per step. The result is the order of QString's own comparison
  // of the case-folded titles (code unit by code unit, a shorter key first),
  // and equal keys keep file order.
  //
  // The keys are first dealt into buckets by their first unit (counted,
  // then each piece of titles writes its keys straight to their places) and
  // the buckets are sorted side by side: no merging, and no memory beyond
  // the keys themselves.
  const size_t n = entryCount();
  const size_t workers = n >= kParallelTitles ? ParallelWorkers() : 1;
  const size_t pieces = std::max<size_t>(1, (n + kTitlesPerPiece - 1) / kTitlesPerPiece);
  auto titleOf = [this](quint32 e) -> const QString & { return entry(e).title; };
  auto pieceKeys = [&](size_t p, auto &&use) {
    const size_t from = n * p / pieces, to = n * (p + 1) / pieces;
    TitleKey key;
    for (size_t k = from; k < to; ++k) {
      if (k + kPrefetch < to) prefetchTitle(entry(quint32(k + kPrefetch)).title);
      key.entry = quint32(k);
      packKey(entry(quint32(k)).title, key, 0);
      use(key);
    }
  };
  // How many keys of each piece fall into each bucket, then where they go.
  std::vector<quint32> places(pieces * kTitleBuckets, 0);
  RunInParallel(pieces, workers, [&](size_t p) {
    quint32 *count = places.data() + p * kTitleBuckets;
    pieceKeys(p, [&](const TitleKey &key) { ++count[bucketOf(key)]; });
  });
  std::vector<size_t> bucketStart(kTitleBuckets + 1, 0);
  {
    quint32 at = 0;
    for (size_t b = 0; b < kTitleBuckets; ++b) {
      bucketStart[b] = at;
      for (size_t p = 0; p < pieces; ++p) {
        const quint32 count = places[p * kTitleBuckets + b];
        places[p * kTitleBuckets + b] = at;
        at += count;
      }
    }
    bucketStart[kTitleBuckets] = at;
  }
  // Left uninitialised: every key is written before it is read.
  std::unique_ptr<TitleKey[]> keys(new TitleKey[n]);
  RunInParallel(pieces, workers, [&](size_t p) {
    quint32 *place = places.data() + p * kTitleBuckets;
    pieceKeys(p, [&](const TitleKey &key) { keys[place[bucketOf(key)]++] = key; });
  });
  std::vector<quint32>().swap(places);
  // The buckets sorted side by side, the largest first.
  std::vector<size_t> buckets;
  for (size_t b = 0; b < kTitleBuckets; ++b)
    if (bucketStart[b + 1] - bucketStart[b] > 1) buckets.push_back(b);
  std::sort(buckets.begin(), buckets.end(), [&](size_t a, size_t b) {
    return bucketStart[a + 1] - bucketStart[a] > bucketStart[b + 1] - bucketStart[b];
  });
  RunInParallel(buckets.size(), workers, [&](size_t i) {
    sortRun(titleOf, keys.get(), KeyRun{bucketStart[buckets[i]], bucketStart[buckets[i] + 1], 0});
  });
  std::vector<quint32> &order = *order_;
  for (size_t k = 0; k < n; ++k) order[k] = keys[k].entry;
}

void TCardFilter::sort(TListOrder order) {
  order_ = std::make_shared<std::vector<quint32>>(entryCount());
  std::iota(order_->begin(), order_->end(), quint32(0));
  orderKind_ = order;
  if (order == TListOrder::ByTitle) {
    sortByFoldedTitle();
  } else {
    std::stable_sort(order_->begin(), order_->end(),
                     [&](quint32 a, quint32 b) { return entry(a).card->Created < entry(b).card->Created; });
  }
  orderValid_ = true;
  lastValid_ = false;
  typed_.clear();
  dropText();
}

void TCardFilter::buildText() {
  const size_t n = order_->size();
  const size_t workers = n >= kParallelTitles ? ParallelWorkers() : 1;
  // More pieces than threads, so a thread held up on a busy machine holds up little.
  const size_t pieces = workers > 1 ? workers * 4 : 1;
  std::vector<size_t> bounds(pieces + 1);
  for (size_t i = 0; i <= pieces; ++i) bounds[i] = n * i / pieces;
  // Where each title begins: its length is read from the list, not from the title.
  starts_.assign(n + 1, 0);
  RunInParallel(pieces, workers, [&](size_t p) {
    for (size_t k = bounds[p]; k < bounds[p + 1]; ++k) {
      if (k + kPrefetch < bounds[p + 1]) __builtin_prefetch(&entry((*order_)[k + kPrefetch]));
      starts_[k + 1] = quint32(entry((*order_)[k]).title.size() + 1);
    }
  });
  for (size_t k = 0; k < n; ++k) starts_[k + 1] += starts_[k];
  // Upper-cased as FilterUpperCase does title by title (it keeps lengths),
  // a NUL after each title, piece by piece side by side; one byte a unit
  // while every unit fits in one.
  std::atomic<bool> wide{false};
  auto fill = [&](auto *text) {
    using C = std::remove_pointer_t<decltype(text)>;
    RunInParallel(pieces, workers, [&](size_t p) {
      for (size_t k = bounds[p]; k < bounds[p + 1]; ++k) {
        if (k + kPrefetch < bounds[p + 1]) prefetchTitle(entry((*order_)[k + kPrefetch]).title);
        const QString &title = entry((*order_)[k]).title;
        const char16_t *t = reinterpret_cast<const char16_t *>(title.constData());
        C *w = text + starts_[k];
        char16_t all = 0;
        for (qsizetype i = 0, len = title.size(); i < len; ++i) {
          const char16_t u = filterUpperUnit(t[i]);
          all |= u;
          w[i] = C(u);
        }
        w[title.size()] = 0;
        if (sizeof(C) == 1 && all > 0xFF) wide = true;
      }
    });
  };
  text8_.assign(starts_[n], '\0');
  fill(text8_.data());
  wide_ = wide;
  if (wide_) {
    std::string().swap(text8_);
    text16_.assign(starts_[n], u'\0');
    fill(text16_.data());
  }
  textValid_ = true;
}

void TCardFilter::dropText() {
  std::string().swap(text8_);
  std::u16string().swap(text16_);
  wide_ = false;
  std::vector<quint32>().swap(starts_);
  textValid_ = false;
}

namespace {
// Below this many titles a search runs on one thread.
constexpr size_t kParallelSearch = 100000;
} // namespace

template <typename C>
void TCardFilter::search(const std::basic_string<C> &text, std::basic_string_view<C> filter, bool narrows,
                         FilterRules rules, std::vector<quint32> &passed) {
  const TextView<C> all(text);
  auto titleAt = [&](quint32 pos) { return all.substr(starts_[pos], starts_[pos + 1] - starts_[pos] - 1); };
  // The positions [from, to) of `among` (of all positions when null) that pass, in order.
  auto scan = [&](const std::vector<quint32> *among, size_t from, size_t to, auto &hits) {
    if (among) {
      for (size_t k = from; k < to; ++k)
        if (upperMatches(filter, titleAt((*among)[k]), rules)) hits.push_back((*among)[k]);
      return;
    }
    if (rules.fromStart) {
      for (size_t pos = from; pos < to; ++pos)
        if (upperMatches(filter, titleAt(quint32(pos)), rules)) hits.push_back(quint32(pos));
      return;
    }
    // One search over the titles' text; a hit is mapped to its title, and
    // the search goes on behind that title once it passed.
    const size_t length = filter.size();
    const TextView<C> range = all.substr(0, starts_[to]);
    quint32 pos = quint32(from);
    size_t at = starts_[from];
    for (;;) {
      at = findIn(range, filter, at);
      if (at == TextView<C>::npos) return;
      while (starts_[pos + 1] <= at) ++pos;
      const size_t begin = starts_[pos], end = starts_[pos + 1] - 1;
      if (at + length <= end && (!rules.wholeWords || wholeWordAt(all.substr(begin, end - begin), at - begin, length))) {
        hits.push_back(pos);
        at = starts_[pos + 1];
      } else {
        ++at;
      }
    }
  };
  const std::vector<quint32> *among = narrows ? lastPassed_.get() : nullptr;
  const size_t n = among ? among->size() : order_->size();
  // A large list is searched in pieces side by side. Each piece writes its
  // hits into its own stretch of one block (a piece has no more hits than
  // positions), and the stretches are then moved together in order.
  const size_t pieces = n >= kParallelSearch ? ParallelWorkers() * 4 : 1;
  if (pieces == 1) {
    passed = pool().take(among ? n : std::min<size_t>(n, 4096));
    scan(among, 0, n, passed);
    return;
  }
  passed = pool().take(n);
  passed.resize(n);
  std::vector<size_t> counts(pieces, 0);
  // More pieces than threads: on a busy machine a thread that is held up
  // holds up only a small piece, the others take the rest.
  RunInParallel(pieces, ParallelWorkers(), [&](size_t p) {
    const size_t from = n * p / pieces, to = n * (p + 1) / pieces;
    struct Stretch {
      quint32 *at;
      void push_back(quint32 pos) { *at++ = pos; }
    } hits{passed.data() + from};
    scan(among, from, to, hits);
    counts[p] = size_t(hits.at - (passed.data() + from));
  });
  size_t total = 0;
  for (size_t p = 0; p < pieces; ++p) {
    const size_t from = n * p / pieces;
    if (total != from && counts[p]) std::memmove(passed.data() + total, passed.data() + from, counts[p] * sizeof(quint32));
    total += counts[p];
  }
  passed.resize(total);
  // Few hits in a block of all positions: they move to a block of their size,
  // as the filters kept for Backspace are counted by their blocks.
  if (total < passed.capacity() / 2) {
    std::vector<quint32> fitted = pool().take(total);
    fitted.assign(passed.begin(), passed.end());
    pool().give(std::move(passed));
    passed = std::move(fitted);
  }
}

void TCardFilter::pick(const std::vector<quint32> &passed, size_t from, size_t to, quint32 *out) const {
  const std::vector<quint32> &order = *order_;
  for (size_t k = from; k < to; ++k) out[k] = order[passed[k]];
}

void TCardFilter::hand(TCrdList &out, const std::vector<quint32> *passed) {
  if (!passed) {
    // All cards in list order: the list shares the order itself.
    out.AssignShared(entries_, std::shared_ptr<const std::vector<quint32>>(order_));
    return;
  }
  const size_t n = passed->size();
  std::vector<quint32> picks = pool().take(n);
  picks.resize(n);
  const size_t pieces = n >= kParallelSearch ? ParallelWorkers() * 4 : 1;
  RunInParallel(pieces, ParallelWorkers(),
                [&](size_t p) { pick(*passed, n * p / pieces, n * (p + 1) / pieces, picks.data()); });
  out.AssignShared(entries_, pool().share(std::move(picks)));
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
  // Two lists of all cards: a keystroke's search and its picks.
  pool().setLimit(2 * order_->size());

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
    lastPassed_.reset();
    return;
  }
  // A filter that only grows keeps the cards that failed failing, as long as
  // matching is by substring or by prefix (whole words are not: ANN passes
  // "JO ANN", ANNA does not, and ANNA may pass where ANN failed in "ANNA").
  const bool narrows = lastValid_ && !lastFilter_.isEmpty() && !rules.wholeWords && !lastRules_.wholeWords &&
                       lastRules_.fromStart == rules.fromStart &&
                       (rules.fromStart ? filter.startsWith(lastFilter_) : filter.contains(lastFilter_));
  Positions passed;
  // A shorter filter typed before on this list (Backspace comes back to one)
  // is not searched again.
  const bool shorter = lastValid_ && filter.size() < lastFilter_.size();
  const auto known = !shorter ? typed_.end() : std::find_if(typed_.begin(), typed_.end(), [&](const Typed &t) {
    return t.filter == filter && t.rules.fromStart == rules.fromStart && t.rules.wholeWords == rules.wholeWords;
  });
  if (known != typed_.end()) {
    passed = known->passed;
  } else if (wide_) {
    std::vector<quint32> hits;
    search(text16_, viewOf(filter), narrows, rules, hits);
    passed = pool().share(std::move(hits));
  } else {
    // Titles of one byte a unit: a filter with a wider unit finds none.
    std::string narrow;
    bool fits = true;
    for (QChar c : filter) {
      fits &= c.unicode() < 0x100;
      narrow.push_back(char(c.unicode()));
    }
    std::vector<quint32> hits;
    if (fits) search(text8_, TextView<char>(narrow), narrows, rules, hits);
    passed = pool().share(std::move(hits));
  }
  hand(out, passed.get());
  if (known == typed_.end()) remember(filter, rules, passed);
  lastFilter_ = filter;
  lastRules_ = rules;
  lastValid_ = true;
  lastPassed_ = std::move(passed);
}

} // namespace qel
