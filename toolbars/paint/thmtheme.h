#pragma once
// The painting object every toolbar, menu, popup, dock and item is drawn
// through. A theme answers colours, margins and metrics and paints each
// element from the state records a viewer or window fills for one paint.

#include "toolbars/core/thmthemes.h"
#include "toolbars/paint/canvas.h"

#include <QImage>

namespace qel::toolbars {

class TTbrImageList;

class TThmTheme : public TThmThemeBase {
public:
  explicit TThmTheme(const QString &name) : TThmThemeBase(name) {}

  // Shift of an item's glyph.
  virtual QPoint ImageOffset(TCanvas &canvas, const ItemPaintInfo &info, const TTbrImageList *images) = 0;
  virtual TColor ItemBackColor(const ItemPaintInfo &info) = 0;
  virtual TColor ItemTextColor(const ItemPaintInfo &info) = 0;
  virtual TColor ItemImageBackColor(const ItemPaintInfo &info) = 0;
  // Margins of item parts: id 1 toolbar buttons, id 3 status bar panes.
  virtual ThemeMargins Margins(int marginId) = 0;
  // The popup window's drop shadow kind.
  virtual int PopupShadowKind() = 0;
  // Width (x) and height (y) of a view's border.
  virtual QPoint ViewBorderSize(int viewType) = 0;
  virtual TColor ViewBackColor(int viewType) = 0;
  virtual ThemeMargins ViewMargins(int viewType) = 0;
  virtual void PaintViewBackground(TCanvas &canvas, const QRect &dockRect, const QRect &rect, const QRect &clipRect,
                                   TColor color, bool transparent, int viewType) = 0;
  virtual void PaintItemButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  // `textColor` stands for the canvas's own text colour: clNone lets the theme choose.
  virtual void PaintItemCaption(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, const QString &caption,
                                unsigned textFlags, bool rotated, TColor textColor = ThmNoColor) = 0;
  virtual void PaintCheckGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  virtual void PaintChevronGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  virtual void PaintEditBox(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                            const EditBoxInfo &boxInfo) = 0;
  virtual void PaintEditBoxButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                  const EditButtonInfo &buttonInfo) = 0;
  virtual void PaintDockBackground(TCanvas &canvas, const QRect &clientRect, const QRect &dockRect,
                                   int dockPosition) = 0;
  virtual void PaintDockPanelFrame(TCanvas &canvas, const QRect &rect, const DockPanelFrameInfo &info) = 0;
  virtual void PaintDropDownGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  virtual void PaintFloatingFrame(TCanvas &canvas, const QRect &rect, const FloatingFrameInfo &info) = 0;
  virtual void PaintEditBorder(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  // The item's glyph (the image list's image, taken out by the caller) in the item's state.
  virtual void PaintItemImage(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, const QImage &glyph) = 0;
  // Kind: 0 close, 1 minimise, 2 maximise, 3 restore.
  virtual void PaintWindowButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, int buttonKind) = 0;
  virtual void PaintMenuEntry(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  virtual void PaintMenuEntryHighlight(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) = 0;
  // Button type: 1 up, 2 down, 3 left, 4 right.
  virtual void PaintScrollArrowButton(TCanvas &canvas, const QRect &rect, int buttonType, bool hot) = 0;
  virtual void PaintPopupFrame(TCanvas &canvas, const QRect &rect, const PopupFrameInfo &info) = 0;
  virtual void PaintSeparatorLine(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, bool horizontal,
                                  bool lineSeparator) = 0;
  virtual void PaintToolbarFrame(TCanvas &canvas, const QRect &rect, const ToolbarFrameInfo &info) = 0;
  // Kind 1 check box, 2 radio button; state bits as cks:: (set, mixed, disabled, hot, pushed).
  virtual void PaintCheckControl(TCanvas &canvas, const QRect &rect, int kind, int state, int extra) = 0;
  // Part: 0 background, 1 pane, 2 last pane, 3 size grip.
  virtual void PaintStatusBarPart(TCanvas &canvas, const QRect &rect, int part) = 0;
  // -1 for an index the theme does not know.
  virtual int IntegerMetric(int index) = 0;
  // False for an index the theme does not know.
  virtual bool BooleanMetric(int index) = 0;
};

} // namespace qel::toolbars
