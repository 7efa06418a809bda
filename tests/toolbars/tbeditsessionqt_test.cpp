// Editing an edit item inside a running menu loop on Qt: the line editor
// over the box gets the keys, ends as Enter, Tab, Esc, Alt or a press
// elsewhere say, takes the item's case and length rules, gets the presses
// over it while the menu holds the pointer, and every grab is given back.

#include "toolbars/core/tbdeferred.h"
#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// The editor shown now, wherever it is.
QLineEdit *Editor() {
  const auto windows = QApplication::topLevelWidgets();
  for (QWidget *w : windows)
    for (QLineEdit *edit : w->findChildren<QLineEdit *>())
      if (edit->objectName().startsWith(QStringLiteral("TTbrEditItemViewer_edit_control_")))
        return edit;
  return nullptr;
}

TTbrPopupWindow *OpenPopup(TTbrView *root) {
  for (TTbrView *v = root->OpenViewerView(); v; v = v->OpenViewerView())
    if (auto *p = dynamic_cast<TTbrPopupView *>(v))
      return p->Window();
  return nullptr;
}

// Steps run one after another from the event loop while the menu (and the
// edit in it) blocks the call that started it.
class TSteps {
public:
  void Then(std::function<void()> step) { Steps.push_back({std::move(step), false}); }
  // A step that blocks (it starts an edit) until a later step ends what it started.
  void ThenBlocking(std::function<void()> step) { Steps.push_back({std::move(step), true}); }
  void First(std::function<void()> step) { Steps.push_front({std::move(step), false}); }
  void Start() { QTimer::singleShot(0, &Context, [this] { Next(); }); }
  bool Done() const { return Steps.empty(); }
  // Runs what is left now (the menu has closed before they came).
  void RunRest() {
    while (!Steps.empty()) {
      const TStep step = std::move(Steps.front());
      Steps.pop_front();
      step.Run();
    }
  }

private:
  void Next() {
    if (Steps.empty())
      return;
    const TStep step = std::move(Steps.front());
    Steps.pop_front();
    if (step.Blocks)
      QTimer::singleShot(0, &Context, [this] { Next(); });
    step.Run();
    if (!step.Blocks)
      QTimer::singleShot(0, &Context, [this] { Next(); });
  }
  struct TStep {
    std::function<void()> Run;
    bool Blocks;
  };
  std::deque<TStep> Steps;
  QObject Context;
};

class EditSessionQtTest : public ::testing::Test {
protected:
  void SetUp() override {
    Main = std::make_unique<QWidget>();
    Main->setGeometry(100, 100, 500, 300);
    auto *layout = new QVBoxLayout(Main.get());
    Bar = new TTbrCustomToolbar(Main.get());
    Outside = new QPushButton(QStringLiteral("Outside"), Main.get());
    layout->addWidget(Bar);
    layout->addWidget(Outside);
    layout->addStretch();
    QObject::connect(Outside, &QPushButton::clicked, [this] { ++OutsideClicks; });
    Before = Add(Bar->Items(), "Before");
    Find = Add<TTbrEditItem>(Bar->Items(), "Find");
    Find->SetEditWidth(120);
    Find->SetText("old");
    After = Add(Bar->Items(), "After");
    More = Add<TSubmenuItem>(Bar->Items(), "&More");
    Name = Add<TTbrEditItem>(More, "Name");
    Name->SetEditCaption("&Name:");
    Add(More, "&Other");
    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
  }
  void TearDown() override {
    Main.reset();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  }

  QPoint BoxPoint(TTbrCustomItem *item) { return Bar->View()->Find(item)->BoundsRect.center() + Bar->ClientRect().topLeft(); }
  // A press on the toolbar's box starts the loop and the edit, and the
  // button comes up again; returns once the loop has ended.
  void PressOnBox(TSteps &steps) {
    steps.First([this] { QTest::mouseRelease(Bar, Qt::LeftButton, {}, BoxPoint(Find)); });
    steps.Start();
    QTest::mousePress(Bar, Qt::LeftButton, {}, BoxPoint(Find));
  }
  // Ends a loop the edit left running, as the user would: Esc.
  void EndLoop() {
    if (TTbrQtModalDriver::Running())
      QTest::keyClick(Bar, Qt::Key_Escape);
  }
  void ExpectInputFree() {
    EXPECT_FALSE(TTbrQtModalDriver::Running());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_FALSE(Bar->View()->InMenuMode());
  }

  std::unique_ptr<QWidget> Main;
  TTbrCustomToolbar *Bar = nullptr;
  QPushButton *Outside = nullptr;
  int OutsideClicks = 0;
  TTbrCustomItem *Before, *After, *More;
  TTbrEditItem *Find, *Name;
};

