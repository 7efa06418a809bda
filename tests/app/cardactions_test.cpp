// Card actions: the text rules as tables, then the action text, the phone
// number of a card, dialling through a recorded dial command and the
// hand-offs to the desktop through the scripted UiServices.

#include "app/cardactions.h"
#include "app/dlg_dial.h"
#include "app/mainbars.h"
#include "cardcommands_fixture.h"
#include "platform/telephony.h"
#include "settings/fontvalue.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmedititem.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QElapsedTimer>
#include <QToolButton>

using namespace qel;
using qel::test::Answer;
using qel::test::CardCommandsTest;

namespace {

TEST(CardActionText, IsPhoneNumber) {
  const struct {
    const char *text;
    int min;
    bool phone;
  } cases[] = {
      {"12 3456 7890", 3, true}, {"12 3456 7890", 6, true}, {"123", 3, true},  {"123", 6, false},
      {"  123  ", 3, true},      {"+44 (20) 1234567", 6, true}, {"*#,-./[]{}", 3, true}, {"12a4", 3, false},
      {"1\t23", 3, false},       {"", 0, true},             {"12\xC2\xB3", 3, false},
  };
  for (const auto &c : cases) EXPECT_EQ(IsPhoneNumber(QString::fromUtf8(c.text), c.min), c.phone) << c.text << " " << c.min;
}

TEST(CardActionText, ExtractPhoneNumber) {
  const struct {
    const char *text;
    int min;
    const char *before;
    const char *result;
  } cases[] = {
      {"Tel: +44 (20) 1234567", 3, "", "+44"},
      {"Tel: +44 (20) 1234567", 2, "", "+44"},
      {"Tel: +44 (20) 1234567", 6, "", "1234567"},
      {"call 555-1234;later", 6, "", "555-1234"},
      {"no number here", 6, "old", ""},
      {"--- 1234567 ---", 6, "old", "old"},  // a line with "---" leaves the result alone
      {"1234567", 6, "", "1234567"},
      {"x\t12345678\ty", 6, "", "12345678"},
  };
  for (const auto &c : cases) {
    QString result = QString::fromUtf8(c.before);
    ExtractPhoneNumber(QString::fromUtf8(c.text), c.min, result);
    EXPECT_EQ(result, QString::fromUtf8(c.result)) << c.text << " " << c.min;
  }
}

TEST(CardActionText, KeypadDigitsUrlsAndTheChosenAction) {
  EXPECT_EQ(LettersToKeypadDigits("1-800-CARDS"), "1-800-22737");
  EXPECT_EQ(LettersToKeypadDigits("abc def ghi jkl mno pqrs tuv wxyz"), "222 333 444 555 666 7777 888 9999");
  for (const char *url : {"http://x", "HTTPS://x.org", "www.a", "WwW.b"}) EXPECT_TRUE(IsURL(url)) << url;
  for (const char *no : {"WWW.", "http:", "https:", "ftp://x", "see www.a", ""}) EXPECT_FALSE(IsURL(no)) << no;

  const struct {
    const char *text;
    CardAction action;
  } choices[] = {
      {"www.example.com", CardAction::BrowseWWW}, {"http://a@b", CardAction::BrowseWWW},
      {"ann@example.com", CardAction::SendEMail}, {"@ann", CardAction::GoToCard},
      {"12 3456 7890", CardAction::Dial},         {"123", CardAction::Dial},
      {"12", CardAction::GoToCard},               {"Shopping list", CardAction::GoToCard},
  };
  for (const auto &c : choices) EXPECT_EQ(ActionForText(c.text), c.action) << c.text;
}

TEST(CardActionText, WordAtCaretExtendsAroundTheSelectionItself) {
  const QString line = QStringLiteral("mail ann@x.org or ann@y.org\tnow");
  EXPECT_EQ(WordAtCaret(line, 5, 3), "ann@x.org");
  // The second "ann" is selected: the word around it, not around the first one.
  EXPECT_EQ(WordAtCaret(line, 18, 3), "ann@y.org");
  EXPECT_EQ(WordAtCaret(line, 9, 0), "");
  EXPECT_EQ(WordAtCaret(line, 28, 3), "now");
  EXPECT_EQ(WordAtCaret(QStringLiteral("caf\u00e9-bar x"), 1, 1), QStringLiteral("caf\u00e9-bar"));
}

TEST(CardActionText, HandOffForms) {
  EXPECT_EQ(MailtoAddress("a@b"), "mailto:a@b");
  EXPECT_EQ(MailtoAddress("MAILTO:a@b"), "MAILTO:a@b");
  EXPECT_EQ(MailtoAddress("MailTo:a@b"), "MailTo:a@b");
  EXPECT_EQ(TelUrl("+44 (20) 12#3"), "tel:+44%20%2820%29%2012%233");
  EXPECT_EQ(DialCommandLine("\"/opt/my dialer\" --to=%n -t %t", "+1 (2) 3", "Ann %n \"A\""),
            (QStringList{"/opt/my dialer", "--to=+1 (2) 3", "-t", "Ann %n \"A\""}));
  EXPECT_EQ(DialCommandLine("dial 100%", "1", "t"), (QStringList{"dial", "100%"}));
  EXPECT_TRUE(DialCommandLine("  ", "1", "t").isEmpty());
}

// ---------------------------------------------------------------- in the window

class ActionsTest : public CardCommandsTest {
protected:
  void SetUp() override {
    CardCommandsTest::SetUp();
    AppOptions->SavePhoneNr = false;
    argvFile = dir + "/argv";
    qputenv("QEL_ARGV_OUT", argvFile.toLocal8Bit());
    for (const char *v : {"QEL_ARGV_SAY", "QEL_ARGV_WAIT", "QEL_ARGV_EXIT"}) qunsetenv(v);
  }
  void TearDown() override {
    for (const char *v : {"QEL_ARGV_OUT", "QEL_ARGV_SAY", "QEL_ARGV_WAIT", "QEL_ARGV_EXIT"}) qunsetenv(v);
    CardCommandsTest::TearDown();
  }
  TCrdPtr addCard(const char *title, const QByteArray &body, const QString &phone = QString()) {
    auto c = std::make_shared<TCrd>(46000 + AllCards.Count(), QStringLiteral("u%1").arg(AllCards.Count()));
    c->Title = QString::fromUtf8(title);
    c->Phone = phone;
    c->StoreBodyBytes(body);
    AllCards.AddCrd(c);
    return c;
  }
  void show(const char *title) {
    window->RefilterCards();
    for (int i = 0; i < FilteredCards.Count(); ++i)
      if (FilteredCards.Strings(i) == QString::fromUtf8(title)) window->SelectCard(i);
    FileModified = false;
  }
  void typeAction(const QString &text) {
    // As each keystroke in the action text's editor reports it.
    window->e_Action->DoChange(nullptr, text);
  }
  QStringList recordedArgs() const {
    QFile f(argvFile);
    if (!f.open(QIODevice::ReadOnly)) return {"<not run>"};
    QStringList out;
    for (const QByteArray &a : f.readAll().split('\0')) out << QString::fromLocal8Bit(a);
    out.removeLast();  // after the last NUL
    return out;
  }
  // Waits until the dial command has ended by itself and its end was reported.
  bool waitForCallEnd() {
    if (!window->dlg_Dial) return true;
    QElapsedTimer t;
    t.start();
    while (window->dlg_Dial->lbl_State->text().isEmpty() && t.elapsed() < 10000)
      QApplication::processEvents(QEventLoop::AllEvents, 50);
    return !window->dlg_Dial->lbl_State->text().isEmpty();
  }
  QString dialCommand() const { return QStringLiteral("\"" QEL_ARGV_HOST "\" %n --title %t"); }

