#pragma once
// Tool palettes: one item showing a grid of cells inside a menu or toolbar.
// The model keeps the grid's size, options and chosen cell and decides what
// a click on a cell does; the grid measures and places the cells and finds
// the cell under a point; the viewer logic moves a hot cell with the mouse
// and the keys and hands keys that would leave the grid back to the menu.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

namespace qel::toolbars {

// TThmToolPaletteOptions bits.
enum : int {
  tpoCustomImages = 1, // cells are drawn by the item, not from the image list
  tpoNoAutoSelect = 2, // a click reports the cell but does not choose it
};

// "No cell": X = -1.
inline constexpr QPoint NoCell{-1, 0};
inline bool IsNoCell(const QPoint &cell) { return cell.x() < 0; }

class TThmToolPaletteModel {
public:
  virtual ~TThmToolPaletteModel() = default;

  int ColCount() const { return FColCount; }
  int RowCount() const { return FRowCount; }
  int PaletteOptions() const { return FOptions; }
  QPoint SelectedCell() const { return FSelectedCell; }
  // Counts are bytes (0..255); a new value changes the item's size.
  void SetColCount(int count);
  void SetRowCount(int count);
  void SetPaletteOptions(int options);
  void SetSelectedCell(const QPoint &cell) { FSelectedCell = cell; }

  // A click on a cell: OnCellClick may refuse it; unless refused or
  // tpoNoAutoSelect, the cell is chosen and OnChange fires. True when allowed.
  bool HandleClickCell(int col, int row);
  // Inside the grid; without tpoCustomImages and with an image list
  // (`imageCount` >= 0) the cell also needs an image; then OnGetCellVisible.
  bool IsCellVisible(const QPoint &cell, int imageCount = -1) const;
  QString CellHint(const QPoint &cell) const;

  // The item's Change: true when its size may have changed.
  std::function<void(bool resize)> Changed;
  std::function<void(int col, int row, bool &allowChange)> OnCellClick;
  std::function<void()> OnChange;
  std::function<void(int col, int row, QString &hint)> OnGetCellHint;
  std::function<void(int col, int row, bool &visible)> OnGetCellVisible;

protected:
  void Change(bool resize) {
    if (Changed)
      Changed(resize);
  }
  virtual bool DoCellClick(int &col, int &row);
  virtual void DoChange();
  virtual void DoGetCellVisible(int col, int row, bool &visible) const;
  virtual void DoGetHint(const QPoint &cell, QString &hint) const;

private:
  int FColCount = 1;
  int FRowCount = 1;
  int FOptions = 0;
  QPoint FSelectedCell = NoCell;
};

// The cells' geometry in one viewer.
struct TThmToolGrid {
  int ColCount = 1;
  int RowCount = 1;
  int CellWidth = 0;
  int CellHeight = 0;
  // Room left of the cells (the image column in menus).
  int IndentLeft = 0;
  // Cells share the viewer's size instead of keeping their own.
  bool Stretch = false;

  // A cell around an image of this size.
  static QSize CellSizeFor(const QSize &imageSize) { return imageSize + QSize(6, 6); }
  // The viewer's size; `rightMargin` is added in menus.
  QSize Measure(int rightMargin) const;
  QRect CellRect(const QRect &viewer, int col, int row) const;
  // The cell under a point relative to the viewer; it may lie outside the grid.
  QPoint CellAt(const QPoint &point, const QSize &viewer) const;
};

// The hot cell of one viewer and how keys and the mouse move it.
class TThmToolViewerLogic {
public:
  TThmToolViewerLogic(TThmToolPaletteModel &model, TThmToolGrid &grid) : Model(model), Grid(grid) {}

  TThmToolPaletteModel &Model;
  TThmToolGrid &Grid;
  // Image count of the item's image list (-1 without one).
  int ImageCount = -1;

  QPoint HotCell() const { return FHotCell; }
  bool IsCellVisible(const QPoint &cell) const { return Model.IsCellVisible(cell, ImageCount); }
  // The viewer became the selected one; `fromBelow` when the keyboard came
  // from an entry further down the popup, `fromAbove` from one above.
  void Selected(bool fromBelow, bool fromAbove);
  // Arrow, Home, End, Page keys and Enter. The key is set to 0 when used;
  // a key that would leave the grid is left for the menu.
  void KeyDown(int &key);
  // The hot cell follows the mouse (none off the cells). True on a change;
  // `oldCell` is the cell that was hot.
  bool MouseMove(const QPoint &point, const QSize &viewer, QPoint *oldCell = nullptr);
  void MouseDown(const QPoint &point, const QSize &viewer);
  // A release on a visible cell clicks it. True when the mouse had been pressed here.
  bool MouseUp(const QPoint &point, const QSize &viewer);
  // The hint of the cell under a point: its rectangle and text (empty off the cells).
  QString HintAt(const QPoint &point, const QRect &viewer, QRect *cellRect) const;
  // The visible cell under a point, or NoCell.
  QPoint VisibleCellAt(const QPoint &point, const QSize &viewer) const;

private:
  QPoint FHotCell = NoCell;
  bool FMouseDown = false;
};

} // namespace qel::toolbars
