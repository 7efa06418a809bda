// Add, rename, duplicate, properties, background colour and the whole-file
// reformatting commands.
#include "tests/app/cardcommands_fixture.h"

#include "app/cardproperties.h"
#include "app/dlg_duplicate.h"
#include "app/dlg_fontglobal.h"
#include "settings/fontvalue.h"

#include <QCheckBox>
#include <QLabel>
#include "toolbars/qt/tbtoolbar.h"

using namespace qel;
using namespace qel::test;

namespace {
const QByteArray kRich = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\r\n\\f0 plain {\\b bold}\\par\r\nsecond\\par\r\n}\r\n";
}

TEST_F(CardCommandsTest, AddClearsTheFilterAndShowsTheNewCardWithAStoredEmptyBody) {
  cards({"alpha", "bravo"});
  window->e_record->setText(QStringLiteral("alp"));
  ui.answer(Answer::cancelInput());
  action("a_Add")->trigger();
  EXPECT_EQ(AllCards.Count(), 2);
  EXPECT_FALSE(FileModified);

  ui.answer(Answer::input(QStringLiteral("charlie")));
  action("a_Add")->trigger();
  ASSERT_EQ(ui.prompts().back().caption, "Add New Card");
  EXPECT_EQ(ui.prompts().back().text, "Title:");
  EXPECT_EQ(window->e_record->text(), QString());
  EXPECT_EQ(FilteredCards.Count(), 3);
  TCrd *card = window->CurrentCard();
  ASSERT_TRUE(card);
  EXPECT_EQ(card->Title, "charlie");
  EXPECT_EQ(window->ShownCard().get(), card);
  // Never a card of 0 bytes: it would be dropped by the next open.
  EXPECT_EQ(card->BodyBytes(), EmptyBody());
  EXPECT_EQ(card->Color, kNoColor);
  EXPECT_TRUE(FileModified);

  // An empty title is accepted.
  ui.answer(Answer::input(QString()));
  window->a_AddExecute();
  EXPECT_EQ(AllCards.Count(), 4);
  EXPECT_EQ(window->CurrentCard()->Title, QString());
}

TEST_F(CardCommandsTest, RenameOutOfTheFilterSelectsTheFirstCard) {
  cards({"apple", "apricot", "banana"});
  window->e_record->setText(QStringLiteral("ap"));
  window->SelectCard(1);
  ASSERT_EQ(window->CurrentCard()->Title, "apricot");
  window->UpdateEditMenu();
  ui.answer(Answer::input(QStringLiteral("cherry")));
  action("a_Rename")->trigger();
  EXPECT_EQ(ui.prompts().back().caption, "Rename Card");
  EXPECT_EQ(allTitles(), (QStringList{"apple", "cherry", "banana"}));
  EXPECT_EQ(cardTitled("cherry")->Title, "cherry");
  EXPECT_EQ(FilteredCards.Count(), 1);
  EXPECT_EQ(window->CurrentCard()->Title, "apple");
  EXPECT_TRUE(FileModified);

  // Locked: the command is off and asks nothing.
  action("a_Lock")->setChecked(true);
  window->a_LockExecute(false);
  window->a_RenameExecute();
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(CardCommandsTest, DuplicateWithAndWithoutContent) {
  cards({"source"});
  TCrdPtr source = cardTitled("source");
  source->Color = 0x00FFFF;
  source->StoreBodyBytes(kRich);
  window->SelectCard(0);
  Tf_Duplicate::RememberedCopyCard = false;

  bool startedChecked = true;
  ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
    auto &dup = static_cast<Tf_Duplicate &>(d);
    EXPECT_EQ(dup.windowTitle(), "Duplicate Card");
    EXPECT_EQ(dup.Keyword->text(), "source");
    startedChecked = dup.chb_CopyCard->isChecked();
    dup.Keyword->setText(QStringLiteral("empty copy"));
  }));
  window->a_DuplicateExecute();
  EXPECT_FALSE(startedChecked);
  TCrdPtr empty = cardTitled("empty copy");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Color, 0x00FFFF);
  window->StoreCurrentCard();
  EXPECT_EQ(empty->BodyBytes(), EmptyBody());

  window->SelectCard(FilteredCards.IndexOfObject(source.get()));
  ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
    auto &dup = static_cast<Tf_Duplicate &>(d);
    dup.Keyword->setText(QStringLiteral("full copy"));
    dup.chb_CopyCard->setChecked(true);
  }));
  window->a_DuplicateExecute();
  TCrdPtr full = cardTitled("full copy");
  ASSERT_TRUE(full);
  EXPECT_EQ(window->ShownCard(), full);
  EXPECT_TRUE(CardBodyChanged);
  window->SelectCard(FilteredCards.IndexOfObject(source.get()));  // leaving the card stores it
  EXPECT_EQ(bodyText(*full), bodyText(*source));
  EXPECT_EQ(full->Color, 0x00FFFF);
  EXPECT_EQ(bodyText(*source), QStringLiteral("plain bold\rsecond"));

  // The box keeps its last state for the next duplicate, also when it is cancelled.
  ui.answer(Answer::dialog(QDialog::Rejected, [&](QDialog &d) {
    startedChecked = static_cast<Tf_Duplicate &>(d).chb_CopyCard->isChecked();
  }));
  window->a_DuplicateExecute();
  EXPECT_TRUE(startedChecked);
  EXPECT_EQ(AllCards.Count(), 3);
  Tf_Duplicate::RememberedCopyCard = false;
}

