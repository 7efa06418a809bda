// Converting all cards to plain text when a body cannot be read.
#include "tests/app/cardcommands_fixture.h"

using namespace qel;
using namespace qel::test;

TEST_F(CardCommandsTest, ConvertToPlainTextChangesNothingWhenABodyCannotBeRead) {
  cards({"rich", "broken", "other"});
  cardTitled("rich")->StoreBodyBytes("{\\rtf1\\ansi rich\\par}");
  cardTitled("other")->StoreBodyBytes("{\\rtf1\\ansi other\\par}");
  TCrdPtr broken = cardTitled("broken");
  broken->ADR = qint32(CurrentBodyFile().size());  // past the end of the body file
  broken->SIZ = 10;
  const qint64 bodySize = CurrentBodyFile().size();
  const qint32 richAdr = cardTitled("rich")->ADR, otherAdr = cardTitled("other")->ADR;
  FileModified = false;

  ui.answerButton(IDOK);
  window->ConvertAllToPlainText();
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_TRUE(ui.prompts().back().text.contains("outside the body file"));
  // The cards read before the bad one are not converted either.
  EXPECT_EQ(cardTitled("rich")->ADR, richAdr);
  EXPECT_EQ(cardTitled("other")->ADR, otherAdr);
  EXPECT_EQ(CurrentBodyFile().size(), bodySize);
  EXPECT_FALSE(FileModified);
}
