#pragma once
// The toolbar: a dockable window showing a tree of items through a toolbar
// view. It tells its dock its sizes from the view's layout, shrinks by
// wrapping or by a chevron button that lists the hidden items, acts as a
// menu bar on request (Alt, F10, Alt with a letter) and routes the
// shortcuts of its items. Keys reach it through the framework's one
// application-wide event filter (toolbars/qt/windowwatch.h).

#include "toolbars/core/tbitem.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbdockablewindow.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbwidgethost.h"

#include <functional>
#include <memory>

namespace qel::toolbars {

class TTbrCustomToolbar;

inline constexpr const char *SChevronHint = "More Buttons|";
// The chevron's share of a toolbar's length.
inline constexpr int ChevronSize = 12;

// The chevron button: a submenu listing the toolbar's items; its popup
// shows the ones the toolbar could not.
class TTbrChevronItem : public TTbrCustomItem {
public:
  explicit TTbrChevronItem(TTbrCustomToolbar *toolbar);
  TTbrView *ChevronParentView() const override;
  // The short hint (before "|") with every "&" doubled, so none becomes an accelerator.
  static QString CaptionFromHint(const QString &hint);

private:
  TTbrCustomToolbar *Toolbar;
};

class TTbrToolbarView : public TTbrView {
public:
  TTbrToolbarView(TTbrCustomToolbar *toolbar, TTbrViewHost *host, TTbrCustomItem *root);
  TTbrCustomItem *GetChevronItem() const override;
  void AutoSize(int width, int height) override;
  // The toolbar is measured anew at its full length: the dock shrinks it
  // again from there.
  void InvalidatePositions() override;

private:
  TTbrCustomToolbar *Toolbar;
};

class TTbrCustomToolbar : public TTbrCustomDockableWindow, public TTbrWidgetViewHost, public ITBItemsProvider {
public:
  explicit TTbrCustomToolbar(QWidget *parent = nullptr);
  ~TTbrCustomToolbar() override;

  TTbrRootItem *Items() const { return Root.get(); }
  TTbrCustomItem *GetItems() override { return Root.get(); }
  TTbrToolbarView *View() const { return BarView.get(); }
  TTbrChevronItem *ChevronItem() const { return Chevron.get(); }

  TTbrShrinkMode ShrinkMode() const { return FShrinkMode; }
  void SetShrinkMode(TTbrShrinkMode mode);
  const QString &ChevronHint() const { return FChevronHint; }
  void SetChevronHint(const QString &hint);
  // The chevron's popup lists the items hidden off the edge (else none of them).
  bool ChevronMoveItems() const { return BarView->ChevronMoveItems; }
  void SetChevronMoveItems(bool value) { BarView->ChevronMoveItems = value; }
  // A menu bar: full size, wrapping, no close button, its shortcuts
  // processed, and the menu keys (Alt, F10, Alt with a letter) open it.
  bool MenuBar() const { return FMenuBar; }
  void SetMenuBar(bool value);
  bool ProcessShortCuts() const { return FProcessShortCuts; }
  void SetProcessShortCuts(bool value);
  bool SystemFont() const { return FSystemFont; }
  void SetSystemFont(bool value);
  bool UpdateActions() const { return FUpdateActions; }
  void SetUpdateActions(bool value) { FUpdateActions = value; }
  // Asked first with a key of the toolbar's form; true when it handled it.
  std::function<bool(TShortCut shortCut)> OnShortCut;
  // The hint of the item under the mouse.
  const QString &Hint() const { return FHint; }

  // Who shows hints and beeps, and who carries out system-menu and help
  // done actions.
  void SetLoopHost(TTbrMenuLoopHost *host) { LoopHost = host ? host : &DefaultLoopHost; }
  void SetDoneActionHost(TTbrDoneActionHost *host) { DoneHost = host; }

  // Opens the menu by its key: 0 selects the first item, a character the
  // item with that accelerator (run or opened at once when it is the only
  // one). False when nothing opened.
  bool OpenByKey(char32_t ch);
  // Runs the item with the shortcut (OnShortCut first); false when none has it.
  bool DispatchShortCut(TShortCut shortCut);
  // Actions' states copied to their items.
  void InitiateAction();

