#include "app/mainstate.h"
#include "platform/instances.h"
#include "platform/uiservices.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {

struct StandInWindow : MainWindowHooks {
  QString caption, hint;
  int restores = 0;
  QString windowCaption() const override { return caption; }
  void setWindowCaption(const QString &c) override { caption = c; }
  void setTrayHint(const QString &h) override { hint = h; }
  void restoreAndBringForward() override { ++restores; }
};

} // namespace

TEST(Caption, ForFile) {
  const std::pair<const char *, const char *> cases[] = {
      {"NEW.QEL", "NEW - Qel Moravine"},
      {"NEW3.QEL", "NEW3 - Qel Moravine"},
      {"/home/u/cards/Recipes.QEL", "Recipes - Qel Moravine"},
      {"/home/u/cards/recipes.qel", "recipes.qel - Qel Moravine"},  // only the upper-case extension goes
      {"/home/u/a.QEL.QEL", "a.QEL - Qel Moravine"},                // only the first one
      {"/home/u/my.QELfile.txt", "myfile.txt - Qel Moravine"},      // wherever it stands
      {"/home/u/cards.Qel", "cards.Qel - Qel Moravine"},
      {"/home/u.QEL/plain", "plain - Qel Moravine"},                // the folder is not looked at
      {"", " - Qel Moravine"},
  };
  for (auto [path, expected] : cases) EXPECT_EQ(CaptionForFile(QString::fromUtf8(path)), QString::fromUtf8(expected)) << path;
}

TEST(Caption, UpdateCaptionAndReadOnly) {
  ResetMainState();
  EXPECT_EQ(CurrentFileName, QStringLiteral("NEW.QEL"));
  EXPECT_FALSE(FileModified);
  EXPECT_FALSE(StartupDone);

  StandInWindow window;
  RunningInstance instance;
  ASSERT_TRUE(instance.start());
  CurrentFileName = QStringLiteral("/tmp/folder/Work.QEL");
  UpdateCaption(window, &instance);
  EXPECT_EQ(window.caption, QStringLiteral("Work - Qel Moravine"));
  EXPECT_EQ(window.hint, QStringLiteral("Work - Qel Moravine"));
  EXPECT_EQ(applicationTitle(), QStringLiteral("Work - Qel Moravine"));

  // The record follows the caption, so other instances see the new file at once.
  auto record = FindInstanceByFileKey(QStringLiteral("/tmp/folder/Work.QEL"));
  ASSERT_TRUE(record.has_value());
  EXPECT_TRUE(record->self);
  EXPECT_EQ(record->caption, QStringLiteral("Work - Qel Moravine"));

  // Read-only marks the window caption only, once.
  ShowReadOnly(window, true);
  EXPECT_EQ(window.caption, QStringLiteral("Work - Qel Moravine"));
  ShowReadOnly(window, false);
  ShowReadOnly(window, false);
  EXPECT_EQ(window.caption, QStringLiteral("Work - Qel Moravine - Read Only"));
  EXPECT_EQ(window.hint, QStringLiteral("Work - Qel Moravine"));
  EXPECT_EQ(applicationTitle(), QStringLiteral("Work - Qel Moravine"));
  UpdateCaption(window, nullptr);
  EXPECT_EQ(window.caption, QStringLiteral("Work - Qel Moravine"));
  ResetMainState();
}
