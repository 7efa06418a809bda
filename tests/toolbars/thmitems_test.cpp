#include "platform/colorvalue.h"
#include "toolbars/core/thmnexus.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/plainview.h"
#include "toolbars/paint/thmfontsettings.h"
#include "toolbars/paint/thmitems.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// A window stand-in that says what kind of view it shows and measures with a real font.
class TThmHost : public TTbrViewHost {
public:
  explicit TThmHost(int viewType) : Type(viewType) {
    QFont font("DejaVu Sans");
    font.setPointSize(9);
    TextMeasure.SetFont(font);
  }
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return Type; }
  int Type;
  TTbrQtTextMeasure TextMeasure;
};

// The default theme with the Boolean metrics a test chooses, and a record of docks painted.
class TSwitchTheme : public TThmDefaultTheme {
public:
  using TThmDefaultTheme::TThmDefaultTheme;
  static inline bool PlaceWithOverlap = false, PaintDocks = false;
  static inline int DockPaints = 0;
  // "-" for a line along x, "|" for one along y, one per separator painted.
  static inline QString SeparatorLines;
  bool BooleanMetric(int index) override {
    if (index == 1)
      return PlaceWithOverlap;
    if (index == 5)
      return PaintDocks;
    return TThmDefaultTheme::BooleanMetric(index);
  }
  void PaintDockBackground(TCanvas &, const QRect &, const QRect &, int) override { ++DockPaints; }
  void PaintSeparatorLine(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, bool horizontal,
                          bool lineSeparator) override {
    SeparatorLines += horizontal ? QLatin1Char('-') : QLatin1Char('|');
    TThmDefaultTheme::PaintSeparatorLine(canvas, rect, info, horizontal, lineSeparator);
  }
};

class ThemedItemsTest : public ::testing::Test {
protected:
  void SetUp() override {
    TSwitchTheme::PlaceWithOverlap = TSwitchTheme::PaintDocks = false;
    TSwitchTheme::DockPaints = 0;
    TSwitchTheme::SeparatorLines.clear();
    StartThemedItemsWith<TSwitchTheme>();
  }
  void TearDown() override {
    StopThemedItems();
    ClearThemeRegistry();
  }
  TTbrRootItem Root;
};

QSize Measured(TTbrItemViewer *viewer) {
  int w = 0, h = 0;
  viewer->MeasureSize(viewer->View->Host()->Measure(), false, w, h);
  return QSize(w, h);
}

} // namespace

TEST(FontSettings, ApplyScalesRoundsAndOverridesStyles) {
  struct TCase {
    int PointSize, Percent, Expected;
  } cases[] = {{9, 100, 9}, {9, 90, 8}, {10, 90, 9}, {9, 150, 14}, {8, 55, 4}, {9, 0, 1}};
  for (const TCase &c : cases) {
    TFontSettings settings;
    settings.SetSize(quint16(c.Percent));
    QFont font;
    font.setPointSize(c.PointSize);
    TColor color = clRed;
    settings.Apply(font, color);
    EXPECT_EQ(font.pointSize(), c.Expected) << c.PointSize << " pt at " << c.Percent << " %";
    EXPECT_EQ(color, clRed);
  }
  TFontSettings settings;
  settings.SetBold(TTriState::tsFalse);
  settings.SetItalic(TTriState::tsTrue);
  settings.SetColor(clMaroon);
  settings.SetName("DejaVu Serif");
  QFont font;
  font.setBold(true);
  font.setUnderline(true);
  TColor color = clBlack;
  settings.Apply(font, color);
  EXPECT_FALSE(font.bold());
  EXPECT_TRUE(font.italic());
  EXPECT_TRUE(font.underline()); // left as it was
  EXPECT_EQ(color, clMaroon);
  EXPECT_EQ(font.family(), "DejaVu Serif");
}

