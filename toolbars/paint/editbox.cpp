#include "toolbars/paint/editbox.h"

#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/paint/framecontrols.h"

namespace qel::toolbars {

void PaintEditItemViewer(TCanvas &canvas, const TTbrEditItemViewer &viewer, bool selected,
                         const TPlainViewColors &colors) {
  const TTbrEditItem &item = *viewer.EditItem();
  const bool enabled = item.Enabled();
  const QRect bounds = viewer.BoundsRect;
  if (viewer.EditCaptionShown()) {
    const int textWidth = viewer.EditCaptionWidth() - 10;
    const QRect captionArea(bounds.left(), bounds.top(), textWidth + 6, bounds.height());
    QColor text = enabled ? colors.Text : colors.Disabled;
    if (selected) {
      canvas.FillRect(captionArea, colors.Highlight);
      if (enabled)
        text = colors.HighlightText;
    }
    const unsigned accels = viewer.View->State & tbvsAccelsShown ? 0u : unsigned(TextHidePrefix);
    DrawFormattedText(canvas, item.EditCaption(), captionArea.adjusted(3, 0, 0, 0), TextVCenter | accels, text);
  }
  QRect box = viewer.EditBoxRect();
  if (selected && enabled) {
    QRect edge = box;
    DrawEdge(canvas, edge, edSunkenOuter, efRect);
  }
  box.adjust(1, 1, -1, -1);
  const QColor frame = enabled ? SysQColor(sciBtnFace) : SysQColor(sciWindow);
  const QColor field = enabled ? SysQColor(sciWindow) : SysQColor(sciBtnFace);
  if (box.isEmpty())
    return;
  canvas.FillRect(box, frame);
  box.adjust(1, 1, -1, -1);
  if (box.isEmpty())
    return;
  canvas.FillRect(box, field);
  box.adjust(1, 1, -1, -1);
  if (box.isEmpty() || item.Text().isEmpty())
    return;
  DrawFormattedText(canvas, item.Text(), box, TextVCenter | TextNoPrefix,
                    enabled ? SysQColor(sciWindowText) : SysQColor(sciGrayText));
}

} // namespace qel::toolbars
