// How an edit box looks: its rings and field by state, its text, and in a
// menu the label before it.

#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbview.h"
#include "toolbars/paint/editbox.h"
#include "toolbars/paint/framecontrols.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

constexpr QRgb Bg = 0xFF102030u;

class TMeasureHost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return measure_; }

private:
  TFixedMeasure measure_;
};

TEST(EditBoxPainting, RingsAndFieldByState) {
  struct TCase {
    const char *name;
    bool selected, enabled;
    QRgb outer, frame, field;
  };
  const QRgb face = SysQColor(sciBtnFace).rgb(), window = SysQColor(sciWindow).rgb(),
             shadow = SysQColor(sciBtnShadow).rgb();
  const TCase cases[] = {
      {"plain", false, true, Bg, face, window},
      {"selected: sunken", true, true, shadow, face, window},
      {"disabled", false, false, Bg, window, face},
      {"disabled and selected: no ring", true, false, Bg, window, face},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TTbrRootItem root;
    auto *edit = Add<TTbrEditItem>(&root, "Find");
    edit->SetEditWidth(30);
    edit->SetEnabled(c.enabled);
    TMeasureHost host;
    TTbrView view(&host, nullptr, &root, true);
    view.ValidatePositions();
    auto *viewer = dynamic_cast<TTbrEditItemViewer *>(view.Find(edit));
    ASSERT_NE(viewer, nullptr);
    const QRect box = viewer->EditBoxRect();
    QImage image(box.right() + 4, box.bottom() + 4, QImage::Format_ARGB32);
    image.fill(Bg);
    {
      QPainter painter(&image);
      TPainterCanvas canvas(painter);
      PaintEditItemViewer(canvas, *viewer, c.selected, TPlainViewColors());
    }
    EXPECT_EQ(image.pixel(box.topLeft()), c.outer);
    EXPECT_EQ(image.pixel(box.topLeft() + QPoint(1, 1)), c.frame);
    EXPECT_EQ(image.pixel(box.bottomRight() - QPoint(1, 1)), c.frame);
    EXPECT_EQ(image.pixel(box.topLeft() + QPoint(2, 2)), c.field);
    EXPECT_EQ(image.pixel(box.center()), c.field) << "no text, an empty field";
  }
}

TEST(EditBoxPainting, TextAndMenuLabel) {
  TTbrRootItem root;
  auto *edit = Add<TTbrEditItem>(&root, "Find");
  edit->SetEditWidth(60);
  edit->SetEditCaption("&Name:");
  edit->SetText("WWW");
  TMeasureHost host;
  TTbrView view(&host, nullptr, &root, false); // a menu
  view.ValidatePositions();
  auto *viewer = dynamic_cast<TTbrEditItemViewer *>(view.Find(edit));
  ASSERT_NE(viewer, nullptr);
  const QRect bounds = viewer->BoundsRect, box = viewer->EditBoxRect();
  ASSERT_GT(box.left(), bounds.left());
  QImage image(bounds.right() + 4, bounds.bottom() + 4, QImage::Format_ARGB32);
  image.fill(Bg);
  TPlainViewColors colors;
  colors.Highlight = QColor(0x00, 0x80, 0x00);
  {
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    PaintEditItemViewer(canvas, *viewer, true, colors);
  }
  const auto count = [&](const QRect &area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        n += image.pixel(x, y) == colour;
    return n;
  };
  const QRect label(bounds.left(), bounds.top(), box.left() - bounds.left(), bounds.height());
  EXPECT_GT(count(label, colors.Highlight.rgb()), 0) << "the selected label is highlighted";
  EXPECT_GT(count(label, colors.HighlightText.rgb()), 0) << "and written on";
  EXPECT_GT(count(box.adjusted(3, 3, -3, -3), SysQColor(sciWindowText).rgb()), 0) << "the text in the field";
  EXPECT_EQ(count(box, colors.Highlight.rgb()), 0) << "the box is not highlighted";
}

} // namespace
