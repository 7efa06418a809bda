#include "toolbars/core/thmtoolpalette.h"

#include <Qt>

#include <algorithm>

namespace qel::toolbars {

void TThmToolPaletteModel::SetColCount(int count) {
  count = std::clamp(count, 0, 255);
  if (count == FColCount)
    return;
  FColCount = count;
  Change(true);
}

void TThmToolPaletteModel::SetRowCount(int count) {
  count = std::clamp(count, 0, 255);
  if (count == FRowCount)
    return;
  FRowCount = count;
  Change(true);
}

void TThmToolPaletteModel::SetPaletteOptions(int options) {
  if (options == FOptions)
    return;
  FOptions = options;
  Change(true);
}

bool TThmToolPaletteModel::DoCellClick(int &col, int &row) {
  bool allow = true;
  if (OnCellClick)
    OnCellClick(col, row, allow);
  return allow;
}

void TThmToolPaletteModel::DoChange() {
  if (OnChange)
    OnChange();
}

void TThmToolPaletteModel::DoGetCellVisible(int col, int row, bool &visible) const {
  if (OnGetCellVisible)
    OnGetCellVisible(col, row, visible);
}

void TThmToolPaletteModel::DoGetHint(const QPoint &cell, QString &hint) const {
  if (OnGetCellHint)
    OnGetCellHint(cell.x(), cell.y(), hint);
}

bool TThmToolPaletteModel::HandleClickCell(int col, int row) {
  const bool allow = DoCellClick(col, row);
  if (allow && !(FOptions & tpoNoAutoSelect)) {
    FSelectedCell = QPoint(col, row);
    Change(true);
    DoChange();
  }
  return allow;
}

bool TThmToolPaletteModel::IsCellVisible(const QPoint &cell, int imageCount) const {
  bool visible = cell.x() >= 0 && cell.x() < FColCount && cell.y() >= 0 && cell.y() < FRowCount;
  if (visible && !(FOptions & tpoCustomImages) && imageCount >= 0)
    visible = cell.y() * FColCount + cell.x() < imageCount;
  DoGetCellVisible(cell.x(), cell.y(), visible);
  return visible;
}

QString TThmToolPaletteModel::CellHint(const QPoint &cell) const {
  QString hint;
  DoGetHint(cell, hint);
  return hint;
}

QSize TThmToolGrid::Measure(int rightMargin) const {
  const int width = CellWidth * ColCount + IndentLeft + rightMargin;
  const int height = CellHeight * RowCount;
  return QSize(std::max(8, width), std::max(8, height));
}

// With Stretch the cells share what is right of the indent, both when they
// are placed and when a point is looked up, so the two always agree.
QRect TThmToolGrid::CellRect(const QRect &viewer, int col, int row) const {
  if (!Stretch)
    return QRect(viewer.left() + IndentLeft + col * CellWidth, viewer.top() + row * CellHeight, CellWidth,
                 CellHeight);
  const int cols = std::max(1, ColCount), rows = std::max(1, RowCount);
  const int width = std::max(0, viewer.width() - IndentLeft);
  const int left = viewer.left() + IndentLeft;
  const int x1 = left + col * width / cols, x2 = left + (col + 1) * width / cols;
  const int y1 = viewer.top() + row * viewer.height() / rows;
  const int y2 = viewer.top() + (row + 1) * viewer.height() / rows;
  return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
}

QPoint TThmToolGrid::CellAt(const QPoint &point, const QSize &viewer) const {
  if (CellWidth == 0 || CellHeight == 0)
    return QPoint(0, 0);
  const int x = point.x() - IndentLeft;
  // Points left of or above the cells are outside, not in the first cell.
  if (x < 0 || point.y() < 0)
    return QPoint(x < 0 ? -1 : 0, point.y() < 0 ? -1 : 0);
  if (Stretch) {
    const int width = viewer.width() - IndentLeft;
    if (width <= 0 || viewer.height() <= 0)
      return NoCell;
    // The inverse of CellRect's division: the last cell starting at or before the point.
    return QPoint(((x + 1) * ColCount - 1) / width, ((point.y() + 1) * RowCount - 1) / viewer.height());
  }
  return QPoint(x / CellWidth, point.y() / CellHeight);
}

void TThmToolViewerLogic::Selected(bool fromBelow, bool fromAbove) {
  FHotCell = NoCell;
  if (fromBelow) {
    QPoint cell(Model.ColCount() - 1, Model.RowCount() - 1);
    while (cell.x() > 0 && !IsCellVisible(cell))
      cell.rx()--;
    FHotCell = cell;
  } else if (fromAbove) {
    FHotCell = QPoint(0, 0);
  }
}

void TThmToolViewerLogic::KeyDown(int &key) {
  QPoint current = NoCell;
  if (IsCellVisible(FHotCell))
    current = FHotCell;
  else if (IsCellVisible(Model.SelectedCell()))
    current = Model.SelectedCell();

  static constexpr int keys[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                 Qt::Key_End,    Qt::Key_Left,  Qt::Key_Up,     Qt::Key_Right,    Qt::Key_Down};
  if (std::find(std::begin(keys), std::end(keys), key) == std::end(keys))
    return; // not a grid key: the view's own handling

  QPoint candidate(0, 0);
  if (!IsNoCell(current)) {
    candidate = current;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (IsCellVisible(FHotCell))
        Model.HandleClickCell(FHotCell.x(), FHotCell.y());
      return;
    case Qt::Key_PageUp: candidate.setY(0); break;
    case Qt::Key_PageDown: candidate.setY(Model.RowCount() - 1); break;
    case Qt::Key_Home: candidate.setX(0); break;
    case Qt::Key_End: candidate.setX(Model.ColCount() - 1); break;
    case Qt::Key_Left:
      candidate.rx()--;
      if (candidate.x() < 0)
        candidate = QPoint(Model.ColCount() - 1, candidate.y() - 1);
      break;
    case Qt::Key_Up: candidate.ry()--; break;
    case Qt::Key_Right:
      candidate.rx()++;
      if (candidate.x() >= Model.ColCount())
        candidate = QPoint(0, candidate.y() + 1);
      break;
    case Qt::Key_Down: candidate.ry()++; break;
    }
  }
  if (candidate == current || !IsCellVisible(candidate))
    return; // leaves the grid: the menu moves on
  key = 0;
  FHotCell = candidate;
  if (Model.Changed)
    Model.Changed(false);
}

