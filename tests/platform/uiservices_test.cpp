#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

using namespace qel;
using qel::test::Answer;
using qel::test::ScriptedUi;

TEST(ScriptedUi, AnswersInOrderAndRecordsPrompts) {
  ScriptedUi script;
  script.answerButton(IDNO).answer(Answer::input("typed"));
  EXPECT_EQ(ui().messageBox("Save changes?", "Qel Moravine", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
  QString value = "old";
  EXPECT_TRUE(ui().inputQuery("Rename", "Title:", value));
  EXPECT_EQ(value, "typed");
  ASSERT_EQ(script.prompts().size(), 2u);
  EXPECT_EQ(script.prompts()[0].flags, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(script.messageTexts(), QStringList{"Save changes?"});
  EXPECT_TRUE(script.allAnswered());
}

TEST(ScriptedUi, UnscriptedPromptFailsInsteadOfBlocking) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi script;
        EXPECT_EQ(ui().messageBox("Delete?", MB_YESNO), IDCANCEL);
      },
      "Unexpected message prompt");
}

TEST(ScriptedUi, RestoresThePreviousServicesWhenDestroyed) {
  UiServices *before = &ui();
  {
    ScriptedUi script;
    EXPECT_EQ(&ui(), &script);
  }
  EXPECT_EQ(&ui(), before);
}
