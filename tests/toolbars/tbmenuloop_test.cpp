#include "toolbars/core/tbmenuloop.h"

#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbitem.h"
#include "toolbars/core/tbview.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <vector>
#include "tests/toolbars/toolbartest.h"


using namespace qel::toolbars;
using namespace qel::toolbars::test;
namespace Style = qel::toolbars::tbis;

namespace {

class TScreenHost;

// The desktop of a test: every popup window, placed on a screen.
struct TWorld {
  std::map<TTbrView *, std::unique_ptr<TScreenHost>> Popups;
  TTbrView *Open(TTbrView *parent, TTbrCustomItem *item, const QPoint &windowTopLeft, bool selectFirst);
  void Close(TTbrView *view);
};

// A window at a place on the screen; a popup's has a 3-pixel border and
// takes the size of its view.
class TScreenHost : public TTbrViewHost {
public:
  TScreenHost(TWorld *world, const QRect &client, int border) : world_(world), client_(client), border_(border) {}
  const TTbrTextMeasure &Measure() const override { return measure_; }
  void AutoSize(const QSize &size) override {
    if (border_)
      client_.setSize(size);
  }
  TTbrView *OpenPopup(TTbrView *parent, TTbrItemViewer *viewer, bool asSubmenu, bool selectFirst) override {
    const QRect r = viewer->BoundsRect.translated(client_.topLeft());
    return world_->Open(parent, viewer->Item, asSubmenu ? r.topRight() + QPoint(1, 0) : r.bottomLeft() + QPoint(0, 1),
                        selectFirst);
  }
  void ClosePopup(TTbrView *popupView) override { world_->Close(popupView); }
  void StartTimer(TTbrViewTimer timer, int) override { Timers.insert(int(timer)); }
  void StopTimer(TTbrViewTimer timer) override { Timers.erase(int(timer)); }
  QRect ScreenClientRect() const override { return client_; }
  QRect ScreenWindowRect() const override { return client_.adjusted(-border_, -border_, border_, border_); }
  void EndModal() override { ++EndModals; }

