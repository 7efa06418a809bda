#include "toolbars/paint/thmitems.h"

#include "toolbars/paint/thmedititem.h"

#include "toolbars/core/thmnexus.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/verticaltext.h"

#include <QFontMetrics>

#include <algorithm>
#include <memory>
#include <utility>

namespace qel::toolbars {

// ---------------------------------------------------------------------------
// The themed item set's life

namespace {

// The relay made by StartThemedItems. Freed only by StopThemedItems: one
// left at program end stays, as the theme manager and registry it would
// talk to may be gone by then.
TThmNexus *OwnedNexus = nullptr;

int Metric(int index) { return ActiveTheme().IntegerMetric(index); }

bool HasOption(const TTbrCustomItem *item, int option) { return (item->EffectiveOptions() & option) != 0; }

bool IsSplitButton(const TTbrCustomItem *item) { return item->HasStyle(tbis::Submenu) && item->HasStyle(tbis::Combo); }

bool HasDropdownArrow(const TTbrCustomItem *item) {
  return item->HasStyle(tbis::Submenu) && (item->HasStyle(tbis::Combo) || HasOption(item, tboDropdownArrow));
}

TTbrItemViewer *MakeItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmItemViewer(view, item, groupLevel);
}

TTbrItemViewer *MakeSeparatorViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmSeparatorItemViewer(view, item, groupLevel);
}

} // namespace

void StartThemedItems() {
  if (ThemeNexus())
    return;
  try {
    RegisterTheme("Default", &ThemeClassOf<TThmDefaultTheme>);
  } catch (const EThemeError &) {
    // Registered already: the relay takes the one there is.
  }
  OwnedNexus = new TThmNexus("Default");
  SetThemeNexus(OwnedNexus);
}

void StopThemedItems() {
  if (ThemeNexus() == OwnedNexus)
    SetThemeNexus(nullptr);
  delete std::exchange(OwnedNexus, nullptr);
}

TThmTheme &ActiveTheme() {
  StartThemedItems();
  auto *theme = dynamic_cast<TThmTheme *>(ThemeNexus()->Theme());
  if (!theme)
    throw EThemeError("The active theme cannot paint");
  return *theme;
}

int StateFlagsOf(const ItemPaintInfo &info) {
  int flags = 0;
  if (!info.Enabled)
    flags |= isf::Disabled;
  if (info.HoverKind != 0)
    flags |= isf::Hover;
  if (info.Pushed)
    flags |= isf::Pushed;
  if (info.Selected)
    flags |= isf::Checked;
  return flags;
}

// ---------------------------------------------------------------------------
// Items

TThmCustomItem::TThmCustomItem() {
  FFontSettings.OnChange = [this] { Change(true); };
}

void TThmCustomItem::SetLayout(TThmItemLayout value) {
  if (value == FLayout)
    return;
  FLayout = value;
  Change(true);
}

void TThmCustomItem::SetMinWidth(int value) {
  if (value == FMinWidth)
    return;
  FMinWidth = value;
  Change(true);
}

void TThmCustomItem::SetMinHeight(int value) {
  if (value == FMinHeight)
    return;
  FMinHeight = value;
  Change(true);
}

void TThmCustomItem::SetStretch(bool value) {
  if (value == Stretch())
    return;
  SetItemStyle(value ? TTbrItemStyle(ItemStyle() | tbis::Stretch) : TTbrItemStyle(ItemStyle() & ~tbis::Stretch));
  Change(true);
}

void TThmCustomItem::SetDropdownCombo(bool value) {
  if (value == DropdownCombo())
    return;
  SetItemStyle(value ? TTbrItemStyle(ItemStyle() | tbis::Combo) : TTbrItemStyle(ItemStyle() & ~tbis::Combo));
  Change(true);
}

TTbrViewerFactory TThmCustomItem::ViewerClass(TTbrView *) const { return &MakeItemViewer; }

