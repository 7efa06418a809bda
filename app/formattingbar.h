#pragma once
// The formatting toolbar's own items: the size button with its size items
// and the two colour buttons with their palettes. They only show a state and
// report choices; what is checked and which colour shows is decided by
// FormattingStateOf and the editor commands.

#include "app/mainbars.h"
#include "platform/colorvalue.h"
#include "toolbars/paint/thmcombobox.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/paint/thmtoolpalettes.h"

#include <QFont>
#include <QHash>


#include <functional>

class QAction;

namespace qel {

// A colour button, a toolbar item: its face runs its command with the
// button's colour (kept by the hidden swatch item "<prefix>Button"); its
// drop-down part holds "Default", the colour palette and "More Colors ...".
class TColorButtonItem : public TBarDropdownItem {
public:
  // `prefix` names the parts: "TextColor" gives b_TextColor, TextColorButton,
  // TextColorDefault, TextColorPalette (`paletteName` when given), TextColorMore.
  TColorButtonItem(const QString &prefix, QAction *command, const QString &buttonCaption,
                   const QString &paletteName = QString());

  TColor paletteColor() const { return palette_->Color(); }
  // A palette change: "Default" is checked exactly for clNone; then OnPaletteChanged.
  void setPaletteColor(TColor color) { palette_->SetColor(color); }
  TColor buttonColor() const { return button_->Color(); }
  void setButtonColor(TColor color);
  toolbars::TThmColorItem *defaultItem() const { return default_; }
  toolbars::TThmColorPalette *palette() const { return palette_; }
  toolbars::TThmCustomItem *moreColorsItem() const { return more_; }
  toolbars::TThmColorItem *buttonSwatch() const { return button_; }

  std::function<void(TColor color)> OnPaletteChanged;
  std::function<void()> OnDefaultClick;
  std::function<void()> OnMoreColorsClick;

private:
  toolbars::TThmColorItem *default_ = nullptr;
  toolbars::TThmColorPalette *palette_ = nullptr;
  toolbars::TThmCustomItem *more_ = nullptr;
  toolbars::TThmColorItem *button_ = nullptr;
};

// The rows of the font box's list: each font name drawn in its own face at
// size 10, each row 5/4 of the normal height. A face and its width are made
// once per name, so opening the list again measures nothing anew.
class TFontNameRows {
public:
  void Attach(toolbars::TThmCustomList *list);
  // The face a name is shown in.
  const QFont &Face(const QString &name);

private:
  int Width(const QString &name);
  QHash<QString, QFont> faces_;
  QHash<QString, int> widths_;
};

// The font box: a combo box item of the screen's font families, each shown
// in its own face; typing a name's first letters completes it.
class TFontBoxItem : public toolbars::TThmComboBoxItem {
public:
  TFontBoxItem();
  // The families installed now.
  void FillFonts();

private:
  TFontNameRows rows_;
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
