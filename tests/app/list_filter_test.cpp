#include "tests/app/list_fixture.h"

#include <QToolButton>

using namespace qel;
using namespace qel::test;

TEST_F(ListWindowTest, FilterRulesTable) {
  cards({"ANN SMITH", "JO ANN", "ANNA", "BOB"});
  struct Case {
    bool fromStart, whole;
    QStringList expected;  // sorted by title
  };
  const Case cases[] = {
      {false, false, {"ANN SMITH", "ANNA", "JO ANN"}},
      {true, false, {"ANN SMITH", "ANNA"}},
      {false, true, {"ANN SMITH", "JO ANN"}},
      {true, true, {"ANN SMITH"}},
  };
  for (const Case &c : cases) {
    AppOptions->FilterFromStart = c.fromStart;
    AppOptions->FilterWholeWords = c.whole;
    window->e_record->setText(QStringLiteral("ann"));
    window->RefilterCards();  // the options changed under an unchanged filter text
    EXPECT_EQ(filtered(), c.expected) << c.fromStart << c.whole;
    EXPECT_EQ(window->lw_List->model()->rowCount(), c.expected.size());
    EXPECT_EQ(window->pn_Header->text(), c.expected.first());
    window->e_record->clear();
  }
}

TEST_F(ListWindowTest, EscRestoresAllCardsWithTheFirstShown) {
  cards({"delta", "alpha", "charlie", "bravo"});
  window->e_record->setText(QStringLiteral("ar"));
  EXPECT_EQ(filtered(), QStringList({"charlie"}));
  EXPECT_TRUE(window->b_Filter->isEnabled());
  window->SelectCard(0);
  key(window->e_record, Qt::Key_Escape);
  EXPECT_TRUE(window->e_record->text().isEmpty());
  EXPECT_FALSE(window->b_Filter->isEnabled());
  EXPECT_EQ(filtered(), QStringList({"alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(window->CurrentCardIndex(), 0);
  EXPECT_EQ(ShownCardIndex, 0);
  EXPECT_EQ(window->ShownCard(), cardTitled("alpha"));
  EXPECT_EQ(window->pn_Header->text(), QStringLiteral("alpha"));
  EXPECT_EQ(editorText(), QStringLiteral("body of alpha\r"));
  EXPECT_EQ(window->SelectedCardCount(), 1);
}

TEST_F(ListWindowTest, SortByCreationTimeKeepsTheEditedCard) {
  cards({"delta", "alpha", "charlie"});
  window->SelectCard(1);  // alpha, charlie, delta
  typeIntoEditor(QStringLiteral("charlie edited"));
  EXPECT_TRUE(CardBodyChanged);
  window->SetListSortByTitle(false);  // the options dialog's sort order
  EXPECT_EQ(filtered(), QStringList({"delta", "alpha", "charlie"}));
  EXPECT_EQ(bodyText(cardTitled("charlie")), QStringLiteral("charlie edited"));
  EXPECT_EQ(bodyText(cardTitled("delta")), QStringLiteral("body of delta\r"));
  EXPECT_EQ(window->CurrentCardIndex(), 0);  // a re-sort starts again at the first card
}

TEST_F(ListWindowTest, EnterOffersToAddACardNamedAfterTheFilter) {
  cards({"alpha"});
  window->e_record->setText(QStringLiteral("Zed & Co"));
  ASSERT_TRUE(FilteredCards.IsEmpty());

  ui.answerButton(IDYES);
  key(window->e_record, Qt::Key_Return);
  // The message box shows its text as it stands: the ampersand is not doubled.
  ASSERT_EQ(ui.messageTexts(), QStringList({"Add Card \"Zed & Co\"?"}));
  EXPECT_EQ(window->added, QStringList({"Zed & Co"}));

  ui.clear();
  ui.answerButton(IDNO);
  key(window->e_record, Qt::Key_Enter);
  EXPECT_EQ(ui.messageTexts().size(), 1);
  EXPECT_TRUE(window->e_record->text().isEmpty());
  EXPECT_EQ(window->added.size(), 1);
  EXPECT_EQ(filtered(), QStringList({"alpha"}));

  // A filter with matches, or the lock, asks nothing.
  ui.clear();
  window->e_record->setText(QStringLiteral("al"));
  key(window->e_record, Qt::Key_Return);
  window->e_record->setText(QStringLiteral("nothing"));
  action("a_Lock")->setChecked(true);
  window->UpdateEditMenu();
  key(window->e_record, Qt::Key_Return);
  EXPECT_TRUE(ui.prompts().empty());
  EXPECT_EQ(window->e_record->text(), QStringLiteral("nothing"));
}

TEST_F(ListWindowTest, TypingInTheListSearchesTitlesWithWrap) {
  cards({"alpha", "bravo", "beta", "charlie"});  // shown: alpha beta bravo charlie
  window->lw_List->setCurrentIndex(window->lw_List->model()->index(3, 0));
  window->lw_List->keyboardSearch(QStringLiteral("b"));
  EXPECT_EQ(window->CurrentCardIndex(), 1);  // wrapped past the end
  EXPECT_EQ(window->ShownCard(), cardTitled("beta"));
  window->lw_List->keyboardSearch(QStringLiteral("r"));  // "br"
  EXPECT_EQ(window->CurrentCardIndex(), 2);
}

TEST_F(ListWindowTest, InPlaceRenameGoesToTheCardCommand) {
  cards({"alpha", "beta"});
  TCrdPtr beta = cardTitled("beta");
  auto *model = window->lw_List->model();
  EXPECT_TRUE(model->flags(model->index(1, 0)) & Qt::ItemIsEditable);
  model->setData(model->index(1, 0), QStringLiteral("gamma"));
  QApplication::processEvents();
  ASSERT_EQ(window->renamed.size(), 1);
  EXPECT_EQ(window->renamed[0].first, beta.get());
  EXPECT_EQ(window->renamed[0].second, QStringLiteral("gamma"));
  action("a_Lock")->setChecked(true);
  EXPECT_FALSE(model->flags(model->index(1, 0)) & Qt::ItemIsEditable);
}

TEST_F(ListWindowTest, ListKeysRunTheCardCommandsUnlessATitleIsEdited) {
  cards({"alpha", "bravo"});
  QStringList ran;
  // Only the routing is tested here: the commands themselves are the card group's.
  for (const char *name : {"a_PasteList", "a_CopyList", "a_CutList", "a_DeleteList", "a_Add"}) {
    QObject::disconnect(action(name), &QAction::triggered, nullptr, nullptr);
    QObject::connect(action(name), &QAction::triggered, [&ran, name] { ran << QString::fromLatin1(name); });
  }
  action("a_DeleteList")->setEnabled(true);
  key(window->lw_List, Qt::Key_V, Qt::ControlModifier);
  key(window->lw_List, Qt::Key_C, Qt::ControlModifier);
  key(window->lw_List, Qt::Key_X, Qt::ControlModifier);
  key(window->lw_List, Qt::Key_Delete);
  key(window->lw_List, Qt::Key_F7);
  key(window->e_record, Qt::Key_F7);
  EXPECT_EQ(ran, QStringList({"a_PasteList", "a_CopyList", "a_CutList", "a_DeleteList", "a_Add", "a_Add"}));
  ran.clear();
  window->TitleEditing = true;
  key(window->lw_List, Qt::Key_V, Qt::ControlModifier);
  key(window->lw_List, Qt::Key_Delete);
  EXPECT_TRUE(ran.isEmpty());
}
