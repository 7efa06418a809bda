// Edit box items without a window: the text and its case, the box's size and
// place, the vertical-toolbar rule, and how an edit session started by a
// press in a running toolbar loop ends (the host's editor is a script).

#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbview.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

using TEditorScript = std::function<void(TTbrEditSession &)>;

// A toolbar window at (0, 0) whose editor plays a script.
class TEditHost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return measure_; }
  QRect ScreenClientRect() const override { return QRect(0, 0, 400, 30); }
  void EndModal() override { ++EndModals; }
  void RunEditSession(TTbrEditSession &session) override {
    ++Sessions;
    EditorRect = session.EditorRect;
    session.EditorReady(&Editor);
    if (Script)
      Script(session);
  }
  TEditorScript Script;
  QObject Editor;
  QRect EditorRect;
  int Sessions = 0, EndModals = 0;

private:
  TFixedMeasure measure_;
};

// Notes what the loop looks like when its driver takes over, then ends it.
class TPeekDriver : public TTbrModalDriver {
public:
  void Run(TTbrMenuLoop &loop) override {
    Ran = true;
    Selected = loop.Root()->Selected();
    loop.End();
  }
  bool Ran = false;
  TTbrItemViewer *Selected = nullptr;
};

struct TBar {
  TTbrRootItem root;
  TEditHost host;
  TTbrCustomItem *before, *after;
  TTbrEditItem *edit;
  std::unique_ptr<TTbrView> view;
  TTbrMenuLoopHost loopHost;
  TPeekDriver driver;

  TBar() {
    before = Add(&root, "Before");
    edit = Add<TTbrEditItem>(&root, "Find");
    after = Add(&root, "After");
    edit->SetText("old");
    view = std::make_unique<TTbrView>(&host, nullptr, &root, true);
    view->ValidatePositions();
  }
  TTbrItemViewer *ViewerOf(TTbrCustomItem *item) const { return view->Find(item); }
  // A press on the box, as the toolbar's window starts the loop with it.
  void PressOnBox() {
    TTbrItemViewer *v = ViewerOf(edit);
    view->Select(v, true);
    EnterToolbarLoop(view.get(), tbetMouseDown, driver, &loopHost, nullptr, v->BoundsRect.center());
  }
};

TEditorScript Type(const QString &text, int key, Qt::KeyboardModifiers modifiers = {}) {
  return [=](TTbrEditSession &s) {
    s.TextChanged(text);
    s.KeyPressed(key, modifiers);
  };
}

