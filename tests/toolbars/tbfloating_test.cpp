// The decisions behind floating windows: frame parts, the visibility rule,
// keeping and snapping the frame on the work area, sizing rectangles, the
// floating sizes of a wrapping toolbar and the snapping of a resize to them.

#include "toolbars/core/tbfloating.h"

#include <gtest/gtest.h>

using namespace qel::toolbars;

TEST(FloatingFrame, PartsOfTheFrame) {
  TTbrFloatingFrame f;
  f.Frame = QPoint(4, 4);
  f.CaptionHeight = 15;
  const QSize outer(100, 60);
  EXPECT_EQ(f.OuterSize(QSize(92, 37)), outer);
  EXPECT_EQ(f.ClientRect(outer), QRect(4, 19, 92, 37));
  EXPECT_EQ(f.CaptionRect(outer), QRect(4, 4, 92, 14));
  EXPECT_EQ(f.CloseRect(outer), QRect(82, 4, 14, 14));

  const struct {
    QPoint At;
    bool Corners, Resizable, Close;
    TTbrFrameHit Hit;
  } cases[] = {
      {{50, 8}, true, true, true, FrameHitCaption},
      {{90, 8}, true, true, true, FrameHitClose},
      {{90, 8}, true, true, false, FrameHitCaption},
      {{50, 30}, true, true, true, FrameHitClient},
      {{50, 1}, true, true, true, FrameHitTop},
      {{1, 1}, true, true, true, FrameHitTopLeft},
      {{1, 1}, false, true, true, FrameHitTop},
      {{1, 17}, true, true, true, FrameHitTopLeft}, // within caption + frame - 1 of the corner
      {{1, 30}, true, true, true, FrameHitLeft},
      {{1, 50}, true, true, true, FrameHitBottomLeft},
      {{98, 30}, true, true, true, FrameHitRight},
      {{98, 2}, true, true, true, FrameHitTopRight},
      {{50, 58}, true, true, true, FrameHitBottom},
      {{99, 59}, true, true, true, FrameHitBottomRight},
      {{50, 59}, false, true, true, FrameHitBottom},
      {{95, 30}, true, true, true, FrameHitRight}, // the client area's last column and row are the bands'
      {{50, 55}, true, true, true, FrameHitBottom},
      {{94, 54}, true, true, true, FrameHitClient},
      {{95, 30}, true, false, true, FrameHitClient},
      {{1, 30}, true, false, true, FrameHitNowhere},
      {{100, 30}, true, true, true, FrameHitNowhere},
  };
  for (const auto &c : cases) {
    f.SizeFromCorners = c.Corners;
    f.Resizable = c.Resizable;
    f.CloseButton = c.Close;
    EXPECT_EQ(f.HitTest(c.At, outer), c.Hit) << c.At.x() << "," << c.At.y();
  }
  // Without a caption there is nothing to drag by, and the contents start under the frame.
  f.CaptionHeight = 0;
  EXPECT_TRUE(f.CaptionRect(outer).isEmpty());
  EXPECT_EQ(f.ClientRect(outer).topLeft(), QPoint(4, 4));
}

TEST(FloatingFrame, VisibilityRule) {
  const TTbrVisibilityState shown;
  auto with = [&](auto change) {
    TTbrVisibilityState s = shown;
    change(s);
    return VisibleByRule(s);
  };
  EXPECT_TRUE(VisibleByRule(shown));
  EXPECT_FALSE(with([](auto &s) { s.Showing = false; }));
  EXPECT_FALSE(with([](auto &s) { s.HideLock = 1; }));
  EXPECT_FALSE(with([](auto &s) { s.FormMinimized = true; }));
  EXPECT_FALSE(with([](auto &s) { s.FormVisible = false; }));
  EXPECT_FALSE(with([](auto &s) { s.HasParentForm = false; }));
  EXPECT_FALSE(with([](auto &s) { s.ApplicationActive = false; }));
  EXPECT_TRUE(with([](auto &s) { s.ApplicationActive = false, s.HideWhenInactive = false; }));
  // Above all windows it does not follow its form; it still hides with the application.
  EXPECT_TRUE(with([](auto &s) { s.Mode = fmOnTopOfAllForms, s.FormMinimized = true, s.FormVisible = false; }));
  EXPECT_FALSE(with([](auto &s) { s.Mode = fmOnTopOfAllForms, s.ApplicationActive = false; }));
  EXPECT_FALSE(with([](auto &s) { s.Mode = fmOnTopOfAllForms, s.Showing = false; }));
}

