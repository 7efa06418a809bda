#include "toolbars/core/tbitem.h"
#include "toolbars/core/tbview.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include "tests/toolbars/toolbartest.h"


using namespace qel::toolbars;
using namespace qel::toolbars::test;
namespace Style = qel::toolbars::tbis;

namespace {

// A window stand-in: records what the view asks of it and opens popups as
// views of the opening item's children.
class TTestHost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return measure_; }
  void AutoSize(const QSize &size) override { Size = size; }
  TTbrView *OpenPopup(TTbrView *parent, TTbrItemViewer *viewer, bool asSubmenu, bool selectFirst) override {
    if (viewer->Item->Count() == 0)
      return nullptr;
    auto host = std::make_unique<TTestHost>();
    auto view = std::make_unique<TTbrView>(host.get(), parent, viewer->Item, false);
    view->SetMenuMode(true);
    view->ValidatePositions();
    if (selectFirst)
      view->Select(view->FirstSelectable(), false);
    TTbrView *made = view.get();
    Opened.append(QStringLiteral("%1%2").arg(viewer->Item->Caption(), asSubmenu ? " beside" : " below"));
    host->Popup = std::move(view);
    Popups[made] = std::move(host);
    return made;
  }
  void ClosePopup(TTbrView *popupView) override {
    auto it = Popups.find(popupView);
    if (it == Popups.end())
      return;
    auto host = std::move(it->second);
    Popups.erase(it);
    host->Popup.reset();
  }
  void StartTimer(TTbrViewTimer timer, int milliseconds) override { Timers[timer] = milliseconds; }
  void StopTimer(TTbrViewTimer timer) override { Timers.erase(timer); }
  void EndModal() override { ++EndModals; }
  void FocusEvent(int child) override { Focus.append(child); }

  QSize Size;
  int EndModals = 0;
  QList<int> Focus;
  QStringList Opened;
  std::map<TTbrViewTimer, int> Timers;
  std::map<TTbrView *, std::unique_ptr<TTestHost>> Popups;
  std::unique_ptr<TTbrView> Popup; // the view this host shows, when it is a popup's

private:
  TFixedMeasure measure_{7};
};

TTestHost *HostOf(TTbrView *view) { return static_cast<TTestHost *>(view->Host()); }

class TGroupItem : public TTbrCustomItem {
public:
  TGroupItem() { SetItemStyle(ItemStyle() | Style::EmbeddedGroup); }
};
class TStyledItem : public TTbrCustomItem {
public:
  explicit TStyledItem(TTbrItemStyle extra) { SetItemStyle(ItemStyle() | extra); }
};

TTbrCustomItem *AddSeparator(TTbrCustomItem *parent) {
  auto *item = new TTbrSeparatorItem;
  parent->Add(item);
  return item;
}

TTbrCustomItem *ByCaption(TTbrCustomItem *parent, const QString &caption) {
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->Items(i)->Caption() == caption)
      return parent->Items(i);
  return nullptr;
}

QString CaptionOf(const TTbrItemViewer *viewer) { return viewer ? viewer->Item->Caption() : QStringLiteral("-"); }

// The viewers as "caption/level", internal viewers included.
QStringList ViewerList(const TTbrView &view) {
  QStringList out;
  for (int i = 0; i < view.ViewerCount(); ++i)
    out << QStringLiteral("%1/%2").arg(view.Viewers(i)->Item->Caption()).arg(view.Viewers(i)->GroupLevel);
  return out;
}

// What the viewers should be: the children, with an embedded group's
// children inline after it one level deeper.
void Expected(TTbrCustomItem *item, int level, QStringList &out) {
  for (int i = 0; i < item->Count(); ++i) {
    TTbrCustomItem *child = item->Items(i);
    out << QStringLiteral("%1/%2").arg(child->Caption()).arg(level);
    if (child->HasStyle(Style::EmbeddedGroup))
      Expected(TTbrCustomItem::ItemContainingItems(child), level + 1, out);
  }
}

