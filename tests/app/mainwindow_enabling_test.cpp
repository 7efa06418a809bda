#include "tests/app/mainwindow_fixture.h"

#include "app/mainbars.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include "app/formattingbar.h"
#include <QListView>

using namespace qel;
using namespace qel::test;

namespace {

const char *const kNeedSelection[] = {"a_DeleteList",     "a_Rename",         "a_Duplicate",      "a_LoadCardFromFile",
                                      "a_InsertPicture",  "a_InsertDateTime", "a_CardBackground", "a_PasteSpecial",
                                      "a_CardUnformat",   "a_SortCardLines"};
const char *const kNeedUnlocked[] = {"a_Add", "Merge1", "Protect1", "a_CardReplace"};
// What the lock never takes away (the first of two cards is selected, so "Next" leads somewhere).
const char *const kAlwaysThere[] = {"ac_Next", "ac_Last", "a_CardFind", "a_CardFindNext", "a_Print"};

enum class Focus { List, Editor, Filter };

} // namespace

TEST_F(MainWindowTest, CommandEnablingFollowsLockFocusAndChanges) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  QGuiApplication::clipboard()->setText(QStringLiteral("something to paste"));

  struct Case {
    bool locked;
    Focus focus;
    bool modified;
  };
  const Case cases[] = {
      {false, Focus::List, false},  {false, Focus::List, true},   {true, Focus::List, false},
      {true, Focus::List, true},    {false, Focus::Editor, false}, {false, Focus::Editor, true},
      {true, Focus::Editor, false}, {true, Focus::Editor, true},   {false, Focus::Filter, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "locked " << c.locked << " focus " << int(c.focus) << " modified " << c.modified);
    action("a_Lock")->setChecked(c.locked);
    window->a_LockExecute(false);
    window->SelectCard(0);
    QWidget *target = c.focus == Focus::List     ? static_cast<QWidget *>(window->lw_List)
                      : c.focus == Focus::Editor ? static_cast<QWidget *>(window->m_Card)
                                                 : static_cast<QWidget *>(window->e_record);
    target->setFocus();
    QApplication::processEvents();
    FileModified = c.modified;
    window->UpdateEditMenu();

    ASSERT_GT(window->SelectedCardCount(), 0);
    // The rule holds for every built command; one not built yet stays disabled.
    auto built = [&](const char *name) { return MainActions::IsBuilt(action(name)); };
    for (const char *name : kNeedSelection) EXPECT_EQ(action(name)->isEnabled(), !c.locked && built(name)) << name;
    for (const char *name : kNeedUnlocked) EXPECT_EQ(action(name)->isEnabled(), !c.locked && built(name)) << name;
    for (const char *name : kAlwaysThere) EXPECT_EQ(action(name)->isEnabled(), built(name)) << name;
    // Objects cannot be made without an object server: Insert Object is built, and off.
    EXPECT_TRUE(built("a_InsertObject"));
    EXPECT_FALSE(action("a_InsertObject")->isEnabled());
    EXPECT_TRUE(action("a_InsertObject")->statusTip().contains(QStringLiteral("Insert Picture")));
    EXPECT_EQ(action("a_FileSave")->isEnabled(), c.modified);

    if (c.focus == Focus::List) {
      EXPECT_FALSE(action("a_Undo")->isEnabled());
      EXPECT_FALSE(action("a_Redo")->isEnabled());
      EXPECT_TRUE(action("EditCopy")->isEnabled());
      EXPECT_EQ(action("EditCut")->isEnabled(), !c.locked);
      if (c.locked) { EXPECT_FALSE(action("EditPaste")->isEnabled()); }
    } else if (c.focus == Focus::Editor) {
      // Text on the clipboard: pasting into the editor waits only for the lock.
      EXPECT_EQ(action("EditPaste")->isEnabled(), !c.locked);
      EXPECT_EQ(action("a_Undo")->isEnabled(), window->m_Card->canUndo());
      EXPECT_TRUE(action("a_Undo")->text().startsWith(QStringLiteral("&Undo")));
    } else {
      EXPECT_EQ(action("a_Undo")->text(), QStringLiteral("&Undo"));
      EXPECT_EQ(action("a_Undo")->isEnabled(), window->e_record->isUndoAvailable());
    }
  }
}