QPoint TThmToolViewerLogic::VisibleCellAt(const QPoint &point, const QSize &viewer) const {
  const QPoint cell = Grid.CellAt(point, viewer);
  return IsCellVisible(cell) ? cell : NoCell;
}

bool TThmToolViewerLogic::MouseMove(const QPoint &point, const QSize &viewer, QPoint *oldCell) {
  const QPoint cell = VisibleCellAt(point, viewer);
  if (cell == FHotCell)
    return false;
  if (oldCell)
    *oldCell = FHotCell;
  FHotCell = cell;
  return true;
}

void TThmToolViewerLogic::MouseDown(const QPoint &point, const QSize &viewer) {
  FMouseDown = true;
  MouseMove(point, viewer);
}

bool TThmToolViewerLogic::MouseUp(const QPoint &point, const QSize &viewer) {
  const bool wasDown = FMouseDown;
  FMouseDown = false;
  const QPoint cell = VisibleCellAt(point, viewer);
  if (!IsNoCell(cell))
    Model.HandleClickCell(cell.x(), cell.y());
  return wasDown;
}

QString TThmToolViewerLogic::HintAt(const QPoint &point, const QRect &viewer, QRect *cellRect) const {
  const QPoint cell = VisibleCellAt(point - viewer.topLeft(), viewer.size());
  if (IsNoCell(cell))
    return QString();
  if (cellRect)
    *cellRect = Grid.CellRect(viewer, cell.x(), cell.y());
  return Model.CellHint(cell);
}

} // namespace qel::toolbars
