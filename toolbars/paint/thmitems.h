#pragma once
// The themed item set: toolbar buttons, menu entries, separators and the
// root of popup menus whose every pixel goes through the active theme, and
// their viewers, which measure and lay out glyph, caption, shortcut text and
// arrows and hand the theme one ItemPaintInfo per paint. Per-item font
// overrides, layout and minimum sizes live on the items.

#include "toolbars/core/tbview.h"
#include "toolbars/paint/thmfontsettings.h"
#include "toolbars/paint/thmtheme.h"

#include <QFont>

#include <functional>

namespace qel::toolbars {

class TThmCustomItem;

// The theme the themed items and windows paint with. The first use starts
// the themed item set (StartThemedItems).
TThmTheme &ActiveTheme();
// Registers the theme "Default" (unless it is) and makes the theme-change
// relay holding it; again does nothing.
void StartThemedItems();
// Frees the relay and its hold on the theme.
void StopThemedItems();

// State flags handed to the font and image events.
namespace isf {
enum : int { Disabled = 1, Hover = 2, Pushed = 4, Checked = 8 };
}
int StateFlagsOf(const ItemPaintInfo &info);

enum class TThmItemLayout { thmlAuto, thmlGlyphLeft, thmlGlyphTop };

using TAdjustFontEvent =
    std::function<void(TThmCustomItem *item, TTbrItemViewer *viewer, QFont &font, TColor &color, int stateFlags)>;
using TDrawImageEvent = std::function<void(TThmCustomItem *item, TTbrItemViewer *viewer, TCanvas &canvas,
                                           const QRect &imageRect, const QPoint &imageOffset, int stateFlags)>;

class TThmCustomItem : public TTbrCustomItem {
public:
  TThmCustomItem();

  TFontSettings &FontSettings() { return FFontSettings; }
  const TFontSettings &FontSettings() const { return FFontSettings; }
  void SetFontSettings(const TFontSettings &value) { FFontSettings.Assign(value); }
  TThmItemLayout Layout() const { return FLayout; }
  void SetLayout(TThmItemLayout value);
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int value);
  int MinHeight() const { return FMinHeight; }
  void SetMinHeight(int value);
  bool Stretch() const { return HasStyle(tbis::Stretch); }
  void SetStretch(bool value);
  bool AlwaysSelectFirst() const { return FAlwaysSelectFirst; }
  void SetAlwaysSelectFirst(bool value) { FAlwaysSelectFirst = value; }
  // The popup is a grid of toolbar-sized buttons.
  bool ToolBoxPopup() const { return FToolBoxPopup; }
  void SetToolBoxPopup(bool value) { FToolBoxPopup = value; }
  // A split button: the body runs the item, the arrow part opens the submenu.
  bool DropdownCombo() const { return HasStyle(tbis::Combo); }
  void SetDropdownCombo(bool value);
  TAdjustFontEvent OnAdjustFont;
  TDrawImageEvent OnDrawImage;

  // Repaints the item (its size unchanged).
  void Invalidate() { Change(false); }

  // A list item (its parent's popup shows as a list) answers true.
  virtual bool IsListItem() const { return false; }
  // Whether the item's popup is laid out as a tool box.
  virtual bool OpensToolBox() const { return FToolBoxPopup; }

  TTbrViewerFactory ViewerClass(TTbrView *view) const override;
  int PopupWindowClass() const override { return pwcThemed; }
  bool SelectFirstPopupItem(bool requested) const override { return FAlwaysSelectFirst || requested; }
  bool PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) override;

private:
  TFontSettings FFontSettings;
  TThmItemLayout FLayout = TThmItemLayout::thmlAuto;
  int FMinWidth = 0, FMinHeight = 0;
  bool FAlwaysSelectFirst = false, FToolBoxPopup = false;
};

class TThmItem : public TThmCustomItem {};

class TThmSubmenuItem : public TThmCustomItem {
public:
  TThmSubmenuItem();
};

class TThmSeparatorItem : public TTbrSeparatorItem {
public:
  // -1: the theme's size; anything below -1 is kept as -1.
  int Size() const { return FSize; }
  void SetSize(int value);
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;

private:
  int FSize = -1;
};

class TThmRootItem : public TTbrRootItem {
public:
  int PopupWindowClass() const override { return pwcThemed; }
};

// Width of the image column of a menu in `font` for pictures of `image`
// size (16 x 16 for none).
int PopupImageColumn(const QFont &font, QSize image);

// The view type of the popup `parentItem` opens: a chevron popup, a list
// (its only child is a list item), a tool box, or a menu.
int ThemedPopupViewType(const TTbrCustomItem *parentItem, bool chevron);

// The themed placement of a popup around the stock one (only when the theme
// asks for it, Boolean metric 1).
bool ThemedPlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent);

class TThmItemViewer : public TTbrItemViewer {
public:
  TThmItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) : TTbrItemViewer(view, item, groupLevel) {}

  // Glyph and caption side by side with one pixel more between them.
  bool Wide = true;

  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  int AccessibleRole() const override;
  bool IsToolbarSize() const override;
  bool IsToolbarStyle() const override;
  bool PointOnButtonPart(int x, int y) const override;
  void MouseUp(int x, int y, bool mouseWasDownOnMenu) override;
  bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
             bool useDisabledShadow) override;

  virtual void AdjustCaptionRect(TCanvas &canvas, const QRect &clientAreaRect, QRect &captionRect, bool isTextRotated,
                                 bool &paintDefault);
  // 1 in toolbar style, else 2.
  virtual int ThemeItemKind() const { return IsToolbarStyle() ? 1 : 2; }
  virtual void DrawImage(TCanvas &canvas, const QRect &imageRect, const ItemPaintInfo &info);
  virtual void AdjustFont(QFont &font, TColor &color, int stateFlags);
  virtual bool ImageVisible() const;

  // The image list's picture size; 0 x 0 without a list.
  virtual QSize ImageSize() const;
  // Text flags of captions: the accelerator hidden until the keyboard is used.
  unsigned TextFormatFlags() const;
  // The caption's extent in the view font as the item adjusts it.
  QSize MeasureText(const QFont &viewFont, const QString &text, int stateFlags, bool rotated, bool singleLine);

  TThmItemLayout EffectiveLayout() const;
  bool TextRotated() const;
  // Width of the image column of a menu in `font`.
  int PopupMargin(const QFont &font) const;
  // The item information for painting in the given state.
  ItemPaintInfo PaintInfo(bool isHoverItem, bool isPushed) const;
};

class TThmSeparatorItemViewer : public TTbrSeparatorItemViewer {
public:
  using TTbrSeparatorItemViewer::TTbrSeparatorItemViewer;
  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  bool IsToolbarSize() const override;
  bool IsToolbarStyle() const override;
  bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
             bool useDisabledShadow) override;
};

class TThmChevronItemViewer : public TTbrItemViewer {
public:
  using TTbrItemViewer::TTbrItemViewer;
  bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
             bool useDisabledShadow) override;
};

// A viewer of an item outside the themed set (a plain item in a themed
// view) painted through the theme as a themed viewer of it would be;
// controls are left to themselves.
void PaintStockViewerThemed(TCanvas &canvas, const TTbrItemViewer &viewer, bool isHover, bool isPushed);

// An image of a list painted through the theme in a state (isf:: flags),
// for items that show pictures of their own (lists, edit items).
void DrawItemImageWithState(TCanvas &canvas, const QRect &rect, const TTbrImageList *images, int imageIndex,
                            int stateFlags);

} // namespace qel::toolbars
