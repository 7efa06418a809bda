// Themed edit items: the box's size and place by the theme's metrics, the
// vertical-toolbar rule, how the item sets its editor up and hears every
// keystroke while the user edits, keys a viewer takes before the edit does,
// and what the box shows (the text in its font settings, hidden by a
// password character, aligned, greyed when disabled).

#include "platform/colorvalue.h"
#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/thmnexus.h"
#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/qt/tbwidgethost.h"
#include "toolbars/qt/thmedit.h"

#include <QImage>
#include <QPainter>
#include <QStyle>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// An editor that notes what the item set up.
class TFakeEditor : public QObject, public TThmEditControl {
public:
  void SetEditAlignment(TAlignment value) override { Alignment = value; }
  void SetPasswordChar(QChar value) override { Password = value; }
  void SetEditReadOnly(bool value) override { ReadOnly = value; }
  QFont EditFont() const override { return Font; }
  void SetEditFont(const QFont &font, TColor color) override {
    Font = font;
    Color = color;
  }
  QString EditText() const override { return Text; }
  void SetEditText(const QString &text) override { Text = text; }
  void SelectAllText() override { AllSelected = true; }
  void SetEditSelection(int, int) override {}

  TAlignment Alignment = TAlignment::taLeftJustify;
  QChar Password;
  bool ReadOnly = false, AllSelected = false;
  QFont Font{"DejaVu Sans", 9};
  TColor Color = 0;
  QString Text;
};

using TEditorScript = std::function<void(TTbrEditSession &)>;

// A themed window of a view type, measuring with a real font, whose editor plays a script.
class TThmEditHost : public TTbrViewHost {
public:
  explicit TThmEditHost(int viewType) : Type(viewType) {
    QFont font("DejaVu Sans");
    font.setPointSize(9);
    TextMeasure.SetFont(font);
  }
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return Type; }
  QRect ScreenClientRect() const override { return QRect(0, 0, 400, 200); }
  void RunEditSession(TTbrEditSession &session) override {
    ++Sessions;
    session.EditorReady(&Editor);
    if (Script)
      Script(session);
  }
  int Type;
  TTbrQtTextMeasure TextMeasure;
  TFakeEditor Editor;
  TEditorScript Script;
  int Sessions = 0;
};

class TEndDriver : public TTbrModalDriver {
public:
  void Run(TTbrMenuLoop &loop) override {
    Ran = true;
    loop.End();
  }
  bool Ran = false;
};

class ThemedEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartThemedItemsWith<TThmDefaultTheme>();
  }
  void TearDown() override {
    StopThemedItems();
    ClearThemeRegistry();
  }
  int Metric(int index) { return ActiveTheme().IntegerMetric(index); }
};

QSize Measured(TTbrItemViewer *viewer) {
  int w = 0, h = 0;
  viewer->MeasureSize(viewer->View->Host()->Measure(), false, w, h);
  return QSize(w, h);
}

int FontHeight(const TThmEditHost &host, bool bold = false) {
  QFont font = host.TextMeasure.Font();
  font.setBold(bold);
  return QFontMetrics(font).height();
}

// One edit item in a toolbar or menu of its own.
struct TEditBar {
  explicit TEditBar(int viewType, bool vertical = false) : host(viewType) {
    before = Add<TThmItem>(&root, "Before");
    edit = Add<TThmEditItem>(&root, "Find");
    after = Add<TThmItem>(&root, "After");
    edit->SetText("old");
    view = std::make_unique<TTbrView>(&host, nullptr, &root, IsToolbarType(viewType));
    if (vertical)
      view->Orientation = tbvoVertical;
    view->ValidatePositions();
  }
  TTbrItemViewer *Viewer() const { return view->Find(edit); }
  void PressOnBox() {
    TTbrItemViewer *v = Viewer();
    view->Select(v, true);
    EnterToolbarLoop(view.get(), tbetMouseDown, driver, &loopHost, nullptr, v->BoundsRect.center());
  }
  TTbrRootItem root;
  TThmEditHost host;
  TThmItem *before, *after;
  TThmEditItem *edit;
  std::unique_ptr<TTbrView> view;
  TTbrMenuLoopHost loopHost;
  TEndDriver driver;
};

} // namespace

