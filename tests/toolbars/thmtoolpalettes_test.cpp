#include "platform/colorvalue.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/thmlistpaint.h"
#include "toolbars/paint/thmtoolpalettes.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

class TPopupHost : public TTbrViewHost {
public:
  explicit TPopupHost(int type) : Type(type) { TextMeasure.SetFont(QFont("DejaVu Sans", 9)); }
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return Type; }
  int Type;
  TTbrQtTextMeasure TextMeasure;
};

// A colour drop-down as the main window has them: "Default", the palette,
// "More Colors ...".
class ColorPaletteTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartThemedItemsWith<TThmDefaultTheme>();
    Default = Add<TThmColorItem>(&Menu, "Default");
    Default->SetColor(ThmNoColor);
    Palette = new TThmColorPalette;
    Menu.Add(Palette);
    More = Add<TThmItem>(&Menu, "More Colors ...");
    Palette->Model().OnChange = [this] { ++Changes; };
  }
  void TearDown() override {
    View.reset();
    StopThemedItems();
    ClearThemeRegistry();
  }
  TThmToolViewer *Open(int viewType = vt::PopupMenu) {
    Host = std::make_unique<TPopupHost>(viewType);
    View = std::make_unique<TTbrView>(Host.get(), nullptr, &Menu, false);
    View->ValidatePositions();
    return dynamic_cast<TThmToolViewer *>(View->Find(Palette));
  }
  // A point in the middle of a cell, in view coordinates.
  QPoint CellCentre(TThmToolViewer *viewer, int col, int row) {
    return viewer->GetCellRect(viewer->BoundsRect, col, row).center();
  }
  QImage Painted(TThmToolViewer *viewer, bool hover) {
    QImage image(View->ViewerCount() ? viewer->BoundsRect.bottomRight().x() + 1 : 1,
                 viewer->BoundsRect.bottomRight().y() + 1, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    canvas.SetFont(Host->TextMeasure.Font());
    viewer->Paint(canvas, viewer->BoundsRect, hover, false, false);
    return image;
  }

  TThmSubmenuItem Menu;
  TThmColorItem *Default = nullptr;
  TThmColorPalette *Palette = nullptr;
  TThmItem *More = nullptr;
  int Changes = 0;
  std::unique_ptr<TPopupHost> Host;
  std::unique_ptr<TTbrView> View;
};

} // namespace

TEST_F(ColorPaletteTest, CellsMeasureEighteenPixelsAndLeaveTheImageColumnInMenus) {
  TThmToolViewer *inMenu = Open(vt::PopupMenu);
  ASSERT_NE(inMenu, nullptr);
  EXPECT_EQ(inMenu->Grid().CellWidth, 18);
  EXPECT_EQ(inMenu->Grid().CellHeight, 18);
  EXPECT_GT(inMenu->Grid().IndentLeft, 0);
  EXPECT_EQ(inMenu->BoundsRect.height(), 5 * 18);
  EXPECT_GE(inMenu->BoundsRect.width(), 8 * 18 + inMenu->Grid().IndentLeft);
  TThmToolViewer *inToolBox = Open(vt::ToolBoxPopup);
  EXPECT_EQ(inToolBox->Grid().IndentLeft, 0);
}

TEST_F(ColorPaletteTest, WritingAColourSelectsItsCellAndPaintsIt) {
  TThmToolViewer *viewer = Open();
  Palette->SetColor(0x0000FF);
  EXPECT_EQ(Palette->SelectedCell(), QPoint(0, 2));
  EXPECT_EQ(Changes, 1);
  Palette->SetColor(0x123456);
  EXPECT_EQ(Palette->SelectedCell(), NoCell);
  EXPECT_EQ(Palette->Color(), TColor(0x123456));
  EXPECT_EQ(Changes, 2);
  // Each cell is filled with its colour inside a shadow frame.
  const QImage image = Painted(viewer, false);
  EXPECT_EQ(QColor(image.pixel(CellCentre(viewer, 0, 2))), QColor(255, 0, 0));
  EXPECT_EQ(QColor(image.pixel(CellCentre(viewer, 7, 4))), QColor(255, 255, 255));
  EXPECT_EQ(QColor(image.pixel(CellCentre(viewer, 5, 1))), QColor(0, 0, 255));
}

