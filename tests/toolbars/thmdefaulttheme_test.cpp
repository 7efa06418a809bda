#include "thmgallery.h"
#include "thmtestpalette.h"

#include "platform/colorvalue.h"
#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmdefaulttheme.h"

#include <QDir>
#include <QMap>

#include <map>
#include <tuple>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// The image as rows of characters: a key for each desktop colour, '?' for any other.
using TRows = std::vector<std::string>;

TRows Picture(const QImage &image, const QRect &area, const TDesktopColors &c) {
  const QMap<QRgb, QChar> keys{{c.Face, '.'},      {c.Light, 'w'},    {c.Shadow, 's'},
                               {c.Text, 'k'},      {c.Window, 'W'},   {c.Highlight, 'H'},
                               {c.Midlight, 'm'},  {c.DarkShadow, 'd'}, {c.GreyText, 'g'}};
  TRows rows;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    std::string row;
    for (int x = area.left(); x <= area.right(); ++x)
      row += char(keys.value(image.pixel(x, y) | 0xFF000000u, QChar('?')).unicode());
    rows.push_back(row);
  }
  return rows;
}

int Count(const QImage &image, const QRect &area, QRgb color) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      n += (image.pixel(x, y) | 0xFF000000u) == color;
  return n;
}

class DefaultTheme : public ::testing::Test {
protected:
  DefaultTheme() : Palette(ClassicColors), Theme("Default") {}
  void TearDown() override {
    ThemeManager().FlatMenuStyle = 0;
    UpdateThemeVariables();
  }
  // Paints on a button-face image of the given size.
  template <typename F> QImage Paint(int w, int h, F &&paint) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(ClassicColors.Face);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    paint(canvas);
    return image;
  }
  TPaletteGuard Palette;
  TThmDefaultTheme Theme;
};

TEST_F(DefaultTheme, MetricsMarginsAndBorders) {
  const std::map<int, int> integers{{10, 11}, {20, 8}, {21, 3}, {30, 2}, {31, 0}, {32, 1}, {33, 2}, {34, 3},
                                    {36, 2},  {37, 4}, {40, 6}, {60, 2}, {61, 2}, {62, 1}, {64, 4}, {65, 13}};
  for (int index = -2; index < 100; ++index) {
    const auto it = integers.find(index);
    EXPECT_EQ(Theme.IntegerMetric(index), it == integers.end() ? -1 : it->second) << index;
    EXPECT_EQ(Theme.BooleanMetric(index), index == 3 || index == 6) << index;
  }
  UseThemes = true; // the one answer that follows the visual style
  EXPECT_TRUE(Theme.BooleanMetric(5));
  UseThemes = false;

  EXPECT_EQ(Theme.Margins(1), (ThemeMargins{2, 2, 2, 2}));
  EXPECT_EQ(Theme.Margins(3), (ThemeMargins{1, 3, 1, 1}));
  EXPECT_EQ(Theme.Margins(2), ThemeMargins{});
  EXPECT_EQ(Theme.PopupShadowKind(), 1);
  EXPECT_EQ(Theme.ViewMargins(vt::Toolbar | vt::Floating), (ThemeMargins{4, 4, 2, 1}));
  EXPECT_EQ(Theme.ViewMargins(vt::Toolbar), ThemeMargins{});
  EXPECT_EQ(Theme.ViewMargins(vt::PopupMenu | vt::Floating), ThemeMargins{});

  const TThmSystem &system = ThemeManager().System();
  const std::pair<int, QPoint> borders[] = {
      {vt::PopupMenu, {3, 3}},          {vt::ListPopup, {1, 1}},
      {vt::ToolBoxPopup, {3, 3}},       {vt::ChevronPopup, {3, 3}},
      {vt::None, {0, 0}},               {vt::Toolbar, {2, 2}},
      {vt::MenuBar, {2, 2}},            {vt::DockPanel, {2, 2}},
      {vt::Toolbar | vt::Floating, system.DialogFrameSize()},
      {vt::Toolbar | vt::Floating | vt::Resizable, system.SizingFrameSize()},
  };
  for (const auto &[type, size] : borders)
    EXPECT_EQ(Theme.ViewBorderSize(type), size) << std::hex << type;

  Paint(1, 1, [&](TCanvas &canvas) {
    ItemPaintInfo info;
    EXPECT_EQ(Theme.ImageOffset(canvas, info, nullptr), QPoint(0, 0));
    info.Selected = true;
    EXPECT_EQ(Theme.ImageOffset(canvas, info, nullptr), QPoint(1, 1));
    info.Selected = false;
    info.Pushed = true;
    EXPECT_EQ(Theme.ImageOffset(canvas, info, nullptr), QPoint(1, 1));
  });
}