TEST(ToolbarView, NotificationStormKeepsViewersInStep) {
  TTbrRootItem root;
  TTestHost host;
  TTbrView view(&host, nullptr, &root, true);
  auto *group = Add<TGroupItem>(&root, "group");
  QRandomGenerator random(47);
  QList<TTbrCustomItem *> items;
  for (int i = 0; i < 1000; ++i) {
    TTbrCustomItem *parent = random.bounded(4) == 0 ? static_cast<TTbrCustomItem *>(group) : &root;
    auto *item = new TTbrCustomItem;
    item->SetCaption(QString::number(i));
    parent->Insert(random.bounded(parent->Count() + 1), item);
    items.append(item);
  }
  for (int i = 0; i < 500; ++i)
    delete items.takeAt(random.bounded(items.size()));

  QStringList expected;
  Expected(&root, 0, expected);
  EXPECT_EQ(root.Count() + group->Count(), 501);
  EXPECT_EQ(ViewerList(view), expected);
  // The group's own viewer takes no place; its children show where it is.
  EXPECT_FALSE(view.Find(group)->Show);
  EXPECT_TRUE(view.Validated());

  // Moving an item is a delete and an insert.
  root.Move(root.Count() - 1, 0);
  group->Move(0, group->Count() - 1);
  expected.clear();
  Expected(&root, 0, expected);
  EXPECT_EQ(ViewerList(view), expected);

  // Removing the group takes its inline viewers along.
  root.Remove(group);
  expected.clear();
  Expected(&root, 0, expected);
  EXPECT_EQ(ViewerList(view), expected);
  delete group;
  EXPECT_EQ(ViewerList(view), expected);
}

TEST(ToolbarView, GroupsInsideGroupsAndLinkedSubitems) {
  TTbrRootItem root, library;
  TTestHost host;
  Add(&library, "x");
  Add(&library, "y");
  Add(&root, "a");
  auto *outer = Add<TGroupItem>(&root, "outer");
  auto *inner = Add<TGroupItem>(outer, "inner");
  Add(inner, "i1");
  auto *linked = Add<TGroupItem>(&root, "linked");
  linked->SetLinkSubitems(&library);
  TTbrView view(&host, nullptr, &root, true);
  EXPECT_EQ(ViewerList(view).join(' '), "a/0 outer/0 inner/1 i1/2 linked/0 x/1 y/1");

  // A change deep in a group and in a linked container reaches the view.
  inner->Insert(0, new TTbrCustomItem);
  inner->Items(0)->SetCaption("i0");
  Add(&library, "z");
  EXPECT_EQ(ViewerList(view).join(' '), "a/0 outer/0 inner/1 i0/2 i1/2 linked/0 x/1 y/1 z/1");
  delete library.Items(0);
  EXPECT_EQ(ViewerList(view).join(' '), "a/0 outer/0 inner/1 i0/2 i1/2 linked/0 y/1 z/1");

  // The view's own parent item linked elsewhere shows the other children.
  TTbrRootItem shown;
  TTestHost host2;
  TTbrView linkedView(&host2, nullptr, &shown, false);
  EXPECT_EQ(linkedView.ViewerCount(), 0);
  shown.SetLinkSubitems(&library);
  EXPECT_EQ(ViewerList(linkedView).join(' '), "y/0 z/0");
  Add(&library, "w");
  EXPECT_EQ(ViewerList(linkedView).join(' '), "y/0 z/0 w/0");
  shown.SetLinkSubitems(nullptr);
  EXPECT_EQ(linkedView.ViewerCount(), 0);
}

