#include "app/cardlistmodel.h"

#include "cards/cardfilter.h"
#include "cards/crd.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QListView>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QTextOption>

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

bool TitleDelegate::drawUnshapedTitle(QPainter *painter, const QStyleOptionViewItem &option, const QRect &textRect,
                                      qreal baseline) const {
  // Letters of the Latin alphabets need no shaping: each character is its
  // font's glyph, placed by its advance (kerned). Text shaping costs more
  // than the rest of a row's drawing together. Other scripts, characters
  // this font lacks (drawn from a fallback font), right-to-left rows and
  // titles too long for the row take the general text drawing.
  const QString &text = option.text;
  const int n = int(text.size());
  if (n == 0) return true;
  if (option.direction == Qt::RightToLeft) return false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7f && u < 0xa0) || u == 0xad || u > 0x24f) return false;
  }
  if (!rawValid_ || rawFor_ != option.font) {
    rawFor_ = option.font;
    raw_ = QRawFont::fromFont(option.font);
    rawValid_ = true;
  }
  if (!raw_.isValid()) return false;
  QList<quint32> glyphs(n);
  int count = n;
  if (!raw_.glyphIndexesForChars(text.constData(), n, glyphs.data(), &count) || count != n) return false;
  for (const quint32 g : glyphs)
    if (g == 0) return false;
  QList<QPointF> advances(n);
  if (!raw_.advancesForGlyphIndexes(glyphs.constData(), advances.data(), n, QRawFont::KernedAdvances)) return false;
  QList<QPointF> positions(n);
  qreal x = 0;
  for (int i = 0; i < n; ++i) {
    positions[i] = QPointF(x, 0);
    x += advances[i].x();
  }
  if (x > textRect.width()) return false;  // elided by the general drawing
  QGlyphRun run;
  run.setRawFont(raw_);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  painter->drawGlyphRun(QPointF(textRect.left(), baseline), run);
  return true;
}

void TitleDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
  // A title is one line of text and nothing else: drawn here as the style
  // draws a text-only item (its panel, the line elided in the text margins,
  // the focus frame) without the style's general item layout, which lays
  // every title out twice and asks the model for every role; a filter
  // keystroke repaints every row shown.
  const QWidget *widget = option.widget;
  const QStyle *style = widget ? widget->style() : QApplication::style();
  QStyleOptionViewItem opt = option;
  opt.text = index.data(Qt::DisplayRole).toString();
  opt.features |= QStyleOptionViewItem::HasDisplay;
  opt.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

  const bool enabled = opt.state & QStyle::State_Enabled;
  const QPalette::ColorGroup group =
      !enabled ? QPalette::Disabled : (opt.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
  const bool selected = opt.state & QStyle::State_Selected;
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
  painter->save();
  painter->setFont(opt.font);
  painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  // Centred as the style centres a line of text: its height rounded to whole
  // pixels first.
  const QFontMetricsF metrics(opt.font);
  const int lineHeight = qRound(metrics.ascent() + metrics.descent());
  const qreal baseline = textRect.top() + (textRect.height() - lineHeight) / 2 + metrics.ascent();
  if (!drawUnshapedTitle(painter, opt, textRect, baseline)) {
    // One line in the row's direction, as the style lays it out.
    QTextOption textOption(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTextDirection(opt.direction);
    QTextLayout layout(metrics.elidedText(opt.text, opt.textElideMode, textRect.width()), opt.font);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(textRect.width());
    layout.endLayout();
    layout.draw(painter, QPointF(textRect.left(), baseline - line.ascent()));
  }
  painter->restore();

  if (opt.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(opt);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    focus.backgroundColor = opt.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
  }

  if (!gridLines_) return;
  // In columns the titles have no rows to rule.
  const auto *view = qobject_cast<const QListView *>(widget);
  if (view && view->isWrapping()) return;
  const QColor line = widget ? QColor(QRgb(style->styleHint(QStyle::SH_Table_GridLineColor, &opt, widget)))
                             : opt.palette.color(QPalette::Mid);
  painter->save();
  painter->setPen(line);
  painter->drawLine(opt.rect.left(), opt.rect.bottom(), opt.rect.right(), opt.rect.bottom());
  painter->restore();
}

} // namespace qel
