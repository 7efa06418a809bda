#include "tests/app/mainwindow_fixture.h"

#include <QTimer>

using namespace qel;
using namespace qel::test;

TEST_F(MainWindowTest, CloseQuestionCancelNoAndYes) {
  struct Case {
    int answer;
    bool closes;
    QStringList onDisk;
  };
  const Case cases[] = {
      {IDCANCEL, false, {"alpha"}},
      {IDNO, true, {"alpha"}},
      {IDYES, true, {"alpha", "zulu"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.answer);
    const QString path = makeCardFile(QStringLiteral("cards%1.qel").arg(c.answer), {"alpha"});
    start({path});
    AppOptions->Autosave = true;
    window->ApplyOptions();
    const QString body = CurrentBodyFileName();
    addUnsavedCard("zulu");
    ui.clear();
    ui.answerButton(c.answer);
    EXPECT_EQ(window->close(), c.closes);
    EXPECT_EQ(ui.messageTexts(), QStringList{QStringLiteral("Save changes to ") + path + QStringLiteral(" ?")});
    EXPECT_EQ(window->isVisible(), !c.closes);
    EXPECT_EQ(titlesOnDisk(path), c.onDisk);
    if (c.closes) {
      EXPECT_FALSE(QFileInfo::exists(body)) << "the body file outlived the close";
      EXPECT_FALSE(window->Timer->isActive());
    } else {
      EXPECT_TRUE(FileModified);
      EXPECT_TRUE(window->Timer->isActive());  // autosave goes on in the window that stayed
    }
    window.reset();
    resetCards();
  }
}

TEST_F(MainWindowTest, AFailedOrCancelledSaveKeepsTheWindowOpen) {
  start({});
  addUnsavedCard("in a new file");
  ui.answerButton(IDYES);
  ui.answer(Answer::cancel(PromptKind::SaveFile));  // Save As of the never-saved file, cancelled
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(FileModified);
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(MainWindowTest, EndOfSessionAsksOnceAndClosesWithoutAskingAgain) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  const QString body = CurrentBodyFileName();
  addUnsavedCard("zulu");
  ui.answerButton(IDNO);
  EXPECT_TRUE(window->QueryEndSession());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(window->QueryEndSession());  // the signal again, or the session manager after it
  window->close();
  EXPECT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(titlesOnDisk(path), QStringList{"alpha"});
  EXPECT_FALSE(QFileInfo::exists(body));
}

TEST_F(MainWindowTest, EndOfSessionCancelledKeepsTheProgramAndAsksNextTime) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  addUnsavedCard("zulu");
  ui.answerButton(IDCANCEL);
  EXPECT_FALSE(window->QueryEndSession());
  EXPECT_TRUE(window->isVisible());
  ui.answerButton(IDYES);
  EXPECT_TRUE(window->QueryEndSession());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(ui.prompts().size(), 2u);
  EXPECT_EQ(titlesOnDisk(path), (QStringList{"alpha", "zulu"}));
}

// Closing the main window ends the program: a help window left open would
// keep it running with no main window to come back to.
TEST_F(MainWindowTest, ClosingTheWindowClosesTheHelpWindow) {
  start({});
  window->HelpFilePath = QStringLiteral(QEL_PROGRAM_DIR "/help");
  window->actions()[QStringLiteral("Contents1")]->trigger();
  auto shownHelp = [] {
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->inherits("qel::THelpWindow")) ++n;
    return n;
  };
  ASSERT_EQ(shownHelp(), 1);
  EXPECT_TRUE(window->close());
  QApplication::processEvents();
  EXPECT_EQ(shownHelp(), 0);
}
