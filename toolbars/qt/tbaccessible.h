#pragma once
// What screen readers see of the framework: every view (a toolbar, a menu
// bar, a popup menu) answers through the accessible interface of the widget
// that shows it, and every item viewer through an interface of its own, a
// child of its view's; the open popup's view is the only child of the viewer
// it was opened from. Qt makes them on a client's request only: while no
// client listens, nothing is made and no event is built.
//
// A viewer's interface outlives the viewer for a while (a client may hold
// it): once the viewer is gone it answers every question as invalid and is
// dropped from Qt's registry after the current event.

#include <QAccessible>

class QWidget;

namespace qel::toolbars {

class TTbrItemViewer;
class TTbrView;

// The names of a viewer's default actions.
inline constexpr const char *SAccClose = "Close";
inline constexpr const char *SAccOpen = "Open";
inline constexpr const char *SAccExecute = "Execute";
inline constexpr const char *SAccPress = "Press";

// Lets the widgets that show views answer for them; cheap after the first call.
void InstallToolbarAccessibility();

// A widget now shows `view`: an interface Qt made for it before (a plain
// widget's, while the widget was still being built) gives way to the view's.
void ViewHostChanged(QWidget *widget);

// The interfaces of a view and of a viewer; nullptr when no widget shows
// the view.
QAccessibleInterface *AccessibleOf(TTbrView *view);
QAccessibleInterface *AccessibleOf(TTbrItemViewer *viewer);

// Tells the clients about `widget` (`child`: the 0-based index of one of its
// view's children, -1 for the widget itself); nothing when no client listens.
void SendAccessibleEvent(QWidget *widget, QAccessible::Event type, int child = -1);

} // namespace qel::toolbars