TEST_F(MainWindowTest, EditorUndoCaptionNamesWhatWillBeUndone) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  window->m_Card->setFocus();
  QApplication::processEvents();
  window->m_Card->setSel(0, 0);
  for (QChar ch : QStringLiteral("typed")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(window->m_Card, &press);
  }
  window->UpdateEditMenu();
  EXPECT_TRUE(action("a_Undo")->isEnabled());
  EXPECT_EQ(action("a_Undo")->text(), QStringLiteral("&Undo typing"));
  EXPECT_EQ(action("a_Undo")->toolTip(), QStringLiteral("Undo typing (Ctrl+Z)"));
  EXPECT_TRUE(FileModified);
  EXPECT_TRUE(action("a_FileSave")->isEnabled());
}

TEST_F(MainWindowTest, LockOnWarnsAndFreezesEditingLockOffQuietlyRestores) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  TFontBoxItem *fonts = window->cb_Font;
  ASSERT_NE(fonts, nullptr);
  window->m_Card->setFocus();

  ui.answerButton(IDOK);
  action("a_Lock")->trigger();
  ASSERT_EQ(ui.messageTexts(),
            QStringList{QStringLiteral("Cards will be locked.\rYou can not edit cards until \"Lock\" button is pressed.")});
  EXPECT_TRUE(window->IsLocked());
  EXPECT_TRUE(window->m_Card->isReadOnly());
  EXPECT_EQ(window->lw_List->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(window->focusWidget(), window->e_record);
  EXPECT_FALSE(fonts->Enabled());
  // Every button and control on the formatting toolbar (what their drop-downs hold is out of reach).
  toolbars::TTbrCustomItem *buttons = window->Toolbar_formatting->Items();
  for (int i = 0; i < buttons->Count(); ++i) {
    toolbars::TTbrCustomItem *item = buttons->Items(i);
    if (item->HasStyle(toolbars::tbis::Separator)) continue;
    auto *hosted = dynamic_cast<toolbars::TTbrControlItem *>(item);
    const QWidget *control = hosted ? qobject_cast<QWidget *>(hosted->Control()) : nullptr;
    EXPECT_FALSE(control ? control->isEnabled() : item->Enabled()) << item->Name().toStdString();
  }
  EXPECT_FALSE(action("a_Add")->isEnabled());

  ui.clear();
  action("a_Lock")->trigger();  // unlocking says nothing
  EXPECT_TRUE(ui.prompts().empty());
  EXPECT_FALSE(window->IsLocked());
  EXPECT_FALSE(window->m_Card->isReadOnly());
  EXPECT_NE(window->lw_List->editTriggers(), QAbstractItemView::NoEditTriggers);
  // The formatting controls come back as far as they are built.
  EXPECT_TRUE(fonts->Enabled());
  EXPECT_EQ(action("a_Bold")->isEnabled(), MainActions::IsBuilt(action("a_Bold")));
  EXPECT_TRUE(action("a_Add")->isEnabled());
}

// Paste Special from the Edit menu: our dialog, then the chosen format in
// the card, one paste step the Undo caption names.
TEST_F(MainWindowTest, PasteSpecialPastesIntoTheCard) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  window->SelectCard(0);
  window->m_Card->setFocus();
  QApplication::processEvents();
  window->m_Card->setSel(0, 0);
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted "));
  window->UpdateEditMenu();
  ASSERT_TRUE(action("a_PasteSpecial")->isEnabled());
  ui.answer(Answer::dialog(QDialog::Accepted));
  action("a_PasteSpecial")->trigger();
  ASSERT_FALSE(ui.prompts().empty());
  EXPECT_EQ(ui.prompts().back().caption, QStringLiteral("Paste Special"));
  EXPECT_TRUE(window->m_Card->text().startsWith(QStringLiteral("pasted "))) << window->m_Card->text().toStdString();
  EXPECT_TRUE(FileModified);
  window->UpdateEditMenu();
  EXPECT_EQ(action("a_Undo")->text(), QStringLiteral("&Undo paste"));
}

// Redo acts only in the editor: with the focus in the filter edit (as at the
// start) the command is off, also after something was undone in the card.
TEST_F(MainWindowTest, RedoIsOffWhileTheFilterEditHasTheFocus) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  ASSERT_EQ(window->focusWidget(), window->e_record);
  window->UpdateEditMenu();
  EXPECT_FALSE(action("a_Redo")->isEnabled());

  window->m_Card->setFocus();
  QApplication::processEvents();
  window->m_Card->setSel(0, 0);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("x"));
  QApplication::sendEvent(window->m_Card, &press);
  window->m_Card->undo();
  window->UpdateEditMenu();
  ASSERT_TRUE(action("a_Redo")->isEnabled());

  window->e_record->setFocus();
  QApplication::processEvents();
  window->UpdateEditMenu();
  EXPECT_FALSE(action("a_Redo")->isEnabled());
  EXPECT_EQ(action("a_Redo")->text().toStdString(), "&Redo");
}