TEST_F(ColorPaletteTest, KeyboardEntersFromEitherSideAndLeavesAtTheEdges) {
  TThmToolViewer *viewer = Open();
  TTbrItemViewer *defaultViewer = View->Find(Default);
  TTbrItemViewer *moreViewer = View->Find(More);
  // As the menu loop hands a key: the selected viewer first, then the view.
  const auto press = [&](int key) {
    if (TTbrItemViewer *selected = View->Selected())
      selected->KeyDown(key, Qt::NoModifier);
    if (key != 0)
      View->KeyDown(key, Qt::NoModifier);
  };
  // Coming up from "More Colors ..." the bottom-right cell is hot: White.
  View->Select(moreViewer, false);
  press(Qt::Key_Up);
  ASSERT_EQ(View->Selected(), viewer);
  EXPECT_EQ(viewer->HotCell(), QPoint(7, 4));
  // Coming down from "Default", the first.
  View->Select(defaultViewer, false);
  press(Qt::Key_Down);
  ASSERT_EQ(View->Selected(), viewer);
  EXPECT_EQ(viewer->HotCell(), QPoint(0, 0));

  struct TCase {
    int Key;
    QPoint Expected;
  } moves[] = {{Qt::Key_End, {7, 0}},      {Qt::Key_Right, {0, 1}}, {Qt::Key_Down, {0, 2}}, {Qt::Key_End, {7, 2}},
               {Qt::Key_PageDown, {7, 4}}, {Qt::Key_Home, {0, 4}},  {Qt::Key_PageUp, {0, 0}}};
  for (const TCase &c : moves) {
    press(c.Key);
    EXPECT_EQ(View->Selected(), viewer);
    EXPECT_EQ(viewer->HotCell(), c.Expected) << c.Key;
  }
  // Left on the first cell would leave the grid, Home stays where it is:
  // the keys are the menu's.
  for (int leaving : {Qt::Key_Left, Qt::Key_Home}) {
    int key = leaving;
    viewer->KeyDown(key, Qt::NoModifier);
    EXPECT_EQ(key, leaving);
    EXPECT_EQ(viewer->HotCell(), QPoint(0, 0));
  }
  // Up from the top row moves the menu to "Default".
  press(Qt::Key_Up);
  EXPECT_EQ(View->Selected(), defaultViewer);

  // Enter picks the hot cell and leaves the key to the menu, which runs the palette.
  press(Qt::Key_Down);
  press(Qt::Key_Right);
  EXPECT_EQ(viewer->HotCell(), QPoint(1, 0));
  Changes = 0;
  press(Qt::Key_Return);
  EXPECT_EQ(Palette->SelectedCell(), QPoint(1, 0));
  EXPECT_EQ(Palette->Color(), TColor(0x003399));
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(View->DoneAction.Kind, TTbrDoneActionKind::ClickItem);
  EXPECT_EQ(View->DoneAction.ClickItem, Palette);
}

TEST_F(ColorPaletteTest, MouseHotCellClickAndHints) {
  TThmToolViewer *viewer = Open();
  const QPoint red = CellCentre(viewer, 0, 2);
  View->HandleMouseMove(red);
  EXPECT_EQ(viewer->HotCell(), QPoint(0, 2));
  // The hot cell is painted as a hot button around its swatch.
  const QImage hot = Painted(viewer, true), plain = Painted(viewer, false);
  const QRect cell = viewer->GetCellRect(viewer->BoundsRect, 0, 2);
  EXPECT_NE(hot.copy(cell), plain.copy(cell));
  EXPECT_EQ(hot.copy(viewer->GetCellRect(viewer->BoundsRect, 3, 3)),
            plain.copy(viewer->GetCellRect(viewer->BoundsRect, 3, 3)));

  QRect rect;
  EXPECT_EQ(viewer->HintAt(red - viewer->BoundsRect.topLeft(), rect), QStringLiteral("Red"));
  EXPECT_EQ(rect, cell);
  EXPECT_EQ(viewer->HintAt(QPoint(1, 1), rect), QString()); // the image column
  EXPECT_TRUE(Palette->EffectiveOptions() & tboShowHint);

  View->HandleMouseDown(red, Qt::NoModifier, false);
  View->HandleMouseUp(red);
  EXPECT_EQ(Palette->Color(), TColor(0x0000FF));
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(View->DoneAction.ClickItem, Palette);
}

TEST_F(ColorPaletteTest, ColourItemSwatchAndItsEmptyPlace) {
  Open();
  TTbrItemViewer *viewer = View->Find(Default);
  auto paint = [&] {
    QImage image(viewer->BoundsRect.bottomRight().x() + 1, viewer->BoundsRect.bottomRight().y() + 1,
                 QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    canvas.SetFont(Host->TextMeasure.Font());
    viewer->Paint(canvas, viewer->BoundsRect, false, false, false);
    return image;
  };
  // The image column's centre: the swatch of the colour, or the menu's background for none.
  const QPoint swatch(viewer->BoundsRect.left() + viewer->BoundsRect.height() / 2, viewer->BoundsRect.center().y());
  const QImage none = paint();
  Default->SetColor(0x00FF00);
  const QImage green = paint();
  EXPECT_EQ(QColor(green.pixel(swatch)), QColor(0, 255, 0));
  EXPECT_NE(QColor(none.pixel(swatch)), QColor(0, 255, 0));
  EXPECT_EQ(none.pixel(swatch), none.pixel(swatch + QPoint(0, -7)));
  EXPECT_EQ(ColorSwatchSize(false), QSize(16, 16));
}