  QString argvFile;
};

TEST_F(ActionsTest, TheActionFontSetsTheActionTextsFontSettings) {
  using toolbars::TTriState;
  TFont font = DefaultFont();
  window->ApplyActionFont(font);
  const toolbars::TFontSettings &settings = window->e_Action->FontSettings();
  EXPECT_EQ(settings.Size(), 100) << "the default size is the toolbars' own";
  EXPECT_EQ(settings.Bold(), TTriState::tsFalse);
  EXPECT_EQ(settings.Name(), font.Name);
  font.Size = DefaultFont().Size * 3 / 2;
  font.Style = fsBold | fsStrikeOut;
  font.Color = clNavy;
  window->ApplyActionFont(font);
  EXPECT_EQ(settings.Size(), font.Size * 100 / DefaultFont().Size);
  EXPECT_EQ(settings.Bold(), TTriState::tsTrue);
  EXPECT_EQ(settings.Italic(), TTriState::tsFalse);
  EXPECT_EQ(settings.StrikeOut(), TTriState::tsTrue);
  EXPECT_EQ(settings.Color(), clNavy);
}

TEST_F(ActionsTest, TheActionTextChoosesTheButtonsCommandAndWidth) {
  addCard("a", "x");
  show("a");
  const struct {
    const char *text;
    const char *action;
  } cases[] = {{"www.example.com", "a_BrowseWWW"}, {"ann@example.com", "a_SendEMail"},
               {"555 1234", "a_Dial"},             {"Groceries", "a_GoToCard"}};
  // Each action shows a picture of its own on the button (none is a blank square).
  QList<QImage> pictures;
  auto blank = [](const QImage &image) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qAlpha(image.pixel(x, y)) != 0) return false;
    return true;
  };
  for (const auto &c : cases) {
    typeAction(QString::fromLatin1(c.text));
    EXPECT_EQ(window->b_ActionCommand, c.action) << c.text;
    EXPECT_TRUE(window->b_Action->Enabled());
    EXPECT_EQ(window->e_Action->Text(), c.text);
    EXPECT_EQ(window->e_Action->EditWidth(), window->fontMetrics().horizontalAdvance(c.text) + 20);
    const QImage picture = window->actions().images()->Image(window->b_Action->ImageIndex());
    EXPECT_FALSE(blank(picture)) << c.text;
    EXPECT_FALSE(pictures.contains(picture)) << c.text;
    pictures << picture;
  }
  const QImage run = window->actions().images()->Image(action("a_RunApplication")->property("ImageIndex").toInt());
  EXPECT_FALSE(run.isNull() || blank(run));
  EXPECT_FALSE(pictures.contains(run));
  typeAction(QString());
  EXPECT_FALSE(window->b_Action->Enabled());
  AppOptions->FixedActionBar = true;
  AppOptions->ActionBarWidth = 123;
  typeAction(QStringLiteral("a much longer action text than before"));
  EXPECT_EQ(window->e_Action->EditWidth(), 123);
  // The button runs the chosen command.
  typeAction(QStringLiteral("Groceries"));
  window->b_Action->Click();
  EXPECT_EQ(window->e_record->text(), "Groceries");
}

