#include "app/formattingbar.h"

#include "app/formattingstate.h"
#include "toolbars/qt/tbqaction.h"

#include "toolbars/paint/drawutils.h"
#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/thmlistpaint.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <QAction>

namespace qel {

TColorButtonItem::TColorButtonItem(const QString &prefix, QAction *command, const QString &buttonCaption,
                                   const QString &paletteName) {
  SetName(QStringLiteral("b_") + prefix);
  SetAction(toolbars::TTbrQActionAdapter::For(command));
  default_ = new toolbars::TThmColorItem;
  default_->SetName(prefix + QStringLiteral("Default"));
  default_->SetCaption(QStringLiteral("Default"));
  default_->SetColor(clNone);
  default_->SetOnClick([this](toolbars::TTbrCustomItem *) {
    if (OnDefaultClick) OnDefaultClick();
  });
  Add(default_);
  palette_ = new toolbars::TThmColorPalette;
  palette_->SetName(paletteName.isEmpty() ? prefix + QStringLiteral("Palette") : paletteName);
  palette_->Model().OnChange = [this] {
    default_->SetChecked(palette_->Color() == clNone);
    if (OnPaletteChanged) OnPaletteChanged(palette_->Color());
  };
  Add(palette_);
  more_ = new toolbars::TThmItem;
  more_->SetName(prefix + QStringLiteral("More"));
  more_->SetCaption(QStringLiteral("More Colors ..."));
  more_->SetOnClick([this](toolbars::TTbrCustomItem *) {
    if (OnMoreColorsClick) OnMoreColorsClick();
  });
  Add(more_);
  // The colour the face applies, kept by a swatch the menu does not show.
  button_ = new toolbars::TThmColorItem;
  button_->SetName(prefix + QStringLiteral("Button"));
  button_->SetCaption(buttonCaption);
  button_->SetColor(clNone);
  button_->SetVisible(false);
  Add(button_);
  default_->SetChecked(true);

  // The command's image with a bar 4 pixels high along its bottom in the
  // button's colour; no colour shows as an outline in the shadow colour.
  OnDrawImage = [this](toolbars::TThmCustomItem *, toolbars::TTbrItemViewer *, toolbars::TCanvas &canvas,
                       const QRect &imageRect, const QPoint &, int stateFlags) {
    if (stateFlags & toolbars::isf::Disabled) return;
    QRect bar(imageRect.left(), imageRect.bottom() - 3, imageRect.width(), 4);
    const TColor color = buttonColor();
    if (color == clNone || color == clDefault) {
      toolbars::FillRectWithColor(canvas, bar, clBtnFace);
      toolbars::FrameRectWithColor(canvas, bar, clBtnShadow, false);
    } else {
      toolbars::FillRectWithColor(canvas, bar, color);
    }
  };
}

void TColorButtonItem::setButtonColor(TColor color) {
  button_->SetColor(color);
  Invalidate();
}

const QFont &TFontNameRows::Face(const QString &name) {
  auto it = faces_.find(name);
  if (it == faces_.end()) {
    QFont face(name, 10);
    it = faces_.insert(name, face);
  }
  return *it;
}

int TFontNameRows::Width(const QString &name) {
  auto it = widths_.find(name);
  if (it == widths_.end())
    it = widths_.insert(name, toolbars::ListRowWidth(QFontMetrics(Face(name)).horizontalAdvance(name), 0, true));
  return *it;
}

void TFontNameRows::Attach(toolbars::TThmCustomList *list) {
  list->OnMeasureHeight = [](toolbars::TThmCustomList *, const QFont &, int &height) { height = height * 5 / 4; };
  list->OnMeasureWidth = [this](toolbars::TThmCustomList *sender, const QFont &, int index, int &width) {
    width = Width(sender->GetItemText(index));
  };
  list->OnDrawItem = [this](toolbars::TThmCustomList *sender, toolbars::TCanvas &canvas, const QRect &rect,
                            int index, int hoverIndex, bool &drawDefault) {
    drawDefault = false;
    const QString name = sender->GetItemText(index);
    canvas.SetFont(Face(name));
    canvas.DrawText(rect.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name,
                    sender->Enabled() ? toolbars::ListRowText(index == hoverIndex) : toolbars::SysQColor(toolbars::sciGrayText));
  };
}

TFontBoxItem::TFontBoxItem() {
  SetName(QStringLiteral("cb_Font"));
  SetHint(QStringLiteral("Font"));
  SetEditWidth(128);
  SetMaxVisibleItems(16);
  rows_.Attach(List());
  FillFonts();
}

void TFontBoxItem::FillFonts() { SetStrings(QFontDatabase::families()); }

TFontSizeItem::TFontSizeItem(QAction *command) {
  SetName(QStringLiteral("b_FontSize"));
  SetAction(toolbars::TTbrQActionAdapter::For(command));
  // The face shows the size, not the command's caption or picture.
  SetDisplayMode(toolbars::TTbrItemDisplayMode::nbdmTextOnly);
  SetCaption(QStringLiteral("10"));
  // The size in a smaller, plain, dark red face, apart from the buttons' captions.
  FontSettings().SetBold(toolbars::TTriState::tsFalse);
  FontSettings().SetSize(90);
  FontSettings().SetColor(clMaroon);
  auto add = [this](const QString &name, const QString &caption) {
    auto *item = new toolbars::TThmItem;
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