TEST_F(EditSessionQtTest, KeysEndTheEdit) {
  struct TCase {
    const char *name;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char *text;
    bool loopGoesOn;
    const char *selected;
  };
  const TCase cases[] = {
      {"Enter commits and closes", Qt::Key_Return, {}, "abc", false, nullptr},
      {"Tab commits and selects the next item", Qt::Key_Tab, {}, "abc", true, "After"},
      {"Shift+Tab the previous", Qt::Key_Backtab, Qt::ShiftModifier, "abc", true, "Before"},
      {"Esc drops the text, the menu stays", Qt::Key_Escape, {}, "old", true, "Find"},
      {"Alt with a key closes without committing", Qt::Key_X, Qt::AltModifier, "old", false, nullptr},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Find->SetText("old");
    TSteps steps;
    steps.Then([&] {
      QLineEdit *editor = Editor();
      ASSERT_NE(editor, nullptr);
      EXPECT_EQ(editor->parentWidget(), Bar);
      EXPECT_EQ(editor->text(), QStringLiteral("old"));
      EXPECT_EQ(QWidget::keyboardGrabber(), editor);
      EXPECT_EQ(editor->selectedText(), QStringLiteral("old")); // typing replaces it
      QTest::keyClicks(editor, "abc");
      QTest::keyClick(editor, Qt::Key(c.key), c.modifiers);
    });
    steps.Then([&] {
      EXPECT_EQ(Editor(), nullptr);
      EXPECT_EQ(TTbrQtModalDriver::Running(), c.loopGoesOn);
      if (c.selected) {
        ASSERT_NE(Bar->View()->Selected(), nullptr);
        EXPECT_EQ(Bar->View()->Selected()->Item->Caption(), QString(c.selected));
        EXPECT_EQ(QWidget::keyboardGrabber(), Main.get()) << "the menu has the keyboard back";
      }
      EndLoop();
    });
    PressOnBox(steps);
    steps.RunRest();
    EXPECT_EQ(Find->Text(), QString(c.text));
    ExpectInputFree();
  }
}

TEST_F(EditSessionQtTest, PressElsewhereEndsTheEditAndStillReachesItsWidget) {
  for (const bool acceptOnLeave : {false, true}) {
    SCOPED_TRACE(acceptOnLeave ? "accept on leave" : "plain");
    Find->SetText("old");
    Find->SetExtendedAccept(acceptOnLeave);
    TSteps steps;
    steps.Then([&] { QTest::keyClicks(Editor(), "abc"); });
    steps.Then([&] { QTest::mousePress(Outside, Qt::LeftButton); });
    const int before = OutsideClicks;
    PressOnBox(steps);
    EXPECT_TRUE(steps.Done());
    EXPECT_EQ(Find->Text(), acceptOnLeave ? QStringLiteral("abc") : QStringLiteral("old"));
    ExpectInputFree();
    QCoreApplication::processEvents(); // the press, handed on once the menu has gone
    QTest::mouseRelease(Outside, Qt::LeftButton);
    EXPECT_EQ(OutsideClicks, before + 1);
  }
}

TEST_F(EditSessionQtTest, PressesOverTheEditorMoveItsCursor) {
  Find->SetText("hello");
  TSteps steps;
  steps.Then([&] {
    QLineEdit *editor = Editor();
    ASSERT_NE(editor, nullptr);
    // Through the window, as the desktop delivers it.
    const QPoint left = Main->mapFromGlobal(editor->mapToGlobal(QPoint(1, editor->height() / 2)));
    QTest::mouseClick(Main->windowHandle(), Qt::LeftButton, {}, left);
    EXPECT_NE(Editor(), nullptr) << "a press on the editor keeps editing";
    EXPECT_EQ(editor->cursorPosition(), 0);
    QTest::keyClicks(editor, "X");
  });
  steps.Then([&] {
    // The editor stays on the box: the toolbar does not take it for a control of its own.
    EXPECT_EQ(Bar->Items()->Count(), 4);
    EXPECT_EQ(Editor()->geometry(), Bar->View()->Find(Find)->BoundsRect.adjusted(3, 3, -3, -3).translated(Bar->ClientRect().topLeft()));
    QTest::keyClick(Editor(), Qt::Key_Return);
  });
  PressOnBox(steps);
  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(Find->Text(), QStringLiteral("Xhello"));
  ExpectInputFree();
}

TEST_F(EditSessionQtTest, EditorKeepsTheItemsCaseAndLength) {
  Find->SetText("");
  Find->SetCharCase(TEditCharCase::ecUpperCase);
  Find->SetMaxLength(4);
  TSteps steps;
  steps.Then([&] {
    QTest::keyClicks(Editor(), "abcdef");
    EXPECT_EQ(Editor()->text(), QStringLiteral("ABCD"));
    QTest::keyClick(Editor(), Qt::Key_Return);
  });
  PressOnBox(steps);
  EXPECT_EQ(Find->Text(), QStringLiteral("ABCD"));
  ExpectInputFree();
}

