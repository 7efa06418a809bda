// The main window driven as a user drives it: keys and clicks on its real
// widgets. Every command shown does what it says, and the commands follow
// the state at once.

#include "tests/app/mainwindow_fixture.h"

#include "app/dlg_duplicate.h"
#include "app/mainbars.h"
#include "cards/cardclipboard.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/qt/tbpopupmenu.h"

#include <QListView>
#include <QTest>
#include <QToolButton>

using namespace qel;
using namespace qel::test;

namespace {

// Enabled implies built: a command that is offered has a handler.
void expectOnlyBuiltCommandsEnabled(Tf_Main &w, const char *state) {
  SCOPED_TRACE(state);
  for (QAction *a : w.actions().commands()) {
    if (a->isEnabled()) { EXPECT_TRUE(MainActions::IsBuilt(a)) << a->objectName().toStdString() << " is offered but not built"; }
  }
  // The same for the controls on the toolbars that are commands of their own.
  ForEachBarItem(&w, [&](toolbars::TTbrCustomItem *item) {
    auto *hosted = dynamic_cast<toolbars::TTbrControlItem *>(item);
    auto *control = hosted ? qobject_cast<QWidget *>(hosted->Control()) : nullptr;
    // The action text is a display, not a command.
    if (control && control->isEnabled() && control->objectName() != QLatin1String("e_Action")) {
      EXPECT_TRUE(MainActions::IsBuiltWidget(control)) << control->objectName().toStdString();
    }
  });
}

} // namespace

TEST_F(MainWindowTest, EveryEnabledCommandIsBuiltInEveryState) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  expectOnlyBuiltCommandsEnabled(*window, "opened");
  window->lw_List->setFocus();
  expectOnlyBuiltCommandsEnabled(*window, "list");
  window->a_SelectAllListExecute();
  window->a_CopyListExecute();
  expectOnlyBuiltCommandsEnabled(*window, "cards on the card clipboard");
  window->m_Card->setFocus();
  QTest::keyClicks(window->m_Card, QStringLiteral("typed"));
  expectOnlyBuiltCommandsEnabled(*window, "editor, typed");
  window->e_record->setFocus();
  QTest::keyClicks(window->e_record, QStringLiteral("zz"));
  expectOnlyBuiltCommandsEnabled(*window, "filter, no match");
  ui.answerButton(IDOK);
  window->actions()[QStringLiteral("a_Lock")]->trigger();
  expectOnlyBuiltCommandsEnabled(*window, "locked");
  window->actions()[QStringLiteral("a_Lock")]->trigger();
  expectOnlyBuiltCommandsEnabled(*window, "unlocked");

}

// Every entry and button of the window's menus and toolbars is a themed
// one, so all are measured and painted alike (a plain entry makes a lower row).
TEST_F(MainWindowTest, EveryMenuEntryAndButtonIsThemed) {
  start({});
  QStringList plain;
  const auto check = [&](toolbars::TTbrCustomItem *item) {
    if (dynamic_cast<toolbars::TThmCustomItem *>(item) || dynamic_cast<toolbars::TThmSeparatorItem *>(item) ||
        dynamic_cast<toolbars::TThmEditItem *>(item) || dynamic_cast<toolbars::TTbrControlItem *>(item))
      return;
    plain << (item->Name().isEmpty() ? item->Caption() : item->Name());
  };
  ForEachBarItem(window.get(), check);
  for (toolbars::TTbrPopupMenu *menu : {window->pm_Toolbars.get(), window->pm_Card.get()}) {
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < menu->Items()->Count(); ++i) check(menu->Items()->Items(i));
  }
  EXPECT_TRUE(plain.isEmpty()) << plain.join(u' ').toStdString();
}

TEST_F(MainWindowTest, ShortcutsOfCommandsNotBuiltDoNothing) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  window->m_Card->setFocus();
  window->m_Card->setSel(0, 4);
  const QByteArray before = window->m_Card->streamOut(re::SF_RTF);
  for (QAction *a : window->actions().commands()) {
    if (MainActions::IsBuilt(a) || a->shortcut().isEmpty()) continue;
    SCOPED_TRACE(a->objectName().toStdString());
    const QKeyCombination key = a->shortcut()[0];
    QTest::keyClick(window->m_Card, key.key(), key.keyboardModifiers());
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(a->isChecked());
  }
  // Nothing was asked (the scripted prompts fail a test on any question) and nothing changed.
  EXPECT_TRUE(ui.prompts().empty());
  EXPECT_EQ(window->m_Card->streamOut(re::SF_RTF), before);
  EXPECT_FALSE(FileModified);
}

