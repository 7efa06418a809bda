#include "toolbars/qt/x11compositor.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QtGui/qtguiglobal.h>

#if QEL_HAVE_XCB
#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#endif

#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace qel::toolbars {

#if QEL_HAVE_XCB

bool X11CompositorPresent(xcb_connection_t *connection, int screen) {
  if (!connection || xcb_connection_has_error(connection) || screen < 0)
    return false;
  const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
  // Only an existing atom: nobody can own a selection whose name was never made.
  xcb_intern_atom_reply_t *atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr);
  if (!atom)
    return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE)
    return false;
  xcb_get_selection_owner_reply_t *owner =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (!owner)
    return false;
  const bool owned = owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return owned;
}

bool ApplicationX11CompositorPresent() {
#if QT_CONFIG(xcb)
  auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
  if (!app)
    return false;
  auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11)
    return false; // not on X11 (offscreen in tests, or another platform)
  // Qt connects to the display DISPLAY names; its screen part picks the screen.
  char *host = nullptr;
  int display = 0, screen = 0;
  if (!xcb_parse_display(nullptr, &host, &display, &screen))
    screen = 0;
  std::free(host);
  return X11CompositorPresent(x11->connection(), screen);
#else
  return false; // this Qt has no X11 platform
#endif
}

#else

bool X11CompositorPresent(xcb_connection_t *, int) { return false; }
bool ApplicationX11CompositorPresent() { return false; }

#endif

} // namespace qel::toolbars