TEST_F(ActionsTest, PhoneNumberOfCardTakesItsSourcesInOrder) {
  AppOptions->SpeedDialPrefix = QStringLiteral("Tel:");
  AppOptions->SpeedDialLength = 6;
  AppOptions->DetectPhNrFromTitle = true;
  addCard("stored", "Tel: 111 111\r\n222 2222\r\n", QStringLiteral("999 9999"));
  addCard("title 333-3333", "Tel: 111 111\r\n222-2222\r\n");
  addCard("prefix", "--- 555-5555\r\nnotes\r\nTEL: 444 4444 ext 5\r\n222-2222\r\n");
  addCard("line", "--- 555-5555\r\nnotes 222 2222 x 333-3333\r\n");
  addCard("none", "--- 555-5555\r\n12\r\n");
  const struct {
    const char *title;
    const char *phone;
  } cases[] = {{"stored", "999 9999"}, {"title 333-3333", "333-3333"}, {"prefix", " 444 4444 ext 5"},
               {"line", "333-3333"}, {"none", ""}};  // a line with "---" gives nothing
  for (const auto &c : cases) {
    show(c.title);
    EXPECT_EQ(window->PhoneNumberOfCard(), QString::fromLatin1(c.phone)) << c.title;
    EXPECT_EQ(window->e_Action->Text(), QString::fromLatin1(c.phone)) << c.title;
  }
  AppOptions->DetectPhNrFromTitle = false;
  AppOptions->SpeedDialPrefix.clear();
  show("prefix");
  EXPECT_EQ(window->PhoneNumberOfCard(), "222-2222");  // the first line with a number of 6
}