bool TThmCustomItem::PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) {
  const bool openLeft = ThemedPlacePopup(data, parent);
  if (ActiveTheme().BooleanMetric(1))
    data.PlayPopupSound = !IsPopupKind(ThemedPopupViewType(this, false), vt::ListPopup);
  return openLeft;
}

TThmSubmenuItem::TThmSubmenuItem() { SetItemStyle(ItemStyle() | tbis::Submenu | tbis::SubitemsEditable); }

void TThmSeparatorItem::SetSize(int value) {
  value = std::max(value, -1);
  if (value == FSize)
    return;
  FSize = value;
  Change(true);
}

TTbrViewerFactory TThmSeparatorItem::ViewerClass(TTbrView *) const { return &MakeSeparatorViewer; }

int ThemedPopupViewType(const TTbrCustomItem *parentItem, bool chevron) {
  if (chevron)
    return vt::ChevronPopup;
  if (!parentItem)
    return vt::PopupMenu;
  const TTbrCustomItem *shown = TTbrCustomItem::ItemContainingItems(const_cast<TTbrCustomItem *>(parentItem));
  if (shown->Count() == 1)
    if (auto *only = dynamic_cast<const TThmCustomItem *>(shown->Items(0)); only && only->IsListItem())
      return vt::ListPopup;
  if (auto *themed = dynamic_cast<const TThmCustomItem *>(parentItem); themed && themed->OpensToolBox())
    return vt::ToolBoxPopup;
  return vt::PopupMenu;
}

bool ThemedPlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) {
  if (!ActiveTheme().BooleanMetric(1))
    return PlacePopup(data, parent);
  // The popup overlaps its opening button by one pixel: the edges that
  // touch move in by one around the stock placement.
  if (data.PositionAsSubmenu) {
    data.X += data.NCSizeX;
    data.Y += data.NCSizeY;
  }
  data.NCSizeX = data.NCSizeY = 0;
  if (!data.PositionAsSubmenu) {
    QRect &p = data.ParentItemRect;
    const int oldRight = p.x() + p.width();
    p.setWidth(std::max(0, p.width() - 1));
    if (data.X == oldRight)
      data.X = p.x() + p.width();
    if (p.x() >= data.X + data.W)
      ++data.X;
    const int oldBottom = p.y() + p.height();
    p.setHeight(std::max(0, p.height() - 1));
    if (data.Y == oldBottom)
      data.Y = p.y() + p.height();
    if (p.y() >= data.Y + data.H)
      ++data.Y;
    --data.W;
    --data.H;
  }
  const bool openLeft = PlacePopup(data, parent);
  if (!data.PositionAsSubmenu) {
    ++data.W;
    ++data.H;
  }
  return openLeft;
}

// ---------------------------------------------------------------------------
// Item viewer: measuring

QSize TThmItemViewer::ImageSize() const {
  const TTbrImageList *images = ImageList();
  return images ? QSize(images->Width(), images->Height()) : QSize(0, 0);
}

bool TThmItemViewer::ImageVisible() const {
  const TTbrItemDisplayMode mode = Item->DisplayMode();
  return Item->ImageIndex() >= 0 &&
         (mode == TTbrItemDisplayMode::nbdmDefault || mode == TTbrItemDisplayMode::nbdmImageAndText ||
          (mode == TTbrItemDisplayMode::nbdmTextOnlyInMenus && IsToolbarStyle()));
}

bool TThmItemViewer::IsToolbarStyle() const {
  return TTbrItemViewer::IsToolbarStyle() || IsPopupKind(GetViewType(View), vt::ToolBoxPopup);
}

bool TThmItemViewer::IsToolbarSize() const {
  return TTbrItemViewer::IsToolbarSize() || IsPopupKind(GetViewType(View), vt::ToolBoxPopup);
}

int TThmItemViewer::AccessibleRole() const {
  if (auto *themed = dynamic_cast<const TThmCustomItem *>(Item);
      themed && themed->ToolBoxPopup() && Item->HasStyle(tbis::Submenu))
    return 58; // button drop-down grid
  return TTbrItemViewer::AccessibleRole();
}

