#include "tests/app/mainwindow_fixture.h"

#include <QDialog>
#include <QFile>
#include <QTimer>

using namespace qel;
using namespace qel::test;

TEST_F(MainWindowTest, AutosaveTimerFollowsTheOptions) {
  start({});
  AppOptions->Autosave = true;
  AppOptions->AutosavePeriod = 10;
  window->ApplyOptions();
  EXPECT_EQ(window->Timer->interval(), 600000);
  EXPECT_TRUE(window->Timer->isActive());
  AppOptions->Autosave = false;
  window->ApplyOptions();
  EXPECT_FALSE(window->Timer->isActive());
}

TEST_F(MainWindowTest, AutosaveSavesAModifiedFileOnlyWhenThereAreChanges) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  const QDateTime before = QFileInfo(path).lastModified();
  window->TimerTimer();  // nothing changed: nothing written
  EXPECT_EQ(QFileInfo(path).lastModified(), before);

  addUnsavedCard("charlie");
  window->TimerTimer();
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(titlesOnDisk(path), (QStringList{"alpha", "bravo", "charlie"}));
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(MainWindowTest, AutosaveSkipsTicksItMustNotAct) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  const QStringList original{"alpha"};

  // A never-saved file: no Save As popping up on a timer (an unscripted prompt fails the test).
  start({});
  addUnsavedCard("in a new file");
  window->TimerTimer();
  EXPECT_TRUE(FileModified);
  window.reset();
  resetCards();

  // A modal dialog, a running command, a file opened read-only.
  struct Case {
    const char *what;
    std::function<void(Tf_Main &)> during;
  };
  const Case cases[] = {
      {"modal dialog",
       [](Tf_Main &w) {
         QDialog dialog(&w);
         dialog.setModal(true);
         dialog.show();
         QApplication::processEvents();
         w.TimerTimer();
       }},
      {"running command",
       [](Tf_Main &w) {
         Tf_Main::BusyGuard busy(w);
         w.TimerTimer();
       }},
      {"read-only file",
       [](Tf_Main &w) {
         SetOpenedReadOnly(true);
         w.TimerTimer();
         SetOpenedReadOnly(false);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    start({path});
    addUnsavedCard("unsaved");
    c.during(*window);
    EXPECT_TRUE(FileModified);
    EXPECT_EQ(titlesOnDisk(path), original);
    window.reset();
    resetCards();
  }
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(MainWindowTest, NoAutosaveOnceTheCloseQuestionWasAnsweredNo) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  AppOptions->Autosave = true;
  window->ApplyOptions();
  addUnsavedCard("not wanted");
  ui.answerButton(IDNO);
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->Timer->isActive());
  window->TimerTimer();  // a tick already queued comes too late
  EXPECT_EQ(titlesOnDisk(path), QStringList{"alpha"});
  EXPECT_EQ(ui.prompts().size(), 1u);
}