TEST_F(ThemedEditTest, SizeFollowsTheThemesMetrics) {
  struct TCase {
    const char *name;
    int viewType;
    const char *caption;
    bool bold;
  } cases[] = {
      {"toolbar", vt::Toolbar, "", false},
      {"toolbar, bold", vt::Toolbar, "", true},
      {"menu", vt::PopupMenu, "", false},
      {"menu with a label", vt::PopupMenu, "&Find:", false},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TEditBar bar(c.viewType);
    bar.edit->SetEditWidth(150);
    bar.edit->SetEditCaption(c.caption);
    if (c.bold)
      bar.edit->FontSettings().SetBold(TTriState::tsTrue);
    bar.view->ValidatePositions();
    auto *viewer = dynamic_cast<TThmEditItemViewer *>(bar.Viewer());
    ASSERT_NE(viewer, nullptr);
    const int t = FontHeight(bar.host, c.bold);
    int width = 150, height = t + 1;
    if (IsToolbarType(c.viewType)) {
      height += 2 * Metric(60);
    } else {
      width += Metric(32) + viewer->ImageColumn();
      if (*c.caption)
        width += bar.host.TextMeasure.TextExtent("Find:", false).width() + Metric(64) + Metric(34);
      height += (height + 3) / 4;
    }
    height = std::max(height, 2 * Metric(62) + t + 1 + 2 * Metric(60));
    height |= 1; // the default theme wants it odd
    EXPECT_EQ(Measured(viewer), QSize(width, height));
    EXPECT_EQ(viewer->BoundsRect.size(), QSize(width, height));
  }
}

TEST_F(ThemedEditTest, TheEditorCoversTheFieldTheBoxPaints) {
  for (const int viewType : {int(vt::Toolbar), int(vt::PopupMenu)}) {
    SCOPED_TRACE(viewType);
    TEditBar bar(viewType);
    bar.edit->SetEditCaption("Find:");
    bar.view->ValidatePositions();
    auto *viewer = static_cast<TThmEditItemViewer *>(bar.Viewer());
    const QRect bounds = viewer->BoundsRect;
    const QRect box = viewer->EditBoxRect();
    // Inside the item, the label (menus only) before it.
    EXPECT_TRUE(bounds.contains(box.adjusted(3, 3, -3, -3)));
    EXPECT_EQ(box.right(), bounds.right() - 1);
    if (IsToolbarType(viewType))
      EXPECT_EQ(box.left(), bounds.left() + 1);
    else
      EXPECT_GT(box.left(), bounds.left() + viewer->ThemedCaptionWidth());
    // The pointer shows the text cursor over the box only.
    const QPoint inBox = box.center() - bounds.topLeft();
    EXPECT_TRUE(viewer->PointInEditText(inBox.x(), inBox.y()));
    if (!IsToolbarType(viewType)) {
      EXPECT_FALSE(viewer->PointInEditText(2, bounds.height() / 2));
    }
    bar.edit->SetEnabled(false);
    EXPECT_FALSE(viewer->PointInEditText(inBox.x(), inBox.y()));
  }
}

