#include "toolbars/core/tbaction.h"
#include "toolbars/core/tbitem.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include <ostream>

// Readable failure messages for the notification logs.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace qel::toolbars;
using Kind = TTbrItemChangeKind;

namespace {

const char *KindName(Kind kind) {
  static const char *names[] = {"Inserted",   "Deleting",            "SubitemsChanged", "BeginUpdate",
                                "EndUpdate",  "Invalidate",          "InvalidateAndResize",
                                "RecreateViewers", "NameChanged",    "SubMenuImagesChanged"};
  return names[int(kind)];
}

// Writes down every notification as "Kind index item-name[ relayed by sender]".
class TRecorder : public TTbrItemNotifyHandler {
public:
  void ItemNotification(TTbrCustomItem *sender, bool relayed, Kind kind, int index, TTbrCustomItem *item) override {
    QString line = QStringLiteral("%1 %2 %3").arg(QLatin1String(KindName(kind))).arg(index).arg(item ? item->Name() : "-");
    if (relayed)
      line += QStringLiteral(" via ") + sender->Name();
    Log << line;
    if (Then)
      Then();
  }
  void ItemDestroying(TTbrCustomItem *item) override {
    Watched.removeAll(item);
    Log << QStringLiteral("destroying ") + item->Name();
  }
  // Registers with the item, and unregisters when the recorder goes first.
  void Watch(TTbrCustomItem *item) {
    item->RegisterNotification(this);
    Watched << item;
  }
  ~TRecorder() override {
    for (TTbrCustomItem *item : Watched)
      item->UnregisterNotification(this);
  }
  QList<TTbrCustomItem *> Watched;
  QStringList Take() { return std::exchange(Log, {}); }
  QStringList Log;
  std::function<void()> Then;
};

TTbrCustomItem *Named(TTbrCustomItem *item, const char *name) {
  item->SetName(QString::fromLatin1(name));
  return item;
}

// An item whose children show inline in its parent's view.
class TGroupItem : public TTbrCustomItem {
public:
  TGroupItem() { SetItemStyle(ItemStyle() | tbis::EmbeddedGroup); }
};

class TComboItem : public TTbrCustomItem {
public:
  TComboItem() { SetItemStyle(ItemStyle() | tbis::Submenu | tbis::Combo); }
};

// A root with two named children, the parent's notifications recorded.
struct TTree {
  TTbrRootItem root;
  TTbrCustomItem *a = Named(new TTbrCustomItem, "a");
  TTbrCustomItem *b = Named(new TTbrCustomItem, "b");
  TRecorder rec;
  TTree() {
    Named(&root, "root");
    root.Add(a);
    root.Add(b);
    rec.Watch(&root);
  }
};

// --- properties ---------------------------------------------------------------

struct TPropertyRow {
  const char *Name;
  std::function<bool(const TTbrCustomItem &)> IsDefault;
  std::function<void(TTbrCustomItem &)> Set; // to a value other than the default
  const char *OnParent;                      // what the parent's viewers hear, "" for nothing
  const char *OnSelf;                        // what the item's own viewers hear
};

TEST(ToolbarItem, PropertyTableDefaultsAndNotifications) {
  TTbrImageList images(16, 16), subImages(16, 16);
  TTbrCustomItem target;
  const TPropertyRow rows[] = {
      {"AutoCheck", [&](auto &i) { return !i.AutoCheck(); }, [&](auto &i) { i.SetAutoCheck(true); }, "", ""},
      {"Caption", [&](auto &i) { return i.Caption().isEmpty(); }, [&](auto &i) { i.SetCaption("&Open"); },
       "InvalidateAndResize -1 x", ""},
      {"Checked", [&](auto &i) { return !i.Checked(); }, [&](auto &i) { i.SetChecked(true); }, "Invalidate -1 x", ""},
      {"DisplayMode", [&](auto &i) { return i.DisplayMode() == TTbrItemDisplayMode::nbdmDefault; },
       [&](auto &i) { i.SetDisplayMode(TTbrItemDisplayMode::nbdmTextOnly); }, "InvalidateAndResize -1 x", ""},
      {"Enabled", [&](auto &i) { return i.Enabled(); }, [&](auto &i) { i.SetEnabled(false); }, "Invalidate -1 x", ""},
      {"GroupIndex", [&](auto &i) { return i.GroupIndex() == 0; }, [&](auto &i) { i.SetGroupIndex(3); }, "", ""},
      {"HelpContext", [&](auto &i) { return i.HelpContext() == 0; }, [&](auto &i) { i.SetHelpContext(7); }, "", ""},
      {"Hint", [&](auto &i) { return i.Hint().isEmpty(); }, [&](auto &i) { i.SetHint("Opens|Opens a file"); }, "", ""},
      {"ImageIndex", [&](auto &i) { return i.ImageIndex() == -1; }, [&](auto &i) { i.SetImageIndex(0); },
       "InvalidateAndResize -1 x", ""},
      {"Images", [&](auto &i) { return !i.Images(); }, [&](auto &i) { i.SetImages(&images); },
       "InvalidateAndResize -1 x", ""},
      {"InheritOptions", [&](auto &i) { return i.InheritOptions(); }, [&](auto &i) { i.SetInheritOptions(false); }, "",
       ""},
      {"LinkSubitems", [&](auto &i) { return !i.LinkSubitems(); }, [&](auto &i) { i.SetLinkSubitems(&target); }, "",
       "SubitemsChanged -1 -"},
      {"MaskOptions", [&](auto &i) { return i.MaskOptions() == 0; }, [&](auto &i) { i.SetMaskOptions(tboShowHint); },
       "", ""},
      {"Options", [&](auto &i) { return i.Options() == 0; }, [&](auto &i) { i.SetOptions(tboDropdownArrow); },
       "InvalidateAndResize -1 x", ""},
      {"Options (hint only)", [&](auto &i) { return i.Options() == 0; }, [&](auto &i) { i.SetOptions(tboShowHint); },
       "", ""},
      {"ShortCut", [&](auto &i) { return i.ShortCut() == 0; },
       [&](auto &i) { i.SetShortCut(MakeShortCut(Qt::Key_S, Qt::ControlModifier)); }, "", ""},
      {"SubMenuImages", [&](auto &i) { return !i.SubMenuImages(); }, [&](auto &i) { i.SetSubMenuImages(&subImages); },
       "", "SubMenuImagesChanged -1 -"},
      {"Visible", [&](auto &i) { return i.Visible(); }, [&](auto &i) { i.SetVisible(false); },
       "InvalidateAndResize -1 x", ""},
      {"Name", [&](auto &i) { return i.Name() == "x"; }, [&](auto &i) { i.SetName("y"); }, "NameChanged -1 y", ""},
  };
  for (const TPropertyRow &row : rows) {
    SCOPED_TRACE(row.Name);
    TTbrRootItem parent;
    auto *item = Named(new TTbrCustomItem, "x");
    parent.Add(item);
    TRecorder onParent, onSelf;
    onParent.Watch(&parent);
    onSelf.Watch(item);
    EXPECT_TRUE(row.IsDefault(*item));

    row.Set(*item);
    EXPECT_FALSE(row.IsDefault(*item));
    EXPECT_EQ(onParent.Take(), *row.OnParent ? QStringList{row.OnParent} : QStringList());
    EXPECT_EQ(onSelf.Take(), *row.OnSelf ? QStringList{row.OnSelf} : QStringList());

    row.Set(*item); // the same value again: nobody hears anything
    EXPECT_EQ(onParent.Take(), QStringList());
    EXPECT_EQ(onSelf.Take(), QStringList());
    item->SetLinkSubitems(nullptr);
    item->SetImages(nullptr);
    item->SetSubMenuImages(nullptr);
  }
}

TEST(ToolbarItem, NewItemsStyleAndTheSeparatorAndControlStyles) {
  TTbrCustomItem item;
  EXPECT_EQ(item.ItemStyle(), tbis::Selectable | tbis::RedrawOnSelChange | tbis::RedrawOnMouseOverChange);
  EXPECT_EQ(item.EffectiveOptions(), 0);
  TTbrSeparatorItem separator;
  EXPECT_EQ(separator.ItemStyle(), tbis::Separator | tbis::ClicksTransparent);
  TTbrControlItem control;
  EXPECT_EQ(control.ItemStyle(), tbis::RedrawOnSelChange | tbis::RedrawOnMouseOverChange | tbis::ClicksTransparent);

  TTbrRootItem root;
  auto *blank = new TTbrSeparatorItem;
  Named(blank, "sep");
  root.Add(blank);
  TRecorder rec;
  rec.Watch(&root);
  blank->SetBlank(true);
  blank->SetBlank(true);
  EXPECT_EQ(rec.Take(), QStringList{"Invalidate -1 sep"});
}

TEST(ToolbarItem, ImageIndexAndImageListChangesResizeOnlyWhenTheSizeCanChange) {
  TTree t;
  t.a->SetImageIndex(2);
  t.rec.Take();
  t.a->SetImageIndex(5); // another picture, same room
  t.a->SetImageIndex(-1);
  t.a->SetImageIndex(0);
  EXPECT_EQ(t.rec.Take(), (QStringList{"Invalidate -1 a", "InvalidateAndResize -1 a", "InvalidateAndResize -1 a"}));

  TTbrImageList small(16, 16), sameSize(16, 16), large(24, 24);
  t.a->SetImages(&small);
  t.a->SetImages(&sameSize);
  t.a->SetImages(&large);
  EXPECT_EQ(t.rec.Take(), (QStringList{"InvalidateAndResize -1 a", "Invalidate -1 a", "InvalidateAndResize -1 a"}));
  large.Change(); // new pictures
  large.SetSize(32, 32);
  sameSize.Change(); // no longer the item's list
  EXPECT_EQ(t.rec.Take(), (QStringList{"Invalidate -1 a", "InvalidateAndResize -1 a"}));

  TRecorder self;
  self.Watch(t.a);
  {
    TTbrImageList sub(16, 16);
    t.a->SetSubMenuImages(&sub);
    sub.Change();
    {
      TTbrImageList gone(16, 16);
      t.a->SetImages(&gone);
      t.rec.Take();
    } // a list that goes away is cleared from the item
    EXPECT_EQ(t.a->Images(), nullptr);
    EXPECT_EQ(t.rec.Take(), QStringList{"InvalidateAndResize -1 a"});
  }
  EXPECT_EQ(t.a->SubMenuImages(), nullptr);
  EXPECT_EQ(self.Take(), (QStringList{"SubMenuImagesChanged -1 -", "SubMenuImagesChanged -1 -",
                                      "SubMenuImagesChanged -1 -"}));
}

TEST(ToolbarItem, CheckingClearsTheSameNonZeroGroupAmongSiblingsOnly) {
  TTbrRootItem root;
  TTbrCustomItem *items[5];
  for (auto *&item : items)
    root.Add(item = new TTbrCustomItem);
  items[0]->SetGroupIndex(3);
  items[1]->SetGroupIndex(3);
  items[2]->SetGroupIndex(3);
  items[2]->SetVisible(false); // hidden members are group members all the same
  items[3]->SetGroupIndex(4);
  items[1]->SetChecked(true);
  items[2]->SetChecked(true);
  items[3]->SetChecked(true);
  items[4]->SetChecked(true); // group 0: nobody else is touched
  EXPECT_FALSE(items[1]->Checked());
  EXPECT_TRUE(items[2]->Checked());
  EXPECT_TRUE(items[3]->Checked());
  EXPECT_TRUE(items[4]->Checked());

  items[0]->SetChecked(true);
  EXPECT_FALSE(items[2]->Checked());
  EXPECT_TRUE(items[3]->Checked());

  // A checked item joining a group clears that group's other members.
  items[4]->SetGroupIndex(4);
  EXPECT_TRUE(items[4]->Checked());
  EXPECT_FALSE(items[3]->Checked());
  EXPECT_TRUE(items[0]->Checked());

  // Items of the same group under another parent are not siblings.
  TTbrCustomItem other;
  auto *nephew = new TTbrCustomItem;
  other.Add(nephew);
  nephew->SetGroupIndex(3);
  nephew->SetChecked(true);
  EXPECT_TRUE(items[0]->Checked());
}

TEST(ToolbarItem, EffectiveOptionsInheritMaskAndDropToolbarSizeWithoutToolbarStyle) {
  TTbrCustomItem item;
  item.SetOptions(tboToolbarSize | tboShowHint);
  EXPECT_EQ(item.Options(), tboShowHint);
  EXPECT_EQ(item.EffectiveOptions(), tboShowHint);
  item.SetOptions(tboToolbarSize | tboToolbarStyle);
  EXPECT_EQ(item.EffectiveOptions(), tboToolbarSize | tboToolbarStyle);

  TTbrRootItem root;
  root.SetOptions(tboDefault | tboToolbarStyle | tboToolbarSize | tboShowHint);
  auto *child = Named(new TTbrCustomItem, "child");
  auto *grandchild = Named(new TTbrCustomItem, "grandchild");
  child->Add(grandchild);
  root.Add(child); // a freshly inserted child takes the inherited options; tboDefault is not inherited
  EXPECT_EQ(child->EffectiveOptions(), tboToolbarStyle | tboToolbarSize | tboShowHint);
  EXPECT_EQ(grandchild->EffectiveOptions(), tboToolbarStyle | tboToolbarSize | tboShowHint);

  TRecorder rec;
  rec.Watch(&root);
  child->SetMaskOptions(tboToolbarStyle); // without the style the size goes too
  EXPECT_EQ(child->EffectiveOptions(), tboShowHint);
  EXPECT_EQ(grandchild->EffectiveOptions(), tboShowHint);
  child->SetMaskOptions(tboToolbarStyle | tboShowHint); // a hint-only change needs no new layout
  EXPECT_EQ(child->EffectiveOptions(), 0);
  EXPECT_EQ(rec.Take(), QStringList{"InvalidateAndResize -1 child"});

  grandchild->SetInheritOptions(false);
  grandchild->SetOptions(tboSameWidth);
  child->SetMaskOptions(0);
  EXPECT_EQ(child->EffectiveOptions(), tboToolbarStyle | tboToolbarSize | tboShowHint);
  EXPECT_EQ(grandchild->EffectiveOptions(), tboSameWidth);
  grandchild->SetInheritOptions(true);
  EXPECT_EQ(grandchild->EffectiveOptions(), tboToolbarStyle | tboToolbarSize | tboShowHint | tboSameWidth);
}

// --- child list ---------------------------------------------------------------

TEST(ToolbarItem, InsertMoveAndDeleteNotifyInOrderWithIndexes) {
  TTree t;
  auto *c = Named(new TTbrCustomItem, "c");
  t.root.Insert(1, c);
  EXPECT_EQ(t.rec.Take(), (QStringList{"BeginUpdate -1 -", "Inserted 1 c", "EndUpdate -1 -"}));
  t.root.Move(0, 2);
  EXPECT_EQ(t.rec.Take(), (QStringList{"BeginUpdate -1 -", "Deleting 0 a", "BeginUpdate -1 -", "Inserted 2 a",
                                       "EndUpdate -1 -", "EndUpdate -1 -"}));
  t.root.Move(1, 1);
  EXPECT_EQ(t.rec.Take(), QStringList());
  EXPECT_EQ(t.root.Items(0), c);
  EXPECT_EQ(t.root[1], t.b);
  EXPECT_EQ(t.root.IndexOf(t.a), 2);

  t.root.Delete(1);
  t.root.Remove(c);
  t.root.Remove(c); // not a child any more: nothing happens
  EXPECT_EQ(t.rec.Take(), (QStringList{"Deleting 1 b", "Deleting 0 c"}));
  EXPECT_EQ(t.b->Parent(), nullptr);
  EXPECT_EQ(t.root.Count(), 1);
  std::unique_ptr<TTbrCustomItem> b(t.b), cc(c); // taken out, not freed

  QStringList order;
  t.root.Add(b.release());
  t.root.GetChildren([&](TTbrCustomItem *i) { order << i->Name(); });
  EXPECT_EQ(order, (QStringList{"a", "b"}));
}

TEST(ToolbarItem, IndexAndInsertionErrors) {
  TTree t;
  auto expectError = [](const std::function<void()> &f, const char *message) {
    try {
      f();
      ADD_FAILURE() << "no error";
    } catch (const ETBItemError &e) {
      EXPECT_STREQ(e.what(), message);
    }
  };
  TTbrCustomItem loose;
  expectError([&] { t.root.Items(2); }, SItemIndexOutOfRange);
  expectError([&] { t.root.Items(-1); }, SItemIndexOutOfRange);
  expectError([&] { t.root.Insert(3, &loose); }, SItemIndexOutOfRange); // Count + 1
  expectError([&] { t.root.Insert(-1, &loose); }, SItemIndexOutOfRange);
  expectError([&] { t.root.Delete(2); }, SItemIndexOutOfRange);
  expectError([&] { t.root.Move(0, 2); }, SItemIndexOutOfRange);
  expectError([&] { t.root.Move(5, 0); }, SItemIndexOutOfRange);
  TTbrCustomItem other;
  expectError([&] { other.Add(t.a); }, SItemAlreadyInserted);
  expectError([&] { t.a->Add(&t.root); }, SItemAlreadyInserted); // an item inside itself
  expectError([&] { t.root.Add(&t.root); }, SItemAlreadyInserted);
  EXPECT_EQ(t.rec.Take(), QStringList());
  EXPECT_EQ(t.root.Count(), 2);
  EXPECT_EQ(t.a->Parent(), &t.root);
}

TEST(ToolbarItem, AHandlerThatUnregistersItselfDoesNotMakeTheWalkSkipTheNext) {
  TTbrCustomItem item;
  TRecorder first, second, third;
  first.Watch(&item);
  second.Watch(&item);
  third.Watch(&item);
  first.Then = [&] { item.UnregisterNotification(&first); };
  item.SetLinkSubitems(new TTbrCustomItem); // any change of the item's own
  TTbrCustomItem *linked = item.LinkSubitems();
  EXPECT_EQ(first.Log.size(), 1);
  EXPECT_EQ(second.Log.size(), 1);
  EXPECT_EQ(third.Log.size(), 1);

  // Counted registration: two registrations need two unregistrations.
  second.Watch(&item);
  EXPECT_EQ(item.NotificationCount(&second), 2);
  item.UnregisterNotification(&second);
  item.SetLinkSubitems(nullptr);
  EXPECT_EQ(second.Log.size(), 2);
  item.UnregisterNotification(&second);
  item.UnregisterNotification(&second); // unknown: nothing happens
  item.SetLinkSubitems(linked);
  EXPECT_EQ(second.Log.size(), 2);
  EXPECT_EQ(third.Log.size(), 3);
  EXPECT_EQ(first.Log.size(), 1);
  item.SetLinkSubitems(nullptr);
  delete linked;
}

TEST(ToolbarItem, EmbeddedGroupsRelayTheirChangesToTheirParent) {
  TTree t;
  auto *group = Named(new TGroupItem, "group");
  t.root.Add(group);
  t.rec.Take();
  TRecorder onGroup;
  onGroup.Watch(group);
  auto *inner = Named(new TTbrCustomItem, "inner");
  group->Add(inner);
  inner->SetCaption("Inner");
  const QStringList relayed{"BeginUpdate -1 - via group", "Inserted 0 inner via group", "EndUpdate -1 - via group",
                            "InvalidateAndResize -1 inner via group"};
  EXPECT_EQ(t.rec.Take(), relayed);
  EXPECT_EQ(onGroup.Take(), (QStringList{"BeginUpdate -1 -", "Inserted 0 inner", "EndUpdate -1 -",
                                         "InvalidateAndResize -1 inner"}));

  // A nested group relays through both levels, naming the group where the change began.
  auto *nested = Named(new TGroupItem, "nested");
  group->Add(nested);
  t.rec.Take();
  nested->Add(Named(new TTbrCustomItem, "deep"));
  EXPECT_EQ(t.rec.Take()[1], "Inserted 0 deep via nested");
}

TEST(ToolbarItem, LinkedSubitemsAreSeenThroughTheLink) {
  TTree t;
  TTbrCustomItem source;
  Named(&source, "source");
  auto *shared = Named(new TTbrCustomItem, "shared");
  source.Add(shared);

  t.a->SetLinkSubitems(t.a);
  EXPECT_EQ(t.a->LinkSubitems(), nullptr); // linking an item to itself leaves the link empty
  EXPECT_EQ(TTbrCustomItem::ItemContainingItems(t.a), t.a);
  t.a->SetLinkSubitems(&source);
  EXPECT_EQ(TTbrCustomItem::ItemContainingItems(t.a), &source);
  EXPECT_EQ(source.LinkParents(), QList<TTbrCustomItem *>{t.a});

  // A linking embedded group passes the target's changes on to its own parent, as itself.
  auto *group = Named(new TGroupItem, "linkgroup");
  t.root.Add(group);
  group->SetLinkSubitems(&source);
  t.rec.Take();
  TRecorder onGroup;
  onGroup.Watch(group);
  source.Add(Named(new TTbrCustomItem, "more"));
  EXPECT_EQ(t.rec.Take(), (QStringList{"BeginUpdate -1 - via linkgroup", "Inserted 1 more via linkgroup",
                                       "EndUpdate -1 - via linkgroup"}));
  EXPECT_EQ(onGroup.Take(), QStringList()); // views showing the target register with the target

  // Unlinking and a target that goes away.
  t.a->SetLinkSubitems(nullptr);
  EXPECT_EQ(source.LinkParents(), QList<TTbrCustomItem *>{group});
  {
    TTbrCustomItem gone;
    group->SetLinkSubitems(&gone);
    onGroup.Take();
  }
  EXPECT_EQ(group->LinkSubitems(), nullptr);
  EXPECT_EQ(onGroup.Take(), QStringList{"SubitemsChanged -1 -"});
  EXPECT_TRUE(source.LinkParents().isEmpty());
}

TEST(ToolbarItem, DestructionFreesChildrenLastFirstAndTellsListeners) {
  auto t = std::make_unique<TTree>();
  TRecorder onA;
  onA.Watch(t->a);
  t->a->Add(Named(new TTbrCustomItem, "a1"));
  t->a->Add(Named(new TTbrCustomItem, "a2"));
  onA.Take();
  delete t->a;
  EXPECT_EQ(onA.Take(), (QStringList{"Deleting 1 a2", "Deleting 0 a1", "destroying a"}));
  EXPECT_EQ(t->rec.Take(), QStringList{"Deleting 0 a"});
  EXPECT_EQ(t->root.Count(), 1);
}

// --- commands -----------------------------------------------------------------

TEST(ToolbarItem, ClickTogglesAutoCheckBeforeOnClickAndIgnoresDisabledItems) {
  TTbrCustomItem item;
  QList<bool> seen;
  item.SetOnClick([&](TTbrCustomItem *sender) { seen << sender->Checked(); });
  item.SetAutoCheck(true);
  item.Click();
  item.Click();
  EXPECT_EQ(seen, (QList<bool>{true, false}));
  item.SetEnabled(false);
  item.Click();
  EXPECT_EQ(seen.size(), 2);
  EXPECT_FALSE(item.Checked());
}

TEST(ToolbarItem, FirePopupRunsOnPopupThenClicksExceptCombos) {
  QStringList calls;
  TTbrCustomItem item;
  TComboItem combo;
  for (TTbrCustomItem *i : {&item, static_cast<TTbrCustomItem *>(&combo)}) {
    i->SetOnPopup([&](TTbrCustomItem *, bool fromLink) { calls << QStringLiteral("popup %1").arg(fromLink); });
    i->SetOnClick([&](TTbrCustomItem *) { calls << "click"; });
  }
  item.FirePopup(&item, false);
  combo.FirePopup(&combo, true);
  EXPECT_EQ(calls, (QStringList{"popup 0", "click", "popup 1"}));

  TTbrItemViewer *viewer = reinterpret_cast<TTbrItemViewer *>(&calls); // only passed through
  item.SetOnSelect([&](TTbrCustomItem *sender, TTbrItemViewer *v, bool selecting) {
    EXPECT_EQ(sender, &item);
    EXPECT_EQ(v, viewer);
    calls << QStringLiteral("select %1").arg(selecting);
  });
  item.FireSelect(viewer, true);
  EXPECT_EQ(calls.last(), "select 1");
}

TEST(ToolbarItem, DeferredClickRunsAfterTheCurrentInputAndNeverOnADeletedItem) {
  QStringList clicks;
  auto *kept = new TTbrCustomItem;
  auto *deleted = new TTbrCustomItem;
  kept->SetOnClick([&](TTbrCustomItem *) { clicks << "kept"; });
  deleted->SetOnClick([&](TTbrCustomItem *) { clicks << "deleted"; });
  deleted->QueueClick();
  kept->QueueClick();
  EXPECT_TRUE(clicks.isEmpty()); // not while the menu is still handling input
  EXPECT_EQ(DeferredPendingCount(), 2);
  delete deleted;
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, QStringList{"kept"});
  EXPECT_EQ(DeferredPendingCount(), 0);