TEST_F(ActionsTest, TheDialCommandGetsTheNumberAndTitleAsSingleArguments) {
  AppOptions->DialCommand = dialCommand();
  AppOptions->DialPrefix = QStringLiteral("0 ");
  AppOptions->DialLetters = true;
  addCard("Ann's \"office\" line", "x");
  show("Ann's \"office\" line");
  typeAction(QStringLiteral("+44 (20) CALL-ME"));
  window->a_DialExecute();
  ASSERT_TRUE(window->dlg_Dial);
  EXPECT_EQ(window->dlg_Dial->lbl_ID->text(), "Dialing to: Ann's \"office\" line");
  EXPECT_EQ(window->dlg_Dial->lbl_PhoneNr->text(), "Phone number: 0 +44 (20) 2255-63");
  ASSERT_TRUE(waitForCallEnd());
  EXPECT_EQ(recordedArgs(), (QStringList{"0 +44 (20) 2255-63", "--title", "Ann's \"office\" line"}));
  EXPECT_EQ(window->dlg_Dial->lbl_State->text(), "Call ended.");
}

TEST_F(ActionsTest, AFailedDialCommandSaysWhy) {
  addCard("a", "x");
  show("a");
  typeAction(QStringLiteral("555 1234"));
  AppOptions->DialCommand = dialCommand();
  qputenv("QEL_ARGV_EXIT", "3");
  qputenv("QEL_ARGV_SAY", "line busy");
  window->a_DialExecute();
  ASSERT_TRUE(waitForCallEnd());
  EXPECT_EQ(window->dlg_Dial->lbl_State->text(), "Disconnected: line busy");
  qunsetenv("QEL_ARGV_SAY");
  window->a_DialExecute();
  ASSERT_TRUE(waitForCallEnd());
  EXPECT_EQ(window->dlg_Dial->lbl_State->text(), "Disconnected: the dial command ended with code 3");

  AppOptions->DialCommand = "\"" + dir + "/no such dialer\" %n";
  window->a_DialExecute();
  EXPECT_TRUE(window->dlg_Dial->lbl_State->text().startsWith("Disconnected: cannot start " + dir + "/no such"))
      << window->dlg_Dial->lbl_State->text().toStdString();

  AppOptions->DialCommand.clear();
  window->a_DialExecute();
  EXPECT_TRUE(window->dlg_Dial->isVisible());
  EXPECT_TRUE(window->dlg_Dial->lbl_State->text().contains("\"Dial command\""));
  // The whole explanation shows: its label gets the height its lines need.
  QApplication::processEvents();
  const QLabel *state = window->dlg_Dial->lbl_State;
  EXPECT_GE(state->height(), state->heightForWidth(state->width()));
  EXPECT_LE(state->geometry().bottom(), window->dlg_Dial->OKBtn->geometry().top());
}

TEST_F(ActionsTest, HangingUpEndsTheCall) {
  addCard("a", "x");
  show("a");
  typeAction(QStringLiteral("555 1234"));
  AppOptions->DialCommand = dialCommand();
  qputenv("QEL_ARGV_WAIT", "20000");
  window->a_DialExecute();
  ASSERT_TRUE(window->dlg_Dial->Line().InCall());
  window->dlg_Dial->OKBtn->click();
  EXPECT_FALSE(window->dlg_Dial->Line().InCall());
  EXPECT_FALSE(window->dlg_Dial->isVisible());
  // Closing the window in another way (Esc) ends a call too.
  window->a_DialExecute();
  ASSERT_TRUE(window->dlg_Dial->Line().InCall());
  window->dlg_Dial->reject();
  EXPECT_FALSE(window->dlg_Dial->Line().InCall());
}

