#pragma once
// The list of card titles: one column of rows of one height, laid out by
// arithmetic. A list view lays out and measures every row when its model
// changes, which at a million titles takes longer than a frame on every
// filter keystroke; here a model change costs nothing beyond the rows shown.
// With "List columns" (wrapping) the titles are laid out by the list view
// itself, as before.

#include <QListView>

namespace qel {

class TitleListView : public QListView {
  Q_OBJECT
public:
  explicit TitleListView(QWidget *parent = nullptr);

  QRect visualRect(const QModelIndex &index) const override;
  void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint &point) const override;
  void doItemsLayout() override;

protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex &index) const override;
  void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection &selection) const override;
  void updateGeometries() override;
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void scrollContentsBy(int dx, int dy) override;
  QSize viewportSizeHint() const override;
  void rowsInserted(const QModelIndex &parent, int start, int end) override;
  void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
  void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                   const QList<int> &roles = QList<int>()) override;
  void changeEvent(QEvent *event) override;

private:
  // Whether the rows are laid out here (one column) rather than by the list view.
  bool own() const { return !isWrapping(); }
  int rows() const;
  int rowHeight() const;
  // The first row shown and how many rows fit whole (at least one).
  int topRow() const;
  int rowsShown() const;

  mutable int rowHeight_ = -1;  // measured on the first row; -1: to be measured
};

} // namespace qel
