#pragma once
// Whether a compositing manager runs on an X11 screen: by convention it owns
// the selection "_NET_WM_CM_S<screen number>" while it runs.

struct xcb_connection_t;

namespace qel::toolbars {

// True when the X server on `connection` reports an owner of the screen's
// compositing-manager selection. A null or broken connection, or a failed
// request, gives false.
bool X11CompositorPresent(xcb_connection_t *connection, int screen);

// The same for the X server the application's windows are on; false when the
// application does not run on X11.
bool ApplicationX11CompositorPresent();

} // namespace qel::toolbars