TEST(ToolbarView, DeletedSelectionAndOpenItem) {
  TTbrRootItem root;
  TTestHost host;
  TTbrView view(&host, nullptr, &root, true);
  Add(&root, "a");
  auto *b = Add(&root, "b");
  auto *menu = Add<TSubmenuItem>(&root, "menu");
  Add(menu, "m1");
  view.SetMenuMode(true);

  view.Select(view.Find(b), false);
  view.ExecuteSelected(true);
  EXPECT_EQ(view.DoneAction.ClickItem, b);
  delete b; // chosen, then deleted before the menu closed: nothing is left to run
  EXPECT_EQ(view.Selected(), nullptr);
  EXPECT_EQ(view.DoneAction.Kind, TTbrDoneActionKind::None);
  EXPECT_EQ(view.DoneAction.ClickItem, nullptr);
  EXPECT_EQ(ViewerList(view).join(' '), "a/0 menu/0");

  view.Select(view.Find(menu), false);
  ASSERT_TRUE(view.OpenChildPopup(true));
  EXPECT_EQ(host.Popups.size(), 1u);
  delete menu->Items(0); // the open popup follows its items too
  EXPECT_EQ(view.OpenViewerView()->ViewerCount(), 0);
  delete menu;
  EXPECT_EQ(view.Selected(), nullptr);
  EXPECT_EQ(view.OpenViewer(), nullptr);
  EXPECT_TRUE(host.Popups.empty());
  EXPECT_THROW(view.Find(menu), ETBItemError);
}

struct TMenuBar {
  TTbrRootItem root;
  TTestHost host;
  std::unique_ptr<TTbrView> view;
  TSubmenuItem *file, *edit, *recent;
  TMenuBar() {
    file = Add<TSubmenuItem>(&root, "&File");
    Add(file, "&New");
    Add(file, "&Open");
    recent = Add<TSubmenuItem>(file, "&Recent");
    Add(recent, "one");
    Add(recent, "two");
    edit = Add<TSubmenuItem>(&root, "&Edit");
    Add(edit, "Cu&t");
    view = std::make_unique<TTbrView>(&host, nullptr, &root, true);
    view->Style |= tbvsMenuBar;
    view->ValidatePositions();
    view->SetMenuMode(true);
  }
  void Key(TTbrView *v, int key, Qt::KeyboardModifiers shift = Qt::NoModifier) {
    int k = key;
    v->KeyDown(k, shift);
    EXPECT_EQ(k, 0);
  }
};

TEST(ToolbarView, ChainWalkedUpAndDownByKeyboard) {
  TMenuBar m;
  TTbrView *bar = m.view.get();
  bar->Select(bar->Find(m.file), false);
  m.Key(bar, Qt::Key_Down);
  TTbrView *file = bar->OpenViewerView();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(m.host.Opened, QStringList{"&File below"});
  EXPECT_EQ(file->ParentView(), bar);
  EXPECT_EQ(CaptionOf(file->Selected()), "&New");

  m.Key(file, Qt::Key_Down);
  m.Key(file, Qt::Key_Down);
  m.Key(file, Qt::Key_Right); // opens Recent beside, its first item selected
  TTbrView *recent = file->OpenViewerView();
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(HostOf(file)->Opened, QStringList{"&Recent beside"});
  EXPECT_EQ(recent->GetRootView(), bar);
  EXPECT_EQ(recent->GetParentToolbarView(), bar);
  EXPECT_EQ(CaptionOf(recent->Selected()), "one");

  m.Key(recent, Qt::Key_Left); // deeper popup: closes itself only
  EXPECT_EQ(file->OpenViewerView(), nullptr);
  EXPECT_EQ(bar->OpenViewerView(), file);

  m.Key(file, Qt::Key_Right);
  recent = file->OpenViewerView();
  ASSERT_NE(recent, nullptr);
  m.Key(recent, Qt::Key_Escape); // Esc closes only that popup
  EXPECT_EQ(file->OpenViewerView(), nullptr);
  EXPECT_EQ(bar->OpenViewerView(), file);
  EXPECT_EQ(m.host.EndModals, 0);

  // Right on an item without a submenu: the menu bar moves on and, being in
  // drop-down mode, opens the next menu with its first item selected.
  m.Key(file, Qt::Key_Up);
  m.Key(file, Qt::Key_Up);
  EXPECT_EQ(CaptionOf(file->Selected()), "&New");
  m.Key(file, Qt::Key_Right);
  EXPECT_EQ(CaptionOf(bar->Selected()), "&Edit");
  TTbrView *edit = bar->OpenViewerView();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(CaptionOf(edit->Selected()), "Cu&t");
  // Left in a first-level popup: the menu bar goes back.
  m.Key(edit, Qt::Key_Left);
  EXPECT_EQ(CaptionOf(bar->Selected()), "&File");
  ASSERT_NE(bar->OpenViewerView(), nullptr);

  m.Key(bar->OpenViewerView(), Qt::Key_Escape);
  EXPECT_EQ(bar->OpenViewerView(), nullptr);
  EXPECT_FALSE(bar->State & tbvsDropDownMode);
  EXPECT_EQ(m.host.EndModals, 0);
  m.Key(bar, Qt::Key_Escape); // Esc in the menu bar ends menu mode
  EXPECT_EQ(m.host.EndModals, 1);
  m.Key(bar, Qt::Key_F10);
  EXPECT_EQ(m.host.EndModals, 2);
}