  // A slot freed by a cancelled click is not reused before its delivery arrives.
  auto *other = new TTbrCustomItem;
  other->SetOnClick([&](TTbrCustomItem *) { clicks << "other"; });
  auto *gone = new TTbrCustomItem;
  gone->QueueClick();
  delete gone;
  other->QueueClick();
  EXPECT_EQ(DeferredPendingCount(), 2);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, (QStringList{"kept", "other"}));

  // With the last item gone the queue goes too; a click still waiting is dropped.
  kept->QueueClick();
  delete kept;
  delete other;
  EXPECT_EQ(DeferredLiveCount(), 0);
  EXPECT_FALSE(DeferredQueueExists());
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks.size(), 2);
}

TEST(ToolbarItem, AnErrorInADeferredClickGoesToTheHandlerAndTheNextClickStillRuns) {
  QStringList seen;
  SetToolbarExceptionHandler([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception &error) {
      seen << error.what();
    }
  });
  TTbrCustomItem failing, fine;
  failing.SetOnClick([](TTbrCustomItem *) { throw std::runtime_error("disk full"); });
  fine.SetOnClick([&](TTbrCustomItem *) { seen << "fine"; });
  failing.QueueClick();
  fine.QueueClick();
  QCoreApplication::processEvents();
  SetToolbarExceptionHandler(nullptr);
  EXPECT_EQ(seen, (QStringList{"disk full", "fine"}));
}

