#include "app/formattingbar.h"

#include "app/formattingstate.h"
#include "toolbars/qt/tbqaction.h"
#include "toolbars/core/thmcolorset.h"

#include <QAction>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidgetAction>

namespace qel {

namespace {

// The button runs the command and follows its enabled state and hint; its
// face (caption, image) stays its own.
void bindCommand(QToolButton *button, QAction *command) {
  button->setToolTip(command->toolTip());
  button->setEnabled(command->isEnabled());
  QObject::connect(command, &QAction::enabledChanged, button, &QWidget::setEnabled);
  QObject::connect(button, &QToolButton::clicked, command, [command] { command->trigger(); });
}
} // namespace

const QList<TColor> &TColorPaletteButton::PaletteColors() {
  // The toolbar framework's default colour set, row by row.
  static const QList<TColor> colors = [] {
    const toolbars::TThmCustomColorSet &set = toolbars::DefaultColorSet();
    QList<TColor> list;
    for (int row = 0; row < set.RowCount(); ++row)
      for (int col = 0; col < set.ColCount(); ++col)
        list << set.GetColor(col, row);
    return list;
  }();
  return colors;
}

TColorPaletteButton::TColorPaletteButton(const QString &prefix, QAction *command, QWidget *parent)
    : QToolButton(parent) {
  setObjectName(QStringLiteral("b_") + prefix);
  command_ = command;
  bindCommand(this, command);
  setPopupMode(QToolButton::MenuButtonPopup);
  auto *menu = new QMenu(this);
  menu->setObjectName(prefix + QStringLiteral("Button"));
  grid_ = new QWidget(menu);
  grid_->setObjectName(prefix + QStringLiteral("Palette"));
  auto *layout = new QGridLayout(grid_);
  layout->setSpacing(2);
  layout->setContentsMargins(4, 4, 4, 4);
  const QList<TColor> &colors = PaletteColors();
  for (int i = 0; i < colors.size(); ++i) {
    auto *swatch = new QToolButton(grid_);
    swatch->setObjectName(prefix + QStringLiteral("Palette%1").arg(i));
    swatch->setFixedSize(16, 16);
    swatch->setAutoRaise(true);
    QPixmap pm(12, 12);
    pm.fill(TColorToQColor(colors[i]));
    swatch->setIcon(QIcon(pm));
    const TColor c = colors[i];
    swatch->setToolTip(toolbars::DefaultColorSet().ColorToString(c));
    connect(swatch, &QToolButton::clicked, this, [this, menu, c] {
      menu->close();
      setPaletteColor(c);
    });
    layout->addWidget(swatch, i / toolbars::DefaultColorSet().ColCount(), i % toolbars::DefaultColorSet().ColCount());
  }
  auto *gridAction = new QWidgetAction(menu);
  gridAction->setDefaultWidget(grid_);
  menu->addAction(gridAction);
  menu->addSeparator();
  default_ = menu->addAction(QStringLiteral("Default"));
  default_->setObjectName(prefix + QStringLiteral("Default"));
  default_->setCheckable(true);
  connect(default_, &QAction::triggered, this, [this] { emit defaultChosen(); });
  more_ = menu->addAction(QStringLiteral("More Colors ..."));
  more_->setObjectName(prefix + QStringLiteral("More"));
  connect(more_, &QAction::triggered, this, [this] { emit moreColorsChosen(); });
  setMenu(menu);
  updateIcon();
}

void TColorPaletteButton::setPaletteColor(TColor color) {
  paletteColor_ = color;
  default_->setChecked(color == clNone);
  emit paletteChanged(color);
}

void TColorPaletteButton::setButtonColor(TColor color) {
  buttonColor_ = color;
  updateIcon();
}

void TColorPaletteButton::updateIcon() {
  // The command's image with a bar 4 pixels high along its bottom in the
  // button's colour; no colour shows as an outline in the shadow colours.
  const QSize size = iconSize().isValid() ? iconSize() : QSize(16, 16);
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  if (command_ && !command_->icon().isNull()) p.drawPixmap(0, 0, command_->icon().pixmap(size));
  const QRect bar(0, size.height() - 4, size.width(), 4);
  if (buttonColor_ == clNone || buttonColor_ == clDefault) {
    // The command's own image has a coloured bar; the button shows only the
    // colour its click applies.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(bar, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(TColorToQColor(clBtnShadow));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar.adjusted(0, 0, -1, -1));
  } else {
    p.fillRect(bar, TColorToQColor(buttonColor_));
  }
  p.end();
  setIcon(QIcon(pm));
}

TFontSizeItem::TFontSizeItem(QAction *command) {
  SetName(QStringLiteral("b_FontSize"));
  SetAction(toolbars::TTbrQActionAdapter::For(command));
  // The face shows the size, not the command's caption or picture.
  SetDisplayMode(toolbars::TTbrItemDisplayMode::nbdmTextOnly);
  SetCaption(QStringLiteral("10"));
  auto add = [this](const QString &name, const QString &caption) {
    auto *item = new toolbars::TTbrCustomItem;
    item->SetName(name);
    item->SetCaption(caption);
    Add(item);
    return item;
  };
  for (int size : TextSizeItems()) {
    const QString caption = QString::number(size);
    add(QStringLiteral("b_textsize_") + caption, caption)->SetOnClick([this](toolbars::TTbrCustomItem *sender) {
      if (OnSizeItemClick) OnSizeItemClick(sender->Caption());
    });
  }
  add(QStringLiteral("b_textsize_other"), QStringLiteral("other ..."))->SetOnClick([this](toolbars::TTbrCustomItem *) {
    if (OnOtherClick) OnOtherClick();
  });
}

toolbars::TTbrCustomItem *TFontSizeItem::item(const QString &caption) const {
  const QString name = QStringLiteral("b_textsize_") + caption;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Name() == name) return Items(i);
  return nullptr;
}

void TFontSizeItem::checkItem(const QString &caption) {
  toolbars::TTbrCustomItem *checked = item(caption);
  for (int i = 0; i < Count(); ++i) Items(i)->SetChecked(Items(i) == checked);
}

QString TFontSizeItem::checkedItem() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Checked()) return Items(i)->Name().mid(QStringLiteral("b_textsize_").size());
  return QString();
}

} // namespace qel
