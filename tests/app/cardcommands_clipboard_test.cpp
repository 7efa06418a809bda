// Copy, cut, paste and delete of whole cards through the title list and the
// card clipboard file; the Edit routing by focus; the exit question.
#include "tests/app/cardcommands_fixture.h"
#include "app/filecommands.h"
#include "zip/ziparchiver.h"

#include "platform/tempfolder.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace qel;
using namespace qel::test;

namespace {
QByteArray clipboardBytes() {
  QFile f(ClipboardFileName());
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST_F(CardCommandsTest, CopiedInOneProgramPastedInAnother) {
  QProcess host;
  host.start(QStringLiteral(QEL_CARDCMD_HOST), {QStringLiteral("copy"), dir});
  ASSERT_TRUE(host.waitForFinished(30000)) << host.errorString().toStdString();
  ASSERT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
  EXPECT_EQ(host.readAllStandardOutput(), QByteArray("copied\n"));
  ASSERT_TRUE(ClipboardFileExists());

  cards({"zulu"});
  window->e_record->setText(QStringLiteral("zu"));
  window->lw_List->setFocus();
  const TDateTime before = Now();
  window->EditPasteExecute();

  EXPECT_EQ(window->e_record->text(), QString());  // the filter is cleared
  EXPECT_EQ(allTitles(), (QStringList{"zulu", "alpha", "charlie"}));
  EXPECT_TRUE(FileModified);
  TCrdPtr alpha = cardTitled("alpha");
  TCrdPtr charlie = cardTitled("charlie");
  ASSERT_TRUE(alpha && charlie);
  // Bodies travel as stored, formatting included; a body line that looks like a tag stays body text.
  EXPECT_EQ(alpha->BodyBytes(), QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\r\n\\f0 plain {\\b bold}\\par\r\n}\r\n"));
  EXPECT_EQ(charlie->BodyBytes(), QByteArray("<TITLE>not a title\r\ncharlie body\r\n"));
  EXPECT_EQ(alpha->Color, 0x0000FF);
  EXPECT_EQ(alpha->Phone, "555 0101");
  EXPECT_EQ(charlie->Color, kNoColor);
  EXPECT_EQ(charlie->Phone, "+1 212");
  // New cards: fresh identifiers and stamps, changed now.
  EXPECT_NE(alpha->UID, "host-uid");
  EXPECT_GE(alpha->Created, before);
  EXPECT_GE(alpha->LastOpen, before);
  EXPECT_NE(alpha->Created, charlie->Created);
  // The last pasted card is the current one.
  EXPECT_EQ(window->CurrentCard(), charlie.get());
}

TEST_F(CardCommandsTest, CutThenPasteKeepsTheCardButMakesItNew) {
  cards({"alpha", "bravo", "charlie", "delta"});
  TCrdPtr bravo = cardTitled("bravo");
  TCrdPtr delta = cardTitled("delta");
  bravo->Color = 0x00FF00;
  bravo->Phone = "123";
  bravo->LastOpen = 45000.5;
  const QByteArray bravoBody = bravo->BodyBytes();
  const QString bravoUid = bravo->UID;
  const TDateTime bravoCreated = bravo->Created;

  select({"bravo", "delta"}, "alpha");
  window->lw_List->setFocus();
  ui.answerButton(IDNO);
  window->EditCutExecute();
  // No: both stay in the file, and in the card clipboard file.
  EXPECT_EQ(ui.messageTexts(), QStringList{"Delete selected cards?"});
  EXPECT_EQ(allTitles(), (QStringList{"alpha", "bravo", "charlie", "delta"}));
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(ParseCardClipboard(clipboardBytes()).cards.size(), 2u);

  select({"bravo", "delta"}, "alpha");
  ui.answerButton(IDYES);
  window->EditCutExecute();
  EXPECT_EQ(allTitles(), (QStringList{"alpha", "charlie"}));
  EXPECT_TRUE(FileModified);

  window->lw_List->setFocus();
  window->a_PasteListExecute();
  ASSERT_EQ(allTitles(), (QStringList{"alpha", "charlie", "bravo", "delta"}));
  TCrdPtr pasted = cardTitled("bravo");
  EXPECT_NE(pasted, bravo);
  EXPECT_EQ(pasted->Color, 0x00FF00);
  EXPECT_EQ(pasted->Phone, "123");
  EXPECT_EQ(pasted->BodyBytes(), bravoBody);
  EXPECT_NE(pasted->UID, bravoUid);
  EXPECT_NE(pasted->Created, bravoCreated);
  EXPECT_GT(pasted->LastOpen, 45000.5);
  EXPECT_EQ(cardTitled("delta")->BodyBytes(), delta->BodyBytes());
}

TEST_F(CardCommandsTest, CopyTakesTheEditorsPendingEditAndNothingWhenNothingIsSelected) {
  cards({"alpha", "bravo"});
  window->SelectCard(0);
  window->m_Card->setSel(0, -1);
  window->m_Card->replaceSel(QStringLiteral("alpha edited"));
  select({"alpha"});
  window->a_CopyListExecute();
  ClipboardContents got = ParseCardClipboard(clipboardBytes());
  ASSERT_EQ(got.cards.size(), 1u);
  EXPECT_TRUE(got.cards[0].body.contains("alpha edited"));

  select({});
  window->a_CopyListExecute();
  EXPECT_TRUE(ClipboardFileExists());
  EXPECT_EQ(clipboardBytes(), QByteArray());
  FileModified = false;
  window->a_PasteListExecute();
  EXPECT_EQ(allTitles(), (QStringList{"alpha", "bravo"}));
}

TEST_F(CardCommandsTest, PasteWithoutAClipboardFileAddsNothingButClearsTheFilter) {
  cards({"alpha", "bravo"});
  window->e_record->setText(QStringLiteral("br"));
  window->a_PasteListExecute();
  EXPECT_EQ(window->e_record->text(), QString());
  EXPECT_EQ(FilteredCards.Count(), 2);
  EXPECT_EQ(AllCards.Count(), 2);
  EXPECT_TRUE(FileModified);
}

TEST_F(CardCommandsTest, DeleteAsksByTitleOrForTheSelectionAndTakesOnlyTheSelected) {
  cards({"alpha", "bravo", "charlie", "delta"});
  struct Case {
    const char *name;
    QStringList selected;
    QString focus;
    int answer;
    QString question;
    QStringList left;
  } cases[] = {
      {"one selected, No", {"bravo"}, "bravo", IDNO, "Delete Card \"bravo\"?", {"alpha", "bravo", "charlie", "delta"}},
      // The focus rests on another item: the selected card is the one named and deleted.
      {"one selected, focus elsewhere", {"charlie"}, "alpha", IDYES, "Delete Card \"charlie\"?", {"alpha", "bravo", "delta"}},
      {"several, No", {"alpha", "delta"}, "alpha", IDNO, "Delete selected cards?", {"alpha", "bravo", "delta"}},
      {"several, Yes", {"alpha", "delta"}, "delta", IDYES, "Delete selected cards?", {"bravo"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FileModified = false;
    ui.clear();
    select(c.selected, c.focus);
    ui.answerButton(c.answer);
    window->lw_List->setFocus();
    action("a_DeleteList")->trigger();
    EXPECT_EQ(ui.messageTexts(), QStringList{c.question});
    EXPECT_EQ(allTitles(), c.left);
    EXPECT_EQ(FileModified, c.answer == IDYES);
    EXPECT_TRUE(ui.allAnswered());
  }
}

TEST_F(CardCommandsTest, DeleteUnderAFilterLeavesTheCardsOutsideIt) {
  cards({"apple", "apricot", "banana", "cherry"});
  window->e_record->setText(QStringLiteral("ap"));
  ASSERT_EQ(FilteredCards.Count(), 2);
  window->a_SelectAllListExecute();
  ui.answerButton(IDYES);
  window->UpdateEditMenu();
  window->a_DeleteListExecute();
  EXPECT_EQ(allTitles(), (QStringList{"banana", "cherry"}));
}

TEST_F(CardCommandsTest, LockedListRefusesPasteCutAndDeleteByItsKeys) {
  cards({"alpha", "bravo"});
  select({"alpha"});
  window->a_CopyListExecute();  // a card waits in the card clipboard file
  const QByteArray copied = clipboardBytes();
  select({"alpha", "bravo"});
  action("a_Lock")->setChecked(true);
  window->a_LockExecute(false);
  window->lw_List->setFocus();
  for (int key : {Qt::Key_V, Qt::Key_X}) QTest::keyClick(window->lw_List, Qt::Key(key), Qt::ControlModifier);
  QTest::keyClick(window->lw_List, Qt::Key_Delete);
  window->a_PasteListExecute();  // also when called directly
  window->a_CutListExecute();
  EXPECT_TRUE(ui.prompts().empty());
  EXPECT_EQ(allTitles(), (QStringList{"alpha", "bravo"}));
  EXPECT_EQ(clipboardBytes(), copied);  // no half cut that only copies
  EXPECT_FALSE(FileModified);

  // Unlocked, the same keys work.
  action("a_Lock")->setChecked(false);
  window->a_LockExecute(false);
  QTest::keyClick(window->lw_List, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(allTitles(), (QStringList{"alpha", "bravo", "alpha"}));
  EXPECT_TRUE(FileModified);
}

TEST_F(CardCommandsTest, FilterEditUsesTheSystemClipboard) {
  cards({"alpha"});
  QApplication::clipboard()->setText(QStringLiteral("from the desktop"));
  window->e_record->setText(QStringLiteral("alp"));
  window->e_record->selectAll();
  window->e_record->setFocus();
  ASSERT_EQ(window->focusWidget(), window->e_record);
  window->EditCopyExecute();
  EXPECT_EQ(QApplication::clipboard()->text(), "alp");
  EXPECT_FALSE(ClipboardFileExists());
  window->e_record->selectAll();
  window->EditCutExecute();
  EXPECT_EQ(window->e_record->text(), QString());
  window->EditPasteExecute();
  EXPECT_EQ(window->e_record->text(), "alp");
  EXPECT_FALSE(ClipboardFileExists());
}

TEST_F(CardCommandsTest, ExitAsksWhetherToLeaveTheClipboardFile) {
  cards({"alpha"});
  select({"alpha"});
  window->a_CopyListExecute();
  StartupDone = true;
  ui.answerButton(IDNO);
  window->FormClose();
  EXPECT_EQ(ui.messageTexts(), QStringList{"Leave contents of the Clipboard to other Qel Moravine applications?"});
  EXPECT_FALSE(ClipboardFileExists());

  ui.clear();
  WriteCardClipboard({});
  ui.answerButton(IDYES);
  window->FormClose();
  EXPECT_TRUE(ClipboardFileExists());
  StartupDone = false;
}

// Cards copied from a password-protected file lie in the card clipboard file
// as plain text: the question at exit says so and its default is No; cards
// of an unprotected file keep the plain question with Yes first.
TEST_F(CardCommandsTest, ExitQuestionWarnsOfProtectedCardsAndDefaultsToNo) {
  StartupDone = true;
  for (bool isProtected : {false, true}) {
    const char *title = isProtected ? "secret" : "plain";
    cards({title});  // closing deleted the body file
    select({title});
    ZipArchiver().SetPassword(isProtected ? QStringLiteral("secret") : QString());
    window->a_CopyListExecute();
    EXPECT_EQ(ClipboardHoldsProtectedCards(), isProtected);
    ASSERT_EQ(ReadCardClipboard().cards.size(), 1u) << "the mark is no card";
    ui.clear();
    ui.answerButton(IDYES);
    window->FormClose();
    ASSERT_EQ(ui.prompts().size(), 1u);
    const auto &asked = ui.prompts().front();
    EXPECT_TRUE(asked.text.startsWith("Leave contents of the Clipboard to other Qel Moravine applications?"));
    EXPECT_EQ(asked.text.contains("password-protected"), isProtected) << asked.text.toStdString();
    EXPECT_EQ((asked.flags & MB_DEFBUTTON2) != 0, isProtected);
    EXPECT_TRUE(ClipboardFileExists()) << "Yes leaves it";
  }
  ZipArchiver().SetPassword(QString());
  DeleteClipboardFile();
  StartupDone = false;
}
