#pragma once
// The popup window of a submenu, a drop-down or a context menu: a frameless
// top-level tool window that we place ourselves (X11: the window manager
// keeps its hands off it), with a 3-pixel frame around the view of the
// opened item's children. It takes no focus and grabs nothing itself: the
// menu loop owns the input while it is open.

#include "toolbars/core/popupplacement.h"
#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QWidget>

#include <memory>

namespace qel::toolbars {

class TTbrPopupWindow;

// The view of a popup window: its laid-out size is the window's client size.
class TTbrPopupView : public TTbrView {
public:
  TTbrPopupView(TTbrPopupWindow *window, TTbrView *parentView, TTbrCustomItem *parentItem, bool customizing);
  TTbrPopupWindow *Window() const { return PopupWindow; }
  void AutoSize(int width, int height) override;

private:
  TTbrPopupWindow *PopupWindow;
};

class TTbrPopupWindow : public QWidget, public TTbrWidgetViewHost {
public:
  static constexpr int BorderSize = 3;
  static constexpr QSize DefaultSize{240, 320};

  // Created hidden; the view shows `item`'s children and has `parentView`
  // (nullptr for a popup at a point) above it in the chain.
  TTbrPopupWindow(TTbrView *parentView, TTbrCustomItem *item, bool customizing);
  ~TTbrPopupWindow() override;

  TTbrPopupView *View() const { return PopupView.get(); }
  // TTbrAnimationDirection bits.
  unsigned AnimationDirection() const { return AnimDir; }
  void SetAnimationDirection(unsigned directions) { AnimDir = directions; }
  // Width (x) and height (y) of the frame around the view.
  virtual QPoint Border() const { return QPoint(BorderSize, BorderSize); }
  // Background colour (the menu colour; chevron popups the button face).
  void SetFaceColor(const QColor &color) { Face = color; }

  // Makes the window visible: animated (a fade or a slide in AnimDir) when
  // the desktop animates menus, nothing is selected yet and this is the
  // first popup of the session; else at once.
  virtual void ShowPopup();
  void HidePopup();

  QRect ClientRect() const override;
  void Invalidate(const QRect &rect) override;
  void EndModal() override {}

protected:
  void paintEvent(QPaintEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  virtual void PaintScrollArrows(class TCanvas &canvas);

private:
  void AnnounceShown();

  std::unique_ptr<TTbrPopupView> PopupView;
  unsigned AnimDir = 0;
  bool Announced = false; // accessibility clients were told it opened
  QColor Face;
};

// Makes the popup window of the class `item` asks for (PopupWindowClass),
// hidden, showing `shown`'s children.
TTbrPopupWindow *MakePopupWindow(TTbrCustomItem *item, TTbrView *parentView, TTbrCustomItem *shown, bool customizing);

// Opens `item`'s popup: fires its popup events, makes the window and its
// view, lays it out within the monitor, places it beside `parentViewer`
// (asSubmenu) or below it, or at `popupPoint` when there is no parent view,
// lets the item adjust the place, and shows it. The caller owns the window
// (a view through its open-viewer fields); if anything throws, the window
// is gone and the error passes on.
TTbrPopupWindow *OpenPopupWindow(TTbrCustomItem *item, TTbrView *parentView, TTbrItemViewer *parentViewer,
                                 bool positionAsSubmenu, bool selectFirstItem, bool customizing,
                                 const QPoint &popupPoint, TTbrPopupAlignment alignment);

// Whether the desktop animates menus, and fades them rather than sliding.
bool MenuAnimationOn();
bool MenuFadeOn();

// Popups at a point (context menus) as real popup windows.
class TTbrQtPopupFactory final : public TTbrPopupFactory {
public:
  TTbrView *OpenPopupAt(TTbrCustomItem *item, const QPoint &screenPoint, TTbrPopupAlignment alignment,
                        bool selectFirstItem) override;
  void ClosePopup(TTbrView *popupView) override;
};

} // namespace qel::toolbars
