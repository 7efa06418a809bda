#include "app/cardlistmodel.h"

#include "cards/cardfilter.h"
#include "cards/crd.h"

#include <QListView>
#include <QPainter>

namespace qel {

CardListModel::CardListModel(QObject *parent) : QAbstractListModel(parent) {}

int CardListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FilteredCards.Count(); }

QModelIndex CardListModel::index(int row, int column, const QModelIndex &parent) const {
  if (row < 0 || column != 0 || parent.isValid() || row >= FilteredCards.Count()) return {};
  return createIndex(row, 0);
}

QVariant CardListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= FilteredCards.Count()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return FilteredCards.Strings(index.row());
  return {};
}

Qt::ItemFlags CardListModel::flags(const QModelIndex &index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  if (!editable_ || editable_()) f |= Qt::ItemIsEditable;
  return f;
}

bool CardListModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.row() >= FilteredCards.Count()) return false;
  emit titleEdited(index.row(), value.toString());
  return true;
}

QModelIndexList CardListModel::match(const QModelIndex &start, int role, const QVariant &value, int hits,
                                     Qt::MatchFlags flags) const {
  const Qt::MatchFlags kind = flags & Qt::MatchTypeMask;
  if (role != Qt::DisplayRole || (kind != Qt::MatchStartsWith && kind != Qt::MatchFixedString &&
                                  kind != Qt::MatchExactly))
    return QAbstractListModel::match(start, role, value, hits, flags);
  const int row = FindTitleByPrefix(FilteredCards, value.toString(), start.isValid() ? start.row() : 0,
                                    flags.testFlag(Qt::MatchWrap));
  if (row < 0) return {};
  return {index(row, 0)};
}

void CardListModel::refresh() {
  beginResetModel();
  endResetModel();
}

QWidget *TitleDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const {
  QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
  if (editor) emit editingStarted();
  return editor;
}

void TitleDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const {
  QStyledItemDelegate::destroyEditor(editor, index);
  emit editingEnded();
}

void TitleDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
  QStyledItemDelegate::paint(painter, option, index);
  if (!gridLines_) return;
  // In columns the titles have no rows to rule.
  const auto *view = qobject_cast<const QListView *>(option.widget);
  if (view && view->isWrapping()) return;
  const QStyle *style = option.widget ? option.widget->style() : nullptr;
  const QColor line = style ? QColor(QRgb(style->styleHint(QStyle::SH_Table_GridLineColor, &option, option.widget)))
                            : option.palette.color(QPalette::Mid);
  painter->save();
  painter->setPen(line);
  painter->drawLine(option.rect.left(), option.rect.bottom(), option.rect.right(), option.rect.bottom());
  painter->restore();
}

} // namespace qel
