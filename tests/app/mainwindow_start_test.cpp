#include "tests/app/mainwindow_fixture.h"

#include <QFontComboBox>
#include <QToolBar>
#include <QToolButton>

using namespace qel;
using namespace qel::test;

TEST_F(MainWindowTest, StartsOnTheCommandLineFileWithItsFilter) {
  const QString path = makeCardFile(QStringLiteral("x.QEL"), {"alpha", "bravo", "album"});
  start({path, QStringLiteral("al")});
  EXPECT_EQ(window->windowTitle(), QStringLiteral("x - Qel Moravine"));
  EXPECT_EQ(CurrentFileName, path);
  EXPECT_EQ(window->e_record->text(), QStringLiteral("al"));
  EXPECT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(FilteredCards.Count(), 2);
  EXPECT_TRUE(StartupDone);
  EXPECT_FALSE(FileModified);
  EXPECT_FALSE(action("a_FileSave")->isEnabled());
  EXPECT_TRUE(window->m_Card->isVisible());
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(MainWindowTest, WithoutAUsableArgumentItStartsANewFile) {
  for (const QStringList &args : {QStringList{}, QStringList{dir + "/missing.qel", QStringLiteral("filter")}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    start(args);
    EXPECT_TRUE(IsNewFileName(CurrentFileName)) << CurrentFileName.toStdString();
    EXPECT_EQ(window->windowTitle(), CaptionForFile(CurrentFileName));
    EXPECT_EQ(AllCards.Count(), 0);
    EXPECT_FALSE(FileModified);
    // With no card the editor gives way to "No card selected".
    EXPECT_FALSE(window->m_Card->isVisible());
    window.reset();
    resetCards();
  }
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(MainWindowTest, FontBoxAndFilterLookAtStart) {
  start({});
  auto *fonts = window->Toolbar_formatting->findChild<QFontComboBox *>(QStringLiteral("cb_Font"));
  ASSERT_NE(fonts, nullptr);
  EXPECT_GT(fonts->count(), 0);
  // The filter edit's look comes from the options: bold yellow on maroon by default.
  EXPECT_TRUE(window->e_record->font().bold());
  EXPECT_EQ(window->e_record->palette().color(QPalette::Base), QColor(0x80, 0, 0));
  EXPECT_EQ(window->e_record->palette().color(QPalette::Text), QColor(0xFF, 0xFF, 0));
  // Toolbar buttons show pictures only and name their command in the hint.
  EXPECT_EQ(window->Toolbar_Standard->toolButtonStyle(), Qt::ToolButtonIconOnly);
  for (const char *name : {"a_FileNew", "a_FileOpen", "a_FileSave", "ac_Next", "a_Bold", "a_Lock"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(action(name)->icon().isNull());
    EXPECT_FALSE(action(name)->icon().pixmap(16, 16).isNull());
  }
  EXPECT_EQ(action("a_FileOpen")->toolTip(), QStringLiteral("Open (Ctrl+O)"));
  auto *lockButton = window->findChild<QToolButton *>(QStringLiteral("b_Lock"));
  ASSERT_NE(lockButton, nullptr);
  EXPECT_EQ(lockButton->defaultAction(), action("a_Lock"));
  EXPECT_NE(window->findChild<QToolButton *>(QStringLiteral("b_Open")), nullptr);
  EXPECT_EQ(action("a_Options")->toolTip(), QStringLiteral("Options"));
}