TEST_F(ThemedEditTest, VerticalToolbarShowsAThemedButtonUnlessAskedToKeepTheBox) {
  TEditBar bar(vt::Toolbar, true);
  TTbrItemViewer *viewer = bar.Viewer();
  EXPECT_EQ(dynamic_cast<TThmEditItemViewer *>(viewer), nullptr);
  EXPECT_NE(dynamic_cast<TThmItemViewer *>(viewer), nullptr);
  EXPECT_FALSE(bar.edit->NeedsViewerRecreate(viewer));
  // The view remakes the viewer as the option changes.
  bar.edit->SetEditOptions(tboUseEditWhenVertical);
  EXPECT_NE(dynamic_cast<TThmEditItemViewer *>(bar.Viewer()), nullptr);
  EXPECT_FALSE(bar.edit->NeedsViewerRecreate(bar.Viewer()));
  bar.edit->SetEditOptions(0);
  EXPECT_EQ(dynamic_cast<TThmEditItemViewer *>(bar.Viewer()), nullptr);
}

TEST_F(ThemedEditTest, BeginEditSetsTheEditorUpAndEveryKeystrokeIsTold) {
  TEditBar bar(vt::Toolbar);
  bar.edit->SetAlignment(TAlignment::taRightJustify);
  bar.edit->SetPasswordChar(u'*');
  bar.edit->SetReadOnly(true);
  bar.edit->FontSettings().SetBold(TTriState::tsTrue);
  bar.edit->FontSettings().SetColor(clNavy);
  bar.edit->SetAcceptOnLeave(true);
  bool setUpBeforeBeginEdit = false;
  bar.edit->SetOnBeginEdit([&](TTbrEditItem *, TTbrEditItemViewer *viewer, QObject *) {
    setUpBeforeBeginEdit = bar.host.Editor.AllSelected && bar.host.Editor.Font.bold() &&
                           static_cast<TThmEditItemViewer *>(viewer)->EditControl() == &bar.host.Editor;
  });
  QStringList told;
  bar.edit->SetOnChange([&](TThmEditItem *sender, const QString &text) {
    EXPECT_EQ(sender, bar.edit);
    told << text;
  });
  bar.host.Script = [](TTbrEditSession &s) {
    s.TextChanged("a");
    s.TextChanged("ab");
    s.TextChanged("ab"); // no change: not told again
    s.TextChanged("");
    s.Left();
  };
  bar.PressOnBox();
  const TFakeEditor &editor = bar.host.Editor;
  EXPECT_EQ(editor.Alignment, TAlignment::taRightJustify);
  EXPECT_EQ(editor.Password, QChar(u'*'));
  EXPECT_TRUE(editor.ReadOnly);
  EXPECT_TRUE(editor.Font.bold());
  EXPECT_EQ(editor.Color, clNavy);
  EXPECT_TRUE(setUpBeforeBeginEdit);
  EXPECT_EQ(told, QStringList({"a", "ab", ""}));
  EXPECT_EQ(bar.edit->Text(), "") << "accepted on leave";
  EXPECT_EQ(static_cast<TThmEditItemViewer *>(bar.Viewer())->EditControl(), nullptr) << "gone with the edit";
}

