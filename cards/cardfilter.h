#pragma once
// The title filter and the orders of the filtered list, free of any window so
// they are tested and measured on their own.
//
// TCardFilter rebuilds the filtered list from the all-cards list. It keeps
// the sort order of the all-cards list and, from the first non-empty filter
// on, the upper-cased titles between calls, so a keystroke in the filter costs one pass over the titles and no
// sorting; the cache is checked against the list on every call and rebuilt
// when cards were added, removed, renamed or reordered.

#include "cards/crd.h"
#include "cards/strroutines.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

class PositionPool;

// The characters that may stand before and after a whole-word match: the space.
const CharSet &WordDelimiters();

// Upper-cases letter by letter (simple case mapping), so the text keeps its
// length and positions: "ß" stays, every accented Latin letter is upper-cased.
QString FilterUpperCase(const QString &text);

struct FilterRules {
  bool fromStart = false;   // "Filter from Start"
  bool wholeWords = false;  // "Filter whole words"
};

// Whether `title` passes the filter. `upperFilter` is already upper-cased
// (FilterUpperCase); the title is upper-cased here. Whole words are words
// between WordDelimiters() or the ends of the title, as FindWholeWord finds them.
bool TitleMatchesFilter(const QString &upperFilter, const QString &title, FilterRules rules);
// The same for a title that is upper-cased already.
bool UpperTitleMatchesFilter(QStringView upperFilter, QStringView upperTitle, FilterRules rules);

// Incremental search in a list of titles: from `start`, the first title that
// begins with `search`, ASCII letters compared upper-cased. After the last
// title the search goes on at 0 only with `wrap`; it never passes `start`
// twice. -1 when none (or when `start` is not an index of the list).
int FindTitleByPrefix(const TCrdList &list, const QString &search, int start, bool wrap);

enum class TListOrder {
  ByTitle,    // by title without regard to case; equal titles keep file order
  ByCreated,  // by creation stamp, ascending; equal stamps keep file order
};

class TCardFilter {
public:
  // The revision of the card list the last Apply worked on (0: none yet).
  quint64 SeenRevision() const { return seenRevision_; }
  // `out` := the cards of `all` whose titles pass `filterText` (upper-cased
  // here), in `order`. An empty filter passes every card.
  void Apply(const TCrdList &all, const QString &filterText, FilterRules rules, TListOrder order, TCrdList &out);
  // Forgets the cached titles and order (they are also checked on every Apply).
  void Invalidate();

private:
  using Item = TCrdList::Item;
  // List positions that passed a filter, shared between the last search and
  // the filters remembered for Backspace, never copied.
  using Positions = std::shared_ptr<const std::vector<quint32>>;
  bool cacheMatches(const TCrdList &all) const;
  // Brings the cache up to date; false when the order must be made anew.
  bool update(const TCrdList &all);
  void sort(TListOrder order);
  void sortByFoldedTitle();
  // Whether entry a stands before entry b in the order (`foldedB`: b's case-folded title).
  bool before(quint32 a, quint32 b, const QString &foldedB) const;
  // Inserts the entry into order_; returns its position there.
  quint32 placeInOrder(quint32 entry);
  void buildText();
  void dropText();
  // The list positions whose titles in `text` pass `filter` (upper-cased, of
  // the text's width): of the last passed when `narrows`, else of all.
  template <typename C>
  void search(const std::basic_string<C> &text, std::basic_string_view<C> filter, bool narrows, FilterRules rules,
              std::vector<quint32> &passed);
  const Item &entry(quint32 k) const { return (*entries_)[k]; }
  size_t entryCount() const { return entries_ ? entries_->size() : 0; }
  // The filtered list: the cards at the list positions `passed` (all when null).
  void hand(TCrdList &out, const std::vector<quint32> *passed);
  // The cards at the list positions [from, to) of `passed`, as entries.
  void pick(const std::vector<quint32> &passed, size_t from, size_t to, quint32 *out) const;

  // The all-cards list's own items (its shared block), in all-cards order:
  // the filtered list shares them too, so no card is held more than once.
  TCrdList::SharedItems entries_;
  // Entry indices in list order; shared with the unfiltered list handed out.
  std::shared_ptr<std::vector<quint32>> order_ = std::make_shared<std::vector<quint32>>();
  bool orderValid_ = false;
  TListOrder orderKind_ = TListOrder::ByTitle;
  // The upper-cased titles in list order, each followed by a NUL, and where
  // each begins (one more at the end): one search runs over all titles. One
  // byte a unit while every upper-cased title fits in Latin-1 (half the
  // memory and the reading), else two.
  std::string text8_;
  std::u16string text16_;
  bool wide_ = false;
  std::vector<quint32> starts_;
  bool textValid_ = false;  // made at the first non-empty filter
  // The revision of the all-cards list the cache was last checked against.
  quint64 seenRevision_ = 0;
  // The last filter and the list positions that passed it: a longer filter
  // that contains it only needs to look at those.
  QString lastFilter_;
  FilterRules lastRules_;
  bool lastValid_ = false;
  Positions lastPassed_;
  // Filters searched since the list was last made, with the positions that
  // passed: the way back by Backspace costs no search.
  struct Typed {
    QString filter;
    FilterRules rules;
    Positions passed;
  };
  std::vector<Typed> typed_;
  void remember(const QString &filter, FilterRules rules, Positions passed);
  // The blocks of positions and picks the filtered lists let go, for the
  // next keystroke's (see PositionPool).
  std::shared_ptr<PositionPool> pool_;
  PositionPool &pool();
};

} // namespace qel