TEST_F(DefaultTheme, ColoursByViewAndItemState) {
  const std::pair<int, TColor> views[] = {
      {vt::Toolbar, ToolbarFaceColor},        {vt::MenuBar | vt::Floating, ToolbarFaceColor},
      {vt::PopupMenu, MenuBackColor},         {vt::ListPopup, SysColor(sciWindow)},
      {vt::ToolBoxPopup, ToolbarFaceColor},   {vt::ChevronPopup, MenuBackColor},
      {vt::None, ToolbarFaceColor},
  };
  for (const auto &[type, color] : views)
    EXPECT_EQ(Theme.ViewBackColor(type), color) << std::hex << type;
  // A dock panel: a quarter toolbar face, three quarters window colour.
  EXPECT_EQ(Theme.ViewBackColor(vt::DockPanel),
            MixColors(QColorToTColor(QColor(ClassicColors.Face)), QColorToTColor(QColor(ClassicColors.Window)), 64));

  struct TCase {
    int ViewType, Options;
    bool Enabled;
    int Hover;
    TColor Text, Back;
  } cases[] = {
      {vt::PopupMenu, 0, true, 0, MenuTextColor, MenuBackColor},
      {vt::PopupMenu, 0, true, 2, SysColor(sciHighlightText), SysColor(sciHighlight)},
      {vt::PopupMenu, 0, false, 1, SysColor(sciGrayText), SysColor(sciHighlight)},
      {vt::PopupMenu, 0, false, 0, SysColor(sciGrayText), MenuBackColor},
      {vt::PopupMenu, ipo::ToolbarStyle, true, 2, SysColor(sciBtnText), MenuBackColor},
      {vt::Toolbar, ipo::ToolbarStyle | ipo::AppActive, true, 2, SysColor(sciBtnText), ToolbarFaceColor},
      {vt::MenuBar, ipo::ToolbarStyle | ipo::AppActive, true, 0, SysColor(sciBtnText), ToolbarFaceColor},
      // A menu bar of an inactive application greys its items.
      {vt::MenuBar, ipo::ToolbarStyle, true, 0, SysColor(sciGrayText), ToolbarFaceColor},
      {vt::Toolbar, ipo::ToolbarStyle, true, 0, SysColor(sciBtnText), ToolbarFaceColor},
  };
  for (const auto &c : cases) {
    ItemPaintInfo info;
    info.ViewType = c.ViewType;
    info.ItemOptions = c.Options;
    info.Enabled = c.Enabled;
    info.HoverKind = std::uint8_t(c.Hover);
    EXPECT_EQ(Theme.ItemTextColor(info), c.Text) << std::hex << c.ViewType << " " << c.Options << " " << c.Hover;
    EXPECT_EQ(Theme.ItemBackColor(info), c.Back) << std::hex << c.ViewType << " " << c.Options << " " << c.Hover;
    EXPECT_EQ(Theme.ItemImageBackColor(info), Theme.ViewBackColor(c.ViewType));
  }

  // Flat menus: a hot menu-bar item has the highlight behind its glyph and highlight text.
  ThemeManager().FlatMenuStyle = 2;
  UpdateThemeVariables();
  ItemPaintInfo bar;
  bar.ViewType = vt::MenuBar;
  bar.ItemOptions = ipo::ToolbarStyle | ipo::AppActive;
  bar.Enabled = true;
  bar.HoverKind = 2;
  EXPECT_EQ(Theme.ItemImageBackColor(bar), SysColor(sciHighlight));
  EXPECT_EQ(Theme.ItemTextColor(bar), SysColor(sciHighlightText));
  ItemPaintInfo chevronItem;
  chevronItem.ViewType = vt::ChevronPopup;
  EXPECT_EQ(Theme.ItemImageBackColor(chevronItem), Theme.ToolbarColor);
}

