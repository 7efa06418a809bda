#include "toolbars/core/tbmenuloop.h"
#include "toolbars/paint/thmcombobox.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// An editor that behaves as a line editor does for the combo: a text set
// by the program is reported as a change, and the selection is kept.
class TComboEditor : public QObject, public TThmEditControl {
public:
  void SetEditAlignment(TAlignment) override {}
  void SetPasswordChar(QChar) override {}
  void SetEditReadOnly(bool) override {}
  QFont EditFont() const override { return QFont("DejaVu Sans", 9); }
  void SetEditFont(const QFont &, TColor) override {}
  QString EditText() const override { return Text; }
  void SetEditText(const QString &text) override {
    if (text == Text)
      return;
    Text = text;
    Selection = {int(text.size()), 0};
    if (Session)
      Session->TextChanged(text);
  }
  void SelectAllText() override { Selection = {0, int(Text.size())}; }
  void SetEditSelection(int start, int length) override { Selection = {start, length}; }
  // The user types: the selection is replaced by `typed`.
  void Type(const QString &typed) {
    SetEditText(Text.left(Selection.first) + typed + Text.mid(Selection.first + Selection.second));
  }
  void Backspace() {
    if (Selection.second > 0)
      SetEditText(Text.left(Selection.first) + Text.mid(Selection.first + Selection.second));
    else
      SetEditText(Text.left(Text.size() - 1));
  }
  QString SelectedText() const { return Text.mid(Selection.first, Selection.second); }

  TTbrEditSession *Session = nullptr;
  QString Text;
  std::pair<int, int> Selection{0, 0};
};

class TComboHost : public TTbrViewHost {
public:
  TComboHost() { TextMeasure.SetFont(QFont("DejaVu Sans", 9)); }
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return vt::Toolbar; }
  QRect ScreenClientRect() const override { return QRect(0, 0, 400, 40); }
  void RunEditSession(TTbrEditSession &session) override {
    Editor.Session = &session;
    Editor.Text = session.Item.Text();
    session.EditorReady(&Editor);
    if (Script)
      Script(session);
    Editor.Session = nullptr;
  }
  TTbrView *OpenPopup(TTbrView *, TTbrItemViewer *viewer, bool, bool selectFirst) override {
    Opened << viewer->Item;
    OpenedSelectingFirst = selectFirst;
    return nullptr;
  }
  TTbrQtTextMeasure TextMeasure;
  TComboEditor Editor;
  std::function<void(TTbrEditSession &)> Script;
  QList<TTbrCustomItem *> Opened;
  bool OpenedSelectingFirst = false;
};

class TEndDriver : public TTbrModalDriver {
public:
  void Run(TTbrMenuLoop &loop) override { loop.End(); }
};

class ComboBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartThemedItemsWith<TThmDefaultTheme>();
    Combo = new TThmComboBoxItem;
    Combo->SetEditWidth(128);
    Combo->SetStrings({"Arial", "Arial Black", "Courier"});
    Combo->SetOnChange([this](TThmEditItem *, const QString &text) { Told << text; });
    Root.Add(Combo);
    View = std::make_unique<TTbrView>(&Host, nullptr, &Root, true);
    View->ValidatePositions();
  }
  void TearDown() override {
    View.reset();
    StopThemedItems();
    ClearThemeRegistry();
  }
  // Presses on the box and runs `script` in its editor.
  void Edit(std::function<void(TComboEditor &, TTbrEditSession &)> script) {
    Host.Script = [this, script](TTbrEditSession &session) { script(Host.Editor, session); };
    TTbrItemViewer *viewer = View->Find(Combo);
    View->Select(viewer, true);
    EnterToolbarLoop(View.get(), tbetMouseDown, Driver, &LoopHost, nullptr,
                     viewer->BoundsRect.topLeft() + QPoint(10, viewer->BoundsRect.height() / 2));
  }

  TComboHost Host;
  TTbrRootItem Root;
  TThmComboBoxItem *Combo = nullptr;
  std::unique_ptr<TTbrView> View;
  TTbrMenuLoopHost LoopHost;
  TEndDriver Driver;
  QStringList Told;
};

} // namespace

TEST_F(ComboBoxTest, TypingCompletesCaseInsensitivelyAndBackspaceDoesNotCompleteAgain) {
  Edit([&](TComboEditor &editor, TTbrEditSession &session) {
    editor.SelectAllText();
    editor.Type("A");
    editor.Type("r");
    EXPECT_EQ(editor.Text, "Arial");
    EXPECT_EQ(editor.SelectedText(), "ial");
    EXPECT_EQ(Combo->ItemIndex(), 0);
    editor.Backspace();
    EXPECT_EQ(editor.Text, "Ar") << "no completion after the text got shorter";
    EXPECT_EQ(Combo->ItemIndex(), -1);
    editor.Type("ial b");
    EXPECT_EQ(editor.Text, "Arial Black");
    EXPECT_EQ(editor.SelectedText(), "lack");
    EXPECT_EQ(Combo->ItemIndex(), 1);
    EXPECT_TRUE(session.KeyPressed(Qt::Key_Return, {}));
  });
  EXPECT_EQ(Combo->Text(), "Arial Black");
  EXPECT_EQ(Told.back(), "Arial Black");
  EXPECT_TRUE(Told.contains("Ar"));
}

