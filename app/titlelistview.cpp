#include "app/titlelistview.h"

#include <QAbstractItemDelegate>
#include <QCursor>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace qel {

namespace {
// Rounds towards minus infinity: points above the list lie on rows before the first shown.
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
} // namespace

TitleListView::TitleListView(QWidget *parent) : QListView(parent) {
  setUniformItemSizes(true);
  setVerticalScrollMode(ScrollPerItem);
}

int TitleListView::rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int TitleListView::rowHeight() const {
  if (rowHeight_ > 0) return rowHeight_;
  int height = 0;
  if (rows() > 0) {
    const QModelIndex first = model()->index(0, 0, rootIndex());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    if (QAbstractItemDelegate *delegate = itemDelegateForIndex(first)) height = delegate->sizeHint(option, first).height();
    height += 2 * spacing();
    if (height > 0) rowHeight_ = height;  // kept until the font, style, delegate or list changes
  }
  return height > 0 ? height : std::max(1, fontMetrics().height());
}

int TitleListView::topRow() const { return verticalScrollBar()->value(); }

int TitleListView::rowsShown() const { return std::max(1, viewport()->height() / rowHeight()); }

QRect TitleListView::visualRect(const QModelIndex &index) const {
  if (!own()) return QListView::visualRect(index);
  if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() || index.row() >= rows())
    return {};
  const int h = rowHeight();
  return QRect(0, (index.row() - topRow()) * h, viewport()->width(), h);
}

QModelIndex TitleListView::indexAt(const QPoint &point) const {
  if (!own()) return QListView::indexAt(point);
  if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width()) return {};
  const int row = topRow() + point.y() / rowHeight();
  if (row >= rows()) return {};
  return model()->index(row, 0, rootIndex());
}

void TitleListView::scrollTo(const QModelIndex &index, ScrollHint hint) {
  if (!own()) {
    QListView::scrollTo(index, hint);
    return;
  }
  if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()) return;
  // The list may have changed since the scroll bar was last set.
  updateGeometries();
  const int row = index.row(), shown = rowsShown(), top = topRow();
  int newTop = top;
  switch (hint) {
  case EnsureVisible:
    if (row < top)
      newTop = row;
    else if (row >= top + shown)
      newTop = row - shown + 1;
    break;
  case PositionAtTop: newTop = row; break;
  case PositionAtBottom: newTop = row - shown + 1; break;
  case PositionAtCenter: newTop = row - shown / 2; break;
  }
  verticalScrollBar()->setValue(newTop);
}

void TitleListView::doItemsLayout() {
  if (!own()) {
    QListView::doItemsLayout();
    return;
  }
  rowHeight_ = -1;
  // Only the scroll bars and the repaint: no row is measured or placed.
  QAbstractItemView::doItemsLayout();
}

QModelIndex TitleListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  if (!own()) return QListView::moveCursor(cursorAction, modifiers);
  const int n = rows();
  if (n == 0) return {};
  const QModelIndex current = currentIndex();
  if (!current.isValid() || current.parent() != rootIndex()) return model()->index(0, 0, rootIndex());
  int row = current.row();
  switch (cursorAction) {
  case MoveUp:
  case MovePrevious: --row; break;
  case MoveDown:
  case MoveNext: ++row; break;
  case MoveHome: row = 0; break;
  case MoveEnd: row = n - 1; break;
  case MovePageUp: row -= rowsShown(); break;
  case MovePageDown: row += rowsShown(); break;
  case MoveLeft:
  case MoveRight: return current;
  }
  return model()->index(std::clamp(row, 0, n - 1), 0, rootIndex());
}

int TitleListView::horizontalOffset() const { return own() ? 0 : QListView::horizontalOffset(); }

int TitleListView::verticalOffset() const { return own() ? topRow() * rowHeight() : QListView::verticalOffset(); }

bool TitleListView::isIndexHidden(const QModelIndex &index) const {
  return own() ? false : QListView::isIndexHidden(index);
}

void TitleListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) {
  if (!own()) {
    QListView::setSelection(rect, command);
    return;
  }
  if (!selectionModel()) return;
  const QRect r = rect.normalized();
  const int h = rowHeight(), n = rows();
  const int first = std::max(0, topRow() + floorDiv(r.top(), h));
  const int last = std::min(n - 1, topRow() + floorDiv(r.bottom(), h));
  QItemSelection selection;
  if (first <= last && r.right() >= 0 && r.left() < viewport()->width())
    selection.select(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex()));
  selectionModel()->select(selection, command);
}

