// The themed recently-used list in a menu: its entries show in place of the
// placeholder item, as themed entries, follow the list as it changes, and
// choosing one reports it as the most recent; the placeholder lets go of a
// list that goes.

#include "toolbars/core/thmnexus.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/thmmrulist.h"

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

class TMenuHost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return vt::PopupMenu; }
  TFixedMeasure TextMeasure;
};

// The captions a menu view of `menu` shows, in order.
QStringList Shown(TTbrView &view) {
  view.ValidatePositions();
  QStringList captions;
  for (int i = 0; i < view.ViewerCount(); ++i)
    if (view.Viewers(i)->Show)
      captions << view.Viewers(i)->Item->Caption();
  return captions;
}

class ThemedMRUTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartThemedItemsWith<TThmDefaultTheme>();
  }
  void TearDown() override {
    StopThemedItems();
    ClearThemeRegistry();
  }
};

} // namespace

TEST_F(ThemedMRUTest, TheMenuShowsTheEntriesInPlaceOfThePlaceholder) {
  auto list = std::make_unique<TThmMRUList>();
  list->SetAddFullPath(false);
  list->SetMaxItems(6);
  list->SetKeyShift(1);
  TTbrRootItem menu;
  Add<TThmItem>(&menu, "&Open");
  auto *recent = new TThmMRUListItem;
  menu.Add(recent);
  Add<TThmItem>(&menu, "E&xit");
  EXPECT_EQ(recent->Caption(), "(Thm MRU List)");
  EXPECT_TRUE(recent->HasStyle(tbis::EmbeddedGroup));
  recent->SetMRUList(list.get());

  TMenuHost host;
  TTbrView view(&host, nullptr, &menu, false);
  EXPECT_EQ(Shown(view), QStringList({"&Open", "E&xit"}));
  list->AddMRUFile("/cards/a.qel");
  list->AddMRUFile("/cards/b&c.qel");
  list->AddMRUFile("/cards/d.qel");
  EXPECT_EQ(Shown(view), QStringList({"&Open", "&2 d.qel", "&3 b&&c.qel", "&4 a.qel", "E&xit"}));
  for (int i = 0; i < list->Container()->Count(); ++i)
    EXPECT_NE(dynamic_cast<TThmCustomItem *>(list->Container()->Items(i)), nullptr) << "themed entries";

  // Choosing the third entry: it is the most recent when reported.
  QString chosen;
  list->SetOnClick([&](TTbrMRUList *sender, const QString &name) {
    EXPECT_EQ(sender, list.get());
    EXPECT_EQ(sender->Items()[0], name);
    chosen = name;
  });
  list->Container()->Items(2)->Click();
  EXPECT_EQ(chosen, "/cards/a.qel");
  EXPECT_EQ(Shown(view), QStringList({"&Open", "&2 a.qel", "&3 d.qel", "&4 b&&c.qel", "E&xit"}));

  // The list goes: the placeholder lets go, the menu stays whole.
  list.reset();
  EXPECT_EQ(recent->MRUList(), nullptr);
  EXPECT_EQ(recent->LinkSubitems(), nullptr);
  EXPECT_EQ(Shown(view), QStringList({"&Open", "E&xit"}));
}

TEST_F(ThemedMRUTest, APlaceholderMayChangeListsAndGoFirst) {
  TThmMRUList first, second;
  first.SetAddFullPath(false);
  second.SetAddFullPath(false);
  first.AddMRUFile("one");
  second.AddMRUFile("two");
  {
    TThmMRUListItem item;
    item.SetMRUList(&first);
    EXPECT_EQ(item.LinkSubitems(), first.Container());
    item.SetMRUList(&second);
    EXPECT_EQ(item.LinkSubitems(), second.Container());
    item.SetMRUList(nullptr);
    EXPECT_EQ(item.LinkSubitems(), nullptr);
    item.SetMRUList(&first);
  }
  // The lists outlive their placeholder and still work.
  first.AddMRUFile("three");
  EXPECT_EQ(first.Container()->Count(), 2);
}