TEST(ToolbarView, KeyboardNavigationSkipsSeparatorsAndHiddenItems) {
  TTbrRootItem root;
  TTestHost host;
  Add(&root, "A");
  AddSeparator(&root);
  Add(&root, "B")->SetVisible(false);
  Add(&root, "C")->SetEnabled(false); // disabled items are still reached
  AddSeparator(&root);
  Add(&root, "D");
  TTbrView popup(&host, nullptr, &root, false);
  popup.ValidatePositions();
  popup.SetMenuMode(true);

  struct Step {
    const char *from;
    int key;
    Qt::KeyboardModifiers shift;
    const char *to;
  };
  const Step steps[] = {
      {"-", Qt::Key_Down, {}, "A"},    {"A", Qt::Key_Down, {}, "C"},
      {"C", Qt::Key_Down, {}, "D"},    {"D", Qt::Key_Down, {}, "A"},
      {"A", Qt::Key_Up, {}, "D"},      {"-", Qt::Key_Up, {}, "D"},
      {"C", Qt::Key_Home, {}, "A"},    {"C", Qt::Key_End, {}, "D"},
      {"D", Qt::Key_Tab, {}, "A"},     {"A", Qt::Key_Tab, Qt::ShiftModifier, "D"},
      {"D", Qt::Key_Backtab, {}, "C"},
  };
  for (const Step &s : steps) {
    SCOPED_TRACE(std::string(s.from) + " key " + std::to_string(s.key));
    popup.Select(QString(s.from) == "-" ? nullptr : popup.Find(ByCaption(&root, s.from)), false);
    int key = s.key;
    popup.KeyDown(key, s.shift);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(CaptionOf(popup.Selected()), s.to);
  }
  EXPECT_EQ(CaptionOf(popup.FirstSelectable()), "A");
  EXPECT_EQ(popup.Find(root.Items(2))->Show, false);

  // F1 leaves help for the selected item's context behind and ends the menu.
  ByCaption(&root, "D")->SetHelpContext(7);
  popup.Select(popup.Find(ByCaption(&root, "D")), false);
  int f1 = Qt::Key_F1;
  popup.KeyDown(f1, {});
  EXPECT_EQ(popup.DoneAction.Kind, TTbrDoneActionKind::Help);
  EXPECT_EQ(popup.DoneAction.HelpContext, 7);
  EXPECT_EQ(host.EndModals, 1);

  // A horizontal toolbar moves with Left and Right; a vertical one with Up and Down.
  TTbrRootItem barRoot;
  Add(&barRoot, "1");
  Add(&barRoot, "2");
  TTestHost barHost;
  TTbrView bar(&barHost, nullptr, &barRoot, true);
  bar.ValidatePositions();
  bar.SetMenuMode(true);
  int key = Qt::Key_Right;
  bar.KeyDown(key, {});
  EXPECT_EQ(CaptionOf(bar.Selected()), "1");
  key = Qt::Key_Left;
  bar.KeyDown(key, {});
  EXPECT_EQ(CaptionOf(bar.Selected()), "2");
  bar.Orientation = tbvoVertical;
  key = Qt::Key_Down;
  bar.KeyDown(key, {});
  EXPECT_EQ(CaptionOf(bar.Selected()), "1");
  key = Qt::Key_A; // not a navigation key: left for others
  bar.KeyDown(key, {});
  EXPECT_EQ(key, Qt::Key_A);
}