TEST(FontSettings, ChangesAreToldOnceAndOnlyWhenSomethingDiffers) {
  TFontSettings target;
  int changes = 0;
  target.OnChange = [&] { ++changes; };
  target.SetName("Sans");
  target.SetName("Sans");
  EXPECT_EQ(changes, 1);

  TFontSettings same;
  same.SetName("Sans");
  target.Assign(same);
  EXPECT_EQ(changes, 1);

  TFontSettings otherCase;
  otherCase.SetName("sans");
  target.Assign(otherCase);
  EXPECT_EQ(changes, 2);

  TFontSettings many;
  many.SetSize(90);
  many.SetBold(TTriState::tsTrue);
  many.SetColor(clMaroon);
  target.Assign(many);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(target, many);
}

TEST_F(ThemedItemsTest, ItemChangesResizeItsViewers) {
  auto *item = Add<TThmItem>(&Root, "Bold");
  int resizes = 0, repaints = 0;
  TTbrItemNotifyFunction counter([&](TTbrCustomItem *, bool, TTbrItemChangeKind kind, int, TTbrCustomItem *) {
    resizes += kind == TTbrItemChangeKind::InvalidateAndResize;
    repaints += kind == TTbrItemChangeKind::Invalidate;
  });
  Root.RegisterNotification(&counter);
  item->FontSettings().SetSize(90);
  item->SetMinWidth(40);
  item->SetLayout(TThmItemLayout::thmlGlyphTop);
  item->SetStretch(true);
  item->SetMinWidth(40); // unchanged: nothing
  EXPECT_EQ(resizes, 4);
  item->Invalidate();
  EXPECT_EQ(repaints, 1);
  EXPECT_TRUE(item->HasStyle(tbis::Stretch));
  Root.UnregisterNotification(&counter);
}

TEST_F(ThemedItemsTest, MinimumSizesHoldInToolbarsAndMenus) {
  for (const int viewType : {int(vt::Toolbar), int(vt::PopupMenu)}) {
    TThmHost host(viewType);
    TTbrRootItem root;
    auto *item = Add<TThmItem>(&root, "&Go");
    item->SetMinWidth(100);
    item->SetMinHeight(30);
    TTbrView view(&host, nullptr, &root, viewType == vt::Toolbar);
    view.ValidatePositions();
    TTbrItemViewer *viewer = view.Find(item);
    ASSERT_NE(dynamic_cast<TThmItemViewer *>(viewer), nullptr);
    const QSize size = Measured(viewer);
    EXPECT_GE(size.width(), 100) << std::hex << viewType;
    EXPECT_GE(size.height(), 30) << std::hex << viewType;
    EXPECT_GE(viewer->BoundsRect.width(), 100) << std::hex << viewType;
  }
}

TEST_F(ThemedItemsTest, SmallerFontSettingsMeasureSmaller) {
  TThmHost host(vt::Toolbar);
  auto *plain = Add<TThmItem>(&Root, "Font size");
  auto *small = Add<TThmItem>(&Root, "Font size");
  small->FontSettings().SetSize(50);
  TTbrView view(&host, nullptr, &Root, true);
  view.ValidatePositions();
  EXPECT_LT(Measured(view.Find(small)).width(), Measured(view.Find(plain)).width());
}

TEST_F(ThemedItemsTest, SplitButtonPartsMeetAtTheArrowWidth) {
  TThmHost host(vt::Toolbar);
  auto *split = Add<TThmSubmenuItem>(&Root, "Colour");
  split->SetDropdownCombo(true);
  Add<TThmItem>(split, "Red");
  auto *plainSubmenu = Add<TThmSubmenuItem>(&Root, "More");
  auto *command = Add<TThmItem>(&Root, "Run");
  TTbrView view(&host, nullptr, &Root, true);
  view.ValidatePositions();
  TTbrItemViewer *viewer = view.Find(split);
  const int width = viewer->BoundsRect.width();
  const int arrow = ActiveTheme().IntegerMetric(10);
  EXPECT_TRUE(viewer->PointOnButtonPart(width - arrow - 1, 5));
  EXPECT_FALSE(viewer->PointOnButtonPart(width - arrow, 5));
  EXPECT_FALSE(view.Find(plainSubmenu)->PointOnButtonPart(1, 1));
  EXPECT_TRUE(view.Find(command)->PointOnButtonPart(1, 1));
  // The arrow part widens the button by the same width.
  auto *lone = Add<TThmSubmenuItem>(&Root, "Colour");
  view.ValidatePositions();
  EXPECT_EQ(Measured(viewer).width(), Measured(view.Find(lone)).width() + arrow);
}

