#pragma once
// The search of find and replace over cards that are not shown: titles and
// the text of stored bodies, read straight from the body file, so only the
// card with a hit is loaded into the editor. A body matches exactly when the
// editor's own find would match it once loaded.

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace qel {

class TBodyMap;
class TCrd;
class TCrdList;

// The title test of find: `text` occurs in `title`, compared by Unicode case
// folding (so "ä" finds "Ä" and "ss" finds "ß"). An empty text never occurs.
bool TitleContains(const QString &title, const QString &text);

class TCardScanner {
public:
  // `flags`: the editor's search flags (FR_MATCHCASE, FR_WHOLEWORD).
  // `everyHit`: for a pass that goes on from hit to hit (replacing each), a
  // block is searched whole and its hits kept, so the calls that follow are
  // answered without searching again; no card's title or body after the one
  // passed may change meanwhile.
  TCardScanner(const QString &text, int flags, bool everyHit = false);
  ~TCardScanner();
  TCardScanner(const TCardScanner &) = delete;
  TCardScanner &operator=(const TCardScanner &) = delete;

  struct Hit {
    int index = -1;         // in the list; -1 when no card from `from` on matches
    bool inTitle = false;   // found by the title test (tested before the body)
    bool cancelled = false; // `progress` stopped the search first
  };
  // Told the card index reached now and then; false stops the search.
  using Progress = std::function<bool(int)>;
  // The first card at or after `from` (in list order) whose title (when
  // `titles` is set) or body matches. The cards are searched side by side on
  // several threads, a block of them at a time, and the search ends with the
  // block holding the first hit. A body that cannot be read counts as
  // holding no match.
  Hit next(const TCrdList &list, int from, bool titles, const Progress &progress = {});

private:
  QString text_;
  QString foldedText_;
  int flags_;
  bool everyHit_;
  std::unique_ptr<TBodyMap> bodies_;
  // The hits of the last block searched, when every hit is wanted.
  struct Known {
    Hit hit;
    const TCrd *card = nullptr;  // the card at hit.index then
  };
  std::vector<Known> cache_;
  const TCrdList *cacheList_ = nullptr;
  int cacheCount_ = 0;
  bool cacheTitles_ = false;
  int cacheBegin_ = 0;
  int cacheEnd_ = 0;
  int cacheNextBlock_ = 0;
};

} // namespace qel