TEST(ToolbarView, FirstSelectableSkipsDontSelectFirst) {
  TTbrRootItem root;
  TTestHost host;
  auto *title = new TStyledItem(Style::DontSelectFirst);
  title->SetCaption("title");
  root.Add(title);
  Add(&root, "first");
  TTbrView popup(&host, nullptr, &root, false);
  popup.ValidatePositions();
  EXPECT_EQ(CaptionOf(popup.FirstSelectable()), "first");
  delete root.Items(1);
  EXPECT_EQ(CaptionOf(popup.FirstSelectable()), "title"); // unless all have it
}

TEST(ToolbarView, AcceleratorsWithDoubledAmpersands) {
  TTbrRootItem root;
  TTestHost host;
  Add(&root, "&Fish");
  auto *chips = Add(&root, "Fish && &Chips");
  Add(&root, "&Fork");
  auto *rnd = Add(&root, "R&&D");
  auto *amp = Add(&root, "&&Amp");
  Add(&root, "&Edit")->SetEnabled(false);
  Add(&root, " spaced");
  TTbrView popup(&host, nullptr, &root, false);
  popup.ValidatePositions();
  popup.SetMenuMode(true);

  // Two items share F: each press selects the next, nothing runs.
  EXPECT_TRUE(popup.HandleChar(U'f'));
  EXPECT_EQ(CaptionOf(popup.Selected()), "&Fish");
  EXPECT_TRUE(popup.HandleChar(U'F'));
  EXPECT_EQ(CaptionOf(popup.Selected()), "&Fork");
  EXPECT_TRUE(popup.HandleChar(U'f'));
  EXPECT_EQ(CaptionOf(popup.Selected()), "&Fish");
  EXPECT_EQ(popup.DoneAction.Kind, TTbrDoneActionKind::None);

  // One item has C (after a doubled ampersand): it runs.
  EXPECT_TRUE(popup.HandleChar(U'c'));
  EXPECT_EQ(popup.DoneAction.Kind, TTbrDoneActionKind::ClickItem);
  EXPECT_EQ(popup.DoneAction.ClickItem, chips);
  EXPECT_TRUE(popup.DoneAction.Sound);

  // "R&&D" has no accelerator: its first character answers.
  popup.DoneAction = {};
  EXPECT_TRUE(popup.HandleChar(U'r'));
  EXPECT_EQ(popup.DoneAction.ClickItem, rnd);
  // A typed "&" is the first character of "&&Amp", never an accelerator.
  popup.DoneAction = {};
  EXPECT_TRUE(popup.HandleChar(U'&'));
  EXPECT_EQ(popup.DoneAction.ClickItem, amp);

  // A disabled item's accelerator selects it and ends the menu, running nothing.
  popup.DoneAction = {};
  EXPECT_TRUE(popup.HandleChar(U'e'));
  EXPECT_EQ(CaptionOf(popup.Selected()), "&Edit");
  EXPECT_EQ(popup.DoneAction.Kind, TTbrDoneActionKind::None);
  EXPECT_EQ(host.EndModals, 1);

  // A space never matches a first character; an unknown letter nothing.
  EXPECT_FALSE(popup.HandleChar(U' '));
  EXPECT_FALSE(popup.HandleChar(U'z'));
  bool unique = false;
  EXPECT_EQ(CaptionOf(popup.NextViewerWithAccel(nullptr, U'f', true, unique)), "&Fish");
  EXPECT_FALSE(unique);
  EXPECT_EQ(popup.NextViewerWithAccel(nullptr, U'r', true, unique), nullptr);
}

