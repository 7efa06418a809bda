#pragma once
// Colour sets and the colour palette: a grid of named colours (the built-in
// set is 5 rows of 8), the palette item's model that chooses a colour by
// cell or by value, and the name of a colour for showing it.

#include "toolbars/core/thmtoolpalette.h"
#include "toolbars/core/thmtypes.h"

#include <QList>
#include <QString>

#include <functional>

namespace qel::toolbars {

class TThmColorPaletteModel;

class TThmCustomColorSet {
public:
  TThmCustomColorSet() = default;
  virtual ~TThmCustomColorSet();
  TThmCustomColorSet(const TThmCustomColorSet &) = delete;
  TThmCustomColorSet &operator=(const TThmCustomColorSet &) = delete;

  int ColCount() const { return FColCount; }
  int RowCount() const { return FRowCount; }
  // Stores the size and gives it to every palette using the set.
  void UpdateSize(int cols, int rows);
  // "None" for no colour; the name of the first cell of that colour; else "#RRGGBB".
  QString ColorToString(TColor color) const;
  // A cell's colour and name: none and empty, then OnGetColorInfo.
  virtual void GetColorInfo(int col, int row, TColor &color, QString &name) const;
  TColor GetColor(int col, int row) const;
  QString GetName(int col, int row) const;

  std::function<void(int col, int row, TColor &color, QString &name)> OnGetColorInfo;

private:
  friend class TThmColorPaletteModel;
  QList<TThmColorPaletteModel *> FPalettes;
  int FColCount = 0;
  int FRowCount = 0;
};

class TThmDefaultColorSet : public TThmCustomColorSet {
public:
  TThmDefaultColorSet();
  void GetColorInfo(int col, int row, TColor &color, QString &name) const override;
};

// The library's one default set.
TThmCustomColorSet &DefaultColorSet();

// A colour reduced to its 24 bits with a desktop colour resolved (no colour stays as it is).
TColor ResolvedRGB(TColor color);

class TThmColorPaletteModel : public TThmToolPaletteModel {
public:
  TThmColorPaletteModel();
  ~TThmColorPaletteModel() override;

  TColor Color() const { return FColor; }
  // Chooses the first cell of that colour (none when absent) and fires OnChange once.
  void SetColor(TColor color);
  // Null stands for the default set.
  TThmCustomColorSet *ColorSet() const { return FColorSet; }
  void SetColorSet(TThmCustomColorSet *set);
  TThmCustomColorSet &EffectiveColorSet() const { return FColorSet ? *FColorSet : DefaultColorSet(); }
  TColor GetCellColor(int col, int row) const { return EffectiveColorSet().GetColor(col, row); }
  // The first cell (rows outer, columns inner) of that colour, or NoCell.
  QPoint FindColor(TColor color) const;

  // A cell's image: 12 x 12.
  static QSize CellImageSize() { return QSize(12, 12); }

protected:
  void DoChange() override;
  void DoGetCellVisible(int col, int row, bool &visible) const override;
  void DoGetHint(const QPoint &cell, QString &hint) const override;

private:
  friend class TThmCustomColorSet;
  void SetSize(int cols, int rows);

  TColor FColor = ThmNoColor;
  TThmCustomColorSet *FColorSet = nullptr;
};

} // namespace qel::toolbars