TEST(EditItem, SessionEndings) {
  struct TCase {
    const char *name;
    TEditorScript script;
    bool acceptOnLeave;
    const char *text;     // the item's text afterwards
    bool menuClosed;      // the loop ended by the edit
    const char *selected; // the toolbar's selection when the loop went on
  };
  const auto leave = [](TTbrEditSession &s) {
    s.TextChanged("abc");
    s.Left();
  };
  const TCase cases[] = {
      {"Enter commits and closes", Type("abc", Qt::Key_Return), false, "abc", true, nullptr},
      {"keypad Enter too", Type("abc", Qt::Key_Enter, Qt::KeypadModifier), false, "abc", true, nullptr},
      {"Tab commits and moves on", Type("abc", Qt::Key_Tab), false, "abc", false, "After"},
      {"Shift+Tab moves back", Type("abc", Qt::Key_Backtab, Qt::ShiftModifier), false, "abc", false, "Before"},
      {"Esc drops the text, the menu stays", Type("abc", Qt::Key_Escape), false, "old", false, "Find"},
      {"Esc drops it with accept on leave too", Type("abc", Qt::Key_Escape), true, "old", false, "Find"},
      {"leaving drops the text", leave, false, "old", false, "Find"},
      {"leaving commits with accept on leave", leave, true, "abc", false, "Find"},
      {"Alt with a key closes without committing", Type("abc", Qt::Key_F, Qt::AltModifier), true, "old", true,
       nullptr},
      {"F10 closes", Type("abc", Qt::Key_F10), false, "old", true, nullptr},
      {"releasing Alt closes",
       [](TTbrEditSession &s) {
         s.TextChanged("abc");
         EXPECT_FALSE(s.KeyReleased(Qt::Key_Shift));
         EXPECT_TRUE(s.KeyReleased(Qt::Key_Alt));
       },
       false, "old", true, nullptr},
      {"Alt with keypad digits and plain keys go on typing",
       [](TTbrEditSession &s) {
         EXPECT_FALSE(s.KeyPressed(Qt::Key_6, Qt::AltModifier | Qt::KeypadModifier));
         EXPECT_FALSE(s.KeyPressed(Qt::Key_Alt, Qt::AltModifier));
         EXPECT_FALSE(s.KeyPressed(Qt::Key_A, {}));
         EXPECT_FALSE(s.KeyPressed(Qt::Key_Tab, Qt::ControlModifier));
         EXPECT_TRUE(s.Continues());
         s.TextChanged("a6");
         EXPECT_TRUE(s.KeyPressed(Qt::Key_Return, {}));
       },
       false, "a6", true, nullptr},
      {"the item disabled ends the edit",
       [](TTbrEditSession &s) {
         s.TextChanged("abc");
         s.Item.SetEnabled(false);
         EXPECT_FALSE(s.Continues());
       },
       true, "abc", false, "Find"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TBar bar;
    bar.edit->SetAcceptOnLeave(c.acceptOnLeave);
    bar.host.Script = c.script;
    bar.PressOnBox();
    EXPECT_EQ(bar.host.Sessions, 1);
    EXPECT_EQ(bar.edit->Text(), QString(c.text));
    EXPECT_EQ(bar.driver.Ran, !c.menuClosed);
    if (c.selected) {
      EXPECT_EQ(bar.driver.Selected ? bar.driver.Selected->Item->Caption() : QString(), QString(c.selected));
    }
    EXPECT_FALSE(bar.view->InMenuMode());
  }
}

TEST(EditItem, AcceptTextMayChangeOrRefuseTheText) {
  struct TCase {
    const char *name;
    std::function<void(QString &, bool &)> handler;
    const char *text;
  };
  const TCase cases[] = {
      {"refused", [](QString &, bool &accept) { accept = false; }, "old"},
      {"changed", [](QString &text, bool &) { text = text.trimmed() + "!"; }, "abc!"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TBar bar;
    TTbrEditItemViewer *seen = nullptr;
    bar.edit->SetOnAcceptText([&](TTbrEditItemViewer *sender, QString &text, bool &accept) {
      seen = sender;
      c.handler(text, accept);
    });
    bar.host.Script = Type(" abc ", Qt::Key_Return);
    bar.PressOnBox();
    EXPECT_EQ(bar.edit->Text(), QString(c.text));
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(bar.driver.Ran, false) << "Enter closes the menu whatever the handler said";
  }
}

TEST(EditItem, BeginEditSeesTheEditorOverTheBox) {
  TBar bar;
  bar.edit->SetMaxLength(5);
  QObject *control = nullptr;
  TTbrEditItemViewer *viewer = nullptr;
  bar.edit->SetOnBeginEdit([&](TTbrEditItem *sender, TTbrEditItemViewer *v, QObject *editor) {
    EXPECT_EQ(sender, bar.edit);
    viewer = v;
    control = editor;
    EXPECT_EQ(v->Session()->Text(), QStringLiteral("old"));
  });
  bar.host.Script = Type("x", Qt::Key_Escape);
  bar.PressOnBox();
  EXPECT_EQ(control, &bar.host.Editor);
  ASSERT_EQ(viewer, bar.ViewerOf(bar.edit));
  EXPECT_EQ(bar.host.EditorRect, viewer->EditBoxRect().adjusted(3, 3, -3, -3));
  EXPECT_EQ(viewer->Session(), nullptr);
}

TEST(EditItem, DisabledBoxEndsTheToolbarLoopWithoutEditing) {
  TBar bar;
  bar.edit->SetEnabled(false);
  bar.PressOnBox();
  EXPECT_EQ(bar.host.Sessions, 0);
  EXPECT_FALSE(bar.driver.Ran);
}

TEST(EditItem, CharCaseIsForcedOnTheText) {
  TTbrRootItem root;
  auto *edit = Add<TTbrEditItem>(&root, "Find");
  int changes = 0;
  TTbrItemNotifyFunction counter([&](TTbrCustomItem *, bool, TTbrItemChangeKind kind, int, TTbrCustomItem *) {
    if (kind == TTbrItemChangeKind::Invalidate || kind == TTbrItemChangeKind::InvalidateAndResize)
      ++changes;
  });
  root.RegisterNotification(&counter);
  edit->SetCharCase(TEditCharCase::ecUpperCase);
  edit->SetText("abc");
  EXPECT_EQ(edit->Text(), QStringLiteral("ABC"));
  EXPECT_EQ(changes, 1);
  edit->SetText("Abc");
  EXPECT_EQ(edit->Text(), QStringLiteral("ABC"));
  EXPECT_EQ(changes, 1) << "the same text in the forced case changes nothing";
  edit->SetCharCase(TEditCharCase::ecLowerCase);
  EXPECT_EQ(edit->Text(), QStringLiteral("abc"));
  edit->SetCharCase(TEditCharCase::ecNormal);
  edit->SetText("MiXed");
  EXPECT_EQ(edit->Text(), QStringLiteral("MiXed"));
  root.UnregisterNotification(&counter);
}

TEST(EditItem, BoxSizeAndPlace) {
  // Lines are 13 high, characters 6 wide.
  struct TCase {
    const char *name;
    bool toolbar;
    const char *editCaption;
    QSize size;
    int boxLeft; // from the viewer's left
  };
  const TCase cases[] = {
      {"toolbar", true, "", QSize(80, 20), 0},
      {"toolbar ignores the label", true, "&Find:", QSize(80, 20), 0},
      {"menu without a label", false, "", QSize(80, 20), 0},
      {"menu with a label", false, "&Find:", QSize(80 + 30 + 10, 20), 40},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TTbrRootItem root;
    auto *edit = Add<TTbrEditItem>(&root, "Find");
    edit->SetEditWidth(80);
    edit->SetEditCaption(c.editCaption);
    TEditHost host;
    TTbrView view(&host, nullptr, &root, c.toolbar);
    view.ValidatePositions();
    auto *viewer = dynamic_cast<TTbrEditItemViewer *>(view.Find(edit));
    ASSERT_NE(viewer, nullptr);
    int w = 0, h = 0;
    viewer->MeasureSize(host.Measure(), false, w, h);
    EXPECT_EQ(QSize(w, h), c.size);
    EXPECT_EQ(viewer->EditBoxRect().left() - viewer->BoundsRect.left(), c.boxLeft);
    EXPECT_EQ(viewer->EditBoxRect().right(), viewer->BoundsRect.right());
    EXPECT_EQ(viewer->GetCaptionText(), QString(c.editCaption));
    EXPECT_TRUE(viewer->PointInEditText(c.boxLeft + 3, 3));
    EXPECT_FALSE(viewer->PointInEditText(c.boxLeft + 1, 3));
    QString value;
    EXPECT_TRUE(viewer->GetAccValue(value));
    EXPECT_EQ(viewer->AccessibleRole(), 42);
  }
}

TEST(EditItem, VerticalToolbarShowsAButtonUnlessAskedToKeepTheBox) {
  TTbrRootItem root;
  auto *edit = Add<TTbrEditItem>(&root, "Find");
  TEditHost host;
  TTbrView view(&host, nullptr, &root, true);
  const auto isBox = [&] { return dynamic_cast<TTbrEditItemViewer *>(view.Find(edit)) != nullptr; };
  view.ValidatePositions();
  EXPECT_TRUE(isBox());
  view.Orientation = tbvoVertical;
  view.InvalidatePositions();
  view.ValidatePositions();
  EXPECT_FALSE(isBox());
  edit->SetEditOptions(tboUseEditWhenVertical);
  view.ValidatePositions();
  EXPECT_TRUE(isBox());
}

} // namespace