TEST_F(EditSessionQtTest, EditInAPopupMenuCommitsAndClosesEveryMenu) {
  TSteps steps;
  steps.Then([&] { QTest::mouseRelease(Bar, Qt::LeftButton, {}, BoxPoint(More)); });
  steps.ThenBlocking([&] {
    TTbrPopupWindow *popup = OpenPopup(Bar->View());
    ASSERT_NE(popup, nullptr);
    auto *viewer = dynamic_cast<TTbrEditItemViewer *>(popup->View()->Find(Name));
    ASSERT_NE(viewer, nullptr);
    const QPoint box = viewer->EditBoxRect().center() + popup->ClientRect().topLeft();
    QTest::mouseClick(popup, Qt::LeftButton, {}, box);
  });
  steps.Then([&] {
    QLineEdit *editor = Editor();
    ASSERT_NE(editor, nullptr);
    TTbrPopupWindow *popup = OpenPopup(Bar->View());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(editor->window(), popup);
    auto *viewer = dynamic_cast<TTbrEditItemViewer *>(popup->View()->Find(Name));
    EXPECT_TRUE(QRect(popup->mapToGlobal(viewer->EditBoxRect().translated(popup->ClientRect().topLeft()).topLeft()),
                      viewer->EditBoxRect().size())
                    .contains(QRect(editor->mapToGlobal(QPoint(0, 0)), editor->size())))
        << "the editor sits on the box, right of the label";
    QTest::keyClicks(editor, "abc");
    QTest::keyClick(editor, Qt::Key_Enter);
  });
  steps.Start();
  QTest::mousePress(Bar, Qt::LeftButton, {}, BoxPoint(More));
  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(Name->Text(), QStringLiteral("abc"));
  EXPECT_EQ(OpenPopup(Bar->View()), nullptr);
  ExpectInputFree();
}

TEST_F(EditSessionQtTest, LosingTheApplicationEndsEditAndMenu) {
  Find->SetAcceptOnLeave(true);
  TSteps steps;
  steps.Then([&] {
    QTest::keyClicks(Editor(), "abc");
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(qApp, &deactivate);
  });
  PressOnBox(steps);
  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(Find->Text(), QStringLiteral("abc"));
  ExpectInputFree();
}

TEST_F(EditSessionQtTest, AnErrorOfTheAcceptHandlerEndsEditAndMenuAndIsReported) {
  QStringList reported;
  SetToolbarExceptionHandler([&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception &e) {
      reported << QString::fromUtf8(e.what());
    }
  });
  Find->SetOnAcceptText([](TTbrEditItemViewer *, QString &, bool &) { throw std::runtime_error("refused loudly"); });
  TSteps steps;
  steps.Then([&] {
    QTest::keyClicks(Editor(), "abc");
    QTest::keyClick(Editor(), Qt::Key_Tab);
  });
  PressOnBox(steps);
  SetToolbarExceptionHandler(nullptr);
  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(reported, QStringList{"refused loudly"});
  EXPECT_EQ(Find->Text(), QStringLiteral("old"));
  ExpectInputFree();
}

} // namespace

TEST_F(EditSessionQtTest, ThePointerIsTheTextCursorOverTheBoxOnly) {
  const auto moveTo = [this](const QPoint &at) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(Bar->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Bar, &move);
    return Bar->cursor().shape();
  };
  EXPECT_EQ(moveTo(BoxPoint(Find)), Qt::IBeamCursor);
  EXPECT_EQ(moveTo(BoxPoint(Before)), Qt::ArrowCursor);
  Find->SetEnabled(false);
  EXPECT_EQ(moveTo(BoxPoint(Find)), Qt::ArrowCursor);
}

namespace {
// A box as wide as the text typed into it.
class TGrowingEdit : public TTbrEditItem {
public:
  void EditTextChanged(TTbrEditItemViewer *, const QString &text) override { SetEditWidth(40 + 10 * int(text.size())); }
};
} // namespace

TEST_F(EditSessionQtTest, TheEditorFollowsABoxResizedWhileTyping) {
  auto *growing = new TGrowingEdit;
  growing->SetCaption("Grow");
  Bar->Items()->Insert(Bar->Items()->IndexOf(After), growing);
  Find->SetVisible(false);
  Find = growing;
  Bar->View()->ValidatePositions();
  int before = 0, after = 0;
  TSteps steps;
  steps.Then([&] {
    QLineEdit *editor = Editor();
    ASSERT_NE(editor, nullptr);
    before = editor->width();
    QTest::keyClicks(editor, "abcdefgh");
  });
  steps.Then([&] {
    QLineEdit *editor = Editor();
    ASSERT_NE(editor, nullptr);
    after = editor->width();
    EXPECT_EQ(editor->geometry(), Bar->View()->Find(growing)->BoundsRect.adjusted(3, 3, -3, -3).translated(
                                      Bar->ClientRect().topLeft()));
    QTest::keyClick(editor, Qt::Key_Return);
  });
  PressOnBox(steps);
  steps.RunRest();
  EXPECT_EQ(before, 64 - 6);
  EXPECT_EQ(after, 40 + 80 - 6);
  EXPECT_EQ(growing->Text(), "abcdefgh");
  ExpectInputFree();
}