TEST(FloatingFrame, KeepInWorkArea) {
  const QRect work(0, 0, 1000, 700);
  const struct {
    QRect Frame;
    bool OnlyOffScreen;
    QPoint Expected;
  } cases[] = {
      {{100, 100, 200, 50}, false, {100, 100}},
      {{950, 100, 200, 50}, true, {950, 100}},   // still partly on the work area
      {{950, 100, 200, 50}, false, {800, 100}},  // right edge brought in
      {{1100, 800, 200, 50}, true, {800, 650}},  // wholly off: right and bottom
      {{-300, -80, 200, 50}, true, {0, 0}},      // left and top
      {{-10, 690, 1200, 50}, false, {0, 650}},   // wider than the work area: its left edge shows
  };
  for (const auto &c : cases)
    EXPECT_EQ(KeepInWorkArea(c.Frame, work, c.OnlyOffScreen).topLeft(), c.Expected) << c.Frame.x() << "," << c.Frame.y();
  // The work area of another monitor is used as given.
  EXPECT_EQ(KeepInWorkArea(QRect(900, 10, 50, 20), QRect(1000, 0, 800, 600), true).topLeft(), QPoint(1000, 10));
}

TEST(FloatingFrame, SnapsToWorkAreaEdgesWithinTheDistance) {
  const QRect work(0, 30, 1000, 670); // a panel above
  const QSize size(100, 40);
  const struct {
    QPoint At;
    int Distance;
    QPoint Expected;
  } cases[] = {
      {{7, 300}, 8, {0, 300}},
      {{8, 300}, 8, {8, 300}},
      {{-7, 300}, 8, {0, 300}},
      {{895, 300}, 8, {900, 300}},   // right edge
      {{400, 655}, 8, {400, 660}},   // bottom edge
      {{400, 36}, 8, {400, 30}},     // top edge of the work area
      {{7, 300}, 0, {7, 300}},       // no snapping
  };
  for (const auto &c : cases)
    EXPECT_EQ(SnapToWorkArea(QRect(c.At, size), work, c.Distance), c.Expected) << c.At.x() << "," << c.At.y();
  // Near both edges: left and top win.
  EXPECT_EQ(SnapToWorkArea(QRect(QPoint(3, 33), QSize(995, 665)), work, 8), QPoint(0, 30));
}

TEST(FloatingFrame, SizingRectangles) {
  const QRect start(100, 100, 200, 80);
  TTbrSizingLimits none;
  TTbrSizingLimits limits;
  limits.Min = QSize(50, 30);
  limits.Max = QSize(250, 0); // no height maximum
  const struct {
    int Type;
    QPoint Travel;
    TTbrSizingLimits Limits;
    QRect Expected;
  } cases[] = {
      {0, {20, 9}, none, {120, 100, 180, 80}},     // left edge, only across
      {1, {20, 9}, none, {100, 100, 220, 80}},     // right edge
      {2, {20, -10}, none, {100, 90, 200, 90}},    // top edge, only up and down
      {3, {-20, -10}, none, {80, 90, 220, 90}},    // top left
      {4, {20, 10}, none, {100, 110, 220, 70}},    // top right
      {5, {20, 10}, none, {100, 100, 200, 90}},    // bottom
      {6, {20, 10}, none, {120, 100, 180, 90}},    // bottom left
      {7, {20, 10}, none, {100, 100, 220, 90}},    // bottom right
      {0, {190, 0}, limits, {250, 100, 50, 80}},   // the moving edge goes back to the minimum
      {1, {100, 0}, limits, {100, 100, 250, 80}},  // and to the maximum
      {2, {0, 70}, limits, {100, 150, 200, 30}},
      {5, {0, 500}, limits, {100, 100, 200, 580}},
      {1, {-300, 0}, none, {100, 100, 0, 80}},     // never negative
  };
  for (const auto &c : cases)
    EXPECT_EQ(SizingRect(c.Type, start, c.Travel, c.Limits), c.Expected) << c.Type;
}

