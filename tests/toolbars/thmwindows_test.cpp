#include "platform/colorvalue.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/qt/thmwindows.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// A desktop that blends windows, so popups get their shadow windows.
class TBlendingDesktop : public TTestDesktop {
public:
  using TTestDesktop::TTestDesktop;
  bool CompositorPresent() const override { return true; }
};

// The default theme; docks painted by the theme when a test says so, counted.
class TDockTheme : public TThmDefaultTheme {
public:
  using TThmDefaultTheme::TThmDefaultTheme;
  static inline bool PaintDocks = false;
  static inline int DockPaints = 0;
  bool BooleanMetric(int index) override {
    return index == 5 ? PaintDocks : TThmDefaultTheme::BooleanMetric(index);
  }
  void PaintDockBackground(TCanvas &, const QRect &, const QRect &, int) override { ++DockPaints; }
};

class ThemedWindowsTest : public ::testing::Test {
protected:
  void SetUp() override {
    TDockTheme::PaintDocks = false;
    TDockTheme::DockPaints = 0;
    StartThemedItemsWith<TDockTheme>();
  }
  void TearDown() override {
    StopThemedItems();
    ClearThemeRegistry();
  }
  TBlendingDesktop Desktop{QRect(0, 0, 1024, 768)};
};

TThmPopupWindow *OpenedPopup(TTbrView &view, TTbrCustomItem *item) {
  view.ValidatePositions();
  view.Select(view.Find(item), false);
  if (!view.OpenChildPopup(false))
    return nullptr;
  auto *popupView = dynamic_cast<TTbrPopupView *>(view.OpenViewerView());
  return popupView ? dynamic_cast<TThmPopupWindow *>(popupView->Window()) : nullptr;
}

} // namespace

TEST_F(ThemedWindowsTest, ToolbarViewTypeAndEmbeddedTransparency) {
  QWidget form;
  form.resize(400, 300);
  TThmDock dock(&form, dpTop);
  struct TCase {
    TThmItemTransparency Transparency;
    bool Docked;
    int Expected;
  } cases[] = {
      {TThmItemTransparency::itAuto, false, vt::Toolbar | vt::Resizable | vt::Embedded},
      {TThmItemTransparency::itEnable, false, vt::Toolbar | vt::Resizable},
      {TThmItemTransparency::itAuto, true, vt::Toolbar | vt::Resizable},
      {TThmItemTransparency::itDisable, true, vt::Toolbar | vt::Resizable | vt::Embedded},
  };
  for (const TCase &c : cases) {
    TThmToolbar toolbar(&form);
    toolbar.SetItemTransparency(c.Transparency);
    if (c.Docked)
      toolbar.SetCurrentDock(&dock);
    EXPECT_EQ(toolbar.ViewTypeQuery(), c.Expected) << int(c.Transparency) << " docked " << c.Docked;
    EXPECT_EQ(GetViewType(toolbar.View()), c.Expected);
    // A double click on the grip leaves a themed toolbar where it is.
    EXPECT_FALSE(toolbar.DblClickUndock);
    toolbar.DoubleClickDock();
    EXPECT_FALSE(toolbar.Floating());
    EXPECT_EQ(toolbar.Docked(), c.Docked);
  }
  TThmToolbar menuBar(&form);
  menuBar.SetMenuBar(true);
  menuBar.SetCurrentDock(&dock);
  EXPECT_EQ(menuBar.ViewTypeQuery(), vt::MenuBar | vt::Resizable);
  menuBar.SetResizable(false);
  EXPECT_EQ(menuBar.ViewTypeQuery(), vt::MenuBar);
  EXPECT_EQ(GetViewType(nullptr), 0);
}

TEST_F(ThemedWindowsTest, ToolbarOnAFormShowsTheFormBehindItsItems) {
  QWidget form;
  QPalette palette = form.palette();
  palette.setColor(QPalette::Window, QColor(0x20, 0x60, 0xA0));
  form.setPalette(palette);
  form.resize(300, 100);
  TThmToolbar toolbar(&form);
  for (const char *caption : {"Go", "Stop"}) {
    auto *item = new TThmItem;
    item->SetCaption(caption);
    toolbar.Items()->Add(item);
  }
  auto *gap = new TThmSeparatorItem;
  gap->SetSize(12);
  toolbar.Items()->Insert(1, gap);
  EXPECT_EQ(toolbar.EffectiveColor(), QColorToTColor(QColor(0x20, 0x60, 0xA0)));
  EXPECT_EQ(GetEffectiveColor(&toolbar), toolbar.EffectiveColor());
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QImage shot = form.grab().toImage();
  // Between the buttons (beside the separator's line) the form shows through.
  const QRect between = toolbar.View()->Find(gap)->BoundsRect.translated(toolbar.geometry().topLeft());
  ASSERT_FALSE(between.isEmpty());
  EXPECT_EQ(shot.pixelColor(between.left() + 1, between.top() + 1), QColor(0x20, 0x60, 0xA0));

  toolbar.SetColor(QColor(Qt::red));
  EXPECT_EQ(toolbar.EffectiveColor(), clRed);
  EXPECT_EQ(GetEffectiveColor(nullptr), clBtnFace);
}

