#include "tests/app/list_fixture.h"

using namespace qel;
using namespace qel::test;

TEST_F(ListWindowTest, EditsSurviveMovingAwayAndBack) {
  cards({"alpha", "bravo", "charlie"});
  EXPECT_EQ(editorText(), QStringLiteral("body of alpha\r"));
  typeIntoEditor(QStringLiteral("alpha, edited"));
  EXPECT_TRUE(CardBodyChanged);
  EXPECT_TRUE(FileModified);
  action("ac_Next")->trigger();
  EXPECT_FALSE(CardBodyChanged);
  EXPECT_EQ(editorText(), QStringLiteral("body of bravo\r"));
  EXPECT_GT(cardTitled("alpha")->LastOpen, 0);
  action("ac_First")->trigger();
  EXPECT_EQ(editorText(), QStringLiteral("alpha, edited"));
  EXPECT_EQ(cardTitled("bravo")->LastOpen, 0);  // only the edited card is stamped

  // Leaving by a refilter stores too, before the list changes.
  typeIntoEditor(QStringLiteral("alpha again"));
  window->e_record->setText(QStringLiteral("char"));
  EXPECT_EQ(window->ShownCard(), cardTitled("charlie"));
  window->e_record->clear();
  EXPECT_EQ(editorText(), QStringLiteral("alpha again"));

  // An emptied card keeps the stored empty body.
  typeIntoEditor(QString());
  window->StoreCurrentCard();
  EXPECT_EQ(cardTitled("alpha")->BodyBytes(), EmptyBody());
}

TEST_F(ListWindowTest, EditIsStoredIntoTheCardItWasMadeOnWhenTheListChanges) {
  cards({"alpha", "bravo", "charlie"});
  window->SelectCard(1);
  typeIntoEditor(QStringLiteral("bravo edited"));
  // Another card is added in front without a refilter: index 1 now is "alpha".
  auto aaa = std::make_shared<TCrd>(1, QStringLiteral("u"));
  aaa->Title = QStringLiteral("aaa");
  aaa->StoreBodyBytes("aaa body\r\n");
  AllCards.AddCrd(aaa);
  FilteredCards.InsertObject(0, aaa->Title, aaa);
  window->RefilterCards();
  EXPECT_EQ(bodyText(cardTitled("bravo")), QStringLiteral("bravo edited"));
  EXPECT_EQ(cardTitled("alpha")->BodyText(), QByteArray("body of alpha\r\n"));
  EXPECT_EQ(aaa->BodyText(), QByteArray("aaa body\r\n"));
}

TEST_F(ListWindowTest, CardDeletedWhileItsEditIsPending) {
  cards({"alpha", "bravo", "charlie"});
  window->SelectCard(1);
  typeIntoEditor(QStringLiteral("bravo edited"));
  const qint64 bodySize = CurrentBodyFile().size();
  TCrdPtr bravo = cardTitled("bravo");
  AllCards.Delete(AllCards.IndexOfObject(bravo.get()));
  window->RefilterCards();  // index 1 is "charlie" now
  EXPECT_EQ(filtered(), QStringList({"alpha", "charlie"}));
  EXPECT_EQ(cardTitled("charlie")->BodyText(), QByteArray("body of charlie\r\n"));
  EXPECT_EQ(cardTitled("alpha")->BodyText(), QByteArray("body of alpha\r\n"));
  EXPECT_EQ(CurrentBodyFile().size(), bodySize);  // nothing written for the deleted card
  EXPECT_FALSE(CardBodyChanged);
  EXPECT_EQ(window->ShownCard(), cardTitled("alpha"));
  EXPECT_EQ(editorText(), QStringLiteral("body of alpha\r"));
}

TEST_F(ListWindowTest, EmptyListShowsNoCardAndClearsTheEditor) {
  cards({"alpha", "bravo"});
  window->e_record->setText(QStringLiteral("zzz"));
  EXPECT_EQ(window->ShownCard(), nullptr);
  EXPECT_EQ(ShownCardIndex, -1);
  EXPECT_EQ(window->CurrentCard(), nullptr);
  EXPECT_TRUE(editorText().isEmpty());
  EXPECT_TRUE(window->pn_Header->text().isEmpty());
  EXPECT_FALSE(window->m_Card->isVisibleTo(window.get()));
  for (const char *a : {"ac_First", "ac_Previous", "ac_Next", "ac_Last"}) EXPECT_FALSE(action(a)->isEnabled()) << a;
  // Whatever lands in the editor now belongs to no card.
  typeIntoEditor(QStringLiteral("stray"));
  window->e_record->clear();
  EXPECT_EQ(cardTitled("alpha")->BodyText(), QByteArray("body of alpha\r\n"));
  EXPECT_EQ(editorText(), QStringLiteral("body of alpha\r"));
}