TEST_F(ActionsTest, AltDialHandsATelUrlToTheDesktop) {
  AppOptions->AltDial = true;
  addCard("a", "x");
  show("a");
  typeAction(QStringLiteral("+1 555 #2"));
  ui.answer(Answer::accept(PromptKind::OpenUrl));
  window->a_DialExecute();
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].detail, "tel:+1%20555%20%232");
  EXPECT_FALSE(window->dlg_Dial);
  ui.answer(Answer::cancel(PromptKind::OpenUrl)).answerButton(IDOK);
  window->a_DialExecute();
  EXPECT_EQ(ui.messageTexts(), QStringList{"No program could dial +1 555 #2."});
}

TEST_F(ActionsTest, SavePhoneNumberQuestion) {
  AppOptions->AltDial = true;
  AppOptions->SavePhoneNr = true;
  auto card = addCard("Bob", "no number");
  show("Bob");
  typeAction(QStringLiteral("555 1234"));
  ui.answer(Answer::accept(PromptKind::OpenUrl)).answerButton(IDNO);
  window->a_DialExecute();
  EXPECT_EQ(ui.messageTexts(), QStringList{"Use number 555 1234\r\nas default phone number for\r\nBob"});
  EXPECT_EQ(card->Phone, "");
  EXPECT_FALSE(FileModified);
  ui.answer(Answer::accept(PromptKind::OpenUrl)).answerButton(IDYES);
  window->a_DialExecute();
  EXPECT_EQ(card->Phone, "555 1234");
  EXPECT_TRUE(FileModified);
  // Now the number is the card's own: no question.
  ui.clear();
  ui.answer(Answer::accept(PromptKind::OpenUrl));
  window->a_DialExecute();
  EXPECT_TRUE(ui.messageTexts().isEmpty());
}

TEST_F(ActionsTest, SetAndResetPhoneNumberAndTheirEnabling) {
  auto card = addCard("a", "x");
  show("a");
  typeAction(QStringLiteral("555 1234"));
  window->b_ActionPopup();
  EXPECT_TRUE(action("a_SetPhoneNumber")->isEnabled());
  EXPECT_FALSE(action("a_ResetPhoneNumber")->isEnabled());
  action("a_SetPhoneNumber")->trigger();
  EXPECT_EQ(card->Phone, "555 1234");
  EXPECT_TRUE(FileModified);
  window->b_ActionPopup();
  EXPECT_FALSE(action("a_SetPhoneNumber")->isEnabled());
  EXPECT_TRUE(action("a_ResetPhoneNumber")->isEnabled());
  action("a_ResetPhoneNumber")->trigger();
  EXPECT_EQ(card->Phone, "");
}

TEST_F(ActionsTest, MailAndWebGoToTheDesktopOrTheChosenPrograms) {
  addCard("a", "x");
  show("a");
  ui.answer(Answer::accept(PromptKind::OpenUrl))
      .answer(Answer::accept(PromptKind::OpenUrl))
      .answer(Answer::accept(PromptKind::OpenUrl));
  window->SendEMailTo("ann@x.org");
  window->SendEMailTo("MAILTO:ann@x.org");
  window->BrowseTo("www.x.org");
  ASSERT_EQ(ui.prompts().size(), 3u);
  EXPECT_EQ(ui.prompts()[0].detail, "mailto:ann@x.org");
  EXPECT_EQ(ui.prompts()[1].detail, "MAILTO:ann@x.org");
  EXPECT_EQ(ui.prompts()[2].detail, "www.x.org");

  ui.clear();
  AppOptions->AltEmail = true;
  AppOptions->AltEmailClient = QStringLiteral("/usr/bin/mailer");
  AppOptions->BeforeEmail = QStringLiteral("-to ");
  AppOptions->AltWWW = true;
  AppOptions->AltWWWClient = QStringLiteral("/usr/bin/browser");
  ui.answer(Answer::accept(PromptKind::StartProgram)).answer(Answer::accept(PromptKind::StartProgram));
  window->SendEMailTo("ann@x.org; rm -rf x");
  window->BrowseTo("www.x.org");
  ASSERT_EQ(ui.prompts().size(), 2u);
  EXPECT_EQ(ui.prompts()[0].detail, "/usr/bin/mailer");
  EXPECT_EQ(ui.prompts()[0].arguments, QStringList{"-to ann@x.org; rm -rf x"});
  EXPECT_EQ(ui.prompts()[1].arguments, QStringList{"www.x.org"});

  // Nothing could take it: the user is told.
  ui.clear();
  AppOptions->AltEmail = false;
  ui.answer(Answer::cancel(PromptKind::OpenUrl)).answerButton(IDOK);
  window->SendEMailTo("ann@x.org");
  EXPECT_EQ(ui.messageTexts(), QStringList{"No program could open mailto:ann@x.org."});
}