QPoint Centre(TTbrView &view, TTbrCustomItem *item) { return view.Find(item)->BoundsRect.center(); }

TEST(ToolbarView, MouseOnAToolbar) {
  TTbrRootItem root;
  TTestHost host;
  auto *bold = Add(&root, "Bold");
  auto *off = Add(&root, "Off");
  off->SetEnabled(false);
  auto *menu = Add<TSubmenuItem>(&root, "Menu");
  Add(menu, "entry");
  TTbrView bar(&host, nullptr, &root, true);
  bar.ValidatePositions();
  bar.SetMenuMode(true);
  EXPECT_EQ(bar.ViewerFromPoint(Centre(bar, bold))->Item, bold);
  EXPECT_EQ(bar.ViewerFromPoint(QPoint(-1, -1)), nullptr);

  // Press and release on a button: captured, then clicked.
  bar.HandleMouseDown(Centre(bar, bold), {}, false);
  EXPECT_TRUE(bar.Capture());
  EXPECT_EQ(CaptionOf(bar.Selected()), "Bold");
  bar.HandleMouseUp(Centre(bar, bold));
  EXPECT_FALSE(bar.Capture());
  EXPECT_EQ(bar.DoneAction.Kind, TTbrDoneActionKind::ClickItem);
  EXPECT_EQ(bar.DoneAction.ClickItem, bold);
  EXPECT_FALSE(bar.DoneAction.Sound);

  // Press on a button, release elsewhere: nothing runs, the session ends.
  bar.DoneAction = {};
  bar.HandleMouseDown(Centre(bar, bold), {}, false);
  bar.HandleMouseUp(QPoint(-5, -5));
  EXPECT_EQ(bar.DoneAction.Kind, TTbrDoneActionKind::None);
  EXPECT_EQ(host.EndModals, 1);

  // A press on a submenu item opens its popup; the release keeps it open;
  // a second press on it closes the menu on release.
  bar.HandleMouseDown(Centre(bar, menu), {}, false);
  EXPECT_EQ(host.Opened, QStringList{"Menu below"});
  ASSERT_NE(bar.OpenViewerView(), nullptr);
  EXPECT_EQ(bar.OpenViewerView()->Selected(), nullptr);
  bar.HandleMouseUp(Centre(bar, menu));
  EXPECT_EQ(host.EndModals, 1);
  bar.HandleMouseDown(Centre(bar, menu), {}, false);
  EXPECT_TRUE(bar.MouseDownOnMenu());
  bar.HandleMouseUp(Centre(bar, menu));
  EXPECT_EQ(host.EndModals, 2);

  // A disabled item in the root toolbar ends the session on press.
  bar.HandleMouseDown(Centre(bar, off), {}, false);
  EXPECT_EQ(host.EndModals, 3);
}

TEST(ToolbarView, DoubleClickOnAMenuRunsItsDefaultItem) {
  TTbrRootItem root;
  TTestHost host;
  auto *menu = Add<TSubmenuItem>(&root, "Menu");
  Add(menu, "plain");
  Add(menu, "hidden default")->SetOptions(tboDefault);
  menu->Items(1)->SetVisible(false);
  auto *def = Add(menu, "default");
  def->SetOptions(tboDefault);
  TTbrView bar(&host, nullptr, &root, true);
  bar.ValidatePositions();
  bar.SetMenuMode(true);
  bar.HandleMouseDown(Centre(bar, menu), {}, true);
  EXPECT_EQ(bar.DoneAction.Kind, TTbrDoneActionKind::ClickItem);
  EXPECT_EQ(bar.DoneAction.ClickItem, def);
  EXPECT_TRUE(bar.DoneAction.Sound);
}