ItemPaintInfo ToolbarItem(bool enabled, bool pushed, bool ticked, int hover, int viewType = vt::Toolbar) {
  ItemPaintInfo info;
  info.ViewType = viewType;
  info.ItemOptions = ipo::ToolbarStyle | ipo::AppActive;
  info.Enabled = enabled;
  info.Pushed = pushed;
  info.Selected = ticked;
  info.HoverKind = std::uint8_t(hover);
  return info;
}

TEST_F(DefaultTheme, ToolbarButtonEdgesAndTheTickedDither) {
  struct TCase {
    const char *Name;
    ItemPaintInfo Info;
    TRows Rows;
  } cases[] = {
      {"normal", ToolbarItem(true, false, false, 0), {"......", "......", "......", "......", "......"}},
      {"hot: a raised inner edge", ToolbarItem(true, false, false, 2),
       {"wwwwws", "w....s", "w....s", "w....s", "ssssss"}},
      {"pushed: a sunken outer edge", ToolbarItem(true, true, false, 2),
       {"sssssw", "s....w", "s....w", "s....w", "wwwwww"}},
      {"ticked: sunken, dithered inside", ToolbarItem(true, false, true, 0),
       {"sssssw", "s.w.ww", "sw.w.w", "s.w.ww", "wwwwww"}},
      {"ticked and hot: sunken, plain inside", ToolbarItem(true, false, true, 2),
       {"sssssw", "s....w", "s....w", "s....w", "wwwwww"}},
      {"disabled and ticked: flat", ToolbarItem(false, false, true, 0),
       {"......", "......", "......", "......", "......"}},
      {"disabled, highlighted by the keyboard: raised", ToolbarItem(false, false, false, 1),
       {"wwwwws", "w....s", "w....s", "w....s", "ssssss"}},
  };
  for (const auto &c : cases) {
    const QImage image = Paint(6, 5, [&](TCanvas &canvas) { Theme.PaintItemButton(canvas, QRect(0, 0, 6, 5), c.Info); });
    EXPECT_EQ(Picture(image, image.rect(), ClassicColors), c.Rows) << c.Name;
  }
}

// Text is smoothed, so its pixels are told apart by lightness: lighter than
// the face (the highlight copy), darker than the face (shadow or ink).
int CountLighter(const QImage &image, int than) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      n += qGray(image.pixel(x, y)) > than;
  return n;
}

TEST_F(DefaultTheme, DisabledCaptionsAreEmbossedWithoutVisualStyles) {
  auto paint = [&](const ItemPaintInfo &info) {
    return Paint(60, 20, [&](TCanvas &canvas) {
      Theme.PaintItemCaption(canvas, QRect(2, 2, 56, 16), info, "&Print", TextVCenter, false);
    });
  };
  const int face = qGray(ClassicColors.Face);
  ItemPaintInfo item = ToolbarItem(false, false, false, 0, vt::PopupMenu);
  item.ItemOptions = ipo::AppActive;
  const QImage embossed = paint(item);
  const int darker = embossed.width() * embossed.height() - CountLighter(embossed, face - 1);
  EXPECT_GT(CountLighter(embossed, face), 10) << "a highlight copy";
  EXPECT_GT(darker, 10) << "a shadow copy";
  // The highlight copy lies one pixel down and right: the lowest ink is light.
  int bottomLight = -1, bottomDark = -1;
  for (int y = 0; y < embossed.height(); ++y)
    for (int x = 0; x < embossed.width(); ++x) {
      const int g = qGray(embossed.pixel(x, y));
      if (g > face + 20)
        bottomLight = y;
      if (g < face - 20)
        bottomDark = y;
    }
  EXPECT_EQ(bottomLight, bottomDark + 1);

  // With visual styles: plain grey text, no highlight copy. A menu item
  // highlighted by the keyboard is never embossed either.
  UseThemes = true;
  const QImage styled = paint(item);
  UseThemes = false;
  EXPECT_EQ(CountLighter(styled, face), 0);
  item.HoverKind = 1;
  EXPECT_EQ(CountLighter(paint(item), face), 0);

  // A pushed toolbar button's caption sits one pixel down and right.
  auto firstInk = [&](const QImage &image) {
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (qGray(image.pixel(x, y)) < 80)
          return x;
    return -1;
  };
  const int normal = firstInk(paint(ToolbarItem(true, false, false, 2)));
  ASSERT_GE(normal, 0);
  EXPECT_EQ(firstInk(paint(ToolbarItem(true, true, false, 2))), normal + 1);
}

