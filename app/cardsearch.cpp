#include "app/cardsearch.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/crd.h"
#include "platform/richedit/textsearch.h"

namespace qel {

namespace {

// Full case folding: besides the simple folding every letter has, the sharp s
// folds to "ss" as a user reading the title would compare it.
QString fold(const QString &s) {
  QString out = s.toCaseFolded();
  for (qsizetype i = out.size(); i-- > 0;) {
    const char16_t c = out.at(i).unicode();
    if (c == 0x00DF || c == 0x1E9E) out.replace(i, 1, QStringLiteral("ss"));
  }
  return out;
}

} // namespace

bool TitleContains(const QString &title, const QString &text) {
  if (text.isEmpty()) return false;
  return fold(title).contains(fold(text));
}

TCardScanner::TCardScanner(const QString &text, int flags) : text_(text), foldedText_(fold(text)), flags_(flags) {}

TCardScanner::~TCardScanner() = default;

TCardScanner::Hit TCardScanner::next(const TCrdList &list, int from, bool titles, void (*progress)(int)) {
  Hit hit;
  if (text_.isEmpty()) return hit;
  if (!reader_) reader_ = std::make_unique<TBodyReader>(CurrentBodyFile(), 0);  // list order is not file order
  const int count = list.Count();
  for (int i = qMax(from, 0); i < count; ++i) {
    if (progress && (i & 1023) == 0) progress(i);
    if (titles && !foldedText_.isEmpty() && fold(list.Strings(i)).contains(foldedText_)) {
      hit.index = i;
      hit.inTitle = true;
      return hit;
    }
    const TCrd *card = list.Objects(i);
    QString body;
    try {
      body = re::bodySearchText(reader_->read(card->ADR, card->SIZ));
    } catch (const ECardError &) {
      continue;  // loading it would fail as well; the search goes on
    }
    if (re::findForward(body, text_, 0, flags_) >= 0) {
      hit.index = i;
      return hit;
    }
  }
  return hit;
}

} // namespace qel
