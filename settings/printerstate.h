#pragma once
// The printer's page state that the program remembers between runs: the
// orientation, the four margins and the unit the user reads them in. It
// stands in for the rich printer until that object exists; the printer then
// takes these values over.

#include "print/measureunit.h"

#include <QSizeF>

namespace qel {

enum TMarginSide { msLeft = 0, msRight = 1, msTop = 2, msBottom = 3 };

class TPrinterPageState {
public:
  // The printer's measure units, numbered as it numbers them.
  enum Unit { Millimeters = 0, Inches = 1 };

  TPrinterPageState();

  bool Portrait = true;

  Unit MeasureUnit() const { return unit_; }
  // Changing the unit keeps every length: only its reading changes.
  void SetMeasureUnit(Unit unit) { unit_ = unit; }

  // In the measure unit.
  double Margin(TMarginSide side) const;
  void SetMargin(TMarginSide side, double value);
  // In millimetres, as stored.
  double MarginMm(TMarginSide side) const { return marginsMm_[side]; }
  // False, and the margin unchanged, for a value that is negative, not a
  // number or infinite, or not smaller than the paper along its side.
  bool SetMarginMm(TMarginSide side, double millimetres);

  // The paper as the orientation turns it, in millimetres (A4 until a printer says otherwise).
  QSizeF PaperSizeMm() const;
  void SetPortraitPaperSizeMm(const QSizeF &size) { paperMm_ = size; }

private:
  Unit unit_ = Millimeters;
  double marginsMm_[4];
  QSizeF paperMm_;
};

// The program's one printer page state.
TPrinterPageState &PrinterPageState();

} // namespace qel