TEST_F(DefaultTheme, GlyphsStampedAndDrawn) {
  // The chevron of a horizontal toolbar, enabled and disabled (highlight one pixel lower, shadow at its place).
  const QImage chevron = Paint(12, 12, [&](TCanvas &canvas) {
    Theme.PaintChevronGlyph(canvas, QRect(0, 0, 12, 12), ToolbarItem(true, false, false, 0));
  });
  EXPECT_EQ(Picture(chevron, QRect(2, 4, 8, 5), ClassicColors),
            TRows({"kk..kk..", ".kk..kk.", "..kk..kk", ".kk..kk.", "kk..kk.."}));
  const QImage greyed = Paint(12, 12, [&](TCanvas &canvas) {
    Theme.PaintChevronGlyph(canvas, QRect(0, 0, 12, 12), ToolbarItem(false, false, false, 0));
  });
  EXPECT_EQ(Picture(greyed, QRect(2, 4, 8, 6), ClassicColors),
            TRows({"ss..ss..", "wss.wss.", ".wss.wss", ".ssw.ssw", "ssw.ssw.", "ww..ww.."}));

  // The check mark of a ticked menu item.
  const QImage check = Paint(12, 12, [&](TCanvas &canvas) {
    Theme.PaintCheckGlyph(canvas, QRect(0, 0, 12, 12), ToolbarItem(true, false, true, 0, vt::PopupMenu));
  });
  EXPECT_EQ(Picture(check, QRect(1, 3, 10, 8), ClassicColors),
            TRows({".........w", "........kw", ".......kkw", ".wk...kkw.", ".wkk.kkw..", "..wkkkw...",
                         "...wkw....", "....w....."}));

  // Drop-down arrows: a toolbar-style item in the menu text colour, moved when pushed.
  const QImage arrows = Paint(20, 8, [&](TCanvas &canvas) {
    Theme.PaintDropDownGlyph(canvas, QRect(0, 0, 8, 8), ToolbarItem(true, false, false, 0));
    Theme.PaintDropDownGlyph(canvas, QRect(10, 0, 8, 8), ToolbarItem(true, true, false, 0));
  });
  EXPECT_EQ(Picture(arrows, QRect(0, 2, 20, 5), ClassicColors),
            TRows({"....................", "..kkkkk.............", "...kkk.......kkkkk..",
                         "....k.........kkk...", "...............k...."}));
}