TEST(ToolbarItem, AnItemDeletingItselfInItsDeferredClick) {
  auto *item = new TTbrCustomItem;
  bool clicked = false;
  item->SetOnClick([&](TTbrCustomItem *self) {
    clicked = true;
    delete self;
  });
  item->QueueClick();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(DeferredLiveCount(), 0);
  EXPECT_FALSE(DeferredQueueExists());
}

// --- shortcuts ------------------------------------------------------------------

TEST(ToolbarItem, ShortCutTextComesFromTheCaptionTabElseTheShortCut) {
  TTbrCustomItem item;
  EXPECT_EQ(item.ShortCutText(), "");
  item.SetShortCut(MakeShortCut(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier));
  EXPECT_EQ(item.ShortCutText(), "Ctrl+Shift+S");
  item.SetCaption("&Save\tCtrl+S\tmore");
  EXPECT_EQ(item.ShortCutText(), "Ctrl+S\tmore");
}

TEST(ToolbarItem, ShortCutDispatchOpensEachItemOnThePathThenClicks) {
  const TShortCut ctrlN = MakeShortCut(Qt::Key_N, Qt::ControlModifier);
  TTbrRootItem root;
  auto *file = Named(new TTbrCustomItem, "file");
  auto *recent = Named(new TTbrCustomItem, "recent");
  auto *target = Named(new TTbrCustomItem, "new");
  root.Add(file);
  file->Add(recent);
  recent->Add(target);
  target->SetShortCut(ctrlN);
  QStringList calls;
  for (TTbrCustomItem *i : {file, recent, target}) {
    i->SetOnPopup([&calls, i](TTbrCustomItem *, bool link) { calls << i->Name() + (link ? " link" : " popup"); });
    i->SetOnClick([&calls, i](TTbrCustomItem *) { calls << i->Name() + " click"; });
  }
  TTbrCustomItem *top = nullptr;
  EXPECT_EQ(root.FindItemByShortCut(ctrlN, &top), target);
  EXPECT_EQ(top, file);
  EXPECT_EQ(root.FindItemByShortCut(MakeShortCut(Qt::Key_Q, Qt::ControlModifier)), nullptr);

  EXPECT_TRUE(root.DispatchShortCut(ctrlN));
  EXPECT_EQ(calls, (QStringList{"file popup", "file click", "recent popup", "recent click", "new click"}));

  calls.clear();
  recent->SetEnabled(false);
  EXPECT_FALSE(root.DispatchShortCut(ctrlN));
  EXPECT_EQ(calls, (QStringList{"file popup", "file click"}));
  recent->SetEnabled(true);
  target->SetEnabled(false);
  calls.clear();
  EXPECT_FALSE(root.DispatchShortCut(ctrlN));
  EXPECT_FALSE(root.DispatchShortCut(0));

  // A popup handler that rebuilds the menu: the search starts again from the root.
  target->SetEnabled(true);
  calls.clear();
  file->SetOnPopup([&](TTbrCustomItem *, bool) {
    if (target->Parent() == recent) {
      recent->Remove(target);
      root.Add(target);
    }
  });
  EXPECT_TRUE(root.DispatchShortCut(ctrlN));
  EXPECT_EQ(calls, (QStringList{"file click", "new click"}));
}