TEST_F(MainWindowTest, SaveFollowsTheModifiedFlagAtOnce) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  QAction *save = action("a_FileSave");
  EXPECT_FALSE(save->isEnabled());

  // Paste cards in the list with its keys: Save is offered before any other event.
  window->lw_List->setFocus();
  QTest::keyClick(window->lw_List, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(window->lw_List, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(action("EditPaste")->isEnabled()) << "the card clipboard file was written";
  QTest::keyClick(window->lw_List, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(AllCards.Count(), 4);
  EXPECT_TRUE(FileModified);
  EXPECT_TRUE(save->isEnabled());

  // Ctrl+S saves, and Save goes off with the flag.
  QTest::keyClick(window->lw_List, Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(FileModified);
  EXPECT_FALSE(save->isEnabled());
  EXPECT_EQ(titlesOnDisk(path), QStringList({"alpha", "alpha", "bravo", "bravo"}));

  // The flag set by any command turns Save on at once; cleared, off.
  FileModified = true;
  EXPECT_TRUE(save->isEnabled());
  FileModified = false;
  EXPECT_FALSE(save->isEnabled());
}

TEST_F(MainWindowTest, UndoAndRedoByKeysStayInStep) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  window->m_Card->setFocus();
  QTest::keyClick(window->m_Card, Qt::Key_End, Qt::ControlModifier);
  const QString original = window->m_Card->text();
  QTest::keyClicks(window->m_Card, QStringLiteral("xyz"));
  QAction *undo = action("a_Undo");
  QAction *redo = action("a_Redo");
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), QStringLiteral("&Undo typing"));
  EXPECT_FALSE(redo->isEnabled());

  QTest::keyClick(window->m_Card, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(window->m_Card->text(), original);
  EXPECT_FALSE(undo->isEnabled()) << "nothing left to undo";
  EXPECT_TRUE(redo->isEnabled());
  EXPECT_EQ(redo->text(), QStringLiteral("&Redo typing"));

  QTest::keyClick(window->m_Card, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(window->m_Card->text(), original + QStringLiteral("xyz"));
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
}

TEST_F(MainWindowTest, TheCardFontReachesNewAndPlainCards) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"plain"});
  start({path});
  AppOptions->CardFont.Name = QStringLiteral("DejaVu Serif");
  AppOptions->CardFont.Size = 14;
  AppOptions->CardFont.Color = 0x008000;  // green
  window->ApplyOptions();

  auto expectCardFont = [&](const char *what) {
    SCOPED_TRACE(what);
    window->m_Card->setSel(0, -1);
    const re::CharFormat f = window->m_Card->charFormat(re::SCF_SELECTION);
    EXPECT_EQ(f.szFaceName, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(f.yHeight, 280);
    EXPECT_EQ(f.effects & re::CFE_AUTOCOLOR, 0u);
    EXPECT_EQ(f.crTextColor, 0x008000u);
  };
  // The plain card shown by the refilter.
  expectCardFont("plain card");

  // A new card, typed into.
  ui.answer(Answer::input(QStringLiteral("new card")));
  window->m_Card->setFocus();
  QTest::keyClick(window->m_Card, Qt::Key_Insert);
  ASSERT_EQ(AllCards.Count(), 2);
  QTest::keyClicks(window->m_Card, QStringLiteral("hello"));
  expectCardFont("new card");
  // And it keeps the font when it is stored and shown again.
  window->ac_LastExecute();   // "plain"
  window->ac_FirstExecute();  // "new card" again
  ASSERT_EQ(window->m_Card->text(), QStringLiteral("hello"));
  expectCardFont("new card again");
}

TEST_F(MainWindowTest, DuplicateDialogPutsTheCaretAfterTheTitle) {
  Tf_Duplicate dialog;
  dialog.Keyword->setText(QStringLiteral("Kiwi"));
  dialog.show();
  QApplication::processEvents();
  EXPECT_FALSE(dialog.Keyword->hasSelectedText());
  EXPECT_EQ(dialog.Keyword->cursorPosition(), 4);
  QTest::keyClicks(dialog.Keyword, QStringLiteral(" 2"));
  EXPECT_EQ(dialog.Keyword->text(), QStringLiteral("Kiwi 2"));
}

namespace {

// Catches the shortcut events of the window's commands: which command a key
// reached, without running it.
class ShortcutCatcher : public QObject {
public:
  explicit ShortcutCatcher(const QList<QAction *> &actions) {
    for (QAction *a : actions) a->installEventFilter(this);
  }
  QStringList reached;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::Shortcut) return false;
    reached << watched->objectName();
    return true;
  }
};

} // namespace

// Every key of a window command reaches that command wherever the focus is:
// in the filter edit, the title list or the editor. None is taken by the
// pane's own binding first (Ctrl+U in the filter clears it, Ctrl+Z there
// would undo the filter's own typing, Ctrl+A would select in the pane).
TEST_F(MainWindowTest, EveryCommandKeyWorksInEveryPane) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  QList<QAction *> keyed;
  for (QAction *a : window->actions().commands())
    if (!a->shortcut().isEmpty()) keyed << a;
  ASSERT_GE(keyed.size(), 15);
  struct Place {
    const char *name;
    QWidget *widget;
    // Keys the pane gives to the same command itself, before any shortcut.
    QStringList ownKeys;
  };
  const Place places[] = {
      {"filter", window->e_record, {QStringLiteral("Ctrl+D")}},
      {"list", window->lw_List, {}},
      {"editor", window->m_Card, {}},
  };
  ShortcutCatcher catcher(keyed);
  for (const Place &place : places) {
    window->e_record->setText(QStringLiteral("al"));
    window->e_record->setCursorPosition(1);
    place.widget->setFocus();
    ASSERT_TRUE(place.widget->hasFocus()) << place.name;
    for (QAction *a : keyed) {
      const QString key = a->shortcut().toString();
      SCOPED_TRACE(std::string(place.name) + " " + key.toStdString());
      if (place.ownKeys.contains(key)) continue;
      // Each command is on for its key (those not built stay off and are not asked for).
      a->setEnabled(true);
      if (!a->isEnabled()) continue;
      catcher.reached.clear();
      const QKeyCombination combination = a->shortcut()[0];
      QTest::keyClick(place.widget, combination.key(), combination.keyboardModifiers());
      EXPECT_EQ(catcher.reached, QStringList{a->objectName()});
      EXPECT_TRUE(place.widget->hasFocus());
    }
    // The filter is as it was: no key cleared or changed it.
    EXPECT_EQ(window->e_record->text(), QStringLiteral("al")) << place.name;
  }
}