unsigned TThmItemViewer::TextFormatFlags() const {
  const bool cuesOn = View->Host() ? View->Host()->KeyboardCuesOn() : true;
  if (!cuesOn && (View->Style & tbvsHideAccelsUntilKeyboard) && !(View->State & tbvsAccelsShown))
    return TextHidePrefix;
  return 0;
}

void TThmItemViewer::AdjustFont(QFont &font, TColor &color, int stateFlags) {
  if (HasOption(Item, tboDefault))
    font.setBold(true);
  if (auto *themed = dynamic_cast<TThmCustomItem *>(Item)) {
    themed->FontSettings().Apply(font, color);
    if (themed->OnAdjustFont)
      themed->OnAdjustFont(themed, this, font, color, stateFlags);
  } else if (auto *edit = dynamic_cast<TThmEditItem *>(Item)) {
    edit->FontSettings().Apply(font, color);
  }
}

QSize TThmItemViewer::MeasureText(const QFont &viewFont, const QString &text, int stateFlags, bool rotated,
                                  bool singleLine) {
  if (text.isEmpty())
    return QSize(0, 0);
  QFont font = viewFont;
  TColor color = ThmNoColor;
  AdjustFont(font, color, stateFlags);
  return MeasureCaption(font, text, rotated, singleLine);
}

TThmItemLayout TThmItemViewer::EffectiveLayout() const {
  if (auto *themed = dynamic_cast<const TThmCustomItem *>(Item); themed && themed->Layout() != TThmItemLayout::thmlAuto)
    return themed->Layout();
  if (HasOption(Item, tboImageAboveCaption) || View->Orientation == tbvoVertical)
    return TThmItemLayout::thmlGlyphTop;
  return TThmItemLayout::thmlGlyphLeft;
}

bool TThmItemViewer::TextRotated() const {
  auto *themed = dynamic_cast<const TThmCustomItem *>(Item);
  return View->Orientation == tbvoVertical && IsToolbarStyle() &&
         (!themed || themed->Layout() == TThmItemLayout::thmlAuto) && !HasOption(Item, tboImageAboveCaption) &&
         !HasOption(Item, tboNoRotation);
}

int TThmItemViewer::PopupMargin(const QFont &font) const { return PopupImageColumn(font, ImageSize()); }

int PopupImageColumn(const QFont &font, QSize image) {
  if (image.width() <= 0 || image.height() <= 0)
    image = QSize(16, 16);
  const int m = 2 * Metric(30);
  const QFontMetrics metrics(font);
  const int rows = std::max(metrics.height() + std::max(0, metrics.leading()) + m, image.height() + m);
  return rows * (image.width() + m) / std::max(1, image.height() + m);
}

void TThmItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  (void)bold; // the item's own font rules decide (AdjustFont)
  const QFont viewFont = MeasureFont(measure);
  QSize image = ImageSize();
  if (image.width() <= 0 || image.height() <= 0)
    image = QSize(0, 0);
  const bool toolbarStyle = IsToolbarStyle();
  const bool rotated = TextRotated();
  const bool captionShown = CaptionShown();
  QSize text;
  if (captionShown)
    text = MeasureText(viewFont, GetCaptionText(), 0, rotated, rotated || !toolbarStyle);
  const TThmItemLayout layout = EffectiveLayout();
  const bool imageVisible = ImageVisible() && !image.isEmpty();
  const bool vertical = View->Orientation == tbvoVertical;

  if (toolbarStyle) {
    width = height = 6;
    if (captionShown) {
      width += text.width();
      height += text.height();
      (rotated ? height : width) += 4;
    }
    if (imageVisible) {
      if (layout == TThmItemLayout::thmlGlyphLeft) {
        width += image.width() + (Wide ? 1 : 0);
        height = std::max(height, image.height() + 6);
      } else {
        height += image.height();
        width = std::max(width, image.width() + 7);
      }
    }
    if (Item->HasStyle(tbis::Submenu)) {
      if (Item->HasStyle(tbis::Combo)) {
        width += Metric(10);
      } else if (HasOption(Item, tboDropdownArrow)) {
        if (layout == TThmItemLayout::thmlGlyphTop && imageVisible && !rotated) {
          if (vertical)
            height = std::max(height, Metric(20) + image.height() + 9);
          else
            width = std::max(width, Metric(20) + image.width() + 9);
        } else {
          (vertical ? height : width) += Metric(20);
        }
      }
    }
  } else {
    const QFontMetrics metrics(viewFont);
    const int m30 = Metric(30), m31 = Metric(31);
    width = 2 * m31 + text.width();
    height = std::max(2 * m30 + text.height() + std::max(0, metrics.leading()),
                      2 * m30 + (imageVisible ? image.height() : 16));
    width += Metric(32) + PopupMargin(viewFont) + Metric(33) + Metric(34);
    const QString shortCut = Item->ShortCutText();
    if (!shortCut.isEmpty())
      width += MeasureText(viewFont, DoubleAmpersands(shortCut), 0, false, true).width() + height - 6;
    width += height; // the submenu arrow column
  }
  if (auto *themed = dynamic_cast<const TThmCustomItem *>(Item)) {
    width = std::max(width, themed->MinWidth());
    height = std::max(height, themed->MinHeight());
  }
}

// ---------------------------------------------------------------------------
// Item viewer: input

bool TThmItemViewer::PointOnButtonPart(int x, int y) const {
  (void)y;
  if (IsSplitButton(Item)) {
    const int arrow = IsToolbarStyle() ? Metric(10) : ThemeManager().System().MenuCheckWidth();
    return x < BoundsRect.width() - arrow;
  }
  return !Item->HasStyle(tbis::Submenu);
}

void TThmItemViewer::MouseUp(int x, int y, bool mouseWasDownOnMenu) {
  const bool hadCapture = View->Capture();
  const bool overThis = View->MouseOverSelected() && View->Selected() == this;
  TTbrItemViewer::MouseUp(x, y, mouseWasDownOnMenu);
  // The stock viewer runs a toolbar button only after its own press; a
  // themed one also when the press began elsewhere.
  if (!IsToolbarStyle() || hadCapture)
    return;
  if (overThis && Item->Enabled() && !Item->HasStyle(tbis::ClicksTransparent) &&
      (!Item->HasStyle(tbis::Submenu) || PointOnButtonPart(x, y)))
    View->Execute(this, true);
}

// ---------------------------------------------------------------------------
// Item viewer: painting

ItemPaintInfo TThmItemViewer::PaintInfo(bool isHoverItem, bool isPushed) const {
  const bool toolbarStyle = IsToolbarStyle();
  const bool split = IsSplitButton(Item);
  ItemPaintInfo info;
  info.ViewType = GetViewType(View);
  info.ItemOptions = (toolbarStyle ? ipo::ToolbarStyle : 0) | (Item->HasStyle(tbis::Submenu) ? ipo::Submenu : 0) |
                     (split ? ipo::Combo : 0) | (ThemeManager().System().ApplicationActive() ? ipo::AppActive : 0);
  info.Enabled = Item->Enabled() || View->Customizing;
  info.Pushed = isPushed;
  if (isHoverItem)
    info.HoverKind = info.Enabled ? 2 : (View->MouseOverSelected() ? 0 : 1);
  info.Selected = Item->Checked();
  QSize image = ImageSize();
  info.ImageShown = ImageVisible() && image.width() > 0 && image.height() > 0;
  if (info.ImageShown) {
    info.ImageWidth = image.width();
    info.ImageHeight = image.height();
  }
  info.IsVertical = View->Orientation == tbvoVertical && !split;
  info.ComboPart = split ? 2 : HasDropdownArrow(Item) ? 1 : 0;
  return info;
}

