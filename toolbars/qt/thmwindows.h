#pragma once
// The windows of the themed item set: toolbars, docks, popups and context
// menus whose backgrounds and frames the active theme paints, which answer
// what kind of view they show and what colour lies behind their items, and
// which follow every theme change the relay passes on.

#include "toolbars/core/thmnexus.h"
#include "toolbars/paint/thmitems.h"
#include "toolbars/qt/popupshadows.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbfloatingwindow.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <memory>

namespace qel::toolbars {

// A control that tells the colour its children are painted on.
class IThmEffectiveColor {
public:
  virtual ~IThmEffectiveColor() = default;
  virtual TColor EffectiveColorQuery() const = 0;
};
// The colour behind `control`'s children: the button face for no control,
// the control's own answer, else its background colour.
TColor GetEffectiveColor(const QWidget *control);

class TThmChevronItem : public TTbrChevronItem {
public:
  using TTbrChevronItem::TTbrChevronItem;
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;
  int PopupWindowClass() const override { return pwcThemedChevron; }
  bool PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) override {
    return ThemedPlacePopup(data, parent);
  }
};

class TThmToolbar;

class TThmToolbarView : public TTbrToolbarView {
public:
  // Made while the toolbar's base part is still being built, so it holds
  // only that part; the themed toolbar names itself once it is whole.
  TThmToolbarView(TTbrCustomToolbar *toolbar, TTbrCustomItem *root);
  TTbrMargins ViewMargins(int orientation) const override;
  // Set once the toolbar is whole; until then the stock margins hold.
  TThmToolbar *Owner = nullptr;
};

enum class TThmItemTransparency { itAuto, itEnable, itDisable };

class TThmToolbar : public TTbrCustomToolbar, public TThmListener, public IThmEffectiveColor {
public:
  explicit TThmToolbar(QWidget *parent = nullptr);
  ~TThmToolbar() override;

  TThmItemTransparency ItemTransparency() const { return FItemTransparency; }
  void SetItemTransparency(TThmItemTransparency value);
  // How close to a work-area edge its floating frame snaps to it.
  // Negative distances are kept as 0.
  int SnapDistance() const { return FSnapDistance; }
  void SetSnapDistance(int value);

  // The colour its items are painted on: its own Color when it has one;
  // on a form (neither docked nor floating), the form's; else the theme's.
  TColor EffectiveColor() const;
  TColor EffectiveColorQuery() const override { return EffectiveColor(); }
  int ViewTypeQuery() const override;
  void Dispatch(TThmMessage &message) override;
  void PaintDockedFrame(QPainter &painter) override;
  ToolbarFrameInfo GetToolbarInfo() const;
  QPoint GetFrameMetrics() const override;
  TTbrFloatingWindowParent *ToolWindowClass(QWidget *parentForm) override;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  TThmItemTransparency FItemTransparency = TThmItemTransparency::itAuto;
  int FSnapDistance = 0;
  bool FUpdating = false;
};

// The floating frame of a themed toolbar, painted by the active theme; it
// snaps to the work area's edges when moved within SnapDistance of them.
class TThmFloatingWindowParent : public TTbrFloatingWindowParent {
public:
  explicit TThmFloatingWindowParent(QWidget *parentForm) : TTbrFloatingWindowParent(parentForm) {}
  bool CloseButtonHover() const { return CloseHover(); }
  int SnapDistance = 0;
  FloatingFrameInfo GetFloatingInfo(int redrawParts) const;

protected:
  QPoint SnapMove(const QRect &proposed) override;
  void PaintFrame(QPainter &painter) override;
  void CloseHoverChanged() override;
};

class TThmDock : public TTbrDock, public TThmListener, public IThmEffectiveColor {
public:
  explicit TThmDock(QWidget *parent = nullptr, TTbrDockPosition position = dpTop);
  ~TThmDock() override;

  bool UseParentBackground() const { return FUseParentBackground; }
  void SetUseParentBackground(bool value);
  // The theme paints the dock: no colour of its own and the theme wants to.
  bool ThemedBackground() const;
  bool HasBackground() const;

  TColor EffectiveColorQuery() const override;
  void Dispatch(TThmMessage &message) override;

protected:
  void PaintBackground(QPainter &painter) override;

private:
  bool FUseParentBackground = false;
};

// A themed dock, as a dock frame makes its four.
TTbrDock *MakeThemedDock(QWidget *parent, TTbrDockPosition position);

class TThmPopupWindow : public TTbrPopupWindow {
public:
  TThmPopupWindow(TTbrView *parentView, TTbrCustomItem *item, bool customizing, bool chevron = false);
  ~TThmPopupWindow() override;

  bool IsChevronPopup() const { return Chevron; }
  int ViewTypeQuery() const override;
  QPoint Border() const override;
  void ShowPopup() override;

  TPopupShadows *Shadows() const { return FShadows.get(); }
  void CreateShadow();
  void DestroyShadow();
  // A list popup has no drop shadow.
  bool ShadowAllowed() const;
  // The opening button's rectangle in this window's coordinates, when it is
  // a themed toolbar-style item; empty otherwise.
  QRect ParentItemRect() const;

protected:
  void paintEvent(QPaintEvent *event) override;
  void PaintScrollArrows(TCanvas &canvas) override;
  void resizeEvent(QResizeEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void hideEvent(QHideEvent *event) override;

private:
  friend void ThemedPopupShown(QWidget *window);
  void ShadowsAfterShow();
  TTbrItemViewer *OpeningViewer() const;
  const bool Chevron;
  std::unique_ptr<TPopupShadows> FShadows;
};

class TThmChevronPopupWindow : public TThmPopupWindow {
public:
  TThmChevronPopupWindow(TTbrView *parentView, TTbrCustomItem *item, bool customizing)
      : TThmPopupWindow(parentView, item, customizing, true) {}
};

class TThmPopupMenu : public TTbrPopupMenu {
public:
  TThmPopupMenu();
};

} // namespace qel::toolbars