TEST_F(ListWindowTest, NavigationButtonsFollowThePosition) {
  cards({"a", "b", "c"});
  struct Step {
    const char *action;
    int index;
    bool back, forward;
  };
  const Step steps[] = {
      {"ac_Last", 2, true, false}, {"ac_Next", 2, true, false},    {"ac_Previous", 1, true, true},
      {"ac_First", 0, false, true}, {"ac_Previous", 0, false, true}, {"ac_Next", 1, true, true},
  };
  for (const Step &s : steps) {
    action(s.action)->trigger();
    EXPECT_EQ(window->CurrentCardIndex(), s.index) << s.action;
    EXPECT_EQ(ShownCardIndex, s.index) << s.action;
    EXPECT_EQ(action("ac_First")->isEnabled(), s.back) << s.action;
    EXPECT_EQ(action("ac_Previous")->isEnabled(), s.back) << s.action;
    EXPECT_EQ(action("ac_Next")->isEnabled(), s.forward) << s.action;
    EXPECT_EQ(action("ac_Last")->isEnabled(), s.forward) << s.action;
  }
  window->e_record->setText(QStringLiteral("b"));  // one card: nowhere to go
  for (const char *a : {"ac_First", "ac_Previous", "ac_Next", "ac_Last"}) EXPECT_FALSE(action(a)->isEnabled()) << a;
}

TEST_F(ListWindowTest, StatusPanelsHeaderAndColour) {
  cards({"Tom & Jerry", "alpha", "bravo"});
  TCrdPtr tom = cardTitled("Tom & Jerry");
  tom->Color = 0x0000FF;  // red in the framework's colour value
  tom->LastOpen = 46000.5;
  window->e_record->setText(QStringLiteral("o"));  // bravo, Tom & Jerry
  EXPECT_EQ(panel(0), QStringLiteral("Total: 3"));
  EXPECT_EQ(panel(1), QStringLiteral("Selected: 1"));
  EXPECT_EQ(panel(2), QStringLiteral("Filtered: 2"));
  EXPECT_EQ(panel(3), QString());  // bravo was never changed
  action("ac_Next")->trigger();
  EXPECT_EQ(window->pn_Header->text(), QStringLiteral("Tom & Jerry"));
  EXPECT_TRUE(panel(3).startsWith(QStringLiteral("Card last modified: "))) << panel(3).toStdString();
  EXPECT_TRUE(panel(3).endsWith(QStringLiteral("  12:00:00"))) << panel(3).toStdString();
  EXPECT_EQ(window->m_Card->backgroundColor(), QColor(255, 0, 0));
  action("ac_First")->trigger();
  EXPECT_NE(window->m_Card->backgroundColor(), QColor(255, 0, 0));  // the option's card colour

  window->lw_List->selectAll();
  EXPECT_EQ(panel(1), QStringLiteral("Selected: 2"));
  EXPECT_EQ(window->SelectedCardCount(), 2);
}

TEST_F(ListWindowTest, SelectingTheShownCardAgainDoesNotReload) {
  cards({"alpha", "bravo"});
  typeIntoEditor(QStringLiteral("unsaved"));
  window->lw_List->setCurrentIndex(window->lw_List->model()->index(0, 0));
  EXPECT_TRUE(CardBodyChanged);  // no store and reload happened
  EXPECT_EQ(editorText(), QStringLiteral("unsaved"));
  window->lw_List->setCurrentIndex(window->lw_List->model()->index(1, 0));
  EXPECT_EQ(window->ShownCard(), cardTitled("bravo"));
  EXPECT_EQ(bodyText(cardTitled("alpha")), QStringLiteral("unsaved"));
}

TEST_F(ListWindowTest, UnreadableBodyStillFinishesTheRebuild) {
  cards({"alpha", "bravo"});
  TCrdPtr alpha = cardTitled("alpha");
  alpha->ADR = 1 << 20;  // beyond the end of the body file
  alpha->SIZ = 50;
  EXPECT_ANY_THROW(window->RefilterCards());
  EXPECT_EQ(filtered(), QStringList({"alpha", "bravo"}));
  EXPECT_EQ(window->lw_List->model()->rowCount(), 2);
  EXPECT_EQ(panel(2), QStringLiteral("Filtered: 2"));
  EXPECT_EQ(window->CurrentCardIndex(), 0);
  EXPECT_EQ(window->ShownCard(), alpha);
  EXPECT_TRUE(EditorReady);
  EXPECT_TRUE(editorText().isEmpty());  // never the previous card's text
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Typing replaces the unreadable body of that card.
  typeIntoEditor(QStringLiteral("new alpha"));
  action("ac_Next")->trigger();
  EXPECT_EQ(bodyText(alpha), QStringLiteral("new alpha"));
  EXPECT_EQ(bodyText(cardTitled("bravo")), QStringLiteral("body of bravo\r"));
}

TEST_F(ListWindowTest, KeysMoveTheFocusBetweenFilterListAndEditor) {
  cards({"alpha", "bravo"});
  window->show();
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  window->e_record->setFocus();
  key(window->e_record, Qt::Key_Down);
  EXPECT_TRUE(window->lw_List->hasFocus());
  key(window->lw_List, Qt::Key_Return);
  EXPECT_TRUE(window->m_Card->hasFocus());
  key(window->m_Card, Qt::Key_F6);
  EXPECT_TRUE(window->e_record->hasFocus());
  key(window->e_record, Qt::Key_F6);
  EXPECT_TRUE(window->lw_List->hasFocus());
  key(window->lw_List, Qt::Key_F6);
  EXPECT_TRUE(window->m_Card->hasFocus());
}
