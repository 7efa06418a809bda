#pragma once
// The formatting toolbar's own controls, made of Qt widgets until the themed
// toolbar items take their place: the size button with its size items and
// the two colour buttons with their palettes. They only show a state and
// report choices; what is checked and which colour shows is decided by
// FormattingStateOf and the editor commands.

#include "app/mainbars.h"
#include "platform/colorvalue.h"

#include <QToolButton>

#include <functional>

class QAction;
class QActionGroup;
class QMenu;

namespace qel {

// A colour button: its face runs its command with the button's colour; its
// drop-down holds the palette grid, "Default" and "More Colors ...".
class TColorPaletteButton : public QToolButton {
  Q_OBJECT
public:
  // `prefix` names the parts: "TextColor" gives TextColorPalette, TextColorDefault.
  TColorPaletteButton(const QString &prefix, QAction *command, QWidget *parent = nullptr);

  TColor paletteColor() const { return paletteColor_; }
  // A palette change: "Default" is checked exactly for clNone; then paletteChanged.
  void setPaletteColor(TColor color);
  TColor buttonColor() const { return buttonColor_; }
  void setButtonColor(TColor color);
  QAction *defaultItem() const { return default_; }
  QAction *moreColorsItem() const { return more_; }
  QWidget *paletteGrid() const { return grid_; }

  // The colours of the grid, in order.
  static const QList<TColor> &PaletteColors();

signals:
  void paletteChanged(TColor color);
  void defaultChosen();
  void moreColorsChosen();

private:
  void updateIcon();
  QAction *command_ = nullptr;
  TColor paletteColor_ = clNone;
  TColor buttonColor_ = clNone;
  QAction *default_ = nullptr;
  QAction *more_ = nullptr;
  QWidget *grid_ = nullptr;
};

// The size button, a toolbar item: its face runs its command (the size of
// its caption), its drop-down part holds the size items and "other ...".
class TFontSizeItem : public TBarDropdownItem {
public:
  explicit TFontSizeItem(QAction *command);

  // Checks the item with this caption ("other" for "other ..."), nothing else.
  void checkItem(const QString &caption);
  QString checkedItem() const;
  toolbars::TTbrCustomItem *item(const QString &caption) const;
  QString text() const { return Caption(); }
  void setText(const QString &text) { SetCaption(text); }

  std::function<void(const QString &caption)> OnSizeItemClick;
  std::function<void()> OnOtherClick;
};

} // namespace qel
