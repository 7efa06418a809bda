#pragma once
// The default theme: the desktop's classic look, built from its palette's
// colours, bevelled edges and frame controls. It keeps one cached colour,
// the toolbar face, and recomputes it in the middle of every desktop change.

#include "toolbars/paint/thmtheme.h"

namespace qel::toolbars {

class TThmDefaultTheme : public TThmTheme {
public:
  explicit TThmDefaultTheme(const QString &name);
  ~TThmDefaultTheme() override;

  TColor ToolbarColor = ThmNoColor;
  // ToolbarColor := the manager's toolbar face colour.
  virtual void RefreshColors();
  void Dispatch(TThmMessage &message) override;

  QPoint ImageOffset(TCanvas &canvas, const ItemPaintInfo &info, const TTbrImageList *images) override;
  TColor ItemBackColor(const ItemPaintInfo &info) override;
  TColor ItemTextColor(const ItemPaintInfo &info) override;
  TColor ItemImageBackColor(const ItemPaintInfo &info) override;
  ThemeMargins Margins(int marginId) override;
  int PopupShadowKind() override;
  QPoint ViewBorderSize(int viewType) override;
  TColor ViewBackColor(int viewType) override;
  ThemeMargins ViewMargins(int viewType) override;
  void PaintViewBackground(TCanvas &canvas, const QRect &dockRect, const QRect &rect, const QRect &clipRect,
                           TColor color, bool transparent, int viewType) override;
  void PaintItemButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintItemCaption(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, const QString &caption,
                        unsigned textFlags, bool rotated, TColor textColor = ThmNoColor) override;
  void PaintCheckGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintChevronGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintEditBox(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, const EditBoxInfo &boxInfo) override;
  void PaintEditBoxButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                          const EditButtonInfo &buttonInfo) override;
  void PaintDockBackground(TCanvas &canvas, const QRect &clientRect, const QRect &dockRect, int dockPosition) override;
  void PaintDockPanelFrame(TCanvas &canvas, const QRect &rect, const DockPanelFrameInfo &info) override;
  void PaintDropDownGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintFloatingFrame(TCanvas &canvas, const QRect &rect, const FloatingFrameInfo &info) override;
  void PaintEditBorder(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintItemImage(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, const QImage &glyph) override;
  void PaintWindowButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, int buttonKind) override;
  void PaintMenuEntry(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintMenuEntryHighlight(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) override;
  void PaintScrollArrowButton(TCanvas &canvas, const QRect &rect, int buttonType, bool hot) override;
  void PaintPopupFrame(TCanvas &canvas, const QRect &rect, const PopupFrameInfo &info) override;
  void PaintSeparatorLine(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info, bool horizontal,
                          bool lineSeparator) override;
  void PaintToolbarFrame(TCanvas &canvas, const QRect &rect, const ToolbarFrameInfo &info) override;
  void PaintCheckControl(TCanvas &canvas, const QRect &rect, int kind, int state, int extra) override;
  void PaintStatusBarPart(TCanvas &canvas, const QRect &rect, int part) override;
  int IntegerMetric(int index) override;
  bool BooleanMetric(int index) override;
};

} // namespace qel::toolbars