QRegion TitleListView::visualRegionForSelection(const QItemSelection &selection) const {
  if (!own()) return QListView::visualRegionForSelection(selection);
  const int h = rowHeight(), top = topRow(), bottom = top + rowsShown();
  QRegion region;
  for (const QItemSelectionRange &range : selection) {
    if (range.parent() != rootIndex()) continue;
    const int from = std::max(range.top(), top), to = std::min(range.bottom(), bottom);
    if (from <= to) region += QRect(0, (from - top) * h, viewport()->width(), (to - from + 1) * h);
  }
  return region;
}

void TitleListView::updateGeometries() {
  if (!own()) {
    QListView::updateGeometries();
    return;
  }
  const int shown = rowsShown();
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(shown);
  verticalScrollBar()->setRange(0, std::max(0, rows() - shown));
  horizontalScrollBar()->setRange(0, 0);
  QAbstractItemView::updateGeometries();
}

void TitleListView::paintEvent(QPaintEvent *event) {
  if (!own()) {
    QListView::paintEvent(event);
    return;
  }
  const int n = rows();
  if (n == 0) return;
  QPainter painter(viewport());
  QStyleOptionViewItem base;
  initViewItemOption(&base);
  const bool enabled = isEnabled();
  const bool focus = (hasFocus() || viewport()->hasFocus()) && currentIndex().isValid();
  const QPalette::ColorGroup group = !enabled ? QPalette::Disabled : isActiveWindow() ? QPalette::Active : QPalette::Inactive;
  base.palette.setCurrentColorGroup(group);
  const QModelIndex current = currentIndex();
  const QModelIndex hover =
      viewport()->underMouse() ? indexAt(viewport()->mapFromGlobal(QCursor::pos())) : QModelIndex();
  const QItemSelectionModel *selection = selectionModel();
  const int h = rowHeight(), top = topRow();
  const QRect area = event->rect();
  const int first = std::max(top, top + area.top() / h);
  const int last = std::min(n - 1, top + area.bottom() / h);
  for (int row = first; row <= last; ++row) {
    const QModelIndex index = model()->index(row, 0, rootIndex());
    QStyleOptionViewItem option = base;
    option.rect = QRect(0, (row - top) * h, viewport()->width(), h);
    option.index = index;
    option.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (selection && selection->isSelected(index)) option.state |= QStyle::State_Selected;
    if (enabled) {
      if (index.flags() & Qt::ItemIsEnabled) {
        option.state |= QStyle::State_Enabled;
      } else {
        option.state &= ~QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Disabled);
      }
    }
    if (focus && index == current) option.state |= QStyle::State_HasFocus;
    if (index == hover) option.state |= QStyle::State_MouseOver;
    if (alternatingRowColors() && row % 2) option.features |= QStyleOptionViewItem::Alternate;
    else option.features &= ~QStyleOptionViewItem::Alternate;
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
    itemDelegateForIndex(index)->paint(&painter, option, index);
  }
}

void TitleListView::resizeEvent(QResizeEvent *event) {
  if (own())
    QAbstractItemView::resizeEvent(event);
  else
    QListView::resizeEvent(event);
}

void TitleListView::scrollContentsBy(int dx, int dy) {
  if (!own()) {
    QListView::scrollContentsBy(dx, dy);
    return;
  }
  // The scroll bar counts rows; open editors move with the rows.
  viewport()->scroll(0, dy * rowHeight());
}

QSize TitleListView::viewportSizeHint() const {
  return own() ? QAbstractItemView::viewportSizeHint() : QListView::viewportSizeHint();
}

void TitleListView::rowsInserted(const QModelIndex &parent, int start, int end) {
  if (!own()) {
    QListView::rowsInserted(parent, start, end);
    return;
  }
  QAbstractItemView::rowsInserted(parent, start, end);
  scheduleDelayedItemsLayout();
}

void TitleListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) {
  if (!own()) {
    QListView::rowsAboutToBeRemoved(parent, start, end);
    return;
  }
  QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
  scheduleDelayedItemsLayout();
}

void TitleListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
  if (own())
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
  else
    QListView::dataChanged(topLeft, bottomRight, roles);
}

void TitleListView::changeEvent(QEvent *event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) rowHeight_ = -1;
  QListView::changeEvent(event);
}

} // namespace qel