TEST(ToolbarView, PopupHoverOpensAndClosesSubmenusByTimer) {
  TTbrRootItem root;
  TTestHost host;
  auto *plain = Add(&root, "plain");
  auto *sub = Add<TSubmenuItem>(&root, "sub");
  auto *def = Add(sub, "default");
  def->SetOptions(tboDefault);
  TTbrView popup(&host, nullptr, &root, false);
  popup.ValidatePositions();
  popup.SetMenuMode(true);

  popup.HandleMouseMove(Centre(popup, sub));
  EXPECT_EQ(CaptionOf(popup.Selected()), "sub");
  EXPECT_TRUE(popup.SelectedViaMouse());
  ASSERT_EQ(host.Timers.count(TTbrViewTimer::Open), 1u);
  EXPECT_EQ(host.Timers[TTbrViewTimer::Open], 400);
  popup.TimerFired(TTbrViewTimer::Open);
  ASSERT_NE(popup.OpenViewerView(), nullptr);
  EXPECT_EQ(popup.OpenViewerView()->Selected(), nullptr);
  EXPECT_EQ(host.Timers.count(TTbrViewTimer::Open), 0u);

  // Moving to another item starts the close timer; it closes the submenu.
  popup.HandleMouseMove(Centre(popup, plain));
  EXPECT_EQ(host.Timers.count(TTbrViewTimer::Close), 1u);
  EXPECT_NE(popup.OpenViewerView(), nullptr);
  popup.TimerFired(TTbrViewTimer::Close);
  EXPECT_EQ(popup.OpenViewerView(), nullptr);

  // Leaving the popup drops the selection; Enter on a submenu opens it
  // with its first item selected; a click on a plain item chooses it.
  popup.UpdateSelection(std::nullopt, true);
  EXPECT_EQ(popup.Selected(), nullptr);
  popup.Select(popup.Find(sub), false);
  int key = Qt::Key_Return;
  popup.KeyDown(key, {});
  ASSERT_NE(popup.OpenViewerView(), nullptr);
  EXPECT_EQ(CaptionOf(popup.OpenViewerView()->Selected()), "default");
  popup.HandleMouseDown(Centre(popup, plain), {}, false);
  popup.HandleMouseUp(Centre(popup, plain));
  EXPECT_EQ(popup.DoneAction.ClickItem, plain);
  EXPECT_TRUE(popup.DoneAction.Sound);
}

