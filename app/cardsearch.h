#pragma once
// The search of find and replace over cards that are not shown: titles and
// the text of stored bodies, read straight from the body file, so only the
// card with a hit is loaded into the editor. A body matches exactly when the
// editor's own find would match it once loaded.

#include <QString>

#include <memory>

namespace qel {

class TBodyReader;
class TCrdList;

// The title test of find: `text` occurs in `title`, compared by Unicode case
// folding (so "ä" finds "Ä" and "ss" finds "ß"). An empty text never occurs.
bool TitleContains(const QString &title, const QString &text);

class TCardScanner {
public:
  // `flags`: the editor's search flags (FR_MATCHCASE, FR_WHOLEWORD).
  TCardScanner(const QString &text, int flags);
  ~TCardScanner();
  TCardScanner(const TCardScanner &) = delete;
  TCardScanner &operator=(const TCardScanner &) = delete;

  struct Hit {
    int index = -1;       // in the list; -1 when no card from `from` on matches
    bool inTitle = false; // found by the title test (tested before the body)
  };
  // The first card at or after `from` whose title (when `titles` is set) or
  // body matches. `progress`, when given, is told each card index reached now
  // and then. A body that cannot be read counts as holding no match.
  Hit next(const TCrdList &list, int from, bool titles, void (*progress)(int) = nullptr);

private:
  QString text_;
  QString foldedText_;
  int flags_;
  std::unique_ptr<TBodyReader> reader_;
};

} // namespace qel