TEST_F(ThemedWindowsTest, DockWithARealColourNeverUsesTheThemesDockPainting) {
  struct TOpenDock : TThmDock {
    using TThmDock::TThmDock;
    QImage Painted() {
      QImage image(20, 20, QImage::Format_ARGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      PaintBackground(painter);
      return image;
    }
  };
  TDockTheme::PaintDocks = true;
  QWidget form;
  TOpenDock themed(&form, dpTop), coloured(&form, dpBottom);
  coloured.SetColor(QColor(Qt::yellow));
  form.resize(300, 200);
  TThmToolbar onThemed(&form), onColoured(&form);
  onThemed.SetCurrentDock(&themed);
  onColoured.SetCurrentDock(&coloured);
  ASSERT_GT(coloured.height(), 5);
  TDockTheme::DockPaints = 0;
  EXPECT_TRUE(themed.ThemedBackground());
  EXPECT_FALSE(coloured.ThemedBackground());
  EXPECT_FALSE(coloured.HasBackground());
  EXPECT_EQ(coloured.Painted().pixelColor(5, 5), QColor(Qt::yellow));
  EXPECT_EQ(TDockTheme::DockPaints, 0);
  themed.Painted();
  EXPECT_EQ(TDockTheme::DockPaints, 1);
  EXPECT_EQ(coloured.EffectiveColorQuery(), QColorToTColor(QColor(Qt::yellow)));
  EXPECT_EQ(themed.EffectiveColorQuery(), GetEffectiveColor(&form));
}

TEST_F(ThemedWindowsTest, PopupWindowClassesAndTheirViewTypes) {
  TThmToolbar toolbar;
  auto *menu = new TThmSubmenuItem;
  menu->SetCaption("&Edit");
  toolbar.Items()->Add(menu);
  auto *cut = new TThmItem;
  cut->SetCaption("Cu&t");
  menu->Add(cut);
  auto *tools = new TThmSubmenuItem;
  tools->SetCaption("Tools");
  tools->SetToolBoxPopup(true);
  tools->Add(new TThmItem);
  toolbar.Items()->Add(tools);
  toolbar.setGeometry(100, 100, 200, 26);
  toolbar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&toolbar));

  TThmPopupWindow *popup = OpenedPopup(*toolbar.View(), menu);
  ASSERT_NE(popup, nullptr);
  EXPECT_FALSE(popup->IsChevronPopup());
  EXPECT_EQ(popup->ViewTypeQuery(), vt::PopupMenu);
  EXPECT_EQ(popup->Border(), ActiveTheme().ViewBorderSize(vt::PopupMenu));
  EXPECT_NE(dynamic_cast<TThmItemViewer *>(popup->View()->Find(cut)), nullptr);
  EXPECT_EQ(popup->View()->Selected(), nullptr);
  toolbar.View()->CloseChildPopups();
  // An item that always selects its first entry does so even when not asked.
  menu->SetAlwaysSelectFirst(true);
  popup = OpenedPopup(*toolbar.View(), menu);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->View()->Selected(), popup->View()->Find(cut));
  toolbar.View()->CloseChildPopups();

  popup = OpenedPopup(*toolbar.View(), tools);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->ViewTypeQuery(), vt::ToolBoxPopup);
  // Inside a tool box the entries are toolbar buttons.
  EXPECT_TRUE(popup->View()->Viewers(0)->IsToolbarStyle());
  toolbar.View()->CloseChildPopups();

  // The chevron's popup is a chevron popup window.
  TTbrChevronItem *chevron = toolbar.ChevronItem();
  EXPECT_EQ(chevron->PopupWindowClass(), pwcThemedChevron);
  TTbrPopupWindow *chevronPopup =
      OpenPopupWindow(chevron, toolbar.View(), toolbar.View()->Viewers(0), false, false, false, QPoint(), tbpaLeft);
  ASSERT_NE(dynamic_cast<TThmChevronPopupWindow *>(chevronPopup), nullptr);
  EXPECT_EQ(static_cast<TThmPopupWindow *>(chevronPopup)->ViewTypeQuery(), vt::ChevronPopup);
  delete chevronPopup;
}

