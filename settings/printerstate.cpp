#include "settings/printerstate.h"

#include <cmath>

namespace qel {

namespace {
constexpr double kMmPerInch = 25.4;
} // namespace

TPrinterPageState::TPrinterPageState() : paperMm_(210.0, 297.0) {
  // The margins the program prints with until the user sets others.
  marginsMm_[msLeft] = 25;
  marginsMm_[msRight] = 20;
  marginsMm_[msTop] = 20;
  marginsMm_[msBottom] = 20;
}

double TPrinterPageState::Margin(TMarginSide side) const {
  return unit_ == Inches ? marginsMm_[side] / kMmPerInch : marginsMm_[side];
}

void TPrinterPageState::SetMargin(TMarginSide side, double value) {
  SetMarginMm(side, unit_ == Inches ? value * kMmPerInch : value);
}

bool TPrinterPageState::SetMarginMm(TMarginSide side, double millimetres) {
  const QSizeF paper = PaperSizeMm();
  const double extent = side == msLeft || side == msRight ? paper.width() : paper.height();
  if (!std::isfinite(millimetres) || millimetres < 0 || millimetres >= extent) return false;
  marginsMm_[side] = millimetres;
  return true;
}

QSizeF TPrinterPageState::PaperSizeMm() const { return Portrait ? paperMm_ : paperMm_.transposed(); }

TPrinterPageState &PrinterPageState() {
  static TPrinterPageState state;
  return state;
}

} // namespace qel