namespace {
// The picture of `list` at `index`: a null image for no list or a list that holds no pictures.
QImage ListImage(const TTbrImageList *list, int index) {
  auto *pixels = dynamic_cast<const TTbrPixelImageList *>(list);
  return pixels ? pixels->Image(index) : QImage();
}
} // namespace

void TThmItemViewer::AdjustCaptionRect(TCanvas &, const QRect &, QRect &, bool, bool &) {}

void TThmItemViewer::DrawImage(TCanvas &canvas, const QRect &imageRect, const ItemPaintInfo &info) {
  TThmTheme &theme = ActiveTheme();
  const TTbrImageList *images = ImageList();
  if (images && Item->ImageIndex() >= 0) {
    const QImage glyph = ListImage(images, Item->ImageIndex());
    if (!glyph.isNull())
      theme.PaintItemImage(canvas, imageRect, info, glyph);
  }
  if (auto *themed = dynamic_cast<TThmCustomItem *>(Item); themed && themed->OnDrawImage) {
    const QPoint offset = theme.ImageOffset(canvas, info, images);
    themed->OnDrawImage(themed, this, canvas, imageRect, offset, StateFlagsOf(info));
  }
}

bool TThmItemViewer::Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
                           bool useDisabledShadow) {
  (void)useDisabledShadow;
  TThmTheme &theme = ActiveTheme();
  const bool toolbarStyle = IsToolbarStyle();
  const bool split = IsSplitButton(Item);
  const bool vertical = View->Orientation == tbvoVertical;
  // A split button whose popup is open shows only its arrow pushed.
  bool arrowPushed = false;
  if (split && isPushed && !View->Capture()) {
    isPushed = false;
    arrowPushed = true;
  }
  const QFont viewFont = canvas.Font();
  ItemPaintInfo info = PaintInfo(isHoverItem, isPushed);
  info.IsPopupParent = toolbarStyle &&
                       ((View->InMenuMode() && View->OpenViewer() != nullptr) || Item->HasStyle(tbis::Submenu)) &&
                       (split ? arrowPushed : isPushed);
  if (!toolbarStyle)
    info.PopupMargin = PopupMargin(viewFont);

  QFont font = viewFont;
  TColor textColor = theme.ItemTextColor(info);
  AdjustFont(font, textColor, StateFlagsOf(info));
  canvas.Save();
  canvas.SetFont(font);

  const TThmItemLayout layout = EffectiveLayout();
  const bool rotated = TextRotated();
  const bool captionShown = CaptionShown();
  const bool imageShown = info.ImageShown;
  const QSize image(info.ImageWidth, info.ImageHeight);
  const bool hasArrow = HasDropdownArrow(Item);
  const bool arrowInside = hasArrow && !split && toolbarStyle && layout == TThmItemLayout::thmlGlyphTop &&
                           imageShown && captionShown && !rotated;
  QRect body = clientAreaRect;
  const int m20 = Metric(20), m21 = Metric(21);

  if (toolbarStyle) {
    QRect arrow;
    if (split) {
      const int m10 = Metric(10);
      arrow = QRect(body.right() + 1 - m10, body.top(), m10, body.height());
      body.setRight(body.right() - m10);
    } else if (arrowInside) {
      // Beside the glyph, the two centred together.
      const int glyphLeft = body.left() + (body.width() - image.width()) / 2 + (1 - m20) / 2;
      arrow = QRect(glyphLeft + image.width() + 1, body.top() + 2, m20, image.height() + 2);
    } else if (hasArrow && vertical) {
      arrow = QRect(body.left(), body.bottom() + 1 - m21 - m20, body.width(), m20);
    } else if (hasArrow) {
      arrow = QRect(body.right() + 1 - m21 - m20, body.top(), m20, body.height());
    }
    theme.PaintItemButton(canvas, body, info);
    if (split) {
      ItemPaintInfo arrowInfo = info;
      arrowInfo.ComboPart = 3;
      arrowInfo.Pushed = arrowPushed;
      arrowInfo.Selected = false;
      theme.PaintItemButton(canvas, arrow, arrowInfo);
    } else if (hasArrow) {
      theme.PaintDropDownGlyph(canvas, arrow, info);
      if (!arrowInside) {
        if (vertical)
          body.setBottom(body.bottom() - m20);
        else
          body.setRight(body.right() - m20);
      }
    }
    body.adjust(2, 2, -2, -2);
  } else {
    theme.PaintMenuEntry(canvas, clientAreaRect, info);
    const int m31 = Metric(31);
    body.adjust(m31, 0, -m31, 0);
  }

  // The glyph.
  QRect imageRect;
  if (toolbarStyle) {
    if (layout == TThmItemLayout::thmlGlyphLeft)
      imageRect = QRect(body.left(), body.top(), image.width() + 2, body.height());
    else
      imageRect = QRect(body.left(), body.top(), body.width(), image.height() + 2);
    if (arrowInside)
      imageRect.translate((1 - m20) / 2, 0);
  } else {
    imageRect = QRect(clientAreaRect.left(), clientAreaRect.top(), clientAreaRect.height(), clientAreaRect.height());
  }
  if (imageShown) {
    const QRect glyph(imageRect.left() + (imageRect.width() - image.width()) / 2,
                      imageRect.top() + (imageRect.height() - image.height()) / 2, image.width(), image.height());
    DrawImage(canvas, glyph, info);
  } else if (!toolbarStyle && Item->Checked()) {
    theme.PaintCheckGlyph(canvas, imageRect, info);
  }

  // The caption.
  const unsigned prefixFlags = TextFormatFlags();
  if (captionShown) {
    QRect captionRect = body;
    unsigned flags = TextVCenter;
    if (toolbarStyle) {
      if (!imageShown)
        flags |= TextCenter;
      else if (layout == TThmItemLayout::thmlGlyphLeft)
        captionRect.setLeft(body.left() + image.width() + 3);
      else {
        captionRect.setTop(body.top() + image.height() + (rotated ? 4 : 1));
        flags |= TextCenter;
      }
    } else {
      const QFontMetrics metrics(font);
      captionRect.setLeft(clientAreaRect.left() + info.PopupMargin + Metric(32) + Metric(33));
      captionRect.setRight(clientAreaRect.right() - clientAreaRect.height());
      if (captionRect.height() - metrics.height() == Metric(30))
        captionRect.setBottom(captionRect.bottom() - 1);
      captionRect.translate(0, std::max(0, metrics.leading()));
    }
    bool paintDefault = true;
    AdjustCaptionRect(canvas, clientAreaRect, captionRect, rotated, paintDefault);
    if (paintDefault)
      theme.PaintItemCaption(canvas, captionRect, info, GetCaptionText(), flags | prefixFlags, rotated, textColor);
  }

  // The shortcut text of a menu entry.
  if (!toolbarStyle) {
    const QString shortCut = Item->ShortCutText();
    if (!shortCut.isEmpty()) {
      const QRect shortCutRect(QPoint(clientAreaRect.left() + info.PopupMargin + Metric(32) + Metric(33),
                                      clientAreaRect.top()),
                               QPoint(clientAreaRect.right() - clientAreaRect.height(), clientAreaRect.bottom()));
      theme.PaintItemCaption(canvas, shortCutRect, info, shortCut, TextVCenter | TextRight | TextNoPrefix, false,
                             textColor);
    }
  }
  canvas.Restore();
  return true;
}

