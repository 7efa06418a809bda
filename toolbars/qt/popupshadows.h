#pragma once
// The drop shadow of a shown popup: translucent strip windows right of and
// below the popup (and its opening button), kept just behind the popup.
// Without a compositor to blend them there is no shadow at all.

#include "toolbars/core/shadowgeometry.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

namespace qel::toolbars {

// A strip's picture: black, its alpha the strip's fall-off scaled by `opacity`.
QImage ShadowStripImage(bool horizontal, const QSize &size, int edges, int opacity);

class TPopupShadows {
public:
  // `opening` is the opening button's screen rectangle (may be empty);
  // `window` the popup's. `translucent` tells whether windows can be blended
  // on this desktop; without it nothing is made.
  TPopupShadows(const QRect &opening, const QRect &window, int opacity, int size, bool translucent);
  ~TPopupShadows();

  // Places every strip right behind `popup` and shows it without activating it.
  void Show(QWidget *popup);
  const std::vector<std::unique_ptr<QWidget>> &Strips() const { return StripWindows; }

private:
  std::vector<std::unique_ptr<QWidget>> StripWindows;
};

} // namespace qel::toolbars