TEST_F(CardCommandsTest, PropertiesOfACardWithNoColour) {
  cards({"alpha"});
  TCrdPtr card = cardTitled("alpha");
  card->Created = 0;
  card->LastOpen = 0;
  card->Phone.clear();
  window->SelectCard(0);
  const int size = card->SIZ;

  ui.answer(Answer::dialog(QDialog::Rejected, [&](QDialog &d) {
    auto &p = static_cast<Tf_CardProperties &>(d);
    EXPECT_EQ(p.windowTitle(), "Card properties");
    EXPECT_EQ(p.e_Title->text(), "alpha");
    EXPECT_TRUE(p.e_Title->isEnabled());
    EXPECT_EQ(p.lbl_created->text(), "unknown");
    EXPECT_EQ(p.lbl_modified->text(), "unknown");
    EXPECT_EQ(p.lbl_size->text(), QString::number(size) + " bytes");
    EXPECT_EQ(p.lbl_phone->text(), "undefined");
    EXPECT_EQ(p.sh_background->brushStyle(), Qt::BDiagPattern);
    p.e_Title->setText(QStringLiteral("not taken"));
  }));
  window->a_CardPropertiesExecute();
  EXPECT_EQ(card->Title, "alpha");
  EXPECT_FALSE(FileModified);

  card->Color = 0x0000FF;
  card->Phone = QStringLiteral("555");
  card->Created = 45000.5;
  ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
    auto &p = static_cast<Tf_CardProperties &>(d);
    EXPECT_EQ(p.sh_background->brushStyle(), Qt::SolidPattern);
    EXPECT_EQ(p.sh_background->brushColor(), QColor(255, 0, 0));
    EXPECT_EQ(p.lbl_phone->text(), "555");
    EXPECT_EQ(p.lbl_created->text(), CardTimeText(45000.5));
    EXPECT_NE(p.lbl_created->text(), "unknown");
    p.e_Title->setText(QStringLiteral("renamed"));
  }));
  window->a_CardPropertiesExecute();
  EXPECT_EQ(allTitles(), QStringList{"renamed"});
  EXPECT_TRUE(FileModified);
}

TEST_F(CardCommandsTest, BackgroundColourAndResetOfAllColours) {
  cards({"alpha", "bravo"});
  window->SelectCard(1);
  window->m_Card->setBackgroundColor(QColor(0x12, 0x34, 0x56));  // as the CardColor option shows it
  ui.answer(Answer::cancel(PromptKind::Color));
  window->a_CardBackgroundExecute();
  EXPECT_EQ(cardTitled("bravo")->Color, kNoColor);
  EXPECT_FALSE(FileModified);
  // A card without a colour of its own: the dialog starts at the colour it shows, not black.
  EXPECT_EQ(ui.prompts().back().text, QColor(0x12, 0x34, 0x56).name());

  ui.answer(Answer::pickColor(QColor(255, 0, 0)));
  window->a_CardBackgroundExecute();
  EXPECT_EQ(cardTitled("bravo")->Color, 0x0000FF);  // the program's colour value: blue, green, red
  EXPECT_EQ(window->m_Card->backgroundColor(), QColor(255, 0, 0));
  EXPECT_TRUE(FileModified);

  cardTitled("alpha")->Color = 0x00FF00;
  window->ResetAllCardColors();
  EXPECT_EQ(cardTitled("alpha")->Color, kNoColor);
  EXPECT_EQ(cardTitled("bravo")->Color, kNoColor);
}