TEST_F(ThemedWindowsTest, ShadowsFollowAResizeButNotAShow) {
  TThmToolbar toolbar;
  auto *menu = new TThmSubmenuItem;
  menu->SetCaption("&File");
  toolbar.Items()->Add(menu);
  for (const char *caption : {"&New", "&Open"}) {
    auto *entry = new TThmItem;
    entry->SetCaption(caption);
    menu->Add(entry);
  }
  toolbar.setGeometry(100, 100, 200, 26);
  toolbar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&toolbar));
  TThmPopupWindow *popup = OpenedPopup(*toolbar.View(), menu);
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(popup->isVisible());
  TPopupShadows *first = popup->Shadows();
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(first->Strips().empty());
  popup->ShowPopup(); // shown already: the same shadows
  EXPECT_EQ(popup->Shadows(), first);
  popup->resize(popup->width() + 20, popup->height());
  ASSERT_NE(popup->Shadows(), nullptr);
  EXPECT_NE(popup->Shadows(), first);
  const QRect strips = popup->Shadows()->Strips().front()->geometry().united(popup->Shadows()->Strips().back()->geometry());
  EXPECT_GE(strips.right(), popup->geometry().right());
  popup->HidePopup();
  EXPECT_EQ(popup->Shadows(), nullptr);
  toolbar.View()->CloseChildPopups();
}

TEST_F(ThemedWindowsTest, AListPopupHasNoShadow) {
  TThmToolbar toolbar;
  auto *combo = new TThmSubmenuItem;
  combo->SetCaption("Font");
  auto *list = new TThmStringList;
  list->SetStrings({"Arial", "Courier"});
  combo->Add(list);
  toolbar.Items()->Add(combo);
  toolbar.setGeometry(100, 100, 200, 26);
  toolbar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&toolbar));
  TThmPopupWindow *popup = OpenedPopup(*toolbar.View(), combo);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->ViewTypeQuery(), vt::ListPopup);
  EXPECT_TRUE(popup->isVisible());
  EXPECT_FALSE(popup->ShadowAllowed());
  EXPECT_EQ(popup->Shadows(), nullptr);
  toolbar.View()->CloseChildPopups();
}

TEST_F(ThemedWindowsTest, ContextMenuOpensAThemedMenuPopup) {
  TThmPopupMenu menu;
  EXPECT_EQ(menu.Items()->PopupWindowClass(), pwcThemed);
  auto *entry = new TThmItem;
  entry->SetCaption("&Paste");
  menu.Items()->Add(entry);
  TTbrQtPopupFactory factory;
  TTbrView *view = factory.OpenPopupAt(menu.Items(), QPoint(300, 300), tbpaLeft, true);
  ASSERT_NE(view, nullptr);
  auto *window = dynamic_cast<TThmPopupWindow *>(static_cast<TTbrPopupView *>(view)->Window());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->ViewTypeQuery(), vt::PopupMenu);
  EXPECT_EQ(view->Selected(), view->Find(entry));
  factory.ClosePopup(view);
}

TEST_F(ThemedWindowsTest, PaletteChangeMeasuresEveryToolbarAgain) {
  QWidget form;
  TThmToolbar toolbar(&form);
  auto *item = new TThmItem;
  item->SetCaption("Caption");
  // Stands for fonts that follow the desktop: bigger after the change.
  bool changed = false;
  item->OnAdjustFont = [&](TThmCustomItem *, TTbrItemViewer *, QFont &font, TColor &, int) {
    if (changed)
      font.setPointSize(font.pointSize() * 2);
  };
  toolbar.Items()->Add(item);
  toolbar.View()->ValidatePositions();
  const int before = toolbar.View()->Find(item)->BoundsRect.width();
  changed = true;
  ThemeManager().SystemChanged();
  toolbar.View()->ValidatePositions();
  EXPECT_GT(toolbar.View()->Find(item)->BoundsRect.width(), before);
  EXPECT_TRUE(ThemeNexus()->Controls().contains(&toolbar));
}
