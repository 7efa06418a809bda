#pragma once
// Tool palettes as items: one entry of a menu or toolbar showing a grid of
// cells (an image each, or the item's own drawing) with a hot cell that the
// mouse and the keys move, and the colour palette whose cells come from a
// colour set. The rules of the grid live in thmtoolpalette.h and
// thmcolorset.h; here they are measured, painted through the theme and fed
// with the viewer's input.

#include "toolbars/core/thmcolorset.h"
#include "toolbars/core/thmtoolpalette.h"
#include "toolbars/paint/thmitems.h"

#include <functional>
#include <memory>

namespace qel::toolbars {

class TThmCustomToolPalette;

using TTPCalcImageSize = std::function<void(TThmCustomToolPalette *sender, int &width, int &height)>;
using TTPDrawCellImage = std::function<void(TThmCustomToolPalette *sender, TCanvas &canvas, const QRect &rect,
                                            int col, int row, bool enabled, bool hot, bool selected)>;

class TThmCustomToolPalette : public TThmCustomItem {
public:
  TThmCustomToolPalette();
  ~TThmCustomToolPalette() override;

  // The grid's rules and its events (OnCellClick, OnChange, OnGetCellHint, OnGetCellVisible).
  TThmToolPaletteModel &Model() { return *FModel; }
  const TThmToolPaletteModel &Model() const { return *FModel; }
  int ColCount() const { return FModel->ColCount(); }
  void SetColCount(int value) { FModel->SetColCount(value); }
  int RowCount() const { return FModel->RowCount(); }
  void SetRowCount(int value) { FModel->SetRowCount(value); }
  int PaletteOptions() const { return FModel->PaletteOptions(); }
  void SetPaletteOptions(int value) { FModel->SetPaletteOptions(value); }
  QPoint SelectedCell() const { return FModel->SelectedCell(); }
  void SetSelectedCell(const QPoint &cell);

  TTPCalcImageSize OnCalcImageSize;
  TTPDrawCellImage OnDrawCellImage;

  virtual void AdjustCellSize(int &width, int &height) { (void)width, (void)height; }
  virtual void DoCalcImageSize(int &width, int &height);
  virtual void DoDrawCellImage(TCanvas &canvas, const QRect &rect, int col, int row, const ItemPaintInfo &info);

  TTbrViewerFactory ViewerClass(TTbrView *view) const override;

protected:
  explicit TThmCustomToolPalette(std::unique_ptr<TThmToolPaletteModel> model);

private:
  std::unique_ptr<TThmToolPaletteModel> FModel;
};

class TThmToolPalette : public TThmCustomToolPalette {};

class TThmColorPalette : public TThmCustomToolPalette {
public:
  TThmColorPalette();

  TThmColorPaletteModel &ColorModel() { return static_cast<TThmColorPaletteModel &>(Model()); }
  const TThmColorPaletteModel &ColorModel() const { return static_cast<const TThmColorPaletteModel &>(Model()); }
  // No colour (ThmNoColor) by default. Writing it chooses its first cell
  // (none when absent) and fires OnChange once.
  TColor Color() const { return ColorModel().Color(); }
  void SetColor(TColor color) { ColorModel().SetColor(color); }
  // Null: the default set.
  TThmCustomColorSet *ColorSet() const { return ColorModel().ColorSet(); }
  void SetColorSet(TThmCustomColorSet *set) { ColorModel().SetColorSet(set); }
  TColor GetCellColor(int col, int row) const { return ColorModel().GetCellColor(col, row); }

  void DoCalcImageSize(int &width, int &height) override;
  void DoDrawCellImage(TCanvas &canvas, const QRect &rect, int col, int row, const ItemPaintInfo &info) override;
};

class TThmToolViewer : public TThmItemViewer {
public:
  TThmToolViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel);

  TThmCustomToolPalette *Palette() const { return static_cast<TThmCustomToolPalette *>(Item); }
  const TThmToolGrid &Grid() const { return FGrid; }
  QPoint HotCell() const { return FLogic.HotCell(); }

  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  void FireSelect(TTbrItemViewer *previous) override;
  void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
  void MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu) override;
  void MouseMove(int x, int y) override;
  void MouseUp(int x, int y, bool mouseWasDownOnMenu) override;
  bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
             bool useDisabledShadow) override;
  QString HintAt(const QPoint &local, QRect &rect) const override;

  virtual QSize CalcCellSize();
  virtual QSize CalcImageSize();
  QRect GetCellRect(const QRect &viewerRect, int col, int row) const { return FGrid.CellRect(viewerRect, col, row); }
  virtual void DrawCellImage(TCanvas &canvas, const QRect &rect, int col, int row, const ItemPaintInfo &info);
  bool IsCellVisible(const QPoint &cell) const { return FLogic.IsCellVisible(cell); }

private:
  void UpdateGrid(const QFont &viewFont);
  TThmToolGrid FGrid;
  TThmToolViewerLogic FLogic;
};

// An item showing a colour swatch as its image: none for no colour.
class TThmColorItem : public TThmCustomItem {
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;

private:
  TColor FColor = 0xFFFFFF;
};

class TThmColorItemViewer : public TThmItemViewer {
public:
  TThmColorItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel);
  QSize ImageSize() const override;
  bool ImageVisible() const override;
  void DrawImage(TCanvas &canvas, const QRect &imageRect, const ItemPaintInfo &info) override;
  void AdjustCaptionRect(TCanvas &canvas, const QRect &clientAreaRect, QRect &captionRect, bool isTextRotated,
                         bool &paintDefault) override;
};

} // namespace qel::toolbars