namespace {

// Four items of 20 x 22 in lines within 2-pixel margins, as a toolbar
// that wraps lays them out.
TTbrMeasured FourItems(int limit) {
  const int perLine = limit == 0 ? 4 : std::max(1, (limit - 4) / 20);
  const int shown = std::min(perLine, 4);
  const int lines = (4 + perLine - 1) / perLine;
  return {QSize(shown * 20 + 4, lines * 22 + 4), lines};
}

} // namespace

TEST(FloatingSizes, ListsTheNarrowestSizeOfEachLineCount) {
  EXPECT_EQ(ListFloatingSizes(&FourItems, 4), (QList<QSize>{{84, 26}, {44, 48}, {24, 92}}));
  // A minimum width above the narrowest stops the search there.
  EXPECT_EQ(ListFloatingSizes(&FourItems, 50), (QList<QSize>{{84, 26}, {64, 48}}));
  // Contents that never wrap have one size; a measure that grows is not trusted.
  EXPECT_EQ(ListFloatingSizes([](int) { return TTbrMeasured{QSize(30, 20), 1}; }, 0), QList<QSize>{QSize(30, 20)});
  int calls = 0;
  EXPECT_EQ(ListFloatingSizes(
                [&](int limit) {
                  ++calls;
                  return TTbrMeasured{QSize(limit ? limit + 5 : 50, 20), 1};
                },
                0),
            QList<QSize>{QSize(50, 20)});
  EXPECT_EQ(calls, 2);
}

TEST(FloatingSizes, ResizeSnapsToWrapWidths) {
  const QList<QSize> sizes{{40, 90}, {100, 30}, {60, 50}}; // any order
  const QRect start(10, 10, 100, 30);
  TTbrSizingSnap snap;
  snap.Start(1, start, 4, 0, sizes);
  EXPECT_EQ(snap.SnapDistance(), 12);
  auto right = [&](int width) { return snap.Snap(QRect(10, 10, width, 30)); };
  // Within 12 pixels of the start nothing changes.
  EXPECT_EQ(right(95), start);
  EXPECT_EQ(snap.ProposedFloatWidth(), 0);
  // Further: the widest size that fits, then the next as the cursor goes on.
  EXPECT_EQ(right(85), QRect(10, 10, 60, 50));
  EXPECT_EQ(snap.ProposedFloatWidth(), 60 - 2 * 4);
  EXPECT_EQ(right(59), QRect(10, 10, 40, 90));
  EXPECT_EQ(snap.ProposedFloatWidth(), 32);
  // Back the other way: the next larger size at once.
  EXPECT_EQ(right(62), QRect(10, 10, 100, 30));
  EXPECT_EQ(snap.ProposedFloatWidth(), 0); // the widest: no limit
  // Shrinking again, then turning back within the distance of the start: the start.
  EXPECT_EQ(right(70), QRect(10, 10, 100, 30)); // still growing
  EXPECT_EQ(right(50), QRect(10, 10, 40, 90));
  EXPECT_EQ(right(90), start);

  // The left edge moves; the right one stays.
  snap.Start(0, start, 4, 0, sizes);
  EXPECT_EQ(snap.Snap(QRect(35, 10, 75, 30)), QRect(50, 10, 60, 50));
  // The top edge snaps by heights, the bottom one stays.
  snap.Start(2, QRect(10, 10, 60, 50), 4, 52, sizes);
  EXPECT_EQ(snap.Snap(QRect(10, 0, 60, 60)), QRect(10, 10, 60, 50)); // within the distance
  EXPECT_EQ(snap.Snap(QRect(10, -20, 60, 80)), QRect(10, -30, 40, 90));
  EXPECT_EQ(snap.ProposedFloatWidth(), 32);
}

TEST(FloatingSizes, SnapDistanceStaysShortOfTheNeighbours) {
  TTbrSizingSnap snap;
  snap.Start(1, QRect(0, 0, 100, 30), 3, 0, {{100, 30}, {95, 50}, {60, 70}});
  EXPECT_EQ(snap.SnapDistance(), 4);
  snap.Start(1, QRect(0, 0, 95, 50), 3, 89, {{100, 30}, {95, 50}, {94, 70}});
  EXPECT_EQ(snap.SnapDistance(), 0);
  // A size that is not listed keeps the full distance.
  snap.Start(1, QRect(0, 0, 97, 40), 3, 0, {{100, 30}, {95, 50}});
  EXPECT_EQ(snap.SnapDistance(), TTbrSizingSnap::MaxSnapDistance);
}
