// The filter edit, the title list and the current card: rebuilding the
// filtered list, selecting and showing a card, storing the edited body back,
// navigation, the keys of the filter, the list and the editor, and the status bar.
//
// The editor's body belongs to the card that was shown, not to a position in
// the list: the shown card is remembered itself, so an edit is stored into
// the card it was made on even when the list was refiltered, re-sorted or
// cards were deleted in between.

#include "app/cardlistmodel.h"
#include "app/colors.h"
#include "app/guards.h"
#include "app/pending.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/cardfilter.h"
#include "cards/crd.h"
#include "platform/datetime.h"
#include "richedit/rerichedit.h"
#include "platform/uiservices.h"
#include "settings/options.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>

namespace qel {

namespace {

bool isKey(const QKeyEvent *k, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  return k->key() == key && (k->modifiers() & ~Qt::KeypadModifier) == mods;
}

bool isEnter(const QKeyEvent *k) {
  return (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
         (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The keys of the filter edit, the list and the editor. A key handled here is
// also claimed against shortcuts, so F6, F7, Enter and Esc mean the same
// wherever the window's actions put them.
class ListKeys : public QObject {
public:
  explicit ListKeys(Tf_Main &w) : QObject(&w), w_(w) {}

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    auto *k = static_cast<QKeyEvent *>(event);
    const bool press = event->type() == QEvent::KeyPress;
    int handled = 0;
    if (watched == w_.e_record) handled = filterKey(k, press);
    else if (watched == w_.lw_List) handled = listKey(k, press);
    else if (watched == w_.m_Card) handled = editorKey(k, press);
    else return false;
    if (!handled && isWindowShortcut(k)) {
      // The window's commands keep their keys in every pane: the filter edit
      // and the editor have bindings of their own for some of them (Ctrl+U
      // would clear the filter), which must not take the key first. Not
      // claimed, the key runs the window's shortcut; a press that still
      // comes (its command is off now) is not given to the pane either.
      if (!press) event->ignore();
      return true;
    }
    if (!handled) return false;
    if (!press) {
      event->accept();  // keep the key from a shortcut: it comes back as a key press
      return true;
    }
    return true;
  }

private:
  bool isWindowShortcut(const QKeyEvent *k) const {
    const QKeySequence typed(QKeyCombination(k->modifiers() & ~Qt::KeypadModifier, Qt::Key(k->key())));
    for (const QAction *a : w_.actions().commands())
      for (const QKeySequence &shortcut : a->shortcuts())
        if (shortcut == typed) return true;
    return false;
  }

  void trigger(const char *action) {
    if (QAction *a = w_.actions()[QString::fromLatin1(action)]) a->trigger();
  }

  int filterKey(QKeyEvent *k, bool press) {
    if (isKey(k, Qt::Key_Down) || isKey(k, Qt::Key_F6)) {
      if (press) w_.lw_List->setFocus();
      return 1;
    }
    if (isKey(k, Qt::Key_F7)) {
      if (press) trigger("a_Add");
      return 1;
    }
    if (isKey(k, Qt::Key_D, Qt::ControlModifier)) {
      // The date goes into the filter also when no card is there to take it.
      if (press) w_.a_InsertDateTimeExecute();
      return 1;
    }
    if (isEnter(k)) {
      if (press && FilteredCards.IsEmpty() && w_.OfferAddCardFromFilter()) w_.m_Card->setFocus();
      return 1;
    }
    if (isKey(k, Qt::Key_Escape)) {
      if (press) w_.e_record->clear();
      return 1;
    }
    return 0;
  }

  int listKey(QKeyEvent *k, bool press) {
    if (!w_.TitleEditing) {
      const std::pair<int, const char *> clip[] = {
          {Qt::Key_V, "a_PasteList"}, {Qt::Key_C, "a_CopyList"}, {Qt::Key_X, "a_CutList"}};
      for (auto [key, action] : clip)
        if (isKey(k, key, Qt::ControlModifier)) {
          if (press) trigger(action);
          return 1;
        }
      if (k->key() == Qt::Key_Delete && !(k->modifiers() & Qt::ControlModifier)) {
        if (press) trigger("a_DeleteList");
        return 1;
      }
    }
    if (isKey(k, Qt::Key_F6) || isEnter(k)) {
      if (press && w_.m_Card->isEnabled() && w_.m_Card->isVisible()) w_.m_Card->setFocus();
      return 1;
    }
    if (isKey(k, Qt::Key_F7)) {
      if (press) trigger("a_Add");
      return 1;
    }
    return 0;
  }

  int editorKey(QKeyEvent *k, bool press) {
    if (isKey(k, Qt::Key_F6)) {
      if (press) w_.e_record->setFocus();
      return 1;
    }
    if (isKey(k, Qt::Key_F7)) {
      if (press) trigger("a_Add");
      return 1;
    }
    if (isKey(k, Qt::Key_Escape)) {
      if (press) w_.setWindowState(w_.windowState() | Qt::WindowMinimized);
      return 1;
    }
    return 0;
  }

  Tf_Main &w_;
};

} // namespace

void Tf_Main::wireListCommands() {
  cardFilter_ = std::make_shared<TCardFilter>();
  listModel_ = new CardListModel(this);
  listModel_->setEditable([this] { return !IsLocked(); });
  auto *delegate = new TitleDelegate(lw_List);
  lw_List->setItemDelegate(delegate);
  lw_List->setModel(listModel_);
  lw_List->setSelectionBehavior(QAbstractItemView::SelectRows);
  lw_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lw_List->setUniformItemSizes(true);
  // In columns the list view lays a large list out by batches, never all titles at once.
  lw_List->setLayoutMode(QListView::Batched);
  lw_List->setBatchSize(1000);

  connect(lw_List->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { lw_ListChange(); });
  connect(lw_List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { lw_ListChange(); });
  connect(lw_List, &QAbstractItemView::doubleClicked, this, [this] {
    if (QAction *a = actions()[QStringLiteral("a_Rename")]) a->trigger();
  });
  connect(delegate, &TitleDelegate::editingStarted, this, [this] {
    TitleEditing = true;
    b_Filter->setEnabled(false);
  });
  connect(delegate, &TitleDelegate::editingEnded, this, [this] {
    TitleEditing = false;
    b_Filter->setEnabled(!e_record->text().isEmpty());
  });
  // The rename rebuilds the list, which must not happen inside the editor's commit.
  connect(listModel_, &CardListModel::titleEdited, this,
          [this](int row, const QString &title) {
            TitleEditing = false;
            if (row >= 0 && row < FilteredCards.Count()) {
              TCrdPtr card = FilteredCards.Ptr(row);
              RenameCard(card.get(), title);
            }
            b_Filter->setEnabled(!e_record->text().isEmpty());
          },
          Qt::QueuedConnection);

  connect(e_record, &QLineEdit::textChanged, this, [this] { e_recordChange(); });
  connect(b_Filter, &QToolButton::clicked, this, [this] { b_Filter1Click(); });
  MainActions &a = *actions_;
  a.wire(QStringLiteral("ac_First"), this, [this] { ac_FirstExecute(); });
  a.wire(QStringLiteral("ac_Previous"), this, [this] { ac_PreviousExecute(); });
  a.wire(QStringLiteral("ac_Next"), this, [this] { ac_NextExecute(); });
  a.wire(QStringLiteral("ac_Last"), this, [this] { ac_LastExecute(); });

  auto *keys = new ListKeys(*this);
  e_record->installEventFilter(keys);
  lw_List->installEventFilter(keys);
  m_Card->installEventFilter(keys);
  if (AppOptions) listSortedByTitle_ = AppOptions->SortList;
}

// ---------------------------------------------------------------- filter

void Tf_Main::RebuildFilteredList() {
  WaitCursor wait;
  // Count, status, selection and the end of the update happen also when a
  // step fails; the failure goes on to the caller after that.
  auto finish = [this] {
    listModel_->refresh();
    UpdateStatusBar();
    SelectCard(0);
  };
  try {
    StoreCurrentCard();
    FilterRules rules;
    if (AppOptions) {
      rules.fromStart = AppOptions->FilterFromStart;
      rules.wholeWords = AppOptions->FilterWholeWords;
    }
    cardFilter_->Apply(AllCards, e_record->text(), rules,
                       listSortedByTitle_ ? TListOrder::ByTitle : TListOrder::ByCreated, FilteredCards);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void Tf_Main::ClearFilter() {
  if (e_record->text().isEmpty())
    RefilterCards();
  else
    e_record->clear();  // its change refilters
}

void Tf_Main::e_recordChange() {
  RefilterCards();
  b_Filter->setEnabled(!e_record->text().isEmpty() && !TitleEditing);
  ShowEditorIfAny();
}

void Tf_Main::b_Filter1Click() {
  ClearFilter();
  e_record->setFocus();
}

void Tf_Main::SetListSortByTitle(bool byTitle) {
  if (listSortedByTitle_ == byTitle) return;
  StoreCurrentCard();
  listSortedByTitle_ = byTitle;
  RefilterCards();
}

// ---------------------------------------------------------------- list

int Tf_Main::SelectedCardCount() const {
  const QItemSelectionModel *sm = lw_List->selectionModel();
  if (!sm) return 0;
  int n = 0;
  for (const QItemSelectionRange &r : sm->selection()) n += r.height();
  return n;
}

int Tf_Main::CurrentCardIndex() const {
  const QModelIndex i = lw_List->currentIndex();
  return i.isValid() && i.row() < FilteredCards.Count() ? i.row() : -1;
}

TCrd *Tf_Main::CurrentCard() const {
  const int i = CurrentCardIndex();
  return i >= 0 ? FilteredCards.Objects(i) : nullptr;
}

void Tf_Main::lw_ListChange() {
  if (selecting_) return;
  const int c = CurrentCardIndex();
  if (c < 0) return;
  if (c != ShownCardIndex || FilteredCards.Ptr(c) != shownCard_) ShowCard(c);
  StatusPanels[1]->setText(QStringLiteral("Selected: ") + QString::number(SelectedCardCount()));
  b_Filter->setEnabled(!e_record->text().isEmpty() && !TitleEditing);
}

void Tf_Main::SelectCard(int index) {
  const int count = FilteredCards.Count();
  if (index >= count) index = count - 1;
  if (index < 0) index = count > 0 ? 0 : -1;
  if (listModel_->rowCount() > 0 && index >= 0) {
    selecting_ = true;
    Finally done([this] { selecting_ = false; });
    const QModelIndex at = listModel_->index(index, 0);
    lw_List->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    lw_List->scrollTo(at, QAbstractItemView::EnsureVisible);
  }
  ShowCard(index);
}

// ---------------------------------------------------------------- the shown card

void Tf_Main::ShowCard(int index) {
  EditorReady = false;
  // The editor is ready again and the window up to date on every way out.
  Finally finish([this] {
    if (quietShow_) {
      quietShowPending_ = true;
    } else {
      UpdateStatusBar();
      UpdateEditMenu();
      SetActionText(PhoneNumberOfCard());
    }
    EditorReady = true;
  });
  StoreCurrentCard();
  // The body goes in with one call and nothing paints before it is complete:
  // the editor needs no update lock (which would repaint the whole pane).
  m_Card->setSel(-1, -1);
  pn_Header->clear();

  QAction *first = actions()[QStringLiteral("ac_First")];
  QAction *previous = actions()[QStringLiteral("ac_Previous")];
  QAction *next = actions()[QStringLiteral("ac_Next")];
  QAction *last = actions()[QStringLiteral("ac_Last")];

  if (index < 0 || index >= FilteredCards.Count()) {
    // No card: nothing is shown and nothing can be edited into a card that is not there.
    shownCard_.reset();
    shownCardRevision_ = 0;
    ShownCardIndex = -1;
    CardBodyChanged = false;
    m_Card->streamIn(QByteArray(), re::SF_TEXT);
    for (QAction *a : {first, previous, next, last}) a->setEnabled(false);
    return;
  }

  TCrdPtr card = FilteredCards.Ptr(index);
  // From here on the editor belongs to this card, also when its body cannot be
  // read: an edit then replaces the unreadable body, never another card's.
  shownCard_ = card;
  // The filtered list was made from this very card list: the card is one of its cards.
  shownCardRevision_ =
      cardFilter_ && cardFilter_->SeenRevision() == AllCards.Revision() ? AllCards.Revision() : 0;
  ShownCardIndex = index;
  CardBodyChanged = false;
  {
    WaitCursor wait(card->IsBigCard());
    QByteArray body;
    try {
      body = card->BodyText();
    } catch (...) {
      m_Card->streamIn(QByteArray(), re::SF_TEXT);
      throw;
    }
    if (IsPlainTextBytes(body)) pending::SetDefaultTextAttributes(*this);
    LoadBodyIntoEditor(body);
  }
  // A plain-text label shows an ampersand as it is; nothing to escape.
  pn_Header->setText(card->Title);
  ApplyCardColor(*card);
  first->setEnabled(index > 0);
  previous->setEnabled(index > 0);
  next->setEnabled(index < FilteredCards.Count() - 1);
  last->setEnabled(index < FilteredCards.Count() - 1);
}

void Tf_Main::StoreCurrentCard() {
  if (!CardBodyChanged) return;
  TCrdPtr card = shownCard_;
  // A card deleted (or a file closed) since it was shown takes no edit: its
  // body would only be dead bytes, and no other card may receive it.
  const bool stillThere = card && ((shownCardRevision_ != 0 && AllCards.Revision() == shownCardRevision_) ||
                                    AllCards.IndexOfObject(card.get()) >= 0);
  if (!stillThere) {
    CardBodyChanged = false;
    return;
  }
  shownCardRevision_ = AllCards.Revision();
  const QByteArray body =
      m_Card->textLength() == 0 ? QByteArray() : m_Card->streamOut(m_Card->plainTextMode() ? re::SF_TEXT : re::SF_RTF);
  card->StoreBodyBytes(body);  // an empty editor becomes the stored empty body
  card->LastOpen = Now();
  CardBodyChanged = false;
}

void Tf_Main::StampCurrentCard() {
  if (TCrd *card = CurrentCard()) card->LastOpen = Now();
}

void Tf_Main::UpdateStatusBar() {
  StatusPanels[0]->setText(QStringLiteral("Total: ") + QString::number(AllCards.Count()));
  StatusPanels[1]->setText(QStringLiteral("Selected: ") + QString::number(SelectedCardCount()));
  StatusPanels[2]->setText(QStringLiteral("Filtered: ") + QString::number(FilteredCards.Count()));
  const TCrd *card = CurrentCard();
  StatusPanels[3]->setText(card ? card->LastModifiedText() : QString());
}

// ---------------------------------------------------------------- navigation

void Tf_Main::ac_FirstExecute() { SelectCard(0); }

void Tf_Main::ac_PreviousExecute() {
  const int c = CurrentCardIndex();
  if (c > 0) SelectCard(c - 1);
}

void Tf_Main::ac_NextExecute() {
  const int c = CurrentCardIndex();
  if (c < FilteredCards.Count()) SelectCard(c + 1);
}

void Tf_Main::ac_LastExecute() { SelectCard(FilteredCards.Count() - 1); }

// ---------------------------------------------------------------- adding from the filter

bool Tf_Main::OfferAddCardFromFilter() {
  QAction *add = actions()[QStringLiteral("a_Add")];
  const QString filter = e_record->text();
  if (!add->isEnabled() || filter.isEmpty() || !FilteredCards.IsEmpty()) return false;
  // A message box shows its text as it stands: an ampersand is not doubled.
  const int answer = ui().messageBox(QStringLiteral("Add Card \"") + filter + QStringLiteral("\"?"),
                                     QStringLiteral("Confirm"), MB_YESNO | MB_ICONQUESTION);
  if (answer == IDYES) {
    AddCard(filter);
    return true;
  }
  e_record->clear();
  return false;
}


void Tf_Main::LoadBodyIntoEditor(const QByteArray &body) {
  if (IsPlainTextBytes(body))
    m_Card->streamIn(body, re::SF_TEXT);
  else if (!m_Card->streamIn(body, re::SF_RTF))
    // RTF our reader cannot take is shown as its text rather than not at all.
    m_Card->streamIn(body, re::SF_TEXT);
}

void Tf_Main::ApplyCardColor(const TCrd &card) {
  const qint32 color = card.Color == kNoColor && AppOptions ? AppOptions->CardColor : card.Color;
  m_Card->setBackgroundColor(TColorToQColor(color));
}

} // namespace qel