  // --- floating ---
  // The width the floating layout wraps at (0: none); kept with the
  // positions as "FloatRightX".
  int FloatWidth() const { return FFloatWidth; }
  void SetFloatWidth(int width);
  // The sizes of the floating layout: unlimited, then the narrowest for
  // each number of lines.
  QList<QSize> ListFloatingSizes();
  // A resize of the floating frame snaps to those sizes.
  void SizingStarted(int type) override;
  QRect SnapSizingRect(const QRect &proposed) override;
  void SizingAccepted() override;
  void SizingEnded() override;
  void SaveExtraPosition(const TTbrPositionCallbacks &callbacks) override;
  void LoadExtraPosition(const TTbrPositionCallbacks &callbacks) override;

  // --- the dockable window's slots ---
  QSize LayoutContents(bool move, TTbrDockOrientation orientation, TTbrDock *dock, bool floating) override;
  QSize BaseContentSize() override;
  int GetMinimumLength() override;
  TTbrShrinkMode ShrinkBehaviour() const override { return FShrinkMode; }
  bool IsDragBlockedAt(const QPoint &point) const override;

  // --- the view's host ---
  QRect ClientRect() const override { return TTbrCustomDockableWindow::ClientRect(); }
  void AutoSize(const QSize &size) override;
  bool ControlShown(QObject *control) const override;
  QSize ControlSize(QObject *control) const override;
  void SetControlBounds(QObject *control, const QRect &bounds) override;
  void EnterLoopForClient(int options) override;

  QSize sizeHint() const override { return size(); }

protected:
  // What a toolbar class makes for itself: its chevron item and its view
  // (empty: the stock ones).
  struct TToolbarClasses {
    std::function<TTbrChevronItem *(TTbrCustomToolbar *toolbar)> Chevron;
    std::function<TTbrToolbarView *(TTbrCustomToolbar *toolbar, TTbrCustomItem *root)> View;
  };
  TTbrCustomToolbar(QWidget *parent, const TToolbarClasses &classes);

  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void changeEvent(QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void childEvent(QChildEvent *event) override;
  bool event(QEvent *event) override;

private:
  // A control placed on the toolbar without an item gets one at the end
  // (looked at once the control is built); a control taken off loses its
  // items, the control itself kept.
  void AdoptControl(QWidget *control);
  void DropControlItems(QObject *control);
  friend class TTbrToolbarView;
  void RunLoop(int options, const QPoint &pressPoint);
  // The hint of the item under the mouse; its long part goes to the loop
  // host's application hint when it changes.
  void SetHotHint(const QString &hint, const TTbrCustomItem *item);
  void UpdateViewLimits(TTbrDockOrientation orientation, TTbrDock *dock, bool floating, int &wrap, int &chevron) const;
  void UpdateKeyWatch();
  void KeyWatched(QObject *watched, QEvent *event);
  bool OwnsKeysOf(QObject *watched) const;

  std::unique_ptr<TTbrRootItem> Root;
  std::unique_ptr<TTbrChevronItem> Chevron;
  std::unique_ptr<TTbrToolbarView> BarView;
  TTbrQtModalDriver Driver;
  TTbrQtMenuLoopHost DefaultLoopHost;
  TTbrMenuLoopHost *LoopHost = &DefaultLoopHost;
  TTbrDoneActionHost *DoneHost = nullptr;
  TTbrShrinkMode FShrinkMode = tbsmChevron;
  QString FChevronHint = SChevronHint;
  bool FMenuBar = false, FProcessShortCuts = false, FSystemFont = true, FUpdateActions = true;
  QString FHint;
  QString FApplicationHint;
  int FLayoutLock = 0;
  int FFloatWidth = 0;
  std::unique_ptr<TTbrSizingSnap> FSizing;
  bool FKeyWatch = false;
  bool FAltAlone = false; // Alt went down and nothing else since
};

} // namespace qel::toolbars