TEST_F(DefaultTheme, SeparatorsToolbarFramesAndTheSizeGrip) {
  // An etched line: shadow above highlight, shortened by 4 at each end in a docked toolbar.
  const QImage separator = Paint(20, 6, [&](TCanvas &canvas) {
    Theme.PaintSeparatorLine(canvas, QRect(0, 0, 20, 6), ToolbarItem(true, false, false, 0), true, true);
  });
  EXPECT_EQ(Picture(separator, QRect(0, 1, 20, 3), ClassicColors),
            TRows({"....................", "....ssssssssssss....", "....wwwwwwwwwwww...."}));

  // A docked horizontal toolbar with a double drag handle and its close button.
  ToolbarFrameInfo info;
  info.ViewType = vt::Toolbar;
  info.AllowDrag = true;
  info.BorderStyle = 1;
  info.BorderSize = QPoint(2, 2);
  info.ClientWidth = 40;
  info.ClientHeight = 22;
  info.DragHandleStyle = 2;
  info.CloseButtonState = cbs::Shown | cbs::Hot;
  const QImage frame = Paint(44, 26, [&](TCanvas &canvas) { Theme.PaintToolbarFrame(canvas, QRect(0, 0, 44, 26), info); });
  EXPECT_EQ(Picture(frame, QRect(0, 0, 18, 18), ClassicColors),
            TRows({"wwwwwwwwwwwwwwwwww", "w.................", "w.wwwwwwwwwws.....", "w.w.........s.....",
                   "w.w.........s.....", "w.w.kk..kk..s.....", "w.w..kkkk...s.....", "w.w...kk....s.....",
                   "w.w..kkkk...s.....", "w.w.kk..kk..s.....", "w.w.........s.....", "w.w.........s.....",
                   "w.sssssssssss.....", "w.................", "w......wws........", "w......w.s........",
                   "w......w.s........", "w......w.s........"}));

  // A size grip of 10 pixels: rounds of face, shadow, highlight from the corner, face along the edges.
  const QImage grip = Paint(10, 10, [&](TCanvas &canvas) { Theme.PaintStatusBarPart(canvas, QRect(0, 0, 10, 10), 3); });
  EXPECT_EQ(Picture(grip, QRect(0, 0, 10, 10), ClassicColors),
            TRows({"........w.", ".......ws.", "......ws..", ".....ws.w.", "....ws.ws.", "...ws.ws..",
                         "..ws.ws.w.", ".ws.ws.ws.", "ws.ws.ws..", ".........."}));
}

TEST_F(DefaultTheme, PopupFramesAndFlatCheckControls) {
  auto frame = [&](int viewType) {
    PopupFrameInfo info;
    info.ViewType = viewType;
    const QImage image = Paint(8, 8, [&](TCanvas &canvas) { Theme.PaintPopupFrame(canvas, QRect(0, 0, 8, 8), info); });
    return Picture(image, QRect(0, 0, 8, 4), ClassicColors);
  };
  // A list: the window frame, then two rings of window colour.
  EXPECT_EQ(frame(vt::ListPopup), (TRows{"dddddddd", "dWWWWWWd", "dWWWWWWd", "dWW..WWd"}));
  // A popup menu: a raised edge, then a ring of the menu colour (the face here).
  EXPECT_EQ(frame(vt::PopupMenu), (TRows{"mmmmmmmd", "mwwwwwsd", "mw....sd", "mw....sd"}));
  ThemeManager().FlatMenuStyle = 2;
  UpdateThemeVariables();
  // Flat menus: button shadow, then two rings of the menu colour (the window colour here).
  EXPECT_EQ(frame(vt::PopupMenu), (TRows{"ssssssss", "sWWWWWWs", "sWWWWWWs", "sWW..WWs"}));

  // Flat check box and radio button (neither hot nor pushed).
  const QImage box = Paint(13, 13, [&](TCanvas &canvas) {
    Theme.PaintCheckControl(canvas, QRect(0, 0, 13, 13), 1, cks::Set, 0);
  });
  EXPECT_EQ(Picture(box, QRect(0, 0, 13, 13), ClassicColors),
            (TRows{".............", ".sssssssssss.", ".sWWWWWWWWWs.", ".sWWWWWWWkWs.", ".sWWWWWWkkWs.",
                   ".sWkWWWkkkWs.", ".sWkkWkkkWWs.", ".sWkkkkkWWWs.", ".sWWkkkWWWWs.", ".sWWWkWWWWWs.",
                   ".sWWWWWWWWWs.", ".sssssssssss.", "............."}));
  const QImage disabled = Paint(13, 13, [&](TCanvas &canvas) {
    Theme.PaintCheckControl(canvas, QRect(0, 0, 13, 13), 1, cks::Set | cks::Disabled, 0);
  });
  EXPECT_GT(Count(disabled, disabled.rect(), ClassicColors.GreyText), 5);
  EXPECT_EQ(Count(disabled, disabled.rect(), ClassicColors.Window), 0) << "a disabled field is button face";
  const QImage radio = Paint(13, 13, [&](TCanvas &canvas) {
    Theme.PaintCheckControl(canvas, QRect(0, 0, 13, 13), 2, cks::Set, 0);
  });
  EXPECT_EQ(radio.pixel(0, 0), ClassicColors.Face) << "rounded corners";
  EXPECT_EQ(radio.pixel(6, 0), ClassicColors.Shadow);
  EXPECT_EQ(radio.pixel(6, 6), ClassicColors.Text) << "the dot";
  EXPECT_EQ(radio.pixel(6, 2), ClassicColors.Window);
}

