// Find and replace across the filtered cards. The search goes through the
// cards one after the other; cards that are not shown are searched in their
// stored text (titles and bodies straight from the body file), and only the
// card with a hit is loaded into the editor, where the editor's own find
// selects the hit. What the user sees is as if each card had been shown in
// turn: the same card becomes current, the same text is selected.

#include "app/cardsearch.h"
#include "app/dlg_find.h"
#include "app/guards.h"
#include "app/progress.h"
#include "app/searchprogress.h"
#include "app/tf_main.h"
#include "cards/carderror.h"
#include "cards/crd.h"
#include "richedit/rerichedit.h"
#include "platform/richedit/textsearch.h"
#include "platform/uiservices.h"
#include "toolbars/qt/tbtoolbar.h"

#include "toolbars/paint/thmedititem.h"

#include <QAction>
#include <QRegularExpression>
#include <QTextDocument>
#include <QLineEdit>
#include <QListView>


namespace qel {

namespace {

int searchFlags(const TFindDialog &d) {
  return re::FR_DOWN | (d.MatchCase() ? re::FR_MATCHCASE : 0) | (d.WholeWord() ? re::FR_WHOLEWORD : 0);
}

// The find text from the editor's selection: its first line.
QString selectionAsFindText(const re::RichEditControl &editor) {
  QString text = editor.selText();
  const qsizetype br = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n\\x{2029}\\x{2028}\\v]")));
  if (br >= 0) text.truncate(br);
  return text;
}

void reportCardError(const ECardError &e) { ui().messageBox(e.message(), applicationTitle(), MB_OK | MB_ICONERROR); }

// What every search holds while it runs and gives back on every way out:
// the hourglass, a toolbar or toolbar item hidden meanwhile, the painting of
// the list and the editor.
class SearchScope {
public:
  SearchScope(Tf_Main &w, QWidget *hideBar, toolbars::TTbrCustomItem *hideItem)
      : busy_(w), bar_(hideBar), item_(hideItem), barShown_(bar_ && !bar_->isHidden()),
        itemShown_(item_ && item_->Visible()), list_(w.lw_List), editor_(w.m_Card) {
    if (barShown_) bar_->hide();
    if (itemShown_) item_->SetVisible(false);
  }
  ~SearchScope() {
    if (barShown_) bar_->show();
    if (itemShown_) item_->SetVisible(true);
  }

private:
  Tf_Main::BusyGuard busy_;
  WaitCursor wait_;
  QWidget *bar_;
  toolbars::TTbrCustomItem *item_;
  bool barShown_;
  bool itemShown_;
  UpdatesHeld list_;
  UpdatesHeld editor_;
};

// The action text edit, hidden on its toolbar while a replace runs.
toolbars::TTbrCustomItem *actionTextItem(Tf_Main &w) { return w.e_Action; }

} // namespace

// Cards shown while it is held skip what only the screen needs (status bar,
// menus, action text); the last card shown gets them when it ends.
class QuietShowScope {
public:
  explicit QuietShowScope(Tf_Main &w) : w_(w), was_(w.quietShow_), pageSize_(w.m_Card->document()->pageSize()) {
    w_.quietShow_ = true;
    // The cards are only searched and edited, never shown: their text needs
    // no breaking into lines. A document of no page size is not laid out.
    if (!was_) w_.m_Card->document()->setPageSize(QSizeF(0, 0));
  }
  ~QuietShowScope() {
    // The text shown at the end is laid out once.
    if (!was_) w_.m_Card->document()->setPageSize(pageSize_);
    w_.quietShow_ = was_;
    if (was_ || !w_.quietShowPending_) return;
    w_.quietShowPending_ = false;
    w_.UpdateStatusBar();
    w_.m_card2SelectionChange();  // the formatting toolbar and the edit menu
    w_.SetActionText(w_.PhoneNumberOfCard());
  }
  QuietShowScope(const QuietShowScope &) = delete;
  QuietShowScope &operator=(const QuietShowScope &) = delete;

private:
  Tf_Main &w_;
  bool was_;
  QSizeF pageSize_;
};

