// The card commands: add, rename, duplicate, properties, background colour,
// undo and redo routing, the whole-file reformatting commands (font to all
// cards, reset colours, conversion to plain text), and the Edit commands with
// their routing by focus: the editor and the filter edit use the system
// clipboard, the title list the card clipboard file shared by all instances.

#include "app/cardproperties.h"
#include "app/colors.h"
#include "app/guards.h"
#include "app/dlg_duplicate.h"
#include "app/dlg_fontglobal.h"
#include "app/filecommands.h"
#include "app/pending.h"
#include "app/progress.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/cardclipboard.h"
#include "cards/carderror.h"
#include "cards/crd.h"
#include "platform/codepage.h"
#include "platform/datetime.h"
#include "platform/richedit/formatrecords.h"
#include "richedit/rerichedit.h"
#include "platform/uiservices.h"
#include "richedit/rtfroutines.h"
#include "zip/ziparchiver.h"
#include "settings/fontvalue.h"
#include "settings/options.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include "toolbars/qt/tbtoolbar.h"

#include <algorithm>
#include <unordered_set>

namespace qel {

namespace {

void reportError(const QString &message) { ui().messageBox(message, applicationTitle(), MB_OK | MB_ICONERROR); }

// Runs a command; a failure of the card store ends it with its message.
template <class F>
void guarded(F f) {
  try {
    f();
  } catch (const ECardError &e) {
    reportError(e.message());
  }
}

// Removes the cards from AllCards by identity, keeping the order of the rest.
int removeFromAllCards(const std::vector<TCrdPtr> &cards) {
  if (cards.empty()) return 0;
  int removed = 0;
  if (cards.size() <= 16) {
    for (const TCrdPtr &c : cards) {
      const int i = AllCards.IndexOfObject(c.get());
      if (i >= 0) {
        AllCards.Delete(i);
        ++removed;
      }
    }
    return removed;
  }
  // Many cards: one pass instead of one search and one shift per card.
  std::unordered_set<const TCrd *> gone;
  for (const TCrdPtr &c : cards) gone.insert(c.get());
  TCrdList kept;
  kept.Reserve(AllCards.Count());
  for (int i = 0; i < AllCards.Count(); ++i) {
    if (gone.count(AllCards.Objects(i)))
      ++removed;
    else
      kept.AddObject(AllCards.Strings(i), AllCards.Ptr(i));
  }
  if (removed) AllCards = std::move(kept);
  return removed;
}

} // namespace

void Tf_Main::wireCardCommands() {
  auto on = [this](const char *name, auto handler) { actions_->wire(QString::fromLatin1(name), this, handler); };
  on("a_Add", [this] { a_AddExecute(); });
  on("a_Rename", [this] { a_RenameExecute(); });
  on("a_Duplicate", [this] { a_DuplicateExecute(); });
  on("a_CardProperties", [this] { a_CardPropertiesExecute(); });
  on("a_CardBackground", [this] { a_CardBackgroundExecute(); });
  on("a_Undo", [this] { a_UndoExecute(); });
  on("a_Redo", [this] { a_RedoExecute(); });
  on("EditSelectAll", [this] { EditSelectAllExecute(); });
  on("EditCopy", [this] { EditCopyExecute(); });
  on("EditCut", [this] { EditCutExecute(); });
  on("EditPaste", [this] { EditPasteExecute(); });
  on("a_SelectAllCard", [this] { a_SelectAllCardExecute(); });
  on("a_CopyCard", [this] { a_CopyCardExecute(); });
  on("a_CutCard", [this] { a_CutCardExecute(); });
  on("a_PasteCard", [this] { a_PasteCardExecute(); });
  on("a_SelectAllList", [this] { a_SelectAllListExecute(); });
  on("a_CopyList", [this] { a_CopyListExecute(); });
  on("a_CutList", [this] { a_CutListExecute(); });
  on("a_PasteList", [this] { a_PasteListExecute(); });
  on("a_DeleteList", [this] { a_DeleteListExecute(); });
}

// ---------------------------------------------------------------- single cards

namespace {
// Adds a card and makes it the shown one; throws when its body cannot be stored.
TCrdPtr addCard(Tf_Main &w, const QString &title) {
  Tf_Main::BusyGuard busy(w);
  TCrdPtr card = NewCrd();
  card->Title = title;
  // The new card gets the stored empty body at once: a card of 0 bytes would
  // be dropped by the next open of the saved file.
  card->StoreBodyBytes(QByteArray());
  AllCards.AddCrd(card);
  FileModified = true;
  w.ClearFilter();
  w.SelectCard(FilteredCards.IndexOfObject(card.get()));
  w.StoreCurrentCard();
  w.UpdateStatusBar();
  w.ShowEditorIfAny();
  w.m_Card->setFocus();
  return card;
}
} // namespace

void Tf_Main::AddCard(const QString &title) {
  WaitCursor wait;
  UpdatesHeld held(m_Card);
  guarded([&] { addCard(*this, title); });
}

void Tf_Main::a_AddExecute() {
  QString title;
  if (!ui().inputQuery(QStringLiteral("Add New Card"), QStringLiteral("Title:"), title)) return;
  AddCard(title);
}

void Tf_Main::RenameCard(TCrd *card, const QString &title) {
  // A card no longer in the file (deleted while its title was being edited) has nothing to rename.
  const int all = card ? AllCards.IndexOfObject(card) : -1;
  if (all < 0) return;
  guarded([&] {
    AllCards.SetString(all, title);
    card->Title = title;
    RefilterCards();
    SelectCard(FilteredCards.IndexOfObject(card));
    FileModified = true;
  });
}

void Tf_Main::a_RenameExecute() {
  if (!actions_->get(QStringLiteral("a_Rename"))->isEnabled()) return;
  TCrd *card = CurrentCard();
  if (!card) return;
  QString title = card->Title;
  if (!ui().inputQuery(QStringLiteral("Rename Card"), QStringLiteral("Title:"), title)) return;
  RenameCard(card, title);
}

void Tf_Main::a_DuplicateExecute() {
  const int index = CurrentCardIndex();
  if (index < 0) return;
  const TCrdPtr source = FilteredCards.Ptr(index);
  Tf_Duplicate dialog(this);
  dialog.Keyword->setText(source->Title);
  const int result = ui().execDialog(dialog);
  Tf_Duplicate::RememberedCopyCard = dialog.chb_CopyCard->isChecked();
  if (result != QDialog::Accepted) return;
  const bool copyContent = dialog.chb_CopyCard->isChecked();
  WaitCursor wait;
  UpdatesHeld held(m_Card);
  guarded([&] {
    const TCrdPtr card = addCard(*this, dialog.Keyword->text());
    card->Color = source->Color;
    ApplyCardColor(*card);
    if (copyContent && ShownCard() == card) {
      LoadBodyIntoEditor(source->BodyText());
      // Stored for the new card when it is left, like any edit.
      CardBodyChanged = true;
      FileModified = true;
    }
  });
}

void Tf_Main::a_CardPropertiesExecute() {
  TCrd *card = CurrentCard();
  if (!card) return;
  StoreCurrentCard();  // the size shown is the size of what the editor holds
  Tf_CardProperties dialog(this);
  dialog.ShowCard(*card, IsLocked());
  if (ui().execDialog(dialog) != QDialog::Accepted) return;
  RenameCard(card, dialog.e_Title->text());
}

void Tf_Main::a_CardBackgroundExecute() {
  TCrd *card = CurrentCard();
  if (!card) return;
  // A card without a colour of its own starts at the colour it shows now.
  QColor color = TColorToQColor(card->Color, m_Card->backgroundColor());
  if (!ui().chooseColor(QString(), color)) return;
  FileModified = true;
  card->Color = QColorToTColor(color);
  m_Card->setBackgroundColor(color);
}

void Tf_Main::a_UndoExecute() {
  QWidget *focus = focusWidget();
  if (focus == m_Card)
    m_Card->undo();
  else if (focus == e_record)
    e_record->undo();
}

void Tf_Main::a_RedoExecute() {
  if (focusWidget() == m_Card) m_Card->redo();
}

// ---------------------------------------------------------------- all cards

void Tf_Main::ApplyFontToAllCards(const TFont &font, const FontGlobalParts &parts) {
  BusyGuard busy(*this);
  UpdatesHeld listHeld(lw_List);
  UpdatesHeld editorHeld(m_Card);
  // Hidden by the user or not: a window not shown yet counts as showing it.
  const bool toolbarShown = !Toolbar_Actions->isHidden();
  Toolbar_Actions->hide();
  Finally restore([&] {
    try {
      SelectCard(0);
    } catch (const std::exception &e) {
      reportError(QString::fromUtf8(e.what()));
    }
    FileModified = true;
    if (toolbarShown) Toolbar_Actions->show();
  });
  WaitCursor wait;
  guarded([&] {
    ClearFilter();
    ProgressGuard progress(QStringLiteral("Reformatting cards ..."), FilteredCards.Count() - 1);

    re::CharFormat record;
    if (parts.style) {
      record.mask |= re::CFM_BOLD | re::CFM_ITALIC | re::CFM_UNDERLINE | re::CFM_STRIKEOUT;
      if (font.Style & fsBold) record.effects |= re::CFE_BOLD;
      if (font.Style & fsItalic) record.effects |= re::CFE_ITALIC;
      if (font.Style & fsUnderline) record.effects |= re::CFE_UNDERLINE;
      if (font.Style & fsStrikeOut) record.effects |= re::CFE_STRIKEOUT;
    }
    if (parts.name) {
      record.mask |= re::CFM_FACE;
      record.szFaceName = font.Name.left(31);
    }
    if (parts.size) {
      record.mask |= re::CFM_SIZE;
      record.yHeight = font.Size * 20;
    }
    if (parts.color) {
      record.mask |= re::CFM_COLOR;
      record.crTextColor = re::toColorRef(TColorToQColor(font.Color, QColor(Qt::black)));
    }

    for (int i = 0; i < FilteredCards.Count(); ++i) {
      SelectCard(i);
      TCrd *card = FilteredCards.Objects(i);
      if (card->IsPlainText()) continue;
      m_Card->setSel(0, -1);
      m_Card->setCharFormat(record, re::SCF_SELECTION);
      CardBodyChanged = true;  // stored when the next card is selected
      StampCurrentCard();
      progress.set(i);
    }
  });
}

void Tf_Main::ResetAllCardColors() {
  for (int i = 0; i < AllCards.Count(); ++i) AllCards.Objects(i)->Color = kNoColor;
  FileModified = true;
  if (AppOptions) m_Card->setBackgroundColor(TColorToQColor(AppOptions->CardColor));
}

void Tf_Main::ConvertAllToPlainText() {
  WaitCursor wait;
  guarded([&] {
    // The shown card's edits first: a later store would put the rich text back.
    StoreCurrentCard();
    TBodyFile &file = CurrentBodyFile();
    // All bodies are read through one descriptor in large chunks and all new
    // ones appended with one write; no card changes unless all of them can.
    TBodyBatch batch;
    {
      // Plain text takes less room than its RTF: room for all bodies spares
      // the copies of a growing buffer.
      qint64 room = 0;
      for (int i = 0; i < AllCards.Count(); ++i) room += qMax(AllCards.Objects(i)->SIZ, 0);
      batch.data().reserve(qsizetype(qMin<qint64>(room, 256 << 20)));
      TBodyReader reader(file);
      QStringList plain;
      for (int i = 0; i < AllCards.Count(); ++i) {
        TCrd *card = AllCards.Objects(i);
        const QByteArrayView body = reader.read(card->ADR, card->SIZ);
        if (!body.startsWith("{\\rtf")) continue;  // nothing to convert, nothing rewritten
        if (!RTFBodyToPlainBody(body.data(), body.size(), batch.data(), plain)) {
          // Characters the code page has no byte for stay, as RTF of the plain text.
          m_RTFbuffer->setText(plain.join(QStringLiteral("\r\n")));
          batch.data() += m_RTFbuffer->streamOut(re::SF_RTF);
          m_RTFbuffer->setText(QString());
        }
        batch.endBody(card);
      }
    }
    if (!batch.isEmpty()) {
      AppendBodies(batch, file);
      FileModified = true;
    }
    pending::SetDefaultTextAttributes(*this);
    // The rebuild shows the first card afresh, now as plain text.
    RefilterCards();
  });
}

// ---------------------------------------------------------------- Edit routers

namespace {
enum class Pane { None, Editor, List, Edit };
}

static Pane paneOf(Tf_Main &w, QWidget *focus, QLineEdit *&edit) {
  edit = nullptr;
  if (!focus) return Pane::None;
  if (focus == w.m_Card) return Pane::Editor;
  if (focus == w.lw_List) return Pane::List;
  if (auto *line = qobject_cast<QLineEdit *>(focus)) {
    // The filter edit, or the title being edited in place in the list.
    if (line == w.e_record || w.lw_List->isAncestorOf(line)) {
      edit = line;
      return Pane::Edit;
    }
  }
  return Pane::None;
}

void Tf_Main::EditSelectAllExecute() {
  QLineEdit *edit = nullptr;
  switch (paneOf(*this, focusWidget(), edit)) {
  case Pane::Editor: a_SelectAllCardExecute(); break;
  case Pane::List: a_SelectAllListExecute(); break;
  default: break;
  }
}

void Tf_Main::EditCopyExecute() {
  QLineEdit *edit = nullptr;
  switch (paneOf(*this, focusWidget(), edit)) {
  case Pane::Editor: a_CopyCardExecute(); break;
  case Pane::List: a_CopyListExecute(); break;
  case Pane::Edit: edit->copy(); break;
  case Pane::None: break;
  }
  UpdateEditMenu();
}

void Tf_Main::EditCutExecute() {
  QLineEdit *edit = nullptr;
  switch (paneOf(*this, focusWidget(), edit)) {
  case Pane::Editor: a_CutCardExecute(); break;
  case Pane::List: a_CutListExecute(); break;
  case Pane::Edit: edit->cut(); break;
  case Pane::None: break;
  }
  UpdateEditMenu();
}

void Tf_Main::EditPasteExecute() {
  QLineEdit *edit = nullptr;
  switch (paneOf(*this, focusWidget(), edit)) {
  case Pane::Editor: a_PasteCardExecute(); break;
  case Pane::List: a_PasteListExecute(); break;
  case Pane::Edit: edit->paste(); break;
  case Pane::None: break;
  }
}

// ---------------------------------------------------------------- the editor (system clipboard)

void Tf_Main::a_SelectAllCardExecute() {
  m_Card->setSel(0, -1);
  UpdateEditMenu();
}

void Tf_Main::a_CopyCardExecute() { m_Card->copy(); }

void Tf_Main::a_CutCardExecute() {
  if (!m_Card->isReadOnly() && m_Card->selLength() > 0) FileModified = true;
  m_Card->cut();
}

void Tf_Main::a_PasteCardExecute() {
  if (!m_Card->isReadOnly() && m_Card->canPaste()) FileModified = true;
  m_Card->paste();
}

// ---------------------------------------------------------------- the list (card clipboard file)

QList<int> Tf_Main::SelectedCardIndexes() const {
  QList<int> rows;
  const QItemSelectionModel *sm = lw_List->selectionModel();
  if (!sm) return rows;
  const int count = FilteredCards.Count();
  for (const QItemSelectionRange &r : sm->selection())
    for (int row = r.top(); row <= r.bottom(); ++row)
      if (row >= 0 && row < count) rows.append(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void Tf_Main::a_SelectAllListExecute() {
  {
    UpdatesHeld held(lw_List);
    lw_List->selectAll();
  }
  UpdateStatusBar();
  UpdateEditMenu();  // the selection decides what Delete and Cut may do
}

void Tf_Main::a_CopyListExecute() {
  WaitCursor wait;
  guarded([&] {
    // What the editor holds belongs to the copy.
    StoreCurrentCard();
    std::vector<const TCrd *> cards;
    for (int i : SelectedCardIndexes()) cards.push_back(FilteredCards.Objects(i));
    WriteCardClipboard(cards, !ZipArchiver().Password().isEmpty());
  });
  UpdateEditMenu();  // the card clipboard file now exists: Paste is offered
}

void Tf_Main::a_CutListExecute() {
  // Under the lock nothing changes a card: no half cut that only copies.
  if (IsLocked()) return;
  a_CopyListExecute();
  // Deleting goes through the command's own enabling, so a locked list is only copied.
  if (actions_->get(QStringLiteral("a_DeleteList"))->isEnabled()) a_DeleteListExecute();
}

void Tf_Main::a_PasteListExecute() {
  if (IsLocked()) return;  // under the lock nothing changes the cards
  WaitCursor wait;
  UpdatesHeld held(m_Card);
  Finally finish([this] {
    FileModified = true;
    ShowEditorIfAny();
  });
  guarded([&] {
    BusyGuard busy(*this);
    ClearFilter();
    const ClipboardContents contents = ReadCardClipboard();
    const std::vector<TCrdPtr> pasted = AddClipboardCards(AllCards, contents, Now());
    RefilterCards();
    if (!pasted.empty()) SelectCard(FilteredCards.IndexOfObject(pasted.back().get()));
  });
}

void Tf_Main::a_DeleteListExecute() {
  if (IsLocked() || !actions_->get(QStringLiteral("a_DeleteList"))->isEnabled()) return;
  const int remembered = CurrentCardIndex();
  // Only the selected cards: with one selected that one, even when the focus
  // rests on another item; with none, nothing.
  const QList<int> selected = SelectedCardIndexes();
  std::vector<TCrdPtr> doomed;
  if (selected.size() == 1) {
    const TCrdPtr card = FilteredCards.Ptr(selected.first());
    if (ui().messageBox(QStringLiteral("Delete Card \"") + card->Title + QStringLiteral("\"?"),
                        QStringLiteral("Confirm"), MB_YESNO | MB_ICONQUESTION) == IDYES)
      doomed.push_back(card);
  } else if (selected.size() > 1) {
    if (ui().messageBox(QStringLiteral("Delete selected cards?"), QStringLiteral("Confirm"),
                        MB_YESNO | MB_ICONQUESTION) == IDYES)
      for (int i : selected) doomed.push_back(FilteredCards.Ptr(i));
  }
  WaitCursor wait;
  guarded([&] {
    BusyGuard busy(*this);
    StoreCurrentCard();  // an edit of a card that stays is kept
    const int removed = removeFromAllCards(doomed);
    RefilterCards();
    SelectCard(remembered);
    if (removed > 0) FileModified = true;
    UpdateStatusBar();
    UpdateEditMenu();
    ShowEditorIfAny();
  });
}

} // namespace qel
