// The main window's remembered state: position and size, the list pane,
// word wrap, the card lock and the printer's page, saved at close and after
// the options dialog, restored once at start-up.

#include "app/mainbars.h"
#include "app/pending.h"
#include "app/tf_main.h"
#include "app/toolbarstatehooks.h"
#include "settings/registry2000.h"
#include "toolbars/qt/tbtoolbar.h"
#include "settings/options.h"
#include "settings/printerstate.h"
#include "settings/windowstate.h"
#include "toolbars/qt/tbdock.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QSplitter>

namespace qel {

namespace {
// Below these the window or a pane is of no use; stored sizes under them are ignored.
constexpr QSize kMinWindowSize(240, 180);
constexpr int kMinPane = 60;
} // namespace

void Tf_Main::SaveWindowState() {
  TWindowStateRecord r;
  if (isMinimized())
    r.WindowState = TWindowStateRecord::wsMinimized;
  else if (isMaximized() || isFullScreen())
    r.WindowState = TWindowStateRecord::wsMaximized;
  if (r.WindowState == TWindowStateRecord::wsNormal) {
    // The window's own area, position and size alike: where the window
    // system's frame goes around it is the window system's business, and is
    // not known yet when the window is placed at the next start. (A frame
    // position saved and then given back as the inner area's, or the other
    // way round, moved the window by its title bar at every restart.)
    const QRect inner = geometry();
    r.Left = inner.x();
    r.Top = inner.y();
    r.Width = inner.width();
    r.Height = inner.height();
  }
  r.ListWidth = ListPanel->width();
  r.ListHeight = ListPanel->height();
  r.WordWrap = actions_->item(QStringLiteral("Wordwrap1"))->isChecked();
  r.LockCards = IsLocked();
  SaveWindowStateRecord(r, PrinterPageState());
  SaveToolbars();
  if (AppOptions) AppOptions->SaveToRegistry();
}

void Tf_Main::LoadWindowState() {
  const TWindowStateRecord r = LoadWindowStateRecord(PrinterPageState());

  const QRect design = geometry();
  QRect rect = design;
  if (r.Left) rect.moveLeft(*r.Left);
  if (r.Top) rect.moveTop(*r.Top);
  if (r.Width && *r.Width >= kMinWindowSize.width()) rect.setWidth(*r.Width);
  if (r.Height && *r.Height >= kMinWindowSize.height()) rect.setHeight(*r.Height);
  QList<QRect> screens;
  for (const QScreen *s : QGuiApplication::screens()) screens << s->availableGeometry();
  rect = PlaceOnScreens(rect, screens, kMinWindowSize);
  // The inner area exactly where it was (the window system puts its frame
  // around it); with nothing stored the window system places the window.
  if (r.Left || r.Top || rect.topLeft() != design.topLeft())
    setGeometry(rect);
  else
    resize(rect.size());
  // Only a maximised window starts other than normal: minimised is the
  // "StartMinimized" option's business.
  if (r.WindowState == TWindowStateRecord::wsMaximized) setWindowState(windowState() | Qt::WindowMaximized);

  // The list pane's size, kept so that both panes stay in sight.
  const bool across = Splitter->orientation() == Qt::Horizontal;
  const std::optional<int> stored = across ? r.ListWidth : r.ListHeight;
  if (stored) {
    if (layout()) {
      layout()->invalidate();
      layout()->activate();
    }
    // The panes sit between the docks: placed now, not when the window shows.
    DockFrame->ArrangeDocks();
    const int total = (across ? Splitter->width() : Splitter->height()) - Splitter->handleWidth();
    if (total >= 2 * kMinPane) {
      const int list = std::clamp(*stored, kMinPane, total - kMinPane);
      Splitter->setSizes({list, total - list});
    }
  }

  if (r.WordWrap) actions_->item(QStringLiteral("Wordwrap1"))->setChecked(*r.WordWrap);
  if (r.LockCards) actions_->get(QStringLiteral("a_Lock"))->setChecked(*r.LockCards);
  LoadToolbars();
}

namespace {

// The toolbar items whose showing is the user's choice: every named item
// directly on a toolbar but the dividers (the menu bar's menus included).
template <class F> void forEachChoosableItem(Tf_Main &w, F f) {
  for (toolbars::TTbrCustomToolbar *bar : BarsOf(&w)) {
    toolbars::TTbrCustomItem *root = bar->Items();
    for (int i = 0; i < root->Count(); ++i) {
      toolbars::TTbrCustomItem *item = root->Items(i);
      if (!item->HasStyle(toolbars::tbis::Separator) && !item->Name().isEmpty()) f(item);
    }
  }
}

QWidget *controlOf(const toolbars::TTbrCustomItem *item) {
  auto *control = dynamic_cast<const toolbars::TTbrControlItem *>(item);
  return control ? qobject_cast<QWidget *>(control->Control()) : nullptr;
}

} // namespace

bool ToolbarItemShown(const toolbars::TTbrCustomItem *item) {
  const QWidget *control = controlOf(item);
  return control ? !control->isHidden() : item->Visible();
}

void ShowToolbarItem(toolbars::TTbrCustomItem *item, bool shown) {
  if (ToolbarItemShown(item) == shown) return;
  // A hosted control shows as its control does.
  if (QWidget *control = controlOf(item))
    control->setVisible(shown);
  else
    item->SetVisible(shown);
}

namespace {

TToolbarStateHooks toolbarState(Tf_Main &w) {
  QList<toolbars::TTbrCustomItem *> items;
  forEachChoosableItem(w, [&](toolbars::TTbrCustomItem *item) { items << item; });
  return ToolbarStateHooks(&w, w.DockTop, items, ToolbarItemShown, ShowToolbarItem);
}

} // namespace

void Tf_Main::SaveToolbars() { qel::SaveToolbars(toolbarState(*this)); }

namespace {

// The menu bar and its menus show whatever the store says: nothing in the
// window could bring them back, and a hidden menu bar would be written back
// hidden at the end.
void keepMenusShown(Tf_Main &w) {
  w.Toolbar_Menu->show();
  toolbars::TTbrCustomItem *menus = w.Toolbar_Menu->Items();
  for (int i = 0; i < menus->Count(); ++i) ShowToolbarItem(menus->Items(i), true);
}

} // namespace

void Tf_Main::LoadToolbars() {
  qel::LoadToolbars(toolbarState(*this));
  keepMenusShown(*this);
}

void Tf_Main::ReloadToolbarItemVisibility() {
  qel::ReloadToolbarItemVisibility(toolbarState(*this).Items);
  keepMenusShown(*this);
}

} // namespace qel