TEST_F(ThemedItemsTest, SeparatorSizes) {
  auto *separator = new TThmSeparatorItem;
  separator->SetSize(-5);
  EXPECT_EQ(separator->Size(), -1);
  Root.Add(separator);
  struct TCase {
    int ViewType, Size;
    QSize Expected;
  } cases[] = {
      {vt::Toolbar, 0, QSize(0, 0)},   {vt::PopupMenu, 0, QSize(0, 0)},
      {vt::Toolbar, 10, QSize(10, 10)}, {vt::PopupMenu, 10, QSize(0, 10)},
      {vt::Toolbar, -1, QSize(6, 6)}, // the theme has no size of its own: the stock one
  };
  for (const TCase &c : cases) {
    TThmHost host(c.ViewType);
    separator->SetSize(c.Size);
    TTbrView view(&host, nullptr, &Root, c.ViewType == vt::Toolbar);
    view.ValidatePositions();
    EXPECT_EQ(Measured(view.Find(separator)), c.Expected) << std::hex << c.ViewType << std::dec << " size " << c.Size;
  }

  // Size 0 paints nothing where another size paints a line.
  TThmHost host(vt::PopupMenu);
  TTbrView view(&host, nullptr, &Root, false);
  view.ValidatePositions();
  TTbrItemViewer *viewer = view.Find(separator);
  const auto paint = [&](int size) {
    separator->SetSize(size);
    QImage image(40, 12, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    viewer->Paint(canvas, QRect(0, 0, 40, 12), false, false, false);
    return image;
  };
  QImage blank(40, 12, QImage::Format_ARGB32);
  blank.fill(Qt::white);
  EXPECT_EQ(paint(0), blank);
  EXPECT_NE(paint(12), blank);

  // The line's direction: across the line of buttons in a toolbar, turned
  // where it ends a wrapped line or the toolbar stands upright; across any
  // popup, the chevron's too.
  struct TDirection {
    int ViewType;
    bool Toolbar, Vertical, LineSep, Horizontal;
  } directions[] = {
      {vt::Toolbar, true, false, false, false},     {vt::Toolbar, true, false, true, true},
      {vt::Toolbar, true, true, false, true},       {vt::Toolbar, true, true, true, false},
      {vt::PopupMenu, false, false, false, true},   {vt::ToolBoxPopup, false, false, false, true},
      {vt::ChevronPopup, false, false, false, true}, {vt::ChevronPopup, false, false, true, true},
      {0, false, false, false, true},
  };
  separator->SetSize(-1);
  for (const TDirection &d : directions) {
    TThmHost directionHost(d.ViewType);
    TTbrView directionView(&directionHost, nullptr, &Root, d.Toolbar);
    directionView.Orientation = d.Vertical ? tbvoVertical : tbvoHorizontal;
    directionView.ValidatePositions();
    TTbrItemViewer *v = directionView.Find(separator);
    v->LineSep = d.LineSep;
    QImage image(20, 20, QImage::Format_ARGB32);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    TSwitchTheme::SeparatorLines.clear();
    v->Paint(canvas, QRect(0, 0, 20, 20), false, false, false);
    EXPECT_EQ(TSwitchTheme::SeparatorLines, QString(d.Horizontal ? "-" : "|"))
        << std::hex << d.ViewType << std::dec << (d.Vertical ? " upright" : "") << (d.LineSep ? " line end" : "");
  }
}

TEST_F(ThemedItemsTest, SeparatorsRunAcrossTheLineOfItems) {
  Add<TThmItem>(&Root, "Go");
  auto *separator = new TThmSeparatorItem;
  Root.Add(separator);
  Add<TThmItem>(&Root, "Stop");
  struct TCase {
    int ViewType;
    bool Toolbar;
    int Orientation;
    const char *Line;
  } cases[] = {
      {vt::Toolbar, true, tbvoHorizontal, "|"},
      {vt::Toolbar, true, tbvoVertical, "-"},
      {vt::Toolbar | vt::Floating, true, tbvoFloating, "|"},
      {vt::MenuBar, true, tbvoHorizontal, "|"},
      {vt::PopupMenu, false, tbvoHorizontal, "-"},
      {vt::ToolBoxPopup, false, tbvoHorizontal, "-"},
  };
  for (const TCase &c : cases) {
    TThmHost host(c.ViewType);
    TTbrView view(&host, nullptr, &Root, c.Toolbar);
    view.Orientation = c.Orientation;
    view.ValidatePositions();
    TTbrItemViewer *viewer = view.Find(separator);
    QImage image(60, 60, QImage::Format_ARGB32);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    TSwitchTheme::SeparatorLines.clear();
    viewer->Paint(canvas, QRect(0, 0, 20, 20), false, false, false);
    EXPECT_EQ(TSwitchTheme::SeparatorLines, QString(c.Line)) << std::hex << c.ViewType << std::dec << " " << c.Orientation;
  }
}

// The themed measures, added up as the theme's metrics say, for a caption
// of measured size T and a 16 x 16 picture.
TEST_F(ThemedItemsTest, MeasuredSizesAddUpAsTheThemeSays) {
  TTbrPixelImageList images(16, 16);
  images.Add(QImage(16, 16, QImage::Format_ARGB32));
  const auto m = [](int index) { return ActiveTheme().IntegerMetric(index); };
  struct TCase {
    const char *Name;
    int ViewType;
    const char *Caption;
    bool Image;
    TTbrItemOptions Options;
    bool Submenu;
    std::function<QSize(QSize text, const QFont &font)> Expected;
  } cases[] = {
      {"toolbar caption", vt::Toolbar, "Bold", false, 0, false,
       [](QSize t, const QFont &) { return QSize(6 + t.width() + 4, 6 + t.height()); }},
      {"toolbar picture", vt::Toolbar, "", true, 0, false, [](QSize, const QFont &) { return QSize(6 + 16 + 1, 22); }},
      {"toolbar caption and picture on its left", vt::Toolbar, "Bold", true, 0, false,
       [](QSize t, const QFont &) { return QSize(6 + t.width() + 4 + 16 + 1, std::max(6 + t.height(), 22)); }},
      {"toolbar picture above the caption", vt::Toolbar, "Bold", true, tboImageAboveCaption, false,
       [](QSize t, const QFont &) { return QSize(std::max(6 + t.width() + 4, 16 + 7), 6 + t.height() + 16); }},
      {"toolbar drop-down arrow", vt::Toolbar, "Size", false, tboDropdownArrow, true,
       [&](QSize t, const QFont &) { return QSize(6 + t.width() + 4 + m(20), 6 + t.height()); }},
      {"toolbar picture above a drop-down arrow", vt::Toolbar, "", true, tboImageAboveCaption | tboDropdownArrow, true,
       [&](QSize, const QFont &) { return QSize(std::max(16 + 7, m(20) + 16 + 9), 6 + 16); }},
      {"menu entry", vt::PopupMenu, "Open", false, 0, false,
       [&](QSize t, const QFont &font) {
         const QFontMetrics metrics(font);
         const int height = std::max(2 * m(30) + t.height() + std::max(0, metrics.leading()), 2 * m(30) + 16);
         const int column = PopupImageColumn(font, QSize(16, 16));
         return QSize(2 * m(31) + t.width() + m(32) + column + m(33) + m(34) + height, height);
       }},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    TThmHost host(c.ViewType);
    TTbrRootItem root;
    TThmCustomItem *item = c.Submenu ? static_cast<TThmCustomItem *>(Add<TThmSubmenuItem>(&root, c.Caption))
                                     : Add<TThmItem>(&root, c.Caption);
    if (c.Submenu)
      Add<TThmItem>(item, "Entry");
    item->SetOptions(c.Options);
    if (c.Image) {
      item->SetImages(&images);
      item->SetImageIndex(0);
      item->SetDisplayMode(TTbrItemDisplayMode::nbdmImageAndText);
    }
    const bool toolbar = c.ViewType != vt::PopupMenu;
    TTbrView view(&host, nullptr, &root, toolbar);
    view.ValidatePositions();
    const QFont font = host.TextMeasure.Font();
    const QSize text = MeasureCaption(font, c.Caption, false, !toolbar);
    EXPECT_EQ(Measured(view.Find(item)), c.Expected(text, font));
  }
}

TEST_F(ThemedItemsTest, MenuEntryStatesPaintDifferently) {
  TThmHost host(vt::PopupMenu);
  auto *normal = Add<TThmItem>(&Root, "&Open");
  auto *ticked = Add<TThmItem>(&Root, "&Open");
  ticked->SetChecked(true);
  auto *disabled = Add<TThmItem>(&Root, "&Open");
  disabled->SetEnabled(false);
  TTbrView view(&host, nullptr, &Root, false);
  view.ValidatePositions();
  const auto paint = [&](TTbrCustomItem *item, bool hover) {
    TTbrItemViewer *viewer = view.Find(item);
    QImage image(viewer->BoundsRect.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    canvas.SetFont(host.TextMeasure.Font());
    EXPECT_TRUE(viewer->Paint(canvas, QRect(QPoint(0, 0), image.size()), hover, false, false));
    return image;
  };
  const QImage plain = paint(normal, false);
  EXPECT_NE(paint(normal, true), plain);
  EXPECT_NE(paint(ticked, false), plain);
  EXPECT_NE(paint(disabled, false), plain);
}

TEST_F(ThemedItemsTest, PaintInfoOfASplitButtonAndADropDown) {
  TThmHost host(vt::Toolbar);
  auto *split = Add<TThmSubmenuItem>(&Root, "Colour");
  split->SetDropdownCombo(true);
  auto *dropDown = Add<TThmSubmenuItem>(&Root, "Size");
  dropDown->SetOptions(tboDropdownArrow);
  auto *ticked = Add<TThmItem>(&Root, "Bold");
  ticked->SetChecked(true);
  ticked->SetEnabled(false);
  TTbrView view(&host, nullptr, &Root, true);
  view.ValidatePositions();
  const auto info = [&](TTbrCustomItem *item, bool hover) {
    return static_cast<TThmItemViewer *>(view.Find(item))->PaintInfo(hover, false);
  };
  const ItemPaintInfo s = info(split, true), d = info(dropDown, false), t = info(ticked, true);
  EXPECT_EQ(s.ViewType, vt::Toolbar);
  EXPECT_EQ(s.ItemOptions & ~ipo::AppActive, ipo::ToolbarStyle | ipo::Submenu | ipo::Combo);
  EXPECT_EQ(s.ComboPart, 2);
  EXPECT_EQ(s.HoverKind, 2);
  EXPECT_EQ(d.ComboPart, 1);
  EXPECT_EQ(t.HoverKind, 1); // disabled, highlighted by the keyboard
  EXPECT_TRUE(t.Selected);
  EXPECT_FALSE(t.Enabled);
  EXPECT_EQ(StateFlagsOf(t), isf::Disabled | isf::Hover | isf::Checked);
}

TEST_F(ThemedItemsTest, PopupViewTypesByTheOpeningItem) {
  auto *menu = Add<TThmSubmenuItem>(&Root, "Menu");
  auto *toolBox = Add<TThmSubmenuItem>(&Root, "Tools");
  toolBox->SetToolBoxPopup(true);
  EXPECT_EQ(ThemedPopupViewType(menu, false), vt::PopupMenu);
  EXPECT_EQ(ThemedPopupViewType(toolBox, false), vt::ToolBoxPopup);
  EXPECT_EQ(ThemedPopupViewType(menu, true), vt::ChevronPopup);
  EXPECT_EQ(ThemedPopupViewType(nullptr, false), vt::PopupMenu);
}

TEST_F(ThemedItemsTest, ThemedPlacementOverlapsTheButtonByOnePixel) {
  auto *menu = Add<TThmSubmenuItem>(&Root, "Menu");
  const auto place = [&](bool overlap) {
    TSwitchTheme::PlaceWithOverlap = overlap;
    TTbrPopupPlacement data;
    data.MonitorRect = QRect(0, 0, 1024, 768);
    data.ParentItemRect = QRect(100, 50, 40, 20);
    data.NCSizeX = data.NCSizeY = 3;
    data.X = 100;
    data.Y = 70;
    data.W = 120;
    data.H = 200;
    TTbrPopupParentView parent;
    parent.Exists = true;
    parent.ShownViewerRects = {QRect(100, 50, 40, 20)};
    menu->PlacePopup(data, parent);
    return data;
  };
  const TTbrPopupPlacement stock = place(false), themed = place(true);
  EXPECT_EQ(QRect(stock.X, stock.Y, stock.W, stock.H), QRect(100, 70, 120, 200));
  EXPECT_EQ(QRect(themed.X, themed.Y, themed.W, themed.H), QRect(100, 69, 120, 200));
  EXPECT_TRUE(themed.PlayPopupSound);
}

TEST_F(ThemedItemsTest, RelayPassesThemeChangesOnInOrderWithoutDuplicates) {
  struct TRecorder : TThmListener {
    QStringList *Log;
    QString Name;
    void Dispatch(TThmMessage &message) override {
      Log->append(QStringLiteral("%1:%2:%3").arg(Name).arg(message.Msg, 0, 16).arg(message.WParam));
    }
  };
  QStringList log;
  TRecorder first, second;
  first.Log = second.Log = &log;
  first.Name = "first";
  second.Name = "second";
  TThmNexus *nexus = ThemeNexus();
  ASSERT_NE(nexus, nullptr);
  EXPECT_EQ(nexus->Add(&first), 0);
  EXPECT_EQ(nexus->Add(&second), 1);
  EXPECT_EQ(nexus->Add(&first), 0);
  ThemeManager().SystemChanged();
  EXPECT_EQ(log, QStringList({"first:53a:1", "second:53a:1", "first:53a:2", "second:53a:2", "first:53a:3",
                              "second:53a:3"}));
  nexus->Remove(&first);
  nexus->Remove(&second);
}

TEST_F(ThemedItemsTest, AToolbarButtonReleasedUnderTheMouseRunsWithoutItsOwnPress) {
  // The stock button runs only after its own press; the themed one also
  // when the press began elsewhere (a drag across the bar).
  TThmHost host(vt::Toolbar);
  auto *themed = Add<TThmItem>(&Root, "Themed");
  auto *stock = Add<TTbrCustomItem>(&Root, "Stock");
  auto *disabled = Add<TThmItem>(&Root, "Off");
  disabled->SetEnabled(false);
  TTbrView view(&host, nullptr, &Root, true);
  view.ValidatePositions();
  struct TCase {
    TTbrCustomItem *Item;
    bool Runs;
  } cases[] = {{themed, true}, {stock, false}, {disabled, false}};
  for (const TCase &c : cases) {
    view.DoneAction = {};
    view.SetMenuMode(true);
    const QPoint at = view.Find(c.Item)->BoundsRect.center();
    view.HandleMouseMove(at);
    ASSERT_EQ(view.Selected(), view.Find(c.Item));
    view.HandleMouseUp(at);
    EXPECT_EQ(view.DoneAction.ClickItem == c.Item, c.Runs) << c.Item->Caption().toStdString();
    view.SetMenuMode(false);
  }
}

TEST_F(ThemedItemsTest, AListItemsPopupIsAListWithoutSound) {
  struct TListItem : TThmCustomItem {
    bool IsListItem() const override { return true; }
  };
  auto *combo = Add<TThmSubmenuItem>(&Root, "Font");
  combo->Add(new TListItem);
  EXPECT_EQ(ThemedPopupViewType(combo, false), vt::ListPopup);
  auto *menu = Add<TThmSubmenuItem>(&Root, "Menu");
  Add<TThmItem>(menu, "One");
  TSwitchTheme::PlaceWithOverlap = true;
  for (TThmCustomItem *item : {static_cast<TThmCustomItem *>(combo), static_cast<TThmCustomItem *>(menu)}) {
    TTbrPopupPlacement data;
    data.MonitorRect = QRect(0, 0, 800, 600);
    data.ParentItemRect = QRect(10, 10, 40, 20);
    data.X = 10;
    data.Y = 30;
    data.W = data.H = 50;
    item->PlacePopup(data, TTbrPopupParentView{});
    EXPECT_EQ(data.PlayPopupSound, item == menu) << item->Caption().toStdString();
  }
}

TEST_F(ThemedItemsTest, CaptionsTurnOnVerticalToolbarsUnlessTheItemChoosesItsLayout) {
  TThmHost host(vt::Toolbar);
  auto *turned = Add<TThmItem>(&Root, "A long caption");
  auto *flat = Add<TThmItem>(&Root, "A long caption");
  flat->SetLayout(TThmItemLayout::thmlGlyphLeft);
  TTbrView view(&host, nullptr, &Root, true);
  view.Orientation = tbvoVertical;
  auto *turnedViewer = static_cast<TThmItemViewer *>(view.Find(turned));
  auto *flatViewer = static_cast<TThmItemViewer *>(view.Find(flat));
  EXPECT_TRUE(turnedViewer->TextRotated());
  EXPECT_FALSE(flatViewer->TextRotated());
  const QSize turnedSize = Measured(turnedViewer), flatSize = Measured(flatViewer);
  EXPECT_GT(turnedSize.height(), turnedSize.width());
  EXPECT_GT(flatSize.width(), flatSize.height());
  EXPECT_EQ(turnedViewer->EffectiveLayout(), TThmItemLayout::thmlGlyphTop);
}

TEST_F(ThemedItemsTest, PlainItemsInAThemedViewArePaintedThroughTheTheme) {
  // Entries of the framework's own (the recently used files) in a themed menu.
  TThmHost host(vt::PopupMenu);
  Add<TTbrCustomItem>(&Root, "&1 cards.qel");
  Root.Add(new TTbrSeparatorItem);
  Add<TTbrCustomItem>(&Root, "&2 recipes.qel");
  TTbrView view(&host, nullptr, &Root, false);
  view.ValidatePositions();
  const QSize size(120, view.Viewers(2)->BoundsRect.bottom() + 1);
  const auto paint = [&](const TStockViewerPainter &stock) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    canvas.SetFont(host.TextMeasure.Font());
    DrawViewSubitems(canvas, view, QRect(), stock);
    return image;
  };
  QImage blank(size, QImage::Format_ARGB32);
  blank.fill(Qt::white);
  EXPECT_EQ(paint({}), blank);
  const QImage themed = paint(&PaintStockViewerThemed);
  for (int i = 0; i < 3; ++i)
    EXPECT_NE(themed.copy(view.Viewers(i)->BoundsRect), blank.copy(view.Viewers(i)->BoundsRect)) << i;
}
