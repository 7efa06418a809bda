#include "cards/cardfilter.h"

#include <algorithm>
#include <numeric>

namespace qel {

const CharSet &WordDelimiters() {
  static const CharSet delimiters{QLatin1Char(' ')};
  return delimiters;
}

QString FilterUpperCase(const QString &text) {
  QString out = text;  // shares until a letter changes
  const qsizetype n = text.size();
  const QChar *in = text.constData();
  QChar *w = nullptr;
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i].unicode();
    char16_t u;
    if (c < 0x80)
      u = (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c;
    else
      u = in[i].isLowSurrogate() || in[i].isHighSurrogate() ? c : QChar(c).toUpper().unicode();
    if (u != c) {
      if (!w) w = out.data();
      w[i] = QChar(u);
    }
  }
  return out;
}

bool UpperTitleMatchesFilter(const QString &upperFilter, const QString &upperTitle, FilterRules rules) {
  if (rules.wholeWords) {
    const int p = FindWholeWord(upperFilter, upperTitle, WordDelimiters());
    return rules.fromStart ? p == 1 : p > 0;
  }
  if (upperFilter.isEmpty()) return false;  // a plain position search finds nothing for nothing
  if (rules.fromStart) return upperTitle.startsWith(upperFilter);
  return upperTitle.contains(upperFilter);
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
  const auto &items = list.Items();
  int i = start;
  for (;;) {
    if (beginsWithAscii(items[size_t(i)].title, search)) return i;
    ++i;
    if (i >= n) {
      if (!wrap) return -1;
      i = 0;
    }
    if (i == start) return -1;
  }
}

// ---------------------------------------------------------------- filter

void TCardFilter::Invalidate() {
  entries_.clear();
  order_.clear();
  orderValid_ = false;
  lastValid_ = false;
  lastPassed_.clear();
}

bool TCardFilter::cacheMatches(const TCrdList &all) const {
  const auto &items = all.Items();
  if (items.size() != entries_.size()) return false;
  for (size_t k = 0; k < items.size(); ++k) {
    const Entry &e = entries_[k];
    if (items[k].card != e.card || !sameTitle(items[k].title, e.title)) return false;
  }
  return true;
}

void TCardFilter::rebuild(const TCrdList &all) {
  const auto &items = all.Items();
  std::vector<Entry> fresh;
  fresh.reserve(items.size());
  // Cards that are still there in the same place with the same title keep
  // their upper-cased title, which is most of them after an add or a rename.
  for (size_t k = 0; k < items.size(); ++k) {
    const auto &item = items[k];
    if (k < entries_.size() && entries_[k].card == item.card && sameTitle(entries_[k].title, item.title))
      fresh.push_back(std::move(entries_[k]));
    else
      fresh.push_back(Entry{item.card, item.title, FilterUpperCase(item.title)});
  }
  entries_ = std::move(fresh);
  orderValid_ = false;
  lastValid_ = false;
}

void TCardFilter::sort(TListOrder order) {
  order_.resize(entries_.size());
  std::iota(order_.begin(), order_.end(), quint32(0));
  if (order == TListOrder::ByTitle) {
    // Case-folded keys once, then plain comparisons: the same order as a
    // case-insensitive comparison of the titles, without folding per compare.
    std::vector<QString> keys;
    keys.reserve(entries_.size());
    for (const Entry &e : entries_) keys.push_back(e.title.toCaseFolded());
    std::stable_sort(order_.begin(), order_.end(), [&](quint32 a, quint32 b) { return keys[a] < keys[b]; });
  } else {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](quint32 a, quint32 b) { return entries_[a].card->Created < entries_[b].card->Created; });
  }
  orderKind_ = order;
  orderValid_ = true;
  lastValid_ = false;
}

void TCardFilter::Apply(const TCrdList &all, const QString &filterText, FilterRules rules, TListOrder order,
                        TCrdList &out) {
  if (!cacheMatches(all)) rebuild(all);
  if (!orderValid_ || orderKind_ != order) sort(order);

  const QString filter = FilterUpperCase(filterText);
  out.Clear();
  if (filter.isEmpty()) {
    out.Reserve(int(order_.size()));
    for (quint32 k : order_) out.AddObject(entries_[k].title, entries_[k].card);
    lastFilter_.clear();
    lastRules_ = rules;
    lastValid_ = true;
    lastPassed_.clear();
    return;
  }

  // A filter that only grows keeps the cards that failed failing, as long as
  // matching is by substring or by prefix (whole words are not: ANN passes
  // "JO ANN", ANNA does not, and ANNA may pass where ANN failed in "ANNA").
  const bool narrows = lastValid_ && !rules.wholeWords && lastRules_.fromStart == rules.fromStart &&
                       !lastRules_.wholeWords &&
                       (rules.fromStart ? filter.startsWith(lastFilter_) : filter.contains(lastFilter_));
  std::vector<quint32> passed;
  auto test = [&](quint32 pos) {
    const Entry &e = entries_[order_[pos]];
    if (UpperTitleMatchesFilter(filter, e.upper, rules)) passed.push_back(pos);
  };
  if (narrows && !lastFilter_.isEmpty()) {
    passed.reserve(lastPassed_.size());
    for (quint32 pos : lastPassed_) test(pos);
  } else {
    for (quint32 pos = 0; pos < quint32(order_.size()); ++pos) test(pos);
  }
  out.Reserve(int(passed.size()));
  for (quint32 pos : passed) {
    const Entry &e = entries_[order_[pos]];
    out.AddObject(e.title, e.card);
  }
  lastFilter_ = filter;
  lastRules_ = rules;
  lastValid_ = true;
  lastPassed_ = std::move(passed);
}

} // namespace qel
