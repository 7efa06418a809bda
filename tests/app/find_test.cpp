// Find and replace across cards: the find and replace dialogs driven as the
// user does, against cards whose bodies are searched without being loaded.

#include "app/cardsearch.h"
#include "app/dlg_find.h"
#include "app/progress.h"
#include "app/searchprogress.h"
#include "cardcommands_fixture.h"
#include "platform/richedit/textsearch.h"
#include "toolbars/paint/thmedititem.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include "toolbars/qt/tbtoolbar.h"

#include <algorithm>
#include <set>
#include <vector>

using namespace qel;
using qel::test::CardCommandsTest;

namespace {

class FindTest : public CardCommandsTest {
protected:
  // Cards with these titles and plain bodies, in this order (the list sorts by title).
  void cardsWithBodies(std::initializer_list<std::pair<const char *, const char *>> cards) {
    double created = 46000;
    for (const auto &[title, body] : cards) {
      created += 1;
      auto c = std::make_shared<TCrd>(created, QStringLiteral("u%1").arg(created));
      c->Title = QString::fromUtf8(title);
      c->StoreBodyBytes(QByteArray(body));
      c->LastOpen = 0;
      AllCards.AddCrd(c);
    }
    window->RefilterCards();
    FileModified = false;
  }
  void find(const QString &text, bool matchCase = false, bool wholeWord = false) {
    window->a_CardFindExecute();
    window->dlgFind->e_Find->setText(text);
    window->dlgFind->chb_MatchCase->setChecked(matchCase);
    window->dlgFind->chb_WholeWord->setChecked(wholeWord);
    window->dlgFindFind();
  }
  void openReplace(const QString &text, const QString &with) {
    window->a_CardReplaceExecute();
    window->dlgReplace->e_Find->setText(text);
    window->dlgReplace->e_Replace->setText(with);
  }
  QString currentTitle() const {
    const TCrd *c = window->CurrentCard();
    return c ? c->Title : QString();
  }
  QString selection() const { return window->m_Card->selText(); }
  int selStart() const { return window->m_Card->selStart(); }
  toolbars::TTbrCustomItem *actionTextItem() const { return window->e_Action; }
};

TEST_F(FindTest, AHitInATitleOnlySelectsThatCardWithNoTextSelected) {
  cardsWithBodies({{"alpha", "first"}, {"beta Gamma", "second"}, {"delta", "third"}});
  find(QStringLiteral("gamma"));
  EXPECT_EQ(currentTitle(), "beta Gamma");
  EXPECT_EQ(window->m_Card->selLength(), 0);
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(FindTest, FindGoesFromHitToHitThenAsksAndNoDisablesFindNext) {
  cardsWithBodies({{"a", "x needle y needle"}, {"b", "nothing"}, {"c", "the needle"}, {"d", "none"}});
  find(QStringLiteral("needle"));
  EXPECT_EQ(currentTitle(), "a");
  EXPECT_EQ(selStart(), 2);
  EXPECT_EQ(selection(), "needle");
  window->dlgFindFind();
  EXPECT_EQ(currentTitle(), "a");
  EXPECT_EQ(selStart(), 11);
  QAction *next = action("a_CardFindNext");
  next->trigger();  // F3
  EXPECT_EQ(currentTitle(), "c");
  EXPECT_EQ(selStart(), 4);
  ui.answerButton(IDNO);
  next->trigger();
  ASSERT_EQ(ui.messageTexts(),
            QStringList{"Qel Moravine has finished searching cards. \r\nSearch again from beginning?"});
  EXPECT_EQ(ui.prompts().back().flags, unsigned(MB_YESNO | MB_ICONQUESTION));
  EXPECT_FALSE(next->isEnabled());
  // Every card was passed: the last one is the current card, as if each had been shown.
  EXPECT_EQ(currentTitle(), "d");
  // A new search from the dialog enables it again.
  window->a_CardFindExecute();
  EXPECT_TRUE(next->isEnabled());
}

// The find dialog keeps the focus, so the hit must show in an editor that has
// not got it: the inactive highlight is painted, in the editor's own colours.
TEST_F(FindTest, TheHitIsHighlightedWhileTheEditorHasNoFocus) {
  cardsWithBodies({{"a", "x needle y"}});
  find(QStringLiteral("needle"));
  ASSERT_EQ(selection(), "needle");
  TReRichEdit &editor = *window->m_Card;
  editor.clearFocus();
  ASSERT_FALSE(editor.hasFocus());
  const QColor highlight = editor.palette().color(QPalette::Inactive, QPalette::Highlight);
  ASSERT_EQ(highlight.alpha(), 255);
  ASSERT_NE(highlight.rgb(), editor.palette().color(QPalette::Inactive, QPalette::Base).rgb());
  const QImage shot = editor.viewport()->grab().toImage();
  int highlighted = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (shot.pixelColor(x, y).rgb() == highlight.rgb()) ++highlighted;
  EXPECT_GT(highlighted, 50);
}

TEST_F(FindTest, YesSearchesAgainFromTheFirstCard) {
  cardsWithBodies({{"a", "needle"}, {"b", "nothing"}});
  find(QStringLiteral("needle"));
  EXPECT_EQ(currentTitle(), "a");
  ui.answerButton(IDYES);
  window->dlgFindFind();
  EXPECT_EQ(currentTitle(), "a");
  EXPECT_EQ(selection(), "needle");
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(FindTest, NoHitAnywhereAsksAgainUntilNo) {
  cardsWithBodies({{"a", "one"}, {"b", "two"}});
  ui.answerButton(IDYES).answerButton(IDNO);
  find(QStringLiteral("absent"));
  EXPECT_EQ(ui.messageTexts().size(), 2);
  EXPECT_EQ(currentTitle(), "b");
  EXPECT_EQ(window->m_Card->selLength(), 0);
}

TEST_F(FindTest, AnEditInTheShownCardIsStoredBeforeTheSearchReadsBodies) {
  cardsWithBodies({{"a", "old text"}, {"b", "other"}});
  window->a_CardFindExecute();  // shows the first card
  window->m_Card->setSel(0, -1);
  window->m_Card->replaceSel(QStringLiteral("zebra stripes"));
  ASSERT_TRUE(CardBodyChanged);
  window->m_Card->setSel(0, -1);  // the search goes on after the whole text
  window->dlgFind->e_Find->setText(QStringLiteral("zebra"));
  ui.answerButton(IDYES);
  window->dlgFindFind();
  EXPECT_EQ(currentTitle(), "a");
  EXPECT_EQ(selection(), "zebra");
  EXPECT_EQ(selStart(), 0);
  EXPECT_EQ(bodyText(*cardTitled("a")), "zebra stripes");
}

TEST_F(FindTest, TheActionsToolbarIsBackAfterTheSearch) {
  cardsWithBodies({{"a", "one"}});
  ASSERT_FALSE(window->Toolbar_Actions->isHidden());
  ui.answerButton(IDNO);
  find(QStringLiteral("absent"));
  EXPECT_FALSE(window->Toolbar_Actions->isHidden());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The search over stored bodies and the editor's own find agree, for plain and RTF bodies.
TEST_F(FindTest, StoredBodiesMatchAsTheEditorMatches) {
  struct Case {
    const char *body;  // stored bytes
    const char16_t *text;
    int flags;
    bool hit;
  };
  const char *rtf = "{\\rtf1\\ansi \\b Bold\\b0  \\u913?lpha end\\par}";
  const Case cases[] = {
      {"Hello world", u"hello", 0, true},
      {"Hello world", u"hello", re::FR_MATCHCASE, false},
      {"Hello world", u"Hello", re::FR_MATCHCASE, true},
      {"helloworld", u"hello", re::FR_WHOLEWORD, false},
      {"say hello, world", u"hello", re::FR_WHOLEWORD, true},
      {"x_hello", u"hello", re::FR_WHOLEWORD, false},
      {"line one\r\nhello\r\nend", u"hello", re::FR_WHOLEWORD, true},
      {"\xC4pfel", u"\u00E4pfel", 0, true},  // legacy code page bytes
      {"\xC4pfel", u"\u00E4pfel", re::FR_MATCHCASE, false},
      {rtf, u"\u03B1lpha", 0, true},
      {rtf, u"bold", re::FR_WHOLEWORD | re::FR_MATCHCASE, false},
      {rtf, u"Bold", re::FR_WHOLEWORD | re::FR_MATCHCASE, true},
      {rtf, u"lpha", re::FR_WHOLEWORD, false},
      {"", u"a", 0, false},
  };
  for (const Case &c : cases) {
    const QByteArray body(c.body);
    const QString needle = QString::fromUtf16(c.text);
    re::RichEditControl editor;
    if (!body.startsWith("{\\rtf") || !editor.streamIn(body, re::SF_RTF)) editor.streamIn(body, re::SF_TEXT);
    const bool editorHit = editor.findText(needle, 0, -1, re::FR_DOWN | c.flags) >= 0;
    const bool storedHit = re::findForward(re::bodySearchText(body), needle, 0, c.flags) >= 0;
    EXPECT_EQ(editorHit, c.hit) << c.body << " / " << needle.toStdString();
    EXPECT_EQ(storedHit, c.hit) << c.body << " / " << needle.toStdString();
  }
}

TEST_F(FindTest, WholeWordAndMatchCaseThroughTheDialog) {
  cardsWithBodies({{"a", "Needles"}, {"b", "needle"}, {"c", "NEEDLE"}});
  find(QStringLiteral("needle"), false, true);
  EXPECT_EQ(currentTitle(), "b");
  window->dlgFindFind();
  EXPECT_EQ(currentTitle(), "c");
  find(QStringLiteral("NEEDLE"), true, false);
  EXPECT_EQ(currentTitle(), "c");
}

TEST(TitleContains, ComparesByUnicodeCaseFolding) {
  EXPECT_TRUE(TitleContains(QStringLiteral("\u00C4pfel und Birnen"), QStringLiteral("\u00E4PFEL")));
  EXPECT_TRUE(TitleContains(QStringLiteral("Stra\u00DFe"), QStringLiteral("STRASSE")));
  EXPECT_TRUE(TitleContains(QStringLiteral("STRASSE"), QStringLiteral("stra\u00DFe")));
  EXPECT_TRUE(TitleContains(QStringLiteral("\u03A9mega"), QStringLiteral("\u03C9")));
  EXPECT_FALSE(TitleContains(QStringLiteral("abc"), QString()));
  EXPECT_FALSE(TitleContains(QStringLiteral("abc"), QStringLiteral("abd")));
}

// Enough cards for many blocks and slices searched side by side, stored in
// the reverse of list order so file order and list order differ.
class ManyCardsScanTest : public FindTest {
protected:
  static constexpr int kCards = 5000;
  void SetUp() override {
    FindTest::SetUp();
    std::vector<std::shared_ptr<TCrd>> cards;
    for (int i = 0; i < kCards; ++i) {
      auto c = std::make_shared<TCrd>(46000 + i, QStringLiteral("u%1").arg(i));
      c->Title = QStringLiteral("card %1").arg(i, 5, 10, QLatin1Char('0'));
      if (titleHits.count(i)) c->Title += QStringLiteral(" NEEDLE");
      c->LastOpen = 0;
      cards.push_back(c);
      AllCards.AddCrd(c);
    }
    for (int i = kCards; i-- > 0;) {
      QByteArray body = "{\\rtf1\\ansi plain text of card " + QByteArray::number(i);
      if (bodyHits.count(i)) body += " \\b need\\b0 le";
      body += "\\par}";
      cards[size_t(i)]->StoreBodyBytes(body);
    }
    window->RefilterCards();
    ASSERT_EQ(FilteredCards.Count(), kCards);
  }
  const std::set<int> bodyHits{3, 700, 701, 2047, 2048, 4999};
  const std::set<int> titleHits{1500, 4000};
};

TEST_F(ManyCardsScanTest, TheFirstHitInListOrderWinsAndEveryHitIsVisitedInOrder) {
  std::vector<int> all(bodyHits.begin(), bodyHits.end());
  all.insert(all.end(), titleHits.begin(), titleHits.end());
  std::sort(all.begin(), all.end());
  for (bool everyHit : {false, true}) {
    TCardScanner scanner(QStringLiteral("needle"), 0, everyHit);
    std::vector<int> seen;
    std::vector<bool> inTitle;
    for (int from = 0;;) {
      const TCardScanner::Hit hit = scanner.next(FilteredCards, from, true);
      if (hit.index < 0) break;
      seen.push_back(hit.index);
      inTitle.push_back(hit.inTitle);
      from = hit.index + 1;
    }
    EXPECT_EQ(seen, all) << "every hit kept: " << everyHit;
    for (size_t k = 0; k < seen.size(); ++k) EXPECT_EQ(inTitle[k], titleHits.count(seen[k]) > 0) << seen[k];
  }
  // Without titles, and from a card in the middle of a block.
  TCardScanner bodies(QStringLiteral("needle"), 0, true);
  EXPECT_EQ(bodies.next(FilteredCards, 1400, false).index, 2047);
  EXPECT_EQ(bodies.next(FilteredCards, 702, false).index, 2047);
  EXPECT_EQ(bodies.next(FilteredCards, 4, false).index, 700);
}

TEST_F(ManyCardsScanTest, ReplaceAllCountsEveryBodyHitOnce) {
  openReplace(QStringLiteral("needle"), QStringLiteral("pin"));
  ui.answerButton(IDOK);
  window->dlgReplaceReplaceAll();
  EXPECT_EQ(ui.messageTexts(), QStringList{"6 replacements has made."});
  EXPECT_EQ(window->CurrentCardIndex(), 4999);
  EXPECT_EQ(window->m_Card->text(), QStringLiteral("plain text of card 4999 pin"));
}

TEST_F(ManyCardsScanTest, ABodyStoredAfterTheSearchBeganIsRead) {
  TCardScanner scanner(QStringLiteral("needle"), 0, false);
  EXPECT_EQ(scanner.next(FilteredCards, 0, false).index, 3);
  FilteredCards.Objects(10)->StoreBodyBytes("a needle now");
  EXPECT_EQ(scanner.next(FilteredCards, 4, false).index, 10);
}

TEST_F(ManyCardsScanTest, ProgressStopsTheSearch) {
  TCardScanner scanner(QStringLiteral("needle"), 0, false);
  std::vector<int> reached;
  const TCardScanner::Hit hit = scanner.next(FilteredCards, 2049, false, [&](int at) {
    reached.push_back(at);
    return reached.size() < 3;
  });
  EXPECT_TRUE(hit.cancelled);
  EXPECT_EQ(hit.index, -1);
  ASSERT_EQ(reached.size(), 3u);
  EXPECT_EQ(reached.front(), 2049);
  EXPECT_TRUE(std::is_sorted(reached.begin(), reached.end()));
  EXPECT_EQ(scanner.next(FilteredCards, 2049, false).index, 4999);
}

// The search's progress window is gone before the search says how it ended:
// the count of Replace All, "Can not find", the question at the end of Find.
TEST_F(FindTest, TheProgressWindowClosesBeforeTheOutcomeIsSaid) {
  struct WatchingUi : qel::test::ScriptedUi, QObject {
    std::vector<bool> progressUp;
    bool progressShown = false;
    int messageBox(const QString &text, const QString &caption, unsigned flags) override {
      progressUp.push_back(f_progress && f_progress->isVisible());
      return ScriptedUi::messageBox(text, caption, flags);
    }
    bool eventFilter(QObject *o, QEvent *e) override {
      if (e->type() == QEvent::Show && qobject_cast<Tf_progress *>(o)) progressShown = true;
      return false;
    }
  } watching;
  qApp->installEventFilter(&watching);
  const int delay = SearchProgress::ShowAfterMs;
  SearchProgress::ShowAfterMs = 0;  // shown at the first card searched
  cardsWithBodies({{"a", "cat"}, {"b", "dog"}, {"c", "cat"}});
  watching.answerButton(IDOK).answerButton(IDOK).answerButton(IDNO);
  openReplace(QStringLiteral("cat"), QStringLiteral("lion"));
  window->dlgReplaceReplaceAll();
  openReplace(QStringLiteral("xyz"), QStringLiteral("q"));
  window->dlgReplaceFind();
  window->dlgReplace->hide();
  find(QStringLiteral("cow"));
  SearchProgress::ShowAfterMs = delay;
  qApp->removeEventFilter(&watching);
  ASSERT_EQ(watching.messageTexts().size(), 3);
  EXPECT_EQ(watching.messageTexts().at(0), QStringLiteral("2 replacements has made."));
  EXPECT_TRUE(watching.progressShown);
  EXPECT_EQ(watching.progressUp, std::vector<bool>(3, false));
  EXPECT_EQ(f_progress, nullptr);
}

// ---------------------------------------------------------------- replace

TEST_F(FindTest, ReplaceAllOverThreeCardsReportsAndReturnsToTheLastHit) {
  cardsWithBodies({{"a", "cat and cat"}, {"b", "no pets"}, {"c", "cat, cat"}, {"d", "cat cat"}, {"e", "dog"}});
  window->SelectCard(1);
  openReplace(QStringLiteral("cat"), QStringLiteral("lion"));
  ui.answerButton(IDOK);
  window->dlgReplaceReplaceAll();
  EXPECT_EQ(ui.messageTexts(), QStringList{"6 replacements has made."});
  EXPECT_EQ(ui.prompts().back().flags, unsigned(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(window->ReplaceCount, 6);
  EXPECT_EQ(currentTitle(), "d");
  window->SelectCard(0);  // stores the shown card
  EXPECT_EQ(bodyText(*cardTitled("a")), "lion and lion");
  EXPECT_EQ(bodyText(*cardTitled("b")), "no pets");
  EXPECT_EQ(bodyText(*cardTitled("c")), "lion, lion");
  EXPECT_EQ(bodyText(*cardTitled("d")), "lion lion");
  EXPECT_TRUE(FileModified);
  for (const char *t : {"a", "c", "d"}) EXPECT_GT(cardTitled(t)->LastOpen, 0) << t;
  EXPECT_EQ(cardTitled("b")->LastOpen, 0);
  EXPECT_EQ(cardTitled("e")->LastOpen, 0);
  EXPECT_FALSE(action("a_CardFindNext")->isEnabled());
  EXPECT_TRUE(actionTextItem()->Visible());
}

// Replace All leaves the status bar, the edit menu and the action text alone
// while it runs and brings them up to date for the card it returns to; the
// action text does not follow the hits meanwhile.
TEST_F(FindTest, ReplaceAllBringsTheWindowUpToDateForTheCardItReturnsTo) {
  AppOptions->SpeedDialLength = 6;
  cardsWithBodies({{"a", "call 555-1234 cat"}, {"b", "no pets"}, {"c", "cat at 777-8888"}, {"d", "dog"}});
  window->SelectCard(3);
  ASSERT_EQ(window->e_Action->Text(), QString());
  std::vector<QString> actionTexts;
  QObject::connect(window->m_Card, &QTextEdit::selectionChanged, window.get(),
                   [&] { actionTexts.push_back(window->e_Action->Text()); });
  openReplace(QStringLiteral("cat"), QStringLiteral("lion"));  // shows the first card
  const QString before = window->e_Action->Text();
  ASSERT_EQ(before, "555-1234");
  actionTexts.clear();
  ui.answerButton(IDOK);
  window->dlgReplaceReplaceAll();
  EXPECT_EQ(ui.messageTexts(), QStringList{"2 replacements has made."});
  EXPECT_EQ(currentTitle(), "c");
  EXPECT_EQ(window->m_Card->text(), "lion at 777-8888");
  EXPECT_EQ(window->e_Action->Text(), "777-8888");
  EXPECT_EQ(window->StatusPanels[2]->text(), "Filtered: 4");
  EXPECT_EQ(window->StatusPanels[3]->text(), window->CurrentCard()->LastModifiedText());
  EXPECT_FALSE(window->StatusPanels[3]->text().isEmpty());
  // While the cards went by, the action text stayed what it was before the run.
  EXPECT_FALSE(actionTexts.empty());
  for (const QString &t : actionTexts) EXPECT_EQ(t, before) << t.toStdString();
  EXPECT_EQ(bodyText(*cardTitled("a")), "call 555-1234 lion");
}

TEST_F(FindTest, ReplaceWithNoHitReportsAndReturnsToTheCardShownAtTheStart) {
  cardsWithBodies({{"a", "one"}, {"b", "two"}, {"c", "three"}});
  window->SelectCard(2);
  openReplace(QStringLiteral("xyz"), QStringLiteral("q"));
  ui.answerButton(IDOK);
  window->dlgReplaceFind();
  EXPECT_EQ(ui.messageTexts(), QStringList{"Can not find xyz"});
  EXPECT_EQ(currentTitle(), "c");
  EXPECT_FALSE(FileModified);
}

TEST_F(FindTest, ReplaceAfterTheSelectionMovedSearchesFirst) {
  cardsWithBodies({{"a", "red green red"}});
  openReplace(QStringLiteral("red"), QStringLiteral("blue"));
  window->dlgReplaceFind();
  ASSERT_EQ(selection(), "red");
  EXPECT_TRUE(action("a_CardFindNext")->isEnabled());
  window->m_Card->setSel(4, 9);  // the user selects "green"
  window->dlgReplaceReplace();
  EXPECT_EQ(window->m_Card->text(), "red green red");
  EXPECT_EQ(selStart(), 10);
  EXPECT_EQ(selection(), "red");
  ui.answerButton(IDOK);
  window->dlgReplaceReplace();  // now the selection is a hit; no further hit after it
  EXPECT_EQ(ui.messageTexts(), QStringList{"Can not find red"});
  EXPECT_EQ(window->m_Card->text(), "red green blue");
  EXPECT_TRUE(FileModified);
  // A selection matching only without whole word is not a hit under whole word.
  window->m_Card->setText(QStringLiteral("redden red"));
  window->m_Card->setSel(0, 3);
  window->dlgReplace->chb_WholeWord->setChecked(true);
  window->dlgReplaceReplace();
  EXPECT_EQ(window->m_Card->text(), "redden red");
  EXPECT_EQ(selStart(), 7);
}

TEST_F(FindTest, AReplacementHoldingTheFindTextDoesNotLoop) {
  cardsWithBodies({{"a", "a b a"}, {"b", "banana"}});
  openReplace(QStringLiteral("a"), QStringLiteral("aa"));
  ui.answerButton(IDOK);
  window->dlgReplaceReplaceAll();
  EXPECT_EQ(ui.messageTexts(), QStringList{"5 replacements has made."});
  window->SelectCard(0);
  EXPECT_EQ(bodyText(*cardTitled("a")), "aa b aa");
  EXPECT_EQ(bodyText(*cardTitled("b")), "baanaanaa");
}

TEST_F(FindTest, ReplaceAllCountsAHitAlreadySelected) {
  cardsWithBodies({{"a", "x x"}});
  openReplace(QStringLiteral("x"), QStringLiteral("y"));
  window->dlgReplaceFind();
  ASSERT_EQ(selection(), "x");
  ui.answerButton(IDOK);
  window->dlgReplaceReplaceAll();
  EXPECT_EQ(ui.messageTexts(), QStringList{"2 replacements has made."});
  EXPECT_EQ(window->m_Card->text(), "y y");
}

TEST_F(FindTest, LockedCardsAreNotReplaced) {
  cardsWithBodies({{"a", "x x"}});
  openReplace(QStringLiteral("x"), QStringLiteral("y"));
  action("a_Lock")->setChecked(true);
  window->dlgReplaceReplaceAll();
  window->dlgReplaceFind();
  window->dlgReplaceReplace();
  EXPECT_EQ(window->m_Card->text(), "x x");
  EXPECT_FALSE(FileModified);
}

} // namespace
