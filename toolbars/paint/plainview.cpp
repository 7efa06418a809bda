#include "toolbars/paint/plainview.h"

#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/core/tbview.h"
#include "toolbars/core/tbviewdetail.h"
#include "toolbars/paint/editbox.h"
#include "toolbars/paint/pixelimagelist.h"

#include <algorithm>

namespace qel::toolbars {

namespace {

void FillTriangle(TCanvas &canvas, const QPoint &apex, int height, int dx, int dy, const QColor &color) {
  // Lines across the direction of the point, one pixel longer on each side
  // every step away from the apex.
  for (int i = 0; i < height; ++i) {
    const QPoint centre = apex + QPoint(dx * i, dy * i);
    const QPoint across = dx != 0 ? QPoint(0, i) : QPoint(i, 0);
    canvas.DrawLine(centre - across, centre + across, color);
  }
}

void PaintCheckMark(TCanvas &canvas, const QRect &box, const QColor &color) {
  // A tick 7 pixels wide, 3 pixels thick.
  const QPoint origin(box.center().x() - 3, box.center().y() - 1);
  for (int t = 0; t < 3; ++t) {
    canvas.DrawLine(origin + QPoint(0, t), origin + QPoint(2, 2 + t), color);
    canvas.DrawLine(origin + QPoint(2, 2 + t), origin + QPoint(6, -2 + t), color);
  }
}

// The caption with its accelerator underlined when `underline`.
void PaintCaption(TCanvas &canvas, const QRect &rect, int alignment, const QString &caption, bool underline,
                  const QColor &color) {
  qsizetype accel = -1;
  const QString text = RemoveAmpersands(caption, accel);
  canvas.DrawText(rect, alignment | Qt::AlignVCenter | Qt::TextSingleLine, text, color);
  if (!underline || accel < 0 || accel >= text.size())
    return;
  const int width = canvas.TextWidth(text);
  int left = rect.left();
  if (alignment & Qt::AlignHCenter)
    left = rect.left() + (rect.width() - width) / 2;
  else if (alignment & Qt::AlignRight)
    left = rect.right() + 1 - width;
  const int charLength = text.at(accel).isHighSurrogate() ? 2 : 1;
  const int x1 = left + canvas.TextWidth(text.left(accel));
  const int x2 = left + canvas.TextWidth(text.left(accel + charLength)) - 1;
  const int top = rect.top() + (rect.height() - canvas.TextHeight()) / 2;
  const int y = top + canvas.TextAscent() + 1;
  canvas.DrawLine(QPoint(x1, y), QPoint(std::max(x1, x2), y), color);
}

// The viewer's picture, when it shows one from a list that holds pixels;
// else a null image.
QImage ViewerImage(const TTbrItemViewer &viewer) {
  if (!viewer.ImageShown())
    return QImage();
  const auto *images = dynamic_cast<const TTbrPixelImageList *>(viewer.ImageList());
  if (!images)
    return QImage();
  const QImage image = images->Image(viewer.Item->ImageIndex());
  return viewer.Item->Enabled() ? image : DisabledImage(image);
}

void DrawImageCentered(TCanvas &canvas, const QRect &box, const QImage &image) {
  canvas.DrawImage(QPoint(box.left() + (box.width() - image.width()) / 2, box.top() + (box.height() - image.height()) / 2),
                   image);
}

void PaintSeparator(TCanvas &canvas, const TTbrItemViewer &viewer, bool horizontalLine,
                    const TPlainViewColors &colors) {
  if (auto *sep = dynamic_cast<const TTbrSeparatorItem *>(viewer.Item); sep && sep->Blank())
    return;
  const QRect &r = viewer.BoundsRect;
  if (horizontalLine) {
    const int y = r.top() + r.height() / 2 - 1;
    canvas.DrawLine(QPoint(r.left() + 1, y), QPoint(r.right() - 1, y), colors.Shadow);
    canvas.DrawLine(QPoint(r.left() + 1, y + 1), QPoint(r.right() - 1, y + 1), colors.Light);
  } else {
    const int x = r.left() + r.width() / 2 - 1;
    canvas.DrawLine(QPoint(x, r.top() + 1), QPoint(x, r.bottom() - 1), colors.Shadow);
    canvas.DrawLine(QPoint(x + 1, r.top() + 1), QPoint(x + 1, r.bottom() - 1), colors.Light);
  }
}

void PaintMenuViewer(TCanvas &canvas, const TTbrView &view, const TTbrItemViewer &viewer,
                     const TPlainViewColors &colors) {
  const QRect &r = viewer.BoundsRect;
  const TTbrCustomItem *item = viewer.Item;
  const bool selected = view.Selected() == &viewer;
  const bool enabled = item->Enabled();
  QColor text = enabled ? colors.Text : colors.Disabled;
  if (selected) {
    canvas.FillRect(r, colors.Highlight);
    if (enabled)
      text = colors.HighlightText;
  }
  const int column = r.height(); // the check column and the arrow column are square
  const QRect checkBox(r.left(), r.top(), column, r.height());
  const QImage image = ViewerImage(viewer);
  if (!image.isNull()) {
    // A checked entry with a picture shows it pressed in rather than ticked.
    if (item->Checked() && !selected) {
      const QRect frame = checkBox.adjusted(1, 1, -2, -2);
      canvas.DrawLine(frame.topLeft(), frame.topRight(), colors.Shadow);
      canvas.DrawLine(frame.topLeft(), frame.bottomLeft(), colors.Shadow);
      canvas.DrawLine(frame.bottomLeft(), frame.bottomRight(), colors.Light);
      canvas.DrawLine(frame.topRight(), frame.bottomRight(), colors.Light);
    }
    DrawImageCentered(canvas, checkBox, image);
  } else if (item->Checked()) {
    PaintCheckMark(canvas, checkBox, text);
  }
  const QRect captionRect(r.left() + column + 3, r.top(), std::max(0, r.width() - 2 * column - 3), r.height());
  PaintCaption(canvas, captionRect, Qt::AlignLeft, viewer.GetCaptionText(), view.State & tbvsAccelsShown, text);
  const QString shortCut = item->ShortCutText();
  if (!shortCut.isEmpty())
    canvas.DrawText(captionRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shortCut, text);
  if (item->HasStyle(tbis::Submenu)) {
    const QPoint apex(r.right() - column / 2 + 2, r.top() + r.height() / 2);
    FillTriangle(canvas, apex, 4, -1, 0, text); // points right
  }
}

void PaintToolbarViewer(TCanvas &canvas, const TTbrView &view, const TTbrItemViewer &viewer,
                        const TPlainViewColors &colors) {
  const QRect &r = viewer.BoundsRect;
  const TTbrCustomItem *item = viewer.Item;
  const bool selected = view.Selected() == &viewer;
  const bool open = view.OpenViewer() == &viewer;
  QColor text = item->Enabled() ? colors.Text : colors.Disabled;
  if ((selected && view.InMenuMode()) || open) {
    canvas.FillRect(r, colors.Highlight);
    if (item->Enabled())
      text = colors.HighlightText;
  } else if (selected || item->Checked()) {
    // Hot or down: a thin frame around the button.
    const QColor topLeft = item->Checked() ? colors.Shadow : colors.Light;
    const QColor bottomRight = item->Checked() ? colors.Light : colors.Shadow;
    canvas.DrawLine(r.topLeft(), r.topRight(), topLeft);
    canvas.DrawLine(r.topLeft(), r.bottomLeft(), topLeft);
    canvas.DrawLine(r.bottomLeft(), r.bottomRight(), bottomRight);
    canvas.DrawLine(r.topRight(), r.bottomRight(), bottomRight);
  }
  // A drop-down part at the right: a combo's own arrow button, or the arrow
  // of a button that only opens its list.
  QRect face = r;
  if (item->HasStyle(tbis::Submenu) && view.Orientation != tbvoVertical) {
    int arrow = 0;
    if (item->HasStyle(tbis::Combo))
      arrow = viewdetail::ComboArrowWidth;
    else if (item->EffectiveOptions() & tboDropdownArrow)
      arrow = viewdetail::DropdownArrowWidth;
    if (arrow > 0 && arrow < r.width()) {
      face.setRight(r.right() - arrow);
      const QRect arrowRect(face.right() + 1, r.top(), arrow, r.height());
      if (item->HasStyle(tbis::Combo) && (selected || open))
        canvas.DrawLine(QPoint(arrowRect.left(), r.top() + 1), QPoint(arrowRect.left(), r.bottom() - 1), colors.Shadow);
      FillTriangle(canvas, QPoint(arrowRect.left() + arrow / 2, arrowRect.top() + arrowRect.height() / 2 + 1), 3, 0,
                   -1, text); // points down
    }
  }
  const QImage image = ViewerImage(viewer);
  const bool captionShown = viewer.CaptionShown();
  if (!image.isNull()) {
    QRect box = face;
    if (captionShown)
      box.setWidth(image.width() + 6);
    DrawImageCentered(canvas, box, image);
    face.setLeft(box.right() + 1);
  }
  if (captionShown)
    PaintCaption(canvas, face, Qt::AlignHCenter, viewer.GetCaptionText(), view.State & tbvsAccelsShown, text);
}

} // namespace

void DrawViewSubitems(TCanvas &canvas, const TTbrView &view, const QRect &clip,
                      const TStockViewerPainter &paintStock) {
  for (int i = 0; i < view.ViewerCount(); ++i) {
    TTbrItemViewer *viewer = view.Viewers(i);
    if (!viewer->Show || viewer->Clipped || viewer->BoundsRect.isEmpty())
      continue;
    if (!clip.isEmpty() && !clip.intersects(viewer->BoundsRect))
      continue;
    // Hot: the selection; pushed: held down under the mouse, or its popup open.
    const bool hover = view.Selected() == viewer;
    const bool pushed = view.OpenViewer() == viewer || (hover && view.Capture() && view.MouseOverSelected());
    canvas.Save();
    canvas.SetClipRect(viewer->BoundsRect);
    if (!viewer->Paint(canvas, viewer->BoundsRect, hover, pushed, false) && paintStock)
      paintStock(canvas, *viewer, hover, pushed);
    canvas.Restore();
  }
}

void PaintViewPlain(TCanvas &canvas, const TTbrView &view, const TPlainViewColors &colors, const QRect &clip) {
  DrawViewSubitems(canvas, view, clip, [&](TCanvas &, const TTbrItemViewer &viewer, bool, bool) {
    if (auto *edit = dynamic_cast<const TTbrEditItemViewer *>(&viewer))
      PaintEditItemViewer(canvas, *edit, view.Selected() == &viewer, colors);
    else if (viewer.Item->HasStyle(tbis::Separator))
      PaintSeparator(canvas, viewer, view.IsPopup || view.Orientation == tbvoVertical, colors);
    else if (view.IsPopup)
      PaintMenuViewer(canvas, view, viewer, colors);
    else
      PaintToolbarViewer(canvas, view, viewer, colors);
  });
}

void PaintScrollArrows(TCanvas &canvas, const QRect &client, bool upArrow, bool downArrow,
                       const TPlainViewColors &colors) {
  const int centreX = client.left() + client.width() / 2;
  if (upArrow) {
    const QRect band(client.left(), client.top(), client.width(), ScrollArrowBandHeight);
    canvas.FillRect(band, colors.Face);
    FillTriangle(canvas, QPoint(centreX, band.top() + band.height() / 2 - 1), 3, 0, 1, colors.Text);
  }
  if (downArrow) {
    const QRect band(client.left(), client.bottom() + 1 - ScrollArrowBandHeight, client.width(),
                     ScrollArrowBandHeight);
    canvas.FillRect(band, colors.Face);
    FillTriangle(canvas, QPoint(centreX, band.top() + band.height() / 2 + 1), 3, 0, -1, colors.Text);
  }
}

void PaintPopupFrame(TCanvas &canvas, const QRect &window, int border, bool flat, const TPlainViewColors &colors) {
  QRect r = window;
  const auto frame = [&](const QColor &topLeft, const QColor &bottomRight) {
    if (r.width() <= 0 || r.height() <= 0)
      return;
    canvas.DrawLine(r.topLeft(), r.topRight(), topLeft);
    canvas.DrawLine(r.topLeft(), r.bottomLeft(), topLeft);
    canvas.DrawLine(r.bottomLeft(), r.bottomRight(), bottomRight);
    canvas.DrawLine(r.topRight(), r.bottomRight(), bottomRight);
    r.adjust(1, 1, -1, -1);
  };
  int drawn = 0;
  if (flat) {
    frame(colors.Shadow, colors.Shadow);
    ++drawn;
  } else {
    frame(colors.Face, colors.DarkShadow); // the raised edge: outer ...
    frame(colors.Light, colors.Shadow);    // ... and inner line
    drawn += 2;
  }
  const QColor fill = flat ? colors.Window : colors.Face;
  for (; drawn < border; ++drawn)
    frame(fill, fill);
}

} // namespace qel::toolbars