TEST(ToolbarItem, ShortCutSearchFollowsAtMost25LinksOnABranch) {
  const TShortCut f2 = MakeShortCut(Qt::Key_F2);
  auto chain = [&](int links, TTbrCustomItem &root) {
    // root > a1 -link-> x1 > a2 -link-> x2 ... > target
    std::vector<std::unique_ptr<TTbrCustomItem>> targets;
    TTbrCustomItem *at = &root;
    for (int i = 0; i < links; ++i) {
      auto *hop = new TTbrCustomItem;
      at->Add(hop);
      targets.push_back(std::make_unique<TTbrCustomItem>());
      hop->SetLinkSubitems(targets.back().get());
      at = targets.back().get();
    }
    auto *target = new TTbrCustomItem;
    target->SetShortCut(f2);
    at->Add(target);
    TTbrCustomItem *found = root.FindItemByShortCut(f2);
    while (root.Count())
      delete root.Items(0);
    return found != nullptr;
  };
  TTbrRootItem root;
  EXPECT_TRUE(chain(25, root));
  EXPECT_FALSE(chain(26, root));

  // Links in a loop end too.
  TTbrCustomItem x, y;
  auto *toY = new TTbrCustomItem, *toX = new TTbrCustomItem;
  x.Add(toY);
  y.Add(toX);
  toY->SetLinkSubitems(&y);
  toX->SetLinkSubitems(&x);
  EXPECT_EQ(x.FindItemByShortCut(f2), nullptr);
}

