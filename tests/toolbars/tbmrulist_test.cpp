#include "toolbars/core/tbmrulist.h"
#include "toolbars/core/tbsettings.h"

#include "tests/toolbars/toolbartest.h"

#include <QDir>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

using namespace qel::toolbars;

namespace {

const QString Section = QStringLiteral("MRU Items");

// A list of plain names (no folders are added) that checks, at every change
// it reports, that names and entry items are in step and every caption is
// the one its name and place give.
struct TListFixture {
  explicit TListFixture(TTbrMRUList *list = nullptr, int firstKey = 0)
      : List(list ? list : new TTbrMRUList), FirstKey(firstKey) {
    List->SetAddFullPath(false);
    List->SetOnChange([this](TTbrMRUList *sender) {
      ++Changes;
      EXPECT_EQ(sender, List.get());
      CheckInStep();
    });
  }
  void CheckInStep() const {
    ASSERT_EQ(List->Container()->Count(), List->Items().Count());
    for (int i = 0; i < List->Items().Count(); ++i)
      EXPECT_EQ(List->Container()->Items(i)->Caption(),
                TTbrMRUList::EntryCaption(List->Items()[i], FirstKey + i, List->HidePathExtension()))
          << "entry " << i;
  }
  QStringList Names() const { return List->Items().Strings(); }
  std::unique_ptr<TTbrMRUList> List;
  int FirstKey;
  int Changes = 0;
};

TEST(MRUList, Defaults) {
  TTbrMRUList list;
  EXPECT_TRUE(list.AddFullPath());
  EXPECT_TRUE(list.HidePathExtension());
  EXPECT_EQ(list.MaxItems(), 4);
  EXPECT_EQ(list.Prefix(), "MRU");
  EXPECT_EQ(list.Items().Count(), 0);
  ASSERT_NE(list.Container(), nullptr);
  EXPECT_EQ(list.Container()->Count(), 0);
  EXPECT_EQ(list.Container()->Parent(), nullptr);
}

TEST(MRUList, AddingPutsTheNameAtTheTop) {
  struct Case {
    const char *what;
    QStringList added;
    QStringList expected;
  };
  const Case cases[] = {
      {"newest first", {"a", "b", "c"}, {"c", "b", "a"}},
      {"a name again moves up", {"a", "b", "c", "a"}, {"a", "c", "b"}},
      {"the top name again", {"a", "b", "b"}, {"b", "a"}},
      {"another letter case is another file", {"/x/delta.qel", "/x/DELTA.qel"}, {"/x/DELTA.qel", "/x/delta.qel"}},
      {"a full list drops the oldest", {"a", "b", "c", "d", "e"}, {"e", "d", "c", "b"}},
      {"an empty name is ignored", {"a", ""}, {"a"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TListFixture f;
    for (const QString &name : c.added)
      f.List->AddMRUFile(name);
    EXPECT_EQ(f.Names(), c.expected);
    f.CheckInStep();
  }
}

TEST(MRUList, EachItemStaysWithItsName) {
  TListFixture f;
  for (const char *name : {"a", "b", "c", "d"})
    f.List->AddMRUFile(name);
  TTbrCustomItem *container = f.List->Container();
  TTbrCustomItem *itemB = container->Items(2);
  TTbrCustomItem *itemD = container->Items(0);
  // The oldest ("a") falls off with its item; "b" moves up with its item.
  int destroyed = 0;
  struct TWatch : TTbrItemNotifyHandler {
    int *Count;
    explicit TWatch(int *count) : Count(count) {}
    void ItemNotification(TTbrCustomItem *, bool, TTbrItemChangeKind, int, TTbrCustomItem *) override {}
    void ItemDestroying(TTbrCustomItem *) override { ++*Count; }
  } watch(&destroyed);
  container->Items(3)->RegisterNotification(&watch);
  f.List->AddMRUFile("e");
  EXPECT_EQ(destroyed, 1);
  f.List->AddMRUFile("b");
  EXPECT_EQ(f.Names(), (QStringList{"b", "e", "d", "c"}));
  EXPECT_EQ(container->Items(0), itemB);
  EXPECT_EQ(container->Items(2), itemD);
  EXPECT_EQ(itemB->Caption(), "&1 b");
}

TEST(MRUList, FullPathsAreAbsoluteAndClean) {
  TTbrMRUList list;
  list.AddMRUFile("sub/../cards.crd");
  EXPECT_EQ(list.Items()[0], QDir::cleanPath(QDir::current().absoluteFilePath("cards.crd")));
  list.AddMRUFile("/tmp//x/./y.crd");
  EXPECT_EQ(list.Items()[0], "/tmp/x/y.crd");
  // The same file named relatively is found again.
  list.AddMRUFile("cards.crd");
  EXPECT_EQ(list.Items().Count(), 2);
}

TEST(MRUList, CapacityTrimsFromTheBottom) {
  TListFixture f;
  f.List->SetMaxItems(6);
  for (const char *name : {"f", "e", "d", "c", "b", "a"})
    f.List->AddMRUFile(name);
  f.Changes = 0;
  f.List->SetMaxItems(2);
  EXPECT_EQ(f.Names(), (QStringList{"a", "b"}));
  EXPECT_EQ(f.Changes, 4); // one per entry dropped
  f.CheckInStep();

  f.List->SetMaxItems(0);
  EXPECT_EQ(f.List->Items().Count(), 0);
  f.List->AddMRUFile("x");
  EXPECT_EQ(f.List->Items().Count(), 0);
  EXPECT_EQ(f.List->Container()->Count(), 0);

  f.List->SetMaxItems(-3);
  EXPECT_EQ(f.List->MaxItems(), 0);
}

TEST(MRUList, EntryCaptions) {
  struct Case {
    QString entry;
    int key;
    bool hideFolder;
    QString caption;
  };
  const Case cases[] = {
      {"/home/u/cards.crd", 0, true, "&1 cards.crd"},
      {"/home/u/cards.crd", 0, false, "&1 /home/u/cards.crd"},
      {"cards.crd", 8, true, "&9 cards.crd"},
      {"x", 9, true, "&A x"},   // the tenth entry
      {"x", 34, true, "&Z x"},  // the thirty-fifth
      {"x", 35, true, "x"},     // the thirty-sixth: no key, no "&"
      {"x", 1000, true, "x"},
      {"x", -1, true, "x"},
      {"/d/Tom & Jerry.crd", 2, true, "&3 Tom && Jerry.crd"},
      {"/d&e/&.crd", 35, false, "/d&&e/&&.crd"},
      {"/home/u/", 0, true, "&1 /home/u/"}, // no file name: the whole text
      {"", 0, true, "&1 "},
      {QString::fromUtf8("/d/\xC3\xA9t\xC3\xA9.crd"), 0, true, QString::fromUtf8("&1 \xC3\xA9t\xC3\xA9.crd")},
  };
  for (const Case &c : cases)
    EXPECT_EQ(TTbrMRUList::EntryCaption(c.entry, c.key, c.hideFolder), c.caption)
        << c.entry.toStdString() << " " << c.key;
}

class TShiftedList : public TTbrMRUList {
public:
  explicit TShiftedList(int shift) : Shift(shift) {}
  int FirstKeyNumber() const override { return Shift; }
  int Shift;
};

TEST(MRUList, AcceleratorsCountFromTheFirstKeyNumber) {
  TListFixture f;
  f.List->SetMaxItems(40);
  for (int i = 40; i >= 1; --i)
    f.List->AddMRUFile(QStringLiteral("/d/f%1").arg(i));
  TTbrCustomItem *container = f.List->Container();
  EXPECT_EQ(container->Items(0)->Caption(), "&1 f1");
  EXPECT_EQ(container->Items(9)->Caption(), "&A f10");
  EXPECT_EQ(container->Items(34)->Caption(), "&Z f35");
  EXPECT_EQ(container->Items(35)->Caption(), "f36");
  EXPECT_EQ(container->Items(39)->Caption(), "f40");

  f.List->SetHidePathExtension(false);
  EXPECT_EQ(container->Items(0)->Caption(), "&1 /d/f1");

  for (int shift : {3, 34, 35, INT_MAX}) {
    // Past the last key the count stops: it never overflows.
    TListFixture g(new TShiftedList(shift), shift == INT_MAX ? 35 : shift);
    g.List->AddMRUFile("/d/b");
    g.List->AddMRUFile("/d/a");
    g.CheckInStep();
  }
  TListFixture g(new TShiftedList(3), 3);
  g.List->AddMRUFile("/d/a");
  EXPECT_EQ(g.List->Container()->Items(0)->Caption(), "&4 a");
}

TEST(MRUList, StringOperationsKeepTheItemsInStep) {
  TListFixture f;
  f.List->SetMaxItems(10);
  TTbrMRUListStrings &items = f.List->Items();
  items.Add("a");
  items.Add("c");
  items.Insert(1, "b");
  EXPECT_EQ(f.Names(), (QStringList{"a", "b", "c"}));
  items.Put(1, "B&");
  EXPECT_EQ(f.List->Container()->Items(1)->Caption(), "&2 B&&");
  items.Move(0, 2);
  EXPECT_EQ(f.Names(), (QStringList{"B&", "c", "a"}));
  items.Delete(1);
  EXPECT_EQ(f.Names(), (QStringList{"B&", "a"}));
  EXPECT_EQ(items.IndexOf("B&"), 0);
  EXPECT_EQ(items.IndexOf("b&"), -1); // another file
  EXPECT_EQ(items.IndexOf("z"), -1);
  f.CheckInStep();
  EXPECT_EQ(f.Changes, 6);

  f.List->SetItems({"x", "y", "z"});
  EXPECT_EQ(f.Names(), (QStringList{"x", "y", "z"}));
  f.Changes = 0;
  items.Clear();
  EXPECT_EQ(f.Changes, 3); // one per entry
  EXPECT_EQ(f.List->Container()->Count(), 0);
}

TEST(MRUList, BadIndexesChangeNothing) {
  TListFixture f;
  f.List->Items().Add("a");
  f.Changes = 0;
  TTbrMRUListStrings &items = f.List->Items();
  EXPECT_THROW(items.Get(1), ETBItemError);
  EXPECT_THROW(items.Get(-1), ETBItemError);
  EXPECT_THROW(items.Insert(2, "x"), ETBItemError);
  EXPECT_THROW(items.Put(1, "x"), ETBItemError);
  EXPECT_THROW(items.Delete(1), ETBItemError);
  EXPECT_THROW(items.Move(0, 1), ETBItemError);
  EXPECT_EQ(f.Names(), QStringList{"a"});
  EXPECT_EQ(f.Changes, 0);
  f.CheckInStep();
}

TEST(MRUList, NoChangesReportedWhileLoadingTheForm) {
  TListFixture f;
  f.List->SetLoading(true);
  f.List->AddMRUFile("a");
  f.List->Items().Clear();
  EXPECT_EQ(f.Changes, 0);
  f.List->SetLoading(false);
  f.List->AddMRUFile("a");
  EXPECT_EQ(f.Changes, 1);
}

TEST(MRUList, ChoosingAnEntryMakesItTheMostRecent) {
  TListFixture f;
  for (const char *name : {"d", "c", "b", "a"})
    f.List->AddMRUFile(name);
  QStringList chosen;
  f.List->SetOnClick([&](TTbrMRUList *sender, const QString &fileName) {
    EXPECT_EQ(sender, f.List.get());
    EXPECT_EQ(fileName, sender->Items()[0]);
    chosen << fileName;
  });
  f.List->Container()->Items(2)->Click(); // the third entry
  EXPECT_EQ(chosen, QStringList{"c"});
  EXPECT_EQ(f.Names(), (QStringList{"c", "a", "b", "d"}));
  f.List->Container()->Items(0)->Click();
  EXPECT_EQ(chosen, (QStringList{"c", "c"}));
  EXPECT_EQ(f.Names(), (QStringList{"c", "a", "b", "d"}));
  f.CheckInStep();

  // An item that is no entry changes nothing.
  TTbrCustomItem stranger;
  f.List->EntryClick(&stranger);
  f.List->EntryClick(nullptr);
  EXPECT_EQ(chosen.size(), 2);
}

TEST(MRUList, TheClickHandlerMayChangeTheList) {
  TListFixture f;
  for (const char *name : {"c", "b", "a"})
    f.List->AddMRUFile(name);
  // A file that is gone leaves the list while its own entry is being chosen.
  f.List->SetOnClick([](TTbrMRUList *sender, const QString &) { sender->Items().Delete(0); });
  f.List->Container()->Items(1)->Click();
  EXPECT_EQ(f.Names(), (QStringList{"a", "c"}));
  f.CheckInStep();
  // Opening it adds it again.
  f.List->SetOnClick([](TTbrMRUList *sender, const QString &name) { sender->AddMRUFile(name); });
  f.List->Container()->Items(1)->Click();
  EXPECT_EQ(f.Names(), (QStringList{"c", "a"}));
  f.CheckInStep();
}

TEST(MRUList, LoadingReadsPrefixedValues) {
  struct Case {
    const char *what;
    QList<QPair<QString, QString>> stored;
    int maxItems;
    QStringList expected;
  };
  const QString overlong(5000, u'x');
  const Case cases[] = {
      {"in order", {{"F1", "/a"}, {"F2", "/b"}}, 6, {"/a", "/b"}},
      {"empty and missing values are skipped", {{"F1", ""}, {"F2", "/b"}}, 6, {"/b"}},
      {"gaps in the numbering", {{"F2", "/b"}, {"F5", "/e"}}, 6, {"/b", "/e"}},
      {"nothing above the capacity", {{"F1", "/a"}, {"F3", "/c"}}, 2, {"/a"}},
      {"capacity 0 reads nothing", {{"F1", "/a"}}, 0, {}},
      {"value names in any case", {{"f1", "/a"}}, 6, {"/a"}},
      {"other prefixes and leading zeros are not ours", {{"MRU1", "/a"}, {"F01", "/b"}, {"F", "/c"}}, 6, {}},
      {"a name read twice is listed once", {{"F1", "/a"}, {"F2", "/a"}, {"F3", "/b"}}, 6, {"/a", "/b"}},
      {"names differing in case are two files", {{"F1", "/x/delta.qel"}, {"F2", "/x/DELTA.qel"}}, 6,
       {"/x/delta.qel", "/x/DELTA.qel"}},
      {"no file name is that long", {{"F1", overlong}, {"F2", "/b"}}, 6, {"/b"}},
      {"nor holds a null", {{"F1", QStringLiteral("/a") + QChar(u'\0') + "b"}}, 6, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TTbrMemorySettings store;
    for (const auto &[name, value] : c.stored)
      store.WriteString(Section, name, value);
    store.WriteString("Other", "F1", "/elsewhere");
    TListFixture f;
    f.List->SetPrefix("F");
    f.List->SetMaxItems(std::max(c.maxItems, 1));
    f.List->AddMRUFile("/old");
    f.List->SetMaxItems(c.maxItems);
    f.List->LoadMRUFromRegIni(store, Section);
    EXPECT_EQ(f.Names(), c.expected);
    f.CheckInStep();
  }
}

TEST(MRUList, SavingWritesTheEntriesAndDeletesTheRest) {
  TTbrMemorySettings store;
  for (int n = 1; n <= 8; ++n)
    store.WriteString(Section, QStringLiteral("F%1").arg(n), QStringLiteral("/stale%1").arg(n));
  TListFixture f;
  f.List->SetPrefix("F");
  f.List->SetMaxItems(6);
  for (const char *name : {"/c", "/b", "/a"})
    f.List->AddMRUFile(name);
  f.List->SaveMRUToRegIni(store, Section);
  EXPECT_EQ(store.ReadString(Section, "F1", ""), "/a");
  EXPECT_EQ(store.ReadString(Section, "F3", ""), "/c");
  for (const char *gone : {"F4", "F5", "F6"})
    EXPECT_FALSE(store.ValueExists(Section, gone)) << gone;
  // Numbers above the capacity are not ours to touch.
  EXPECT_EQ(store.ReadString(Section, "F7", ""), "/stale7");
  EXPECT_EQ(store.ReadString(Section, "F8", ""), "/stale8");

  TListFixture g;
  g.List->SetPrefix("F");
  g.List->SetMaxItems(6);
  g.List->LoadMRUFromRegIni(store, Section);
  EXPECT_EQ(g.Names(), f.Names());

  // Capacity 0 (the list switched off) leaves the stored values alone.
  f.List->SetMaxItems(0);
  f.List->SaveMRUToRegIni(store, Section);
  EXPECT_EQ(store.ReadString(Section, "F1", ""), "/a");
  EXPECT_EQ(store.ValueNames(Section).size(), 5);
}

TEST(MRUList, DefaultPrefix) {
  TTbrMemorySettings store;
  TTbrMRUList list;
  list.SetAddFullPath(false);
  list.AddMRUFile("/a");
  list.SaveMRUToRegIni(store, Section);
  EXPECT_EQ(store.ValueNames(Section), QStringList{"MRU1"});
}

TEST(MemorySettings, NamesWithoutRegardToCase) {
  TTbrMemorySettings store;
  EXPECT_EQ(store.ReadString("S", "v", "none"), "none");
  store.WriteString("S", "Value", "1");
  store.WriteString("s", "VALUE", "2");
  store.WriteString("T", "Value", "3");
  EXPECT_EQ(store.ReadString("S", "value", ""), "2");
  EXPECT_EQ(store.ValueNames("S"), QStringList{"Value"}); // keeps the first spelling
  store.DeleteValue("S", "vALUE");
  store.DeleteValue("S", "missing");
  EXPECT_FALSE(store.ValueExists("S", "Value"));
  EXPECT_EQ(store.ReadString("T", "Value", ""), "3");
}

} // namespace
