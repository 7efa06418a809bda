// The title list lays out its rows by arithmetic: positions, hit tests,
// scrolling, keyboard moves and selection rectangles agree with one another
// on a long list, and with "List columns" the list view lays out as before.

#include "app/titlelistview.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace qel;

namespace {

class ManyRows : public QAbstractListModel {
public:
  explicit ManyRows(int rows) : rows_(rows) {}
  int rowCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows_; }
  QVariant data(const QModelIndex &index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QStringLiteral("Title %1").arg(index.row());
  }
  void setRows(int rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }

private:
  int rows_;
};

struct Shown {
  ManyRows model{200000};
  TitleListView view;
  Shown() {
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setModel(&model);
    view.resize(240, 300);
    view.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    QApplication::processEvents();
  }
  int row(int r) const { return r; }
  QModelIndex at(int r) const { return model.index(r, 0); }
  bool fullyShown(int r) const { return view.viewport()->rect().contains(view.visualRect(at(r))); }
  void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&view, Qt::Key(k), m); }
};

} // namespace

TEST(TitleListView, RowsHitTestsAndScrollingAgree) {
  Shown s;
  const int h = s.view.visualRect(s.at(0)).height();
  ASSERT_GT(h, 0);
  const int shown = s.view.viewport()->height() / h;
  ASSERT_GT(shown, 2);
  EXPECT_EQ(s.view.verticalScrollBar()->maximum(), 200000 - shown);
  EXPECT_EQ(s.view.indexAt(QPoint(5, h * 2 + 1)), s.at(2));
  EXPECT_FALSE(s.view.indexAt(QPoint(5, -1)).isValid());

  // Each hint puts the row where it says; the row is hit where it is drawn.
  for (const auto &[hint, expectedTop] :
       std::initializer_list<std::pair<QAbstractItemView::ScrollHint, int>>{
           {QAbstractItemView::PositionAtTop, 150000},
           {QAbstractItemView::PositionAtBottom, 150000 - shown + 1},
           {QAbstractItemView::PositionAtCenter, 150000 - shown / 2},
           {QAbstractItemView::EnsureVisible, 150000 - shown / 2}}) {
    s.view.scrollTo(s.at(150000), hint);
    EXPECT_EQ(s.view.verticalScrollBar()->value(), expectedTop) << hint;
    EXPECT_TRUE(s.fullyShown(150000)) << hint;
    EXPECT_EQ(s.view.indexAt(s.view.visualRect(s.at(150000)).center()), s.at(150000)) << hint;
  }
  s.view.scrollTo(s.at(199999), QAbstractItemView::PositionAtTop);  // no room below: the last row ends the page
  EXPECT_EQ(s.view.verticalScrollBar()->value(), 200000 - shown);

  // A list made short scrolls no more, and its rows are found.
  s.model.setRows(3);
  QApplication::processEvents();
  EXPECT_EQ(s.view.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(s.view.indexAt(QPoint(5, h * 2 + 1)), s.at(2));
  EXPECT_FALSE(s.view.indexAt(QPoint(5, h * 3 + 1)).isValid());
}

TEST(TitleListView, KeysMoveAndSelectAsInAList) {
  Shown s;
  const int h = s.view.visualRect(s.at(0)).height();
  const int shown = s.view.viewport()->height() / h;
  s.view.setFocus();
  s.view.setCurrentIndex(s.at(0));
  s.key(Qt::Key_End);
  EXPECT_EQ(s.view.currentIndex(), s.at(199999));
  EXPECT_TRUE(s.fullyShown(199999));
  s.key(Qt::Key_PageUp);
  EXPECT_EQ(s.view.currentIndex(), s.at(199999 - shown));
  s.key(Qt::Key_Up);
  s.key(Qt::Key_Down, Qt::ShiftModifier);
  s.key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(s.view.currentIndex(), s.at(199999 - shown + 1));
  EXPECT_EQ(s.view.selectionModel()->selectedRows().size(), 3);
  s.key(Qt::Key_Home);
  EXPECT_EQ(s.view.currentIndex(), s.at(0));
  EXPECT_EQ(s.view.verticalScrollBar()->value(), 0);
  s.key(Qt::Key_Up);  // nothing before the first row
  EXPECT_EQ(s.view.currentIndex(), s.at(0));

  // A click, then a shift-click further down, selects the rows between.
  s.view.scrollTo(s.at(1000), QAbstractItemView::PositionAtTop);
  QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, QPoint(5, h / 2));
  QTest::mouseClick(s.view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 3 * h + h / 2));
  EXPECT_EQ(s.view.currentIndex(), s.at(1003));
  const QModelIndexList rows = s.view.selectionModel()->selectedRows();
  EXPECT_EQ(rows.size(), 4);
  for (int r = 1000; r <= 1003; ++r) EXPECT_TRUE(s.view.selectionModel()->isSelected(s.at(r))) << r;

  // The selected rows are painted as selected, the others not.
  const QImage image = s.view.viewport()->grab().toImage();
  const QColor selected = image.pixelColor(s.view.viewport()->width() - 3, h / 2);
  const QColor plain = image.pixelColor(s.view.viewport()->width() - 3, 5 * h + h / 2);
  EXPECT_NE(selected, plain);
  EXPECT_NE(image.pixelColor(s.view.viewport()->width() - 3, 3 * h + h / 2), plain);
}

TEST(TitleListView, ColumnsAreLaidOutByTheListView) {
  Shown s;
  s.model.setRows(500);
  s.view.setWrapping(true);
  QApplication::processEvents();
  const QRect first = s.view.visualRect(s.at(0));
  const QRect later = s.view.visualRect(s.at(40));
  ASSERT_TRUE(first.isValid());
  EXPECT_GT(later.left(), first.left());  // the titles run on in a further column
  EXPECT_EQ(s.view.indexAt(later.center()), s.at(40));
  s.view.setWrapping(false);
  QApplication::processEvents();
  EXPECT_EQ(s.view.visualRect(s.at(1)).top(), s.view.visualRect(s.at(0)).bottom() + 1);
}