TEST_F(ThemedEditTest, AnEditThatKeepsNothingPutsBackTheTextItsHandlerStored) {
  // The handler keeps the item's text in step with every keystroke, as the
  // program's action text does.
  struct TCase {
    const char *name;
    TEditorScript script;
    bool refuse;
    const char *text;
  } cases[] = {
      {"Esc", [](TTbrEditSession &s) { s.TextChanged("typed"), s.KeyPressed(Qt::Key_Escape, {}); }, false, "old"},
      {"refused", [](TTbrEditSession &s) { s.TextChanged("typed"), s.KeyPressed(Qt::Key_Return, {}); }, true, "old"},
      {"left", [](TTbrEditSession &s) { s.TextChanged("typed"), s.Left(); }, false, "old"},
      {"Enter", [](TTbrEditSession &s) { s.TextChanged("typed"), s.KeyPressed(Qt::Key_Return, {}); }, false,
       "typed"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TEditBar bar(vt::Toolbar);
    QStringList told;
    bar.edit->SetOnChange([&](TThmEditItem *sender, const QString &text) {
      told << text;
      sender->SetText(text);
    });
    if (c.refuse)
      bar.edit->SetOnAcceptText([](TTbrEditItemViewer *, QString &, bool &accept) { accept = false; });
    bar.host.Script = c.script;
    bar.PressOnBox();
    EXPECT_EQ(bar.edit->Text(), QString(c.text));
    EXPECT_EQ(told.last(), QString(c.text)) << "the handler hears of the text put back";
  }
}

namespace {

// A viewer that takes F4 and the Return key before the edit sees them.
class TKeyViewer : public TThmEditItemViewer {
public:
  using TThmEditItemViewer::TThmEditItemViewer;
  bool HandleEditMessage(int key, Qt::KeyboardModifiers) override {
    if (key != Qt::Key_F4 && key != Qt::Key_Return)
      return false;
    ++Taken;
    if (TThmEditControl *control = EditControl())
      control->SetEditText("taken");
    return true;
  }
  static inline int Taken = 0;
};

class TKeyItem : public TThmEditItem {
public:
  TTbrViewerFactory ViewerClass(TTbrView *) const override {
    return [](TTbrView *view, TTbrCustomItem *item, int level) -> TTbrItemViewer * {
      return new TKeyViewer(view, item, level);
    };
  }
};

} // namespace

TEST_F(ThemedEditTest, TheViewerSeesKeysBeforeTheEdit) {
  TThmEditHost host(vt::Toolbar);
  TTbrRootItem root;
  auto *edit = Add<TKeyItem>(&root, "Keys");
  TTbrView view(&host, nullptr, &root, true);
  view.ValidatePositions();
  TKeyViewer::Taken = 0;
  host.Script = [](TTbrEditSession &s) {
    EXPECT_TRUE(s.KeyPressed(Qt::Key_F4, {}));
    EXPECT_TRUE(s.KeyPressed(Qt::Key_Return, {}));
    EXPECT_TRUE(s.Continues()) << "Return went to the viewer, not to the edit";
    EXPECT_TRUE(s.KeyPressed(Qt::Key_Escape, {}));
  };
  TEndDriver driver;
  TTbrMenuLoopHost loopHost;
  TTbrItemViewer *viewer = view.Find(edit);
  view.Select(viewer, true);
  EnterToolbarLoop(&view, tbetMouseDown, driver, &loopHost, nullptr, viewer->BoundsRect.center());
  EXPECT_EQ(TKeyViewer::Taken, 2);
  EXPECT_EQ(host.Editor.Text, "taken");
  EXPECT_EQ(edit->Text(), "");
}

namespace {

QImage PaintViewer(TTbrItemViewer *viewer, const QFont &font, bool hover = false) {
  QImage image(viewer->BoundsRect.size(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.translate(-viewer->BoundsRect.topLeft());
  TPainterCanvas canvas(painter);
  canvas.SetFont(font);
  EXPECT_TRUE(viewer->Paint(canvas, viewer->BoundsRect, hover, false, false));
  return image;
}

using TInk = std::function<bool(QColor)>;
// Text is smoothed: its pixels lean towards its colour rather than being it.
bool Navy(QColor c) { return c.blue() - c.red() > 40 && c.blue() - c.green() > 40; }
bool Dark(QColor c) { return c.lightness() < 100 && std::abs(c.blue() - c.red()) < 20; }

int CountPixels(const QImage &image, const TInk &ink) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      n += ink(image.pixelColor(x, y));
  return n;
}

// The first and last columns that hold ink.
std::pair<int, int> InkColumns(const QImage &image, const TInk &ink) {
  int first = image.width(), last = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (ink(image.pixelColor(x, y))) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  return {first, last};
}

} // namespace

TEST_F(ThemedEditTest, TheBoxShowsTheTextAsTheItemSays) {
  TEditBar bar(vt::Toolbar);
  bar.edit->SetEditWidth(120);
  bar.edit->SetText("Hello");
  bar.edit->FontSettings().SetColor(clNavy);
  bar.view->ValidatePositions();
  TTbrItemViewer *viewer = bar.Viewer();
  const QFont font = bar.host.TextMeasure.Font();
  const TInk navy = Navy;

  const QImage left = PaintViewer(viewer, font);
  EXPECT_GT(CountPixels(left, navy), 0) << "the text in the item's colour";
  const auto [leftFirst, leftLast] = InkColumns(left, navy);
  EXPECT_GE(leftFirst, viewer->BoundsRect.width() - static_cast<TThmEditItemViewer *>(viewer)->EditBoxRect().width());

  bar.edit->SetAlignment(TAlignment::taRightJustify);
  const auto [rightFirst, rightLast] = InkColumns(PaintViewer(viewer, font), navy);
  EXPECT_GT(rightFirst, leftFirst);
  EXPECT_LT(rightLast, viewer->BoundsRect.width());
  EXPECT_EQ(rightLast - rightFirst, leftLast - leftFirst);

  bar.edit->SetAlignment(TAlignment::taLeftJustify);
  bar.edit->SetPasswordChar(u'*');
  const QImage hidden = PaintViewer(viewer, font);
  EXPECT_NE(hidden, left);
  bar.edit->SetText("*****");
  bar.edit->SetPasswordChar(QChar());
  EXPECT_EQ(PaintViewer(viewer, font), hidden) << "five stars either way";

  // Disabled: grey text, the item's colour still wins over it; empty: no text at all.
  bar.edit->FontSettings().SetColor(ThmNoColor);
  bar.edit->SetText("Hello");
  const QImage enabledImage = PaintViewer(viewer, font);
  bar.edit->SetEnabled(false);
  const QImage disabledImage = PaintViewer(viewer, font);
  EXPECT_NE(disabledImage, enabledImage);
  EXPECT_EQ(CountPixels(disabledImage, Dark), 0);
  EXPECT_GT(CountPixels(enabledImage, Dark), 0);
  bar.edit->SetEnabled(true);
  bar.edit->SetText("");
  EXPECT_EQ(CountPixels(PaintViewer(viewer, font), Dark), 0);
}

TEST_F(ThemedEditTest, MenuBoxSitsAfterItsLabel) {
  TEditBar bar(vt::PopupMenu);
  bar.edit->SetEditCaption("Find:");
  bar.edit->SetText("");
  bar.view->ValidatePositions();
  auto *viewer = static_cast<TThmEditItemViewer *>(bar.Viewer());
  const QFont font = bar.host.TextMeasure.Font();
  const QImage image = PaintViewer(viewer, font);
  // The label's ink lies left of the box, the box's field is the window colour.
  const QRect box = viewer->EditBoxRect().translated(-viewer->BoundsRect.topLeft());
  const auto [first, last] = InkColumns(image.copy(0, 0, box.left(), image.height()), Dark);
  EXPECT_GE(first, 0);
  EXPECT_GT(last, first) << "the label shows";
  EXPECT_EQ(image.pixelColor(box.center()), SysQColor(sciWindow));
}

TEST(ThemedEditControl, TakesWhatTheItemSetsUp) {
  TThmEdit edit;
  edit.setText("secret");
  edit.SetEditAlignment(TAlignment::taCenter);
  EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  edit.SetPasswordChar(u'#');
  EXPECT_EQ(edit.echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &edit), int(u'#'));
  edit.SetPasswordChar(QChar());
  EXPECT_EQ(edit.echoMode(), QLineEdit::Normal);
  QFont bold = edit.EditFont();
  bold.setBold(true);
  edit.SetEditFont(bold, clNavy);
  EXPECT_TRUE(edit.font().bold());
  EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(0, 0, 0x80));
  edit.SetEditReadOnly(true);
  EXPECT_TRUE(edit.isReadOnly());
  edit.SetEditSelection(1, 3);
  EXPECT_EQ(edit.selectedText(), "ecr");
}