// ---------------------------------------------------------------------------
// Separator and chevron viewers

bool TThmSeparatorItemViewer::IsToolbarStyle() const {
  return TTbrSeparatorItemViewer::IsToolbarStyle() || IsPopupKind(GetViewType(View), vt::ToolBoxPopup);
}

bool TThmSeparatorItemViewer::IsToolbarSize() const {
  return TTbrSeparatorItemViewer::IsToolbarSize() || IsPopupKind(GetViewType(View), vt::ToolBoxPopup);
}

void TThmSeparatorItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  auto *separator = dynamic_cast<const TThmSeparatorItem *>(Item);
  int size = separator ? separator->Size() : -1;
  const bool fromTheme = size == -1;
  const bool toolbarStyle = IsToolbarStyle();
  if (fromTheme)
    size = Metric(toolbarStyle ? 50 : 35);
  if (size < 0)
    return TTbrSeparatorItemViewer::MeasureSize(measure, bold, width, height);
  if (fromTheme || toolbarStyle) {
    width = height = size;
  } else {
    width = 0;
    height = size;
  }
}

bool TThmSeparatorItemViewer::Paint(TCanvas &canvas, const QRect &clientAreaRect, bool, bool, bool) {
  auto *separator = dynamic_cast<const TThmSeparatorItem *>(Item);
  if (separator && separator->Size() == 0)
    return true;
  ItemPaintInfo info;
  info.ViewType = GetViewType(View);
  info.ItemOptions = IsToolbarStyle() ? ipo::ToolbarStyle : 0;
  auto *plain = dynamic_cast<const TTbrSeparatorItem *>(Item);
  info.Enabled = !(plain && plain->Blank());
  const bool vertical = View->Orientation == tbvoVertical;
  // In toolbars a line across the line of buttons, turned for a separator
  // that ends a wrapped line; in any popup, the chevron's too, a line across
  // the popup.
  const bool horizontal = (LineSep != vertical) || View->IsPopup ||
                          (IsPopupType(info.ViewType) && !IsPopupKind(info.ViewType, vt::ChevronPopup));
  ActiveTheme().PaintSeparatorLine(canvas, clientAreaRect, info, horizontal, LineSep);
  return true;
}