TEST_F(CardCommandsTest, FontForAllCardsSkipsPlainTextCards) {
  cards({"plain", "rich one", "rich two"});
  cardTitled("rich one")->StoreBodyBytes(kRich);
  cardTitled("rich two")->StoreBodyBytes(kRich);
  TCrdPtr plain = cardTitled("plain");
  const qint32 plainAdr = plain->ADR;
  window->e_record->setText(QStringLiteral("rich"));
  FileModified = false;

  TFont font;
  font.Name = QStringLiteral("Courier New");
  font.Size = 14;
  font.Style = fsBold | fsItalic;
  font.Color = 0x0000FF;
  FontGlobalParts parts;  // all four
  window->ApplyFontToAllCards(font, parts);

  EXPECT_EQ(window->e_record->text(), QString());
  EXPECT_EQ(FilteredCards.Count(), 3);
  EXPECT_EQ(window->CurrentCardIndex(), 0);
  EXPECT_TRUE(FileModified);
  EXPECT_FALSE(window->Toolbar_Actions->isHidden());
  // The plain card is untouched: same stored bytes, not stamped.
  EXPECT_EQ(plain->ADR, plainAdr);
  EXPECT_EQ(plain->LastOpen, 0);
  for (const char *title : {"rich one", "rich two"}) {
    SCOPED_TRACE(title);
    TCrdPtr c = cardTitled(title);
    EXPECT_GT(c->LastOpen, 0);
    const QByteArray body = c->BodyText();
    ASSERT_TRUE(body.startsWith("{\\rtf"));
    EXPECT_EQ(bodyText(*c), QStringLiteral("plain bold\rsecond"));
    // What the stored body reads back as: every character in the new font.
    re::RichEditControl reader;
    ASSERT_TRUE(reader.streamIn(body, re::SF_RTF));
    reader.setSel(0, -1);
    const re::CharFormat f = reader.charFormat(re::SCF_SELECTION);
    const std::uint32_t all = re::CFM_FACE | re::CFM_SIZE | re::CFM_BOLD | re::CFM_ITALIC | re::CFM_COLOR;
    EXPECT_EQ(f.mask & all, all) << "mixed formatting left";
    EXPECT_EQ(f.szFaceName, QStringLiteral("Courier New"));
    EXPECT_EQ(f.yHeight, 280);
    EXPECT_EQ(f.effects & (re::CFE_BOLD | re::CFE_ITALIC | re::CFE_AUTOCOLOR), re::CFE_BOLD | re::CFE_ITALIC);
    EXPECT_EQ(f.crTextColor, re::toColorRef(QColor(255, 0, 0)));
  }
}

TEST_F(CardCommandsTest, ConvertToPlainTextRewritesOnlyRichCards) {
  cards({"plain", "rich", "wide"});
  cardTitled("rich")->StoreBodyBytes(kRich);
  // A character the code page has no byte for stays, kept as RTF of the plain text.
  cardTitled("wide")->StoreBodyBytes("{\\rtf1\\ansi \\b Zo\\u322?\\u263?\\b0\\par\r\n}\r\n");
  TCrdPtr plain = cardTitled("plain");
  const qint32 plainAdr = plain->ADR;
  FileModified = false;

  window->ConvertAllToPlainText();
  EXPECT_EQ(cardTitled("rich")->BodyBytes(), QByteArray("plain bold\r\nsecond\r\n"));
  EXPECT_EQ(plain->ADR, plainAdr);
  EXPECT_EQ(bodyText(*cardTitled("wide")), QString::fromUtf8("Zo\u0142\u0107"));
  EXPECT_TRUE(cardTitled("wide")->BodyText().startsWith("{\\rtf"));
  EXPECT_TRUE(FileModified);
  EXPECT_EQ(window->ShownCard(), FilteredCards.Ptr(0));

  // Nothing rich left: nothing changes and the file stays unmodified.
  FileModified = false;
  cardTitled("wide")->StoreBodyBytes("plain again\r\n");
  const qint32 richAdr = cardTitled("rich")->ADR;
  window->ConvertAllToPlainText();
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(cardTitled("rich")->ADR, richAdr);
}

TEST_F(CardCommandsTest, UndoAndRedoFollowTheFocus) {
  cards({"alpha"});
  window->SelectCard(0);
  window->m_Card->setFocus();
  window->m_Card->setSel(0, -1);
  window->m_Card->replaceSel(QStringLiteral("typed"));
  ASSERT_EQ(window->m_Card->text(), "typed");
  window->a_UndoExecute();
  EXPECT_EQ(window->m_Card->text(), "body of alpha\r");
  window->a_RedoExecute();
  EXPECT_EQ(window->m_Card->text(), "typed");

  window->e_record->setFocus();
  window->e_record->insert(QStringLiteral("x"));
  window->a_UndoExecute();
  EXPECT_EQ(window->e_record->text(), QString());
  window->a_RedoExecute();  // the filter edit has no redo command
  EXPECT_EQ(window->e_record->text(), QString());
  EXPECT_EQ(window->m_Card->text(), "typed");
}

TEST_F(CardCommandsTest, TitleEditedInTheListRenamesTheCard) {
  cards({"alpha", "bravo"});
  TCrdPtr bravo = cardTitled("bravo");
  window->lw_List->model()->setData(window->lw_List->model()->index(1, 0), QStringLiteral("aardvark"), Qt::EditRole);
  QApplication::processEvents();
  EXPECT_EQ(allTitles(), (QStringList{"alpha", "aardvark"}));
  EXPECT_EQ(bravo->Title, "aardvark");
  EXPECT_EQ(FilteredCards.Strings(0), "aardvark");  // sorted by title
  EXPECT_EQ(window->CurrentCard(), bravo.get());
  EXPECT_TRUE(FileModified);
}