TEST_F(ActionsTest, LinkClicksOpenAddressesAndAskAboutAnythingElse) {
  addCard("a", "x");
  show("a");
  ui.answer(Answer::accept(PromptKind::OpenUrl)).answer(Answer::accept(PromptKind::OpenUrl));
  window->m_CardURLClick("http://x.org/a", Qt::LeftButton);
  window->m_CardURLClick("mailto:ann@x.org", Qt::LeftButton);
  window->m_CardURLClick("http://x.org/b", Qt::RightButton);  // left button only
  ASSERT_EQ(ui.prompts().size(), 2u);
  EXPECT_EQ(ui.prompts()[0].detail, "http://x.org/a");
  EXPECT_EQ(ui.prompts()[1].detail, "mailto:ann@x.org");

  ui.clear();
  ui.answerButton(IDNO);
  window->m_CardURLClick("file:///usr/bin/xterm", Qt::LeftButton);
  ASSERT_EQ(ui.prompts().size(), 1u);  // asked, nothing opened
  EXPECT_EQ(ui.prompts()[0].text, "Open \"file:///usr/bin/xterm\"?");
  ui.answerButton(IDYES).answer(Answer::accept(PromptKind::OpenUrl));
  window->m_CardURLClick("file:///usr/bin/xterm", Qt::LeftButton);
  EXPECT_EQ(ui.prompts().back().kind, PromptKind::OpenUrl);
  EXPECT_EQ(ui.prompts().back().detail, "file:///usr/bin/xterm");
}

TEST_F(ActionsTest, AClickOnALinkInTheCard) {
  addCard("a", "see http://x.org/page now\r\n");
  show("a");
  window->resize(800, 600);
  window->show();
  QApplication::processEvents();
  re::RichEditControl *e = window->m_Card;
  QTextCursor at(e->document());
  at.setPosition(8);
  const QPoint p = e->cursorRect(at).center();
  ui.answer(Answer::accept(PromptKind::OpenUrl));
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent m(t, p, e->viewport()->mapToGlobal(p), Qt::LeftButton,
                  t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(e->viewport(), &m);
  }
  QApplication::processEvents();
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].detail, "http://x.org/page");
}

TEST_F(ActionsTest, RunApplicationAsksFirstAndStartsWithoutAShell) {
  addCard("a", "x");
  show("a");
  typeAction(QStringLiteral("/usr/bin/editor \"my notes.txt\"; rm x"));
  ui.answerButton(IDNO);
  action("a_RunApplication")->trigger();
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].text, "Run this program?\r\n/usr/bin/editor \"my notes.txt\"; rm x");
  ui.clear();
  ui.answerButton(IDYES).answer(Answer::accept(PromptKind::StartProgram));
  action("a_RunApplication")->trigger();
  ASSERT_EQ(ui.prompts().size(), 2u);
  EXPECT_EQ(ui.prompts()[1].detail, "/usr/bin/editor");
  EXPECT_EQ(ui.prompts()[1].arguments, (QStringList{"my notes.txt;", "rm", "x"}));
}

TEST_F(ActionsTest, SelectingTextPutsTheWordAroundItIntoTheActionText) {
  addCard("a", "call 0123 456789 or mail ann@x.org\r\n");
  show("a");
  window->m_Card->setSel(26, 29);  // "ann"
  EXPECT_EQ(window->e_Action->Text(), "ann@x.org");
  EXPECT_EQ(window->b_ActionCommand, "a_SendEMail");
  action("a_GoToCard")->trigger();
  EXPECT_EQ(window->e_record->text(), "ann@x.org");
}

} // namespace