bool TThmChevronItemViewer::Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
                                  bool) {
  ItemPaintInfo info;
  info.ViewType = GetViewType(View);
  info.ItemOptions = ipo::ToolbarStyle;
  info.Enabled = Item->Enabled() || View->Customizing;
  info.Pushed = isPushed;
  if (isHoverItem)
    info.HoverKind = info.Enabled ? 2 : (View->MouseOverSelected() ? 0 : 1);
  info.IsVertical = View->Orientation == tbvoVertical;
  ActiveTheme().PaintChevronGlyph(canvas, clientAreaRect, info);
  return true;
}

void PaintStockViewerThemed(TCanvas &canvas, const TTbrItemViewer &viewer, bool isHover, bool isPushed) {
  if (dynamic_cast<const TTbrControlItem *>(viewer.Item))
    return;
  // A stand-in of the themed class for the one paint; it shares the view,
  // item and place of the viewer and is gone before anything else runs.
  std::unique_ptr<TTbrItemViewer> standIn;
  if (viewer.Item->HasStyle(tbis::Separator))
    standIn = std::make_unique<TThmSeparatorItemViewer>(viewer.View, viewer.Item, viewer.GroupLevel);
  else
    standIn = std::make_unique<TThmItemViewer>(viewer.View, viewer.Item, viewer.GroupLevel);
  standIn->BoundsRect = viewer.BoundsRect;
  standIn->Show = viewer.Show;
  standIn->LineSep = viewer.LineSep;
  standIn->Paint(canvas, viewer.BoundsRect, isHover, isPushed, false);
}

void DrawItemImageWithState(TCanvas &canvas, const QRect &rect, const TTbrImageList *images, int imageIndex,
                            int stateFlags) {
  ItemPaintInfo info;
  info.ViewType = vt::ToolbarFamily;
  info.ItemOptions = ipo::ToolbarStyle;
  info.Enabled = !(stateFlags & isf::Disabled);
  info.Pushed = stateFlags & isf::Pushed;
  info.HoverKind = (stateFlags & isf::Hover) ? 2 : 0;
  info.Selected = stateFlags & isf::Checked;
  const QImage glyph = ListImage(images, imageIndex);
  if (!glyph.isNull())
    ActiveTheme().PaintItemImage(canvas, rect, info, glyph);
}

} // namespace qel::toolbars