// --- action link ------------------------------------------------------------------

class TTestAction : public TTbrAction {
public:
  using TTbrAction::SetValues;
  bool Execute() override {
    ++Executed;
    if (Values().AutoCheck) {
      TTbrActionValues v = Values();
      v.Checked = !v.Checked;
      SetValues(v);
    }
    return true;
  }
  bool IsLoading() const override { return Loading; }
  int Executed = 0;
  bool Loading = false;
};

TEST(ToolbarItem, AnActionSuppliesItsValuesAndFollowsOnlyLinkedOnes) {
  TTestAction action;
  TTbrActionValues v;
  v.Caption = "&Open";
  v.Hint = "Open|Opens a file";
  v.ImageIndex = 3;
  v.ShortCut = MakeShortCut(Qt::Key_O, Qt::ControlModifier);
  v.HelpContext = 12;
  action.SetValues(v);

  TTree t;
  t.a->SetAction(&action);
  EXPECT_EQ(t.a->Caption(), "&Open");
  EXPECT_EQ(t.a->Hint(), "Open|Opens a file");
  EXPECT_EQ(t.a->ImageIndex(), 3);
  EXPECT_EQ(t.a->ShortCut(), v.ShortCut);
  EXPECT_EQ(t.a->HelpContext(), 12);
  EXPECT_FALSE(t.a->IsStored(TTbrActionProperty::Caption));
  EXPECT_FALSE(t.a->IsStored(TTbrActionProperty::OnExecute));
  t.rec.Take();

  v.Caption = "&Open...";
  v.Enabled = false;
  action.SetValues(v);
  EXPECT_EQ(t.a->Caption(), "&Open...");
  EXPECT_FALSE(t.a->Enabled());
  EXPECT_EQ(t.rec.Take(), (QStringList{"InvalidateAndResize -1 a", "Invalidate -1 a"}));

  // The item's own caption breaks that link only.
  t.a->SetCaption("Mine");
  EXPECT_TRUE(t.a->IsStored(TTbrActionProperty::Caption));
  v.Caption = "Theirs";
  v.Enabled = true;
  action.SetValues(v);
  EXPECT_EQ(t.a->Caption(), "Mine");
  EXPECT_TRUE(t.a->Enabled());

  // Clicks run the action unless the item has an OnClick of its own.
  t.a->Click();
  EXPECT_EQ(action.Executed, 1);
  int own = 0;
  t.a->SetOnClick([&](TTbrCustomItem *) { ++own; });
  t.a->Click();
  EXPECT_EQ(action.Executed, 1);
  EXPECT_EQ(own, 1);
  EXPECT_TRUE(t.a->IsStored(TTbrActionProperty::OnExecute));
}