TEST_F(DefaultTheme, ADarkDesktopGivesDarkToolbars) {
  TPaletteGuard dark(DarkColors);
  ThemeManager().SystemChanged();
  auto info = ToolbarItem(true, false, false, 2);
  QImage image(40, 20, QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    Theme.PaintViewBackground(canvas, QRect(), image.rect(), image.rect(), Theme.ViewBackColor(vt::Toolbar), false,
                              vt::Toolbar);
    Theme.PaintItemButton(canvas, QRect(0, 0, 40, 20), info);
    Theme.PaintItemCaption(canvas, QRect(0, 0, 40, 20), info, "Dark", TextVCenter | TextCenter, false);
  }
  EXPECT_EQ(image.pixel(20, 1), DarkColors.Face) << "the face inside the edge";
  EXPECT_EQ(image.pixel(0, 0), DarkColors.Light);
  EXPECT_EQ(image.pixel(39, 19), DarkColors.Shadow);
  EXPECT_GT(CountLighter(image, 160), 10) << "light text";
  EXPECT_FALSE(IsDarkColor(QColorToTColor(QColor(DarkColors.Text)), 100));
}

// A disabled menu entry and a disabled toolbar picture read on a light and
// on a dark desktop: the caption's ink has at least 3:1 against the menu,
// embossed on the light one only; the picture is in the desktop's grey text.
TEST_F(DefaultTheme, DisabledCaptionsAndPicturesReadOnLightAndDarkDesktops) {
  for (const auto &[colors, name, embossed] : {std::tuple{ClassicColors, "classic", true}, std::tuple{DarkColors, "dark", false}}) {
    SCOPED_TRACE(name);
    TPaletteGuard palette(colors);
    ThemeManager().SystemChanged();
    ItemPaintInfo item = ToolbarItem(false, false, false, 0, vt::PopupMenu);
    item.ItemOptions = ipo::AppActive;
    const QColor back = ThmQColor(Theme.ItemBackColor(item));
    QImage image(60, 20, QImage::Format_ARGB32);
    image.fill(back);
    {
      QPainter painter(&image);
      TPainterCanvas canvas(painter);
      Theme.PaintItemCaption(canvas, QRect(2, 2, 56, 16), item, "&Print", TextVCenter, false);
    }
    // The ink: the colour that stands out most (the text is smoothed).
    double best = 1;
    int highlight = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        best = std::max(best, ContrastRatio(QColorToTColor(QColor(image.pixel(x, y))), QColorToTColor(back)));
        highlight += (image.pixel(x, y) | 0xFF000000u) == colors.Light;
      }
    EXPECT_GE(best, 3.0);
    EXPECT_EQ(highlight > 5, embossed) << "a highlight copy";

    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int x = 2; x < 14; ++x) picture.setPixel(x, 8, qRgb(0x30, 0x30, 0x30));
    const QImage greyed = DisabledImage(picture);
    EXPECT_EQ(greyed.pixel(8, 8) & 0xFFFFFF, colors.GreyText & 0xFFFFFF);
    EXPECT_EQ(qAlpha(greyed.pixel(1, 8)), 0);
  }
}

// Set QEL_THEME_GALLERY to a folder to keep the pictures for a look.
void KeepGallery(const QImage &image, const char *name) {
  const QByteArray folder = qgetenv("QEL_THEME_GALLERY");
  if (!folder.isEmpty())
    image.save(QDir(QString::fromLocal8Bit(folder)).filePath(QString("theme-gallery-%1.png").arg(name)));
}

TEST(DefaultThemeGallery, PaintsEveryElementInEveryState) {
  for (const auto &[colors, name] : {std::pair{ClassicColors, "classic"}, std::pair{DarkColors, "dark"}}) {
    TPaletteGuard palette(colors);
    TThmDefaultTheme theme("Default");
    const QImage image = PaintGallery(theme);
    KeepGallery(image, name);
  }
}

} // namespace
