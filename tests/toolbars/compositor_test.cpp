#include "tests/support/privatexserver.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/x11compositor.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#if QEL_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

using namespace qel::toolbars;

namespace {

TEST(ToolbarCompositor, QtMetricsOffscreenHaveNoCompositor) {
  // The tests' offscreen platform is no X server: nothing blends windows there.
  const TQtPlatformMetrics metrics;
  EXPECT_FALSE(metrics.CompositorPresent());
  EXPECT_FALSE(ApplicationX11CompositorPresent());
  EXPECT_GT(metrics.ScreenColorDepth(), 0);
  EXPECT_FALSE(TPlatformMetrics().CompositorPresent());
  EXPECT_FALSE(X11CompositorPresent(nullptr, 0));
}

TEST(ToolbarCompositor, InstalledMetricsAnswerForTheFramework) {
  class Composited : public TPlatformMetrics {
  public:
    bool CompositorPresent() const override { return true; }
  } composited;
  EXPECT_NE(dynamic_cast<TQtPlatformMetrics *>(&PlatformMetrics()), nullptr);
  EXPECT_EQ(SetPlatformMetrics(&composited), nullptr);
  EXPECT_TRUE(PlatformMetrics().CompositorPresent());
  EXPECT_EQ(SetPlatformMetrics(nullptr), &composited);
  EXPECT_FALSE(PlatformMetrics().CompositorPresent());
}

#if QEL_HAVE_XCB

xcb_atom_t Atom(xcb_connection_t *c, const char *name) {
  xcb_intern_atom_reply_t *reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

TEST(ToolbarCompositor, X11SelectionOwnerTellsWhetherACompositorRuns) {
  qel::test::TPrivateXServer server;
  if (!server.Start(QStringLiteral("320x240x24")))
    GTEST_SKIP() << "Xvfb is not available";
  const QByteArray display = server.Display().toLatin1();
  xcb_connection_t *client = xcb_connect(display.constData(), nullptr);
  ASSERT_FALSE(xcb_connection_has_error(client));
  EXPECT_FALSE(X11CompositorPresent(client, 0)); // a bare X server: no compositor

  // Another client takes the screen's compositing-manager selection, as a compositor does.
  xcb_connection_t *compositor = xcb_connect(display.constData(), nullptr);
  ASSERT_FALSE(xcb_connection_has_error(compositor));
  const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(compositor)).data;
  const xcb_window_t window = xcb_generate_id(compositor);
  xcb_create_window(compositor, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_set_selection_owner(compositor, window, Atom(compositor, "_NET_WM_CM_S0"), XCB_CURRENT_TIME);
  std::free(xcb_get_input_focus_reply(compositor, xcb_get_input_focus(compositor), nullptr)); // a round trip

  EXPECT_TRUE(X11CompositorPresent(client, 0));
  EXPECT_FALSE(X11CompositorPresent(client, 1)); // another screen's selection has no owner
  EXPECT_FALSE(X11CompositorPresent(client, -1));

  // The compositor going away gives the selection up.
  xcb_disconnect(compositor);
  QElapsedTimer clock;
  clock.start();
  while (X11CompositorPresent(client, 0) && clock.elapsed() < 3000)
    QThread::msleep(10);
  EXPECT_FALSE(X11CompositorPresent(client, 0));
  xcb_disconnect(client);
}

#endif

} // namespace
