#pragma once
// A plain toolbar or menu bar: one horizontal row of its root item's
// children, drawn plainly. A press on an item, or Alt with an item's
// accelerator, starts the menu loop on it. The docking toolbar builds on
// the same view and loop; this one stands alone.

#include "toolbars/core/tbitem.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QWidget>

#include <memory>

namespace qel::toolbars {

class TTbrToolbarWidget : public QWidget, public TTbrWidgetViewHost, public ITBItemsProvider {
public:
  explicit TTbrToolbarWidget(QWidget *parent = nullptr, bool menuBar = false);
  ~TTbrToolbarWidget() override;

  TTbrRootItem *Items() const { return Root.get(); }
  TTbrCustomItem *GetItems() override { return Root.get(); }
  TTbrView *View() const { return BarView.get(); }

  // Who shows hints and beeps, and who carries out system-menu and help
  // done actions (none: they do nothing).
  void SetLoopHost(TTbrMenuLoopHost *host) { LoopHost = host ? host : &DefaultLoopHost; }
  void SetDoneActionHost(TTbrDoneActionHost *host) { DoneHost = host; }

  QSize sizeHint() const override;
  void AutoSize(const QSize &size) override;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void RunLoop(int options, const QPoint &pressPoint);

  std::unique_ptr<TTbrRootItem> Root;
  std::unique_ptr<TTbrView> BarView;
  TTbrQtModalDriver Driver;
  TTbrQtMenuLoopHost DefaultLoopHost;
  TTbrMenuLoopHost *LoopHost = &DefaultLoopHost;
  TTbrDoneActionHost *DoneHost = nullptr;
  QSize ViewSize;
};

} // namespace qel::toolbars
