#pragma once
// The title list's model: a view of FilteredCards that holds no items of its
// own. The view asks for the titles of the rows it paints, and typing in the
// list searches the titles through match().

#include <QAbstractListModel>
#include <QFont>
#include <QRawFont>
#include <QStyledItemDelegate>

#include <functional>

namespace qel {

class CardListModel : public QAbstractListModel {
  Q_OBJECT
public:
  explicit CardListModel(QObject *parent = nullptr);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  // Made without the general checks through rowCount() and columnCount():
  // laying out the view asks for an index per row, a million times for a
  // million cards.
  QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  // An edited title is not written here: titleEdited asks the window to rename the card.
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  // Typing in the list: titles beginning with the typed text, ASCII letters
  // compared upper-cased, from the start row on, wrapping when asked.
  QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits = 1,
                        Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

  // Tells the views that FilteredCards was rebuilt.
  void refresh();
  // Whether titles may be edited in place (not while the cards are locked).
  void setEditable(std::function<bool()> editable) { editable_ = std::move(editable); }

signals:
  void titleEdited(int row, const QString &title);

private:
  std::function<bool()> editable_;
};

// The delegate of the title list: reports when an in-place title edit opens
// and closes, and draws the row lines ("List gridlines") in one column.
class TitleDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
  void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

  bool gridLines() const { return gridLines_; }
  void setGridLines(bool on) { gridLines_ = on; }

signals:
  void editingStarted() const;
  void editingEnded() const;

private:
  // Draws the title of a row from its font's glyphs, without text shaping,
  // when it needs none; false when it must be drawn as text.
  bool drawUnshapedTitle(QPainter *painter, const QStyleOptionViewItem &option, const QRect &textRect,
                         qreal baseline) const;

  bool gridLines_ = false;
  mutable QFont rawFor_;     // the font raw_ was made for
  mutable QRawFont raw_;     // the list font's glyphs
  mutable bool rawValid_ = false;
};

} // namespace qel
