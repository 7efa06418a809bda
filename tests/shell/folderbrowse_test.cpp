#include "shell/folderbrowse.h"

#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

namespace qel {
namespace {

using test::Answer;

TEST(FolderBrowse, ChoiceCancelAndNonLocalPicks) {
  test::ScriptedUi script;
  TFolderBrowse fb;
  fb.Title = "Destination";
  fb.Directory = "/home/u/cards";

  Answer cancel = Answer::pickFolder("/tmp");
  cancel.accepted = false;
  script.answer(cancel);
  EXPECT_FALSE(fb.Execute(nullptr));
  EXPECT_EQ(fb.Directory, "/home/u/cards");
  ASSERT_EQ(script.prompts().size(), 1u);
  EXPECT_EQ(script.prompts()[0].caption, "Destination");
  EXPECT_EQ(script.prompts()[0].text, "/home/u/cards");

  // A pick with no local path leaves Directory alone.
  for (const char *nonLocal : {"smb://server/share", "relative/folder", ""}) {
    script.answer(Answer::pickFolder(nonLocal));
    EXPECT_FALSE(fb.Execute(nullptr)) << nonLocal;
    EXPECT_EQ(fb.Directory, "/home/u/cards") << nonLocal;
  }

  // Long paths are fine: there is no fixed-size buffer.
  const QString deep = "/tmp/" + QString(300, 'd');
  script.answer(Answer::pickFolder(deep));
  EXPECT_TRUE(fb.Execute(nullptr));
  EXPECT_EQ(fb.Directory, deep);

  script.answer(Answer::pickFolder("file:///srv/data"));
  EXPECT_TRUE(fb.Execute(nullptr));
  EXPECT_EQ(fb.Directory, "/srv/data");
  EXPECT_TRUE(script.allAnswered());
}

TEST(FolderBrowse, EmptyDirectoryStartsWithoutPreselection) {
  test::ScriptedUi script;
  TFolderBrowse fb;
  script.answer(Answer::pickFolder("/opt/qel"));
  EXPECT_TRUE(fb.Execute(nullptr));
  ASSERT_EQ(script.prompts().size(), 1u);
  EXPECT_TRUE(script.prompts()[0].text.isEmpty());
  EXPECT_EQ(fb.Directory, "/opt/qel");
}

}  // namespace
}  // namespace qel