void Tf_Main::wireFindCommands() {
  dlgFind = new TFindDialog(TFindDialog::Find, this);
  dlgReplace = new TFindDialog(TFindDialog::Replace, this);
  connect(dlgFind, &TFindDialog::findNext, this, [this] { dlgFindFind(); });
  connect(dlgReplace, &TFindDialog::findNext, this, [this] { dlgReplaceFind(); });
  connect(dlgReplace, &TFindDialog::replace, this, [this] { dlgReplaceReplace(); });
  connect(dlgReplace, &TFindDialog::replaceAll, this, [this] { dlgReplaceReplaceAll(); });
  MainActions &a = *actions_;
  a.wire(QStringLiteral("a_CardFind"), this, [this] { a_CardFindExecute(); });
  a.wire(QStringLiteral("a_CardFindNext"), this, [this] { dlgFindFind(); });
  a.wire(QStringLiteral("a_CardReplace"), this, [this] { a_CardReplaceExecute(); });
}

void Tf_Main::a_CardFindExecute() {
  // An empty selection keeps the text of the last search.
  const QString selected = selectionAsFindText(*m_Card);
  if (!selected.isEmpty()) dlgFind->SetFindText(selected);
  SelectCard(0);
  actions_->get(QStringLiteral("a_CardFindNext"))->setEnabled(true);
  dlgReplace->hide();
  dlgFind->Execute();
}

void Tf_Main::a_CardReplaceExecute() {
  const QString selected = selectionAsFindText(*m_Card);
  if (!selected.isEmpty()) dlgReplace->SetFindText(selected);
  ReplaceReturnIndex = ShownCardIndex;
  SelectCard(0);
  ReplaceCount = 0;
  dlgFind->hide();
  dlgReplace->Execute();
}

int Tf_Main::FindInCard(const QString &text, int flags) {
  if (!shownCard_) return -1;
  int start = 0, end = 0;
  m_Card->getSel(start, end);
  int foundEnd = 0;
  const int pos = m_Card->findText(text, end > start ? end : 0, -1, flags, &foundEnd);
  if (pos >= 0) {
    m_Card->setSel(pos, foundEnd);
    m_Card->scrollCaret();
  }
  return pos;
}

void Tf_Main::dlgFindFind() {
  const QString text = dlgFind->FindText();
  if (text.isEmpty()) return;
  const int flags = searchFlags(*dlgFind);
  SearchScope scope(*this, Toolbar_Actions, nullptr);
  SearchProgress progress(QStringLiteral("Find"), FilteredCards.Count());
  try {
    TCardScanner scanner(text, flags);
    // The card the search stands on. Cards without a hit are passed over
    // without being shown; the last one passed counts as the current card
    // from then on, and is shown when the search runs out.
    int standing = CurrentCardIndex();
    int i = standing;
    bool found = false;
    while (!found) {
      const int count = FilteredCards.Count();
      if (i < count) {
        if (i < 0) i = 0;
        if (i == standing) {
          // The card the search stands on goes on after its selection.
          if (CurrentCardIndex() != i) SelectCard(i);
          found = FindInCard(text, flags) >= 0;
          ++i;
          continue;
        }
        // What the card shown now holds is stored before the search reads bodies.
        StoreCurrentCard();
        const TCardScanner::Hit hit = scanner.next(FilteredCards, i, true, progress.callback());
        if (hit.cancelled) break;  // the card shown stays
        if (hit.index < 0) {
          standing = count - 1;
          i = count;
          continue;
        }
        SelectCard(hit.index);
        standing = hit.index;
        found = hit.inTitle || FindInCard(text, flags) >= 0;
        i = hit.index + 1;
      } else {
        if (standing >= 0 && standing != CurrentCardIndex()) SelectCard(standing);
        progress.close();
        const int answer =
            ui().messageBox(QStringLiteral("Qel Moravine has finished searching cards. \r\nSearch again from beginning?"),
                            QStringLiteral("Confirm"), MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES) {
          actions_->get(QStringLiteral("a_CardFindNext"))->setEnabled(false);
          break;
        }
        i = 0;
      }
    }
  } catch (const ECardError &e) {
    progress.close();
    reportCardError(e);
  }
}

// ---------------------------------------------------------------- replace

bool Tf_Main::selectionMatchesFind() const {
  const QString text = dlgReplace->FindText();
  int start = 0, end = 0;
  m_Card->getSel(start, end);
  if (!shownCard_ || text.isEmpty() || end - start != text.size()) return false;
  // One character either side, so a whole-word search sees the selection's neighbours.
  const int from = qMax(0, start - 1);
  const QString around = m_Card->textRange(from, end + 1);
  const int offset = start - from;
  return re::findForward(around, text, offset, searchFlags(*dlgReplace)) == offset;
}

namespace {

void replaceSelection(Tf_Main &w) {
  w.m_Card->replaceSel(w.dlgReplace->ReplaceText());
  CardBodyChanged = true;
  w.StampCurrentCard();
  FileModified = true;
}

} // namespace

