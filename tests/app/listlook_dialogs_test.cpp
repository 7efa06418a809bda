// The title list's looks from the options (row lines, flat scroll bars) and
// the picture panels of the import and export dialogs.

#include "app/cardlistmodel.h"
#include "app/dlg_export.h"
#include "app/dlg_import.h"
#include "app/titlelistlook.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <gtest/gtest.h>

using namespace qel;

namespace {

// How many rows of the list's picture are one colour, not the base, from left to right.
int ruledRows(QListView &list) {
  const QImage img = list.viewport()->grab().toImage();
  const QColor base = list.palette().color(QPalette::Base);
  int ruled = 0;
  for (int y = 0; y < img.height(); ++y) {
    const QColor c = img.pixelColor(2, y);
    bool line = c != base;
    for (int x = 2; line && x < img.width() - 2; x += 7) line = img.pixelColor(x, y) == c;
    if (line) ++ruled;
  }
  return ruled;
}

} // namespace

TEST(TitleListLook, RowLinesInOneColumnAndFlatScrollBars) {
  QListView list;
  list.setItemDelegate(new TitleDelegate(&list));
  QStringListModel model(QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p"});
  list.setModel(&model);
  list.resize(200, 120);
  list.show();
  ApplyTitleListLook(list, false, false);
  EXPECT_EQ(ruledRows(list), 0);
  EXPECT_FALSE(IsFlatScrollBar(*list.verticalScrollBar()));
  ApplyTitleListLook(list, true, true);
  const int rows = list.viewport()->height() / list.sizeHintForRow(0);
  EXPECT_GE(ruledRows(list), rows);
  EXPECT_TRUE(IsFlatScrollBar(*list.verticalScrollBar()));
  EXPECT_TRUE(IsFlatScrollBar(*list.horizontalScrollBar()));
  // In columns the titles have no rows to rule.
  list.setWrapping(true);
  list.setFlow(QListView::TopToBottom);
  EXPECT_EQ(ruledRows(list), 0);
  ApplyTitleListLook(list, true, false);
  EXPECT_FALSE(IsFlatScrollBar(*list.verticalScrollBar()));
}

// The title list draws its rows itself, past the style's general item
// drawing, and they look exactly as the style draws them: plain Latin titles
// (drawn from the font's glyphs), other scripts, combining marks, right to
// left, a title elided at the row's end; selected, current with the focus,
// and in a disabled list.
TEST(TitleListLook, RowsLookAsTheStyleDrawsThem) {
  const QStringList titles = {QString::fromUtf8("Meeting notes Anna 2031"),
                              QString::fromUtf8("Caf\u00e9 r\u00e9sum\u00e9 na\u00efve"),
                              QString::fromUtf8("\u0391\u03bb\u03c6\u03b1 Greek"),
                              QString::fromUtf8("\u05e9\u05dc\u05d5\u05dd Hebrew"),
                              QString::fromUtf8("e\u0301 combining"),
                              QStringLiteral("a very long title that goes on and on beyond the row's end"),
                              QString(),
                              QStringLiteral("#12 & (parens)")};
  QStringListModel model(titles);
  auto grabWith = [&](QAbstractItemDelegate *delegate, bool enabled, Qt::LayoutDirection direction) {
    QListView list;
    list.setLayoutDirection(direction);
    list.setItemDelegate(delegate);
    list.setModel(&model);
    list.resize(220, 200);
    list.setEnabled(enabled);
    list.show();
    list.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select);
    list.selectionModel()->setCurrentIndex(model.index(2, 0), QItemSelectionModel::Select);
    list.setFocus();
    return list.viewport()->grab().toImage();
  };
  for (const bool enabled : {true, false})
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
      SCOPED_TRACE(testing::Message() << "enabled " << enabled << " direction " << int(direction));
      QStyledItemDelegate styled;
      TitleDelegate ours;
      const QImage expected = grabWith(&styled, enabled, direction), drawn = grabWith(&ours, enabled, direction);
      ASSERT_EQ(drawn.size(), expected.size());
      int differing = 0;
      for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) differing += drawn.pixel(x, y) != expected.pixel(x, y);
      EXPECT_EQ(differing, 0);
    }
}

// The panel spans from the first group's top to the bottom of the last
// control it sits beside, 15 pixels from the left and 15 short of the
// controls, with the picture in its middle (halves rounded towards zero).
TEST(TextDialogs, PicturePanelsArePlacedAsOnShow) {
  Tf_Import import;
  Tf_Export exportDialog;
  struct Case {
    QDialog *dialog;
    QFrame *pn_1;
    QLabel *im_1;
    QWidget *top, *bottom;
  } cases[] = {
      {&import, import.pn_1, import.im_1, import.rg_sourcetype, import.m_Sample->parentWidget()},
      {&exportDialog, exportDialog.pn_1, exportDialog.im_1, exportDialog.rg_type, exportDialog.g_Separators},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dialog->objectName().toStdString());
    ASSERT_NE(c.pn_1, nullptr);
    EXPECT_EQ(c.pn_1->objectName(), QStringLiteral("pn_1"));
    EXPECT_EQ(c.im_1->objectName(), QStringLiteral("im_1"));
    c.dialog->show();
    for (int pass = 0; pass < 2; ++pass) {
      const QRect p = c.pn_1->geometry();
      EXPECT_EQ(p.left(), 15);
      EXPECT_EQ(p.top(), c.top->y());
      EXPECT_EQ(p.width(), c.top->x() - 30);
      EXPECT_EQ(p.top() + p.height(), c.bottom->y() + c.bottom->height());
      EXPECT_EQ(c.im_1->x(), (p.width() - c.im_1->width()) / 2);
      EXPECT_EQ(c.im_1->y(), (p.height() - c.im_1->height()) / 2);
      EXPECT_FALSE(c.im_1->pixmap().isNull());
      c.dialog->resize(c.dialog->width() + 40, c.dialog->height() + 90);  // placed again
    }
    c.dialog->hide();
  }
}
