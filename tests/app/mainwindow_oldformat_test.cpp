// The old-format commands in the real main window: the two exports of the
// File menu, then the exported files opened and saved as version-3 files.

#include "cards/oldformat.h"
#include "tests/app/mainwindow_fixture.h"

#include <QListView>

using namespace qel;
using namespace qel::test;

TEST_F(MainWindowTest, OldFormatExportsOpenAndSaveAsVersion3) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha", "bravo"});
  start({path});
  ASSERT_TRUE(action("ExportV1")->isEnabled());
  ASSERT_TRUE(action("ExportV2")->isEnabled());

  const QString v1 = dir + "/one.qel", v2 = dir + "/two.qel";
  ui.answer(Answer::saveFile(v1));
  action("ExportV1")->trigger();
  ui.answer(Answer::saveFile(v2));
  action("ExportV2")->trigger();
  ui.answer(Answer::cancel(PromptKind::SaveFile));
  action("ExportV2")->trigger();
  EXPECT_TRUE(ui.messageTexts().isEmpty()) << ui.messageTexts().join('|').toStdString();
  EXPECT_EQ(ProbeCardsFile(v1).Kind, KindOldText);
  EXPECT_EQ(ProbeCardsFile(v2).Kind, KindOldArchive);
  EXPECT_FALSE(FileModified);

  // The 2.x file opens in the window with its cards, and Save makes it a version-3 file.
  ASSERT_TRUE(window->OpenCardsFile(v2, -1));
  EXPECT_EQ(window->windowTitle(), QString("two.qel - Qel Moravine"));
  EXPECT_EQ(window->lw_List->model()->rowCount(), 2);
  EXPECT_FALSE(action("a_FileSave")->isEnabled());
  FileModified = true;
  action("a_FileSave")->trigger();
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(ProbeCardsFile(v2).Kind, KindVersion3);
  EXPECT_EQ(titlesOnDisk(v2), QStringList({"alpha", "bravo"}));

  // Merged into it, the 1.x file's cards are all appended.
  ui.answerButton(IDOK);  // the merge warning
  ASSERT_TRUE(window->OpenCardsFile(v1, MergeSkip));
  EXPECT_EQ(window->lw_List->model()->rowCount(), 4);
  EXPECT_TRUE(action("a_FileSave")->isEnabled());
  EXPECT_EQ(AllCards.Objects(3)->BodyBytes(), "body of bravo\r\n");
  EXPECT_TRUE(ui.allAnswered());
}