TEST_F(ComboBoxTest, WithoutAutoCompleteTheTypedCaseStaysAndNoMatchIsStillTold) {
  Combo->SetAutoComplete(false);
  Edit([&](TComboEditor &editor, TTbrEditSession &session) {
    editor.SelectAllText();
    editor.Type("arial");
    EXPECT_EQ(editor.Text, "arial");
    EXPECT_EQ(Combo->ItemIndex(), 0);
    editor.Type("x");
    EXPECT_EQ(Combo->ItemIndex(), -1);
    EXPECT_EQ(Told.back(), "arialx");
    EXPECT_TRUE(session.KeyPressed(Qt::Key_Escape, {}));
  });
  EXPECT_EQ(Combo->Text(), "") << "Esc keeps the old text";
}

TEST_F(ComboBoxTest, UpAndDownWalkTheStringsAndF4OpensTheList) {
  Edit([&](TComboEditor &editor, TTbrEditSession &session) {
    struct TCase {
      int Key;
      QString Text;
      int Index;
    } cases[] = {{Qt::Key_Down, "Arial", 0},       {Qt::Key_Down, "Arial Black", 1}, {Qt::Key_Down, "Courier", 2},
                 {Qt::Key_Down, "Courier", 2},     {Qt::Key_Up, "Arial Black", 1},   {Qt::Key_Up, "Arial", 0},
                 {Qt::Key_Up, "Arial", -1}};
    for (const TCase &c : cases) {
      EXPECT_TRUE(session.KeyPressed(c.Key, {}));
      EXPECT_EQ(editor.Text, c.Text) << c.Key;
      EXPECT_EQ(editor.SelectedText(), c.Text) << "all selected";
      EXPECT_EQ(Combo->ItemIndex(), c.Index);
    }
    EXPECT_TRUE(session.KeyPressed(Qt::Key_F4, {}));
    EXPECT_TRUE(session.Continues());
    EXPECT_TRUE(session.KeyPressed(Qt::Key_Escape, {}));
  });
  EXPECT_EQ(Host.Opened, QList<TTbrCustomItem *>{Combo});
  EXPECT_TRUE(Host.OpenedSelectingFirst);
  EXPECT_TRUE(Told.contains("Courier"));
}

TEST_F(ComboBoxTest, AChoiceInTheListBecomesTheTextAndOpeningFindsTheText) {
  ASSERT_EQ(Combo->Count(), 1);
  EXPECT_EQ(Combo->Items(0), Combo->List());
  EXPECT_EQ(ThemedPopupViewType(Combo, false), vt::ListPopup);
  EXPECT_EQ(Combo->List()->MinWidth(), 64);
  int clicks = 0;
  Combo->OnItemClick = [&](TThmComboBoxItem *) { ++clicks; };
  Combo->List()->SetItemIndex(2);
  EXPECT_EQ(Combo->Text(), "Courier");
  EXPECT_EQ(Told, QStringList{"Courier"});
  Combo->List()->Click();
  EXPECT_EQ(clicks, 1);
  // The program's text is found again when the list opens; nothing is told.
  Combo->SetText("arial black");
  Combo->FirePopup(Combo, false);
  EXPECT_EQ(Combo->ItemIndex(), -1) << "the position among the strings, case and all";
  Combo->SetText("Arial Black");
  Combo->FirePopup(Combo, false);
  EXPECT_EQ(Combo->ItemIndex(), 1);
  EXPECT_EQ(Told, QStringList{"Courier"});
}

TEST_F(ComboBoxTest, TheButtonOpensTheListAndTheBoxEdits) {
  auto *viewer = dynamic_cast<TThmComboBoxItemViewer *>(View->Find(Combo));
  ASSERT_NE(viewer, nullptr);
  const int width = viewer->BoundsRect.width();
  EXPECT_EQ(viewer->RightButtonWidth(), ActiveTheme().IntegerMetric(65));
  EXPECT_EQ(viewer->GetEditInfo().RightButton.ButtonType, 1);
  EXPECT_TRUE(viewer->PointOnButtonPart(5, 5));
  EXPECT_FALSE(viewer->PointOnButtonPart(width - 3, 5));
  Combo->SetDropDownList(true);
  EXPECT_FALSE(viewer->PointOnButtonPart(5, 5));
  Combo->SetEnabled(false);
  EXPECT_EQ(viewer->GetEditInfo().RightButton.ButtonState & 1, 1);
}