TEST(ToolbarItem, AutoCheckThroughTheActionAndALoadingActionFillsOnlyDefaults) {
  TTestAction action;
  TTbrActionValues v;
  v.AutoCheck = true;
  v.Caption = "Bold";
  action.SetValues(v);
  TTbrCustomItem item;
  item.SetAction(&action);
  item.Click(); // the action toggles; the item follows its Checked
  EXPECT_EQ(action.Executed, 1);
  EXPECT_TRUE(action.Values().Checked);
  EXPECT_TRUE(item.Checked());
  item.SetAction(nullptr);
  EXPECT_EQ(item.Action(), nullptr);

  TTestAction loading;
  loading.Loading = true;
  TTbrActionValues lv;
  lv.Caption = "From action";
  lv.Hint = "Hint";
  loading.SetValues(lv);
  TTbrCustomItem own;
  own.SetCaption("Own");
  own.SetAction(&loading);
  EXPECT_EQ(own.Caption(), "Own");
  EXPECT_EQ(own.Hint(), "Hint");
}

TEST(ToolbarItem, AnActionThatGoesAwayLeavesTheItemUnlinked) {
  TTbrCustomItem item;
  {
    TTestAction action;
    TTbrActionValues v;
    v.Caption = "Gone";
    action.SetValues(v);
    item.SetAction(&action);
  }
  EXPECT_EQ(item.Action(), nullptr);
  EXPECT_EQ(item.Caption(), "Gone");
  item.Click(); // nothing left to run, and no crash
  auto *other = new TTestAction;
  item.SetAction(other);
  delete other;
  EXPECT_EQ(item.ActionLink(), nullptr);
}