  std::set<int> Timers;
  int EndModals = 0;
  std::unique_ptr<TTbrView> Popup;

private:
  TWorld *world_;
  QRect client_;
  int border_;
  TFixedMeasure measure_;
};

TTbrView *TWorld::Open(TTbrView *parent, TTbrCustomItem *item, const QPoint &windowTopLeft, bool selectFirst) {
  if (item->Count() == 0)
    return nullptr;
  auto host = std::make_unique<TScreenHost>(this, QRect(windowTopLeft + QPoint(3, 3), QSize()), 3);
  host->Popup = std::make_unique<TTbrView>(host.get(), parent, item, false);
  TTbrView *view = host->Popup.get();
  view->SetMenuMode(true);
  view->ValidatePositions();
  if (selectFirst)
    view->Select(view->FirstSelectable(), false);
  Popups[view] = std::move(host);
  return view;
}

void TWorld::Close(TTbrView *view) {
  auto it = Popups.find(view);
  if (it == Popups.end())
    return;
  auto host = std::move(it->second);
  Popups.erase(it);
  host->Popup.reset();
}

// Opens context menus at a point; may delete an item as it closes one.
class TScriptFactory : public TTbrPopupFactory {
public:
  explicit TScriptFactory(TWorld &world) : world_(world) {}
  TTbrView *OpenPopupAt(TTbrCustomItem *item, const QPoint &point, TTbrPopupAlignment, bool selectFirst) override {
    return world_.Open(nullptr, item, point, selectFirst);
  }
  void ClosePopup(TTbrView *view) override {
    ++Closed;
    delete DeleteOnClose;
    DeleteOnClose = nullptr;
    world_.Close(view);
  }
  TTbrCustomItem *DeleteOnClose = nullptr;
  int Closed = 0;

private:
  TWorld &world_;
};

class TLoopHost : public TTbrMenuLoopHost {
public:
  void Beep() override { ++Beeps; }
  void ShowHint(const QString &text, const QRect &) override { Hints << text; }
  void SetApplicationHint(const QString &text) override { AppHints << text; }
  QObject *ActiveWindow() const override { return Window; }
  void SetCursor(Qt::CursorShape shape) override {
    if (Cursors.isEmpty() || Cursors.last() != shape)
      Cursors << shape;
  }
  int Beeps = 0;
  QList<Qt::CursorShape> Cursors;
  QStringList Hints, AppHints;
  QObject *Window = nullptr;
};

class TDoneHost : public TTbrDoneActionHost {
public:
  void SystemMenuKey(QObject *, int key) override { Done << QStringLiteral("system menu %1").arg(key); }
  void ShowHelp(int context) override { Done << QStringLiteral("help %1").arg(context); }
  QStringList Done;
};

// "File>Recent>one": what each view of the open chain has selected, root first.
QString ChainOf(const TTbrMenuLoop &loop) {
  if (!loop.Root())
    return "gone";
  QStringList parts;
  for (TTbrView *v = loop.Root(); v; v = v->OpenViewerView())
    parts << (v->Selected() ? v->Selected()->Item->Caption().split('&').join("") : "-");
  return parts.join('>');
}

using TWhere = std::function<QPoint(const TTbrMenuLoop &)>;
// A step makes the next event, or does something and makes none.
using TStep = std::function<std::optional<TTbrLoopEvent>(TTbrMenuLoop &)>;

// The centre of the viewer with that caption (without "&") in the open chain.
TWhere At(const QString &caption) {
  return [caption](const TTbrMenuLoop &loop) {
    for (TTbrView *v = loop.Root(); v; v = v->OpenViewerView())
      for (int i = 0; i < v->ViewerCount(); ++i)
        if (v->Viewers(i)->Item->Caption().split('&').join("") == caption)
          return v->Viewers(i)->BoundsRect.center() + v->Host()->ScreenClientRect().topLeft();
    ADD_FAILURE() << "no " << caption.toStdString() << " in the open chain";
    return QPoint();
  };
}
TWhere Pt(int x, int y) {
  return [x, y](const TTbrMenuLoop &) { return QPoint(x, y); };
}

TStep Mouse(TTbrLoopEvent::Kind kind, TWhere where, Qt::MouseButton button = Qt::LeftButton) {
  return [=](TTbrMenuLoop &loop) -> std::optional<TTbrLoopEvent> {
    TTbrLoopEvent e;
    e.kind = kind;
    e.screenPos = where(loop);
    e.button = kind == TTbrLoopEvent::Kind::MouseMove ? Qt::NoButton : button;
    e.buttons = kind == TTbrLoopEvent::Kind::MousePress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    return e;
  };
}
TStep DoubleClick(TWhere w) { return Mouse(TTbrLoopEvent::Kind::MouseDoubleClick, std::move(w)); }
TStep Move(TWhere w) { return Mouse(TTbrLoopEvent::Kind::MouseMove, std::move(w)); }
TStep Press(TWhere w, Qt::MouseButton b = Qt::LeftButton) {
  return Mouse(TTbrLoopEvent::Kind::MousePress, std::move(w), b);
}
TStep Release(TWhere w, Qt::MouseButton b = Qt::LeftButton) {
  return Mouse(TTbrLoopEvent::Kind::MouseRelease, std::move(w), b);
}
TStep Key(int key, Qt::MouseButtons held = {}) {
  return [=](TTbrMenuLoop &) -> std::optional<TTbrLoopEvent> {
    TTbrLoopEvent e;
    e.kind = TTbrLoopEvent::Kind::KeyDown;
    e.key = key;
    e.buttons = held;
    return e;
  };
}
TStep Char(char32_t ch, Qt::MouseButtons held = {}) {
  return [=](TTbrMenuLoop &) -> std::optional<TTbrLoopEvent> {
    TTbrLoopEvent e;
    e.kind = TTbrLoopEvent::Kind::Char;
    e.ch = ch;
    e.buttons = held;
    return e;
  };
}
// A timer of the view at that depth of the chain (the root is 0; -1 the
// deepest), or of a view remembered earlier.
TStep Timer(TTbrViewTimer timer, int depth = -1, TTbrView **view = nullptr) {
  return [=](TTbrMenuLoop &loop) -> std::optional<TTbrLoopEvent> {
    TTbrLoopEvent e;
    e.kind = TTbrLoopEvent::Kind::Timer;
    e.timerView = view ? *view : loop.Deepest();
    int left = depth;
    for (TTbrView *v = loop.Root(); !view && left >= 0 && v; v = v->OpenViewerView(), --left)
      e.timerView = v;
    e.timer = timer;
    return e;
  };
}
TStep Do(std::function<void(TTbrMenuLoop &)> action) {
  return [action](TTbrMenuLoop &loop) -> std::optional<TTbrLoopEvent> {
    action(loop);
    return std::nullopt;
  };
}

// Feeds the script; each step leaves "verdict:chain" in the trace. A loop
// still running when the script is done is ended from outside ("end").
class TScriptDriver : public TTbrModalDriver {
public:
  void Run(TTbrMenuLoop &loop) override {
    Running = true;
    loop.SetEndedHandler([this] { ++EndedCalls; });
    for (const TStep &step : Script) {
      if (loop.Ended())
        break;
      const std::optional<TTbrLoopEvent> event = step(loop);
      if (!event) {
        Trace << QStringLiteral("%1:%2").arg(loop.Ended() ? "E" : "*", ChainOf(loop));
        continue;
      }
      static const char *const letters[] = {"H", "D", "P", "E", "X"};
      const TTbrLoopVerdict verdict = loop.Feed(*event);
      Trace << QStringLiteral("%1:%2").arg(letters[int(verdict)], ChainOf(loop));
    }
    if (!loop.Ended()) {
      loop.End();
      Trace << "end";
    }
    Running = false;
  }
  std::vector<TStep> Script;
  QStringList Trace;
  bool Running = false;
  int EndedCalls = 0;
};


// Every click is logged with what was still going on when it ran.
struct TClicks {
  QStringList Log;
  void Watch(TTbrCustomItem *item, const TScriptDriver &driver, const TWorld &world) {
    item->SetOnClick([this, &driver, &world](TTbrCustomItem *sender) {
      QString entry = sender->Caption().split('&').join("");
      if (driver.Running)
        entry += " (inside the loop)";
      if (!world.Popups.empty())
        entry += " (popups open)";
      Log << entry;
    });
    for (int i = 0; i < item->Count(); ++i)
      Watch(item->Items(i), driver, world);
  }
};

// A menu bar at (100, 50), 400 wide. Items are 36 wide: File, Edit, Help.
struct TMenuBarFixture {
  TWorld world;
  TTbrRootItem root;
  TScreenHost host{&world, QRect(100, 50, 400, 19), 0};
  std::unique_ptr<TTbrView> bar;
  TSubmenuItem *file, *recent, *edit;
  TScriptDriver driver;
  TLoopHost loopHost;
  TDoneHost doneHost;
  TClicks clicks;
  QObject window;