TEST(ToolbarView, DeferredDefaultActionRunsLaterAndNeverOnAFreedViewer) {
  TTbrRootItem root;
  TTestHost host;
  auto *a = Add(&root, "a");
  auto *b = Add(&root, "b");
  {
    TTbrView popup(&host, nullptr, &root, false);
    popup.ValidatePositions();
    popup.SetMenuMode(true);
    QueueDeferred(popup.Find(b), 1);
    EXPECT_EQ(popup.Selected(), nullptr); // not before the current input is done
    QCoreApplication::processEvents();
    EXPECT_EQ(CaptionOf(popup.Selected()), "b");
    EXPECT_EQ(popup.DoneAction.ClickItem, b);

    QueueDeferred(popup.Find(a), 1);
    delete a; // its viewer goes with it
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(DeferredPendingCount(), 0);
}

// A toolbar view with an overflow button.
class TChevronView : public TTbrView {
public:
  TChevronView(TTbrViewHost *host, TTbrCustomItem *root, TTbrCustomItem *chevron)
      : TTbrView(host, nullptr, root, true, false, true), chevron_(chevron) {
    RecreateAllViewers();
  }
  TTbrCustomItem *GetChevronItem() const override { return chevron_; }

private:
  TTbrCustomItem *chevron_;
};

TEST(ToolbarView, LaidOutWithChevronAndPriority) {
  TTbrRootItem root;
  TTbrCustomItem chevron;
  chevron.SetCaption("»");
  TTestHost host;
  // Toolbar buttons: 6 + 6 per character + 6 wide, 6 + 13 high.
  for (const char *caption : {"aa", "bb", "cc", "dd"})
    Add(&root, caption);
  TChevronView view(&host, &root, &chevron);
  view.ValidatePositions();
  EXPECT_EQ(view.ViewerCount(), 5);
  EXPECT_EQ(view.InternalViewersAtEnd(), 1);
  EXPECT_EQ(view.Viewers(1)->BoundsRect, QRect(24, 0, 24, 19));
  EXPECT_EQ(host.Size, QSize(96, 19));
  EXPECT_FALSE(view.Viewers(4)->Show);

  view.ChevronOffset = 70;
  view.ChevronSize = 12;
  view.InvalidatePositions();
  view.ValidatePositions();
  QStringList shown;
  for (int i = 0; i < view.ViewerCount(); ++i)
    shown << (view.Viewers(i)->Show ? "show" : view.Viewers(i)->OffEdge ? "off" : "-");
  EXPECT_EQ(shown.join(' '), "show show off off show");
  EXPECT_EQ(view.Viewers(4)->BoundsRect, QRect(58, 0, 12, 19));
  EXPECT_TRUE(chevron.Enabled());
  EXPECT_EQ(view.ViewerFromPoint(QPoint(60, 5)), view.Viewers(4));

  // Running an item that sits in the chevron brings it back in front.
  view.Execute(view.Viewers(3), true);
  EXPECT_EQ(view.PriorityList().first(), view.Viewers(3));
  shown.clear();
  for (int i = 0; i < view.ViewerCount(); ++i)
    shown << (view.Viewers(i)->Show ? "show" : view.Viewers(i)->OffEdge ? "off" : "-");
  EXPECT_EQ(shown.join(' '), "show off off show show");
}

TEST(ToolbarView, ScrolledPopupReachesClippedSelection) {
  TTbrRootItem root;
  TTestHost host;
  for (int i = 0; i < 20; ++i)
    Add(&root, QString("item %1").arg(i));
  TTbrView popup(&host, nullptr, &root, false);
  popup.MaxHeight = 120; // menu items are 13 + 4 = 17 high
  popup.ValidatePositions();
  popup.SetMenuMode(true);
  EXPECT_TRUE(popup.ShowDownArrow);
  EXPECT_EQ(host.Size.height(), 120);

  popup.Select(popup.Viewers(19), false);
  popup.ScrollSelectedIntoView();
  EXPECT_TRUE(popup.Viewers(19)->Show);
  EXPECT_FALSE(popup.ShowDownArrow);
  EXPECT_EQ(popup.Viewers(19)->BoundsRect.bottom() + 1, 120);
  // Keyboard wrap to the top scrolls back.
  int key = Qt::Key_Down;
  popup.KeyDown(key, {});
  EXPECT_EQ(popup.Selected(), popup.Viewers(0));
  EXPECT_TRUE(popup.Viewers(0)->Show);
  EXPECT_EQ(popup.ScrollOffset, 0);

  // Hovering the down arrow runs the scroll timer; each tick scrolls a step.
  popup.HandleMouseMove(QPoint(10, 115));
  EXPECT_EQ(host.Timers.count(TTbrViewTimer::ScrollDown), 1u);
  const int before = popup.ScrollOffset;
  popup.TimerFired(TTbrViewTimer::ScrollDown);
  EXPECT_GT(popup.ScrollOffset, before);
  popup.HandleMouseMove(QPoint(10, 60));
  EXPECT_TRUE(host.Timers.empty());

  // The up arrow scrolls back to the very first entry, also from just below the top.
  popup.ScrollOffset = 1;
  popup.InvalidatePositions();
  popup.ValidatePositions();
  ASSERT_TRUE(popup.ShowUpArrow);
  popup.HandleMouseMove(QPoint(10, 5));
  EXPECT_EQ(host.Timers.count(TTbrViewTimer::ScrollUp), 1u);
  popup.TimerFired(TTbrViewTimer::ScrollUp);
  EXPECT_EQ(popup.ScrollOffset, 0);
  EXPECT_TRUE(popup.Viewers(0)->Show);
  EXPECT_FALSE(popup.ShowUpArrow);
}

} // namespace