TEST(ToolbarItem, AControlItemFreesItsControlUnlessKeptAndForgetsADestroyedOne) {
  QPointer<QObject> owned = new QObject, kept = new QObject;
  {
    TTbrControlItem a(owned), b(kept);
    b.SetKeepControl(true);
    TTbrControlItem c(new QObject);
    delete c.Control();
    EXPECT_EQ(c.Control(), nullptr);
  }
  EXPECT_TRUE(owned.isNull());
  EXPECT_FALSE(kept.isNull());
  delete kept;
}

TEST(ToolbarItem, ParentComponentGoesBelowAnItemOrAnOwnersRoot) {
  struct TOwner : ITBItemsProvider {
    TTbrRootItem Root;
    TTbrCustomItem *GetItems() override { return &Root; }
  } owner;
  owner.Root.SetRootOwner(&owner);
  auto *item = new TTbrCustomItem;
  item->SetParentComponent(static_cast<ITBItemsProvider *>(&owner));
  EXPECT_EQ(item->Parent(), &owner.Root);
  EXPECT_EQ(item->ParentComponent(), &owner);
  TTbrCustomItem other;
  item->SetParentComponent(&other);
  EXPECT_EQ(owner.Root.Count(), 0);
  EXPECT_EQ(item->Parent(), &other);
  EXPECT_EQ(item->ParentComponent(), nullptr);
}

} // namespace