  TMenuBarFixture() {
    file = Add<TSubmenuItem>(&root, "&File");
    Add(file, "&New");
    Add(file, "&Open")->SetHint("Open|Opens a card index");
    file->Items(1)->SetOptions(tboDefault);
    recent = Add<TSubmenuItem>(file, "&Recent");
    Add(recent, "one");
    Add(recent, "two");
    edit = Add<TSubmenuItem>(&root, "&Edit");
    Add(edit, "Cu&t");
    Add(edit, "&Copy");
    Add(edit, "&Clear");
    Add(edit, "&Paste");
    Add(&root, "&Help")->SetHelpContext(12);
    bar = std::make_unique<TTbrView>(&host, nullptr, &root, true);
    bar->Style |= tbvsMenuBar;
    bar->ValidatePositions();
    clicks.Watch(&root, driver, world);
    loopHost.Window = &window;
  }
  ~TMenuBarFixture() {
    bar.reset();
    QCoreApplication::processEvents(); // clicks still queued go nowhere
  }
  QPoint ScreenCentre(const QString &caption) {
    for (int i = 0; i < bar->ViewerCount(); ++i)
      if (bar->Viewers(i)->Item->Caption().split('&').join("") == caption)
        return bar->Viewers(i)->BoundsRect.center() + host.ScreenClientRect().topLeft();
    return QPoint();
  }
  TTbrItemViewer *Viewer(const QString &caption) {
    for (int i = 0; i < bar->ViewerCount(); ++i)
      if (bar->Viewers(i)->Item->Caption().split('&').join("") == caption)
        return bar->Viewers(i);
    return nullptr;
  }
};

enum class TEntry { Keyboard, KeyboardOpen, Press };

struct TBarCase {
  const char *name;
  TEntry entry;
  const char *selected; // the menu bar item selected on entry
  std::vector<TStep> script;
  const char *trace;
  const char *done; // clicks and other done actions, after the loop
};

TEST(MenuLoop, MenuBarSessions) {
  const QPoint outside(5, 5), barOffItems(450, 55);
  const std::vector<TBarCase> cases = {
      {"a press opens the menu and its release keeps it open",
       TEntry::Press, "File",
       {Release(At("File")), Move(At("Open")), Release(At("File"))},
       "H:File>- H:File>Open H:File>- end", ""},
      {"a second press on the open menu's item closes it on release",
       TEntry::Press, "File",
       {Release(At("File")), Press(At("File")), Release(At("File"))},
       "H:File>- H:File>- E:File>-", ""},
      {"arrows into a submenu, Enter chooses",
       TEntry::KeyboardOpen, "File",
       {Key(Qt::Key_Down), Key(Qt::Key_Down), Key(Qt::Key_Right), Key(Qt::Key_Down), Key(Qt::Key_Return)},
       "H:File>Open H:File>Recent H:File>Recent>one H:File>Recent>two E:File>Recent>two", "two"},
      {"Esc closes one level at a time, then ends the session",
       TEntry::KeyboardOpen, "File",
       {Key(Qt::Key_Up), Key(Qt::Key_Right), Key(Qt::Key_Escape), Key(Qt::Key_Escape), Key(Qt::Key_Escape)},
       "H:File>Recent H:File>Recent>one H:File>Recent H:File E:File", ""},
      {"a press outside every window ends the session and passes on",
       TEntry::KeyboardOpen, "File",
       {Press(Pt(outside.x(), outside.y()))},
       "X:File>New", ""},
      {"a right press outside ends it too",
       TEntry::KeyboardOpen, "Edit",
       {Press(Pt(outside.x(), outside.y()), Qt::RightButton)},
       "X:Edit>Cut", ""},
      {"a press on the menu bar off its items ends the session and passes on",
       TEntry::KeyboardOpen, "File",
       {Press(Pt(barOffItems.x(), barOffItems.y()))},
       "X:File>New", ""},
      {"keys wait while the button that opened the menu is held",
       TEntry::Press, "File",
       {Key(Qt::Key_Down, Qt::LeftButton), Char(U'n', Qt::LeftButton), Release(At("File")), Key(Qt::Key_Down)},
       "D:File>- D:File>- H:File>- H:File>New end", ""},
      {"a double click on a menu runs its default item",
       TEntry::Keyboard, "Help",
       {DoubleClick(At("File"))},
       "E:File>Open", "Open"},
      {"a click on a plain menu bar item runs it",
       TEntry::Press, "Help",
       {Release(At("Help"))},
       "E:Help", "Help"},
      {"hover opens a submenu when its timer fires; a click chooses",
       TEntry::KeyboardOpen, "File",
       {Move(At("Recent")), Timer(TTbrViewTimer::Open), Move(At("two")), Press(At("two")), Release(At("two"))},
       "H:File>Recent H:File>Recent>- H:File>Recent>two H:File>Recent>two E:File>Recent>two", "two"},
      {"moving off an open submenu closes it on the close timer",
       TEntry::KeyboardOpen, "File",
       {Move(At("Recent")), Timer(TTbrViewTimer::Open), Move(At("New")), Timer(TTbrViewTimer::Close, 1)},
       "H:File>Recent H:File>Recent>- H:File>New>- H:File>New end", ""},
      {"an accelerator two items share selects; a unique one chooses",
       TEntry::KeyboardOpen, "Edit",
       {Char(U'c'), Char(U'C'), Char(U'c'), Char(U'z'), Char(U'p')},
       "H:Edit>Copy H:Edit>Clear H:Edit>Copy H:Edit>Copy E:Edit>Paste", "Paste"},
      {"an accelerator on the bare menu bar opens that menu",
       TEntry::Keyboard, "Help",
       {Char(U'e')},
       "H:Edit>Cut end", ""},
      {"space on the bare menu bar goes to the window's system menu",
       TEntry::Keyboard, "File",
       {Char(U' ')},
       "E:File", "system menu 32"},
      {"so does a minus",
       TEntry::Keyboard, "File",
       {Char(U'-')},
       "E:File", "system menu 45"},
      {"space in an open menu only beeps",
       TEntry::KeyboardOpen, "File",
       {Char(U' ')},
       "H:File>New end", ""},
      {"F1 leaves help behind",
       TEntry::Keyboard, "Help",
       {Key(Qt::Key_F1)},
       "E:Help", "help 12"},
      {"key releases, middle buttons and other events",
       TEntry::KeyboardOpen, "File",
       {[](TTbrMenuLoop &) -> std::optional<TTbrLoopEvent> {
          TTbrLoopEvent e;
          e.kind = TTbrLoopEvent::Kind::KeyUp;
          e.key = Qt::Key_Down;
          return e;
        },
        Press(At("Open"), Qt::MiddleButton), Press(At("Open"), Qt::RightButton), Key(Qt::Key_Shift),
        [](TTbrMenuLoop &) -> std::optional<TTbrLoopEvent> { return TTbrLoopEvent{}; }},
       "D:File>New D:File>New D:File>New P:File>New P:File>New end", ""},
  };
  for (const TBarCase &c : cases) {
    SCOPED_TRACE(c.name);
    TMenuBarFixture m;
    int options = 0;
    QPoint pressPoint;
    m.bar->Select(m.Viewer(c.selected), c.entry == TEntry::Press);
    if (c.entry == TEntry::KeyboardOpen)
      options = tbetExecuteSelected;
    if (c.entry == TEntry::Press) {
      options = tbetMouseDown;
      pressPoint = m.ScreenCentre(c.selected);
    }
    m.driver.Script = c.script;
    EnterToolbarLoop(m.bar.get(), options, m.driver, &m.loopHost, &m.doneHost, pressPoint);
    EXPECT_EQ(m.driver.Trace.join(' '), QString(c.trace));
    // Nothing runs before the loop is over and every popup is gone.
    EXPECT_TRUE(m.clicks.Log.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ((m.clicks.Log + m.doneHost.Done).join(", "), QString(c.done));
    EXPECT_EQ(m.driver.EndedCalls, 1);
    EXPECT_TRUE(m.world.Popups.empty());
    EXPECT_FALSE(m.bar->InMenuMode());
    EXPECT_EQ(m.bar->Selected(), nullptr);
    EXPECT_EQ(m.bar->ActiveLoop(), nullptr);
    EXPECT_EQ(m.loopHost.AppHints.value(m.loopHost.AppHints.size() - 1), "");
    EXPECT_EQ(m.bar->DoneAction.Kind, TTbrDoneActionKind::None);
  }
}

TEST(MenuLoop, HintsFollowTheSelection) {
  TMenuBarFixture m;
  m.bar->Style |= tbvsShowHints;
  m.bar->Select(m.Viewer("File"), false);
  m.driver.Script = {Key(Qt::Key_Down), Key(Qt::Key_Down), Move(At("Help")), Key(Qt::Key_Escape)};
  EnterToolbarLoop(m.bar.get(), tbetExecuteSelected, m.driver, &m.loopHost, &m.doneHost);
  // The status line shows the long part of the selected item's hint.
  EXPECT_EQ(m.loopHost.AppHints.join('/'), "/Opens a card index//");
  // The menu bar shows hints: hovering Help shows its caption; a key cancels it.
  EXPECT_EQ(m.loopHost.Hints.join('/'), "Help/");
}

TEST(MenuLoop, ThePointerIsTheTextCursorOverAnEditBoxInAPopup) {
  TMenuBarFixture m;
  auto *find = new TTbrEditItem;
  find->SetCaption("Find");
  m.file->Add(find);
  auto *disabled = new TTbrEditItem;
  disabled->SetCaption("Goto");
  disabled->SetEnabled(false);
  m.file->Add(disabled);
  m.bar->Select(m.Viewer("File"), false);
  m.driver.Script = {Move(At("Find")), Move(At("New")), Move(At("Find")), Move(At("Goto")), Move(Pt(5, 5)),
                     Key(Qt::Key_Escape)};
  EnterToolbarLoop(m.bar.get(), tbetExecuteSelected, m.driver, &m.loopHost, &m.doneHost);
  EXPECT_EQ(m.loopHost.Cursors,
            QList<Qt::CursorShape>({Qt::IBeamCursor, Qt::ArrowCursor, Qt::IBeamCursor, Qt::ArrowCursor}));
}

TEST(MenuLoop, SubmenuItemDeletedWhileItsPopupIsOpen) {
  TMenuBarFixture m;
  TTbrView *recentView = nullptr;
  m.bar->Select(m.Viewer("File"), false);
  m.driver.Script = {
      Key(Qt::Key_Up), Key(Qt::Key_Right),
      Do([&](TTbrMenuLoop &loop) { recentView = loop.Deepest(); }),
      Do([&](TTbrMenuLoop &) { delete m.recent; }),
      Timer(TTbrViewTimer::Open, -1, &recentView), // from the popup that closed
      Move(At("Open")), Key(Qt::Key_Return)};
  EnterToolbarLoop(m.bar.get(), tbetExecuteSelected, m.driver, &m.loopHost, &m.doneHost);
  EXPECT_EQ(m.driver.Trace.join(' '), "H:File>Recent H:File>Recent>one *:File>Recent>one *:File>- D:File>- "
                                      "H:File>Open E:File>Open");
  QCoreApplication::processEvents();
  EXPECT_EQ(m.clicks.Log.join(','), "Open");
}

TEST(MenuLoop, ToolbarDestroyedWhileItsMenuIsOpen) {
  TMenuBarFixture m;
  m.bar->Select(m.Viewer("File"), false);
  m.driver.Script = {Key(Qt::Key_Down), Do([&](TTbrMenuLoop &) { m.bar.reset(); }), Key(Qt::Key_Down)};
  EnterToolbarLoop(m.bar.get(), tbetExecuteSelected, m.driver, &m.loopHost, &m.doneHost);
  EXPECT_EQ(m.driver.Trace.join(' '), "H:File>Open E:gone");
  EXPECT_TRUE(m.world.Popups.empty());
}

TEST(MenuLoop, EnteringTwiceOrEndingFirst) {
  TMenuBarFixture m;
  // A view already in menu mode is left alone.
  m.bar->SetMenuMode(true);
  m.driver.Script = {Key(Qt::Key_Down)};
  EnterToolbarLoop(m.bar.get(), 0, m.driver, &m.loopHost, &m.doneHost);
  EXPECT_TRUE(m.driver.Trace.isEmpty());
  m.bar->SetMenuMode(false);

  // A loop ended before it began does not start; an ended loop takes no more input.
  TTbrMenuLoop loop(m.bar.get(), &m.loopHost);
  loop.End();
  EXPECT_FALSE(loop.Begin({}));
  TTbrLoopEvent e;
  e.kind = TTbrLoopEvent::Kind::KeyDown;
  e.key = Qt::Key_Down;
  EXPECT_EQ(loop.Feed(e), TTbrLoopVerdict::Ended);
}

// A context menu at (300, 300): the window's corner is at the point, items
// 17 high from (303, 303).
struct TContextFixture {
  TWorld world;
  TTbrRootItem root;
  TTbrCustomItem *menu;
  TScriptFactory factory{world};
  TScriptDriver driver;
  TLoopHost loopHost;
  TDoneHost doneHost;
  TClicks clicks;
  TContextFixture() {
    menu = Add<TSubmenuItem>(&root, "menu");
    Add(menu, "cut");
    Add(menu, "paste");
    clicks.Watch(&root, driver, world);
  }
  ~TContextFixture() { QCoreApplication::processEvents(); }
};

struct TContextCase {
  const char *name;
  bool trackRight;
  std::vector<TStep> script;
  const char *trace;
  const char *clicked;
};

TEST(MenuLoop, ContextMenus) {
  const std::vector<TContextCase> cases = {
      {"the right release that opened it keeps it open; the next one outside closes it",
       true,
       {Release(Pt(290, 290), Qt::RightButton), Release(Pt(290, 290), Qt::RightButton)},
       "H:- E:-", ""},
      {"a right release on an item chooses it",
       true,
       {Move(At("paste")), Release(At("paste"), Qt::RightButton)},
       "H:paste E:paste", "paste"},
      {"a release on the popup off its items keeps it open",
       true,
       {Release(Pt(300, 300), Qt::RightButton), Release(Pt(300, 300), Qt::RightButton)},
       "H:- H:- end", ""},
      {"without right-button tracking the right button does nothing inside",
       false,
       {Move(At("cut")), Press(At("cut"), Qt::RightButton), Release(At("cut"), Qt::RightButton),
        Press(At("cut")), Release(At("cut"))},
       "H:cut D:cut D:cut H:cut E:cut", "cut"},
      {"a press outside ends it and passes on",
       false,
       {Release(Pt(10, 10)), Press(Pt(10, 10), Qt::RightButton)},
       "H:- X:-", ""},
  };
  for (const TContextCase &c : cases) {
    SCOPED_TRACE(c.name);
    TContextFixture f;
    f.driver.Script = c.script;
    TTbrCustomItem *clicked = PopupAt(f.menu, QPoint(300, 300), c.trackRight, tbpaLeft, false, f.factory, f.driver,
                                      &f.loopHost, &f.doneHost);
    EXPECT_EQ(f.driver.Trace.join(' '), QString(c.trace));
    EXPECT_EQ(clicked ? clicked->Caption() : QString(), QString(c.clicked));
    EXPECT_EQ(f.factory.Closed, 1);
    EXPECT_TRUE(f.world.Popups.empty());
    EXPECT_TRUE(f.clicks.Log.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(f.clicks.Log.join(','), QString(c.clicked));
  }
}

TEST(MenuLoop, ContextMenuItemDeleted) {
  {
    // The menu's own item goes while it is open: the loop ends, nothing runs.
    TContextFixture f;
    f.driver.Script = {Move(At("cut")), Do([&](TTbrMenuLoop &) { delete f.menu; }), Key(Qt::Key_Return)};
    EXPECT_EQ(PopupAt(f.menu, QPoint(300, 300), true, tbpaLeft, true, f.factory, f.driver, &f.loopHost, &f.doneHost),
              nullptr);
    EXPECT_EQ(f.driver.Trace.join(' '), "H:cut E:-");
    EXPECT_TRUE(f.world.Popups.empty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.clicks.Log.isEmpty());
  }
  {
    // The chosen item goes while the menu closes: nothing runs on it.
    TContextFixture f;
    f.factory.DeleteOnClose = f.menu->Items(1);
    f.driver.Script = {Key(Qt::Key_Down), Key(Qt::Key_Return)};
    EXPECT_EQ(PopupAt(f.menu, QPoint(300, 300), false, tbpaLeft, true, f.factory, f.driver, &f.loopHost, &f.doneHost),
              nullptr);
    EXPECT_EQ(f.driver.Trace.join(' '), "H:paste E:paste");
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.clicks.Log.isEmpty());
  }
}

} // namespace