bool Tf_Main::replaceFindStep(bool all, SearchProgress &progress) {
  const QString text = dlgReplace->FindText();
  const int flags = searchFlags(*dlgReplace);
  int foundEnd = 0;
  int pos = -1;
  if (shownCard_) {
    int start = 0, end = 0;
    m_Card->getSel(start, end);
    pos = m_Card->findText(text, end, -1, flags, &foundEnd);
  }
  const int current = CurrentCardIndex();
  int next = current >= 0 ? current + 1 : FilteredCards.Count();
  bool cancelled = false;
  if (pos < 0 && next < FilteredCards.Count()) {
    // The edited card is stored before the bodies after it are read.
    StoreCurrentCard();
    if (!replaceScanner_) replaceScanner_ = std::make_unique<TCardScanner>(text, flags, true);
    while (pos < 0 && next < FilteredCards.Count()) {
      // Cancel ends the search as if no card further on had a hit.
      const TCardScanner::Hit hit = replaceScanner_->next(FilteredCards, next, false, progress.callback());
      cancelled = hit.cancelled;
      if (hit.index < 0) break;
      SelectCard(hit.index);
      pos = m_Card->findText(text, 0, -1, flags, &foundEnd);
      next = hit.index + 1;
    }
  }
  if (pos < 0) {
    // A cancelled Replace All still tells what it has done; a cancelled single search says nothing.
    const QString message = all ? QString::number(ReplaceCount) + QStringLiteral(" replacements has made.")
                                : QStringLiteral("Can not find ") + text;
    progress.close();
    if (all || !cancelled) ui().messageBox(message, applicationTitle(), MB_OK | MB_ICONINFORMATION);
    actions_->get(QStringLiteral("a_CardFindNext"))->setEnabled(false);
    SelectCard(ReplaceReturnIndex);
    return false;
  }
  m_Card->setSel(pos, foundEnd);
  actions_->get(QStringLiteral("a_CardFindNext"))->setEnabled(true);
  ReplaceReturnIndex = CurrentCardIndex();
  // Replace All shows no hit: the card it returns to is loaded anew at the end.
  if (!all) m_Card->scrollCaret();
  return true;
}

void Tf_Main::dlgReplaceFind() {
  if (dlgReplace->FindText().isEmpty()) return;
  SearchScope scope(*this, nullptr, actionTextItem(*this));
  SearchProgress progress(QStringLiteral("Replace"), FilteredCards.Count());
  Finally done([this] { replaceScanner_.reset(); });
  try {
    replaceFindStep(false, progress);
  } catch (const ECardError &e) {
    progress.close();
    reportCardError(e);
  }
}

void Tf_Main::dlgReplaceReplace() {
  if (dlgReplace->FindText().isEmpty()) return;
  SearchScope scope(*this, nullptr, actionTextItem(*this));
  SearchProgress progress(QStringLiteral("Replace"), FilteredCards.Count());
  Finally done([this] { replaceScanner_.reset(); });
  try {
    // Only a selection that still is a hit is replaced; else the next hit is looked for first.
    if (!IsLocked() && selectionMatchesFind()) replaceSelection(*this);
    replaceFindStep(false, progress);
  } catch (const ECardError &e) {
    progress.close();
    reportCardError(e);
  }
}

void Tf_Main::dlgReplaceReplaceAll() {
  if (dlgReplace->FindText().isEmpty() || IsLocked()) return;
  SearchScope scope(*this, nullptr, actionTextItem(*this));
  QuietShowScope quiet(*this);
  SearchProgress progress(QStringLiteral("Replace"), FilteredCards.Count());
  Finally done([this] { replaceScanner_.reset(); });
  ReplaceCount = 0;
  try {
    // A hit already selected is the first replacement. The loop moves on
    // behind each inserted text, so a replacement holding the find text is
    // not found again.
    if (selectionMatchesFind()) {
      replaceSelection(*this);
      ++ReplaceCount;
    }
    while (replaceFindStep(true, progress)) {
      ++ReplaceCount;
      replaceSelection(*this);
      if (!progress.step(CurrentCardIndex())) {
        // Cancelled between two hits: the count so far is reported as at the end.
        progress.close();
        ui().messageBox(QString::number(ReplaceCount) + QStringLiteral(" replacements has made."), applicationTitle(),
                        MB_OK | MB_ICONINFORMATION);
        SelectCard(ReplaceReturnIndex);
        break;
      }
    }
  } catch (const ECardError &e) {
    progress.close();
    reportCardError(e);
  }
}

} // namespace qel
