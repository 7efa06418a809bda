#include "toolbars/paint/thmedititem.h"

#include "toolbars/core/tbtext.h"
#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/verticaltext.h"

#include <QFontMetrics>

#include <algorithm>

namespace qel::toolbars {

namespace {

int Metric(int index) { return ActiveTheme().IntegerMetric(index); }
bool BoolMetric(int index) { return ActiveTheme().BooleanMetric(index); }

TTbrItemViewer *MakeThemedEditViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmEditItemViewer(view, item, groupLevel);
}

TTbrItemViewer *MakeThemedButtonViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmItemViewer(view, item, groupLevel);
}

} // namespace

// ---------------------------------------------------------------------------
// The item

TThmEditItem::TThmEditItem() {
  FFontSettings.OnChange = [this] { Change(true); };
}

void TThmEditItem::SetAlignment(TAlignment value) {
  if (value == FAlignment)
    return;
  FAlignment = value;
  Change(true);
}

void TThmEditItem::SetPasswordChar(QChar value) {
  if (value == FPasswordChar)
    return;
  FPasswordChar = value;
  Change(true);
}

void TThmEditItem::SetShowImage(bool value) {
  FShowImage = value;
  Change(true);
}

bool TThmEditItem::ShowsEditBox(const TTbrView *view) const {
  return (EditOptions() & tboUseEditWhenVertical) || !view || view->Orientation != tbvoVertical;
}

TTbrViewerFactory TThmEditItem::ViewerClass(TTbrView *view) const {
  return ShowsEditBox(view) ? &MakeThemedEditViewer : &MakeThemedButtonViewer;
}

bool TThmEditItem::NeedsViewerRecreate(TTbrItemViewer *viewer) const {
  const bool showsBox = dynamic_cast<TThmEditItemViewer *>(viewer) != nullptr;
  return showsBox != ShowsEditBox(viewer->View);
}

bool TThmEditItem::PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) {
  const bool openLeft = ThemedPlacePopup(data, parent);
  if (IsPopupKind(ThemedPopupViewType(this, false), vt::ListPopup))
    data.PlayPopupSound = false;
  return openLeft;
}

void TThmEditItem::FireBeginEdit(TTbrEditItemViewer *viewer, QObject *editControl) {
  auto *control = dynamic_cast<TThmEditControl *>(editControl);
  if (control) {
    control->SetEditAlignment(FAlignment);
    control->SetPasswordChar(FPasswordChar);
    control->SelectAllText();
    control->SetEditReadOnly(FReadOnly);
    QFont font = control->EditFont();
    TColor color = ThmNoColor;
    FFontSettings.Apply(font, color);
    control->SetEditFont(font, color);
  }
  // Known to the viewer before OnBeginEdit, so that a handler that types
  // into the editor is heard.
  if (auto *themed = dynamic_cast<TThmEditItemViewer *>(viewer))
    themed->SetEditControl(editControl, control);
  TTbrEditItem::FireBeginEdit(viewer, editControl);
}

void TThmEditItem::EditTextChanged(TTbrEditItemViewer *viewer, const QString &text) {
  if (auto *themed = dynamic_cast<TThmEditItemViewer *>(viewer))
    themed->EditChanged(text);
  else
    DoChange(nullptr, text);
}

void TThmEditItem::EditEnded(TTbrEditItemViewer *viewer, const TTbrEditSession &session) {
  (void)viewer;
  if (session.Committed() || Text() == session.OriginalText())
    return;
  SetText(session.OriginalText());
  DoChange(nullptr, Text());
}

bool TThmEditItem::EditKeyPressed(TTbrEditItemViewer *viewer, int key, Qt::KeyboardModifiers modifiers) {
  auto *themed = dynamic_cast<TThmEditItemViewer *>(viewer);
  return themed && themed->HandleEditMessage(key, modifiers);
}

void TThmEditItem::DoChange(TThmEditControl *control, const QString &text) {
  (void)control;
  if (!FOnChange)
    return;
  // A copy: the handler may replace itself.
  const TThmEditChange handler = FOnChange;
  handler(this, text);
}

// ---------------------------------------------------------------------------
// The viewer

void TThmEditItemViewer::SetEditControl(QObject *object, TThmEditControl *control) {
  FEditObject = control ? object : nullptr;
  FEditControl = control;
}

bool TThmEditItemViewer::IsToolbarStyle() const {
  return TTbrEditItemViewer::IsToolbarStyle() || IsPopupKind(GetViewType(View), vt::ToolBoxPopup);
}

bool TThmEditItemViewer::IsToolbarSize() const {
  return TTbrEditItemViewer::IsToolbarSize() || IsPopupKind(GetViewType(View), vt::ToolBoxPopup);
}

int TThmEditItemViewer::AccessibleRole() const {
  if (Item->HasStyle(tbis::Submenu) && Item->HasStyle(tbis::Combo))
    return 46; // combo box
  return TTbrEditItemViewer::AccessibleRole();
}

int TThmEditItemViewer::LeftButtonWidth() const {
  const TTbrImageList *images = ImageList();
  return ShowImage() && images ? images->Width() + 2 : 0;
}

int TThmEditItemViewer::ThemedCaptionWidth() const {
  const QString &caption = EditItem()->EditCaption();
  if (caption.isEmpty() || IsToolbarStyle())
    return 0;
  return View->Host()->Measure().TextExtent(RemoveAmpersands(caption), false).width() + Metric(34);
}

int TThmEditItemViewer::ImageColumn() const {
  const TTbrImageList *images = ImageList();
  const QSize image = images ? QSize(images->Width(), images->Height()) : QSize();
  return PopupImageColumn(MeasureFont(View->Host()->Measure()), image);
}

void TThmEditItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  (void)bold;
  QFont font = MeasureFont(measure);
  TColor color = ThmNoColor;
  ThemedItem()->FontSettings().Apply(font, color);
  const int textHeight = QFontMetrics(font).height();
  width = EditItem()->EditWidth();
  height = textHeight + 1;
  if (IsToolbarStyle()) {
    height += 2 * Metric(60);
  } else {
    width += Metric(32) + (BoolMetric(3) ? ImageColumn() : Metric(33));
    const QString &caption = EditItem()->EditCaption();
    if (!caption.isEmpty())
      width += measure.TextExtent(RemoveAmpersands(caption), false).width() + Metric(64) + Metric(34);
    height += (height + 3) / 4;
  }
  height = std::max(height, 2 * Metric(62) + textHeight + 1 + 2 * Metric(60));
  // Even when the theme asks for it, else odd, so that the box's text sits in the middle.
  if (BoolMetric(4))
    height += height & 1;
  else if (!(height & 1))
    ++height;
}

QRect TThmEditItemViewer::EditBoxRect() const {
  const int captionWidth = ThemedCaptionWidth();
  QRect box = BoundsRect;
  if (!IsToolbarStyle()) {
    if (BoolMetric(3))
      box.setLeft(box.left() + Metric(33) + ImageColumn());
    else if (captionWidth > 0)
      box.setLeft(box.left() + Metric(33) + Metric(64));
    else
      box.setLeft(box.left() + Metric(33));
  }
  box.setLeft(box.left() + captionWidth);
  const int dx = 3 - Metric(60) - Metric(61), dy = 3 - Metric(60) - Metric(62);
  box.adjust(-dx, -dy, dx, dy);
  box.adjust(LeftButtonWidth(), 0, -RightButtonWidth(), 0);
  return box;
}

ItemPaintInfo TThmEditItemViewer::GetItemInfo(bool isHoverItem, bool isPushed) const {
  const bool toolbarStyle = IsToolbarStyle();
  ItemPaintInfo info;
  info.ViewType = GetViewType(View);
  info.ItemOptions = toolbarStyle ? ipo::ToolbarStyle : 0;
  info.Enabled = Item->Enabled() || View->Customizing;
  info.Pushed = isPushed;
  info.Selected = Item->Checked();
  if (isHoverItem)
    info.HoverKind = info.Enabled ? 2 : (View->MouseOverSelected() ? 0 : 1);
  if (!toolbarStyle)
    info.PopupMargin = ImageColumn();
  return info;
}

EditBoxInfo TThmEditItemViewer::GetEditInfo() const { return EditBoxInfo{}; }

bool TThmEditItemViewer::HandleEditMessage(int key, Qt::KeyboardModifiers modifiers) {
  (void)key, (void)modifiers;
  return false;
}

void TThmEditItemViewer::EditChanged(const QString &text) { ThemedItem()->DoChange(EditControl(), text); }

bool TThmEditItemViewer::Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
                               bool useDisabledShadow) {
  (void)useDisabledShadow;
  TThmTheme &theme = ActiveTheme();
  const TThmEditItem &item = *ThemedItem();
  const ItemPaintInfo info = GetItemInfo(isHoverItem, isPushed);
  EditBoxInfo boxInfo = GetEditInfo();
  boxInfo.LeftButtonWidth = LeftButtonWidth();
  boxInfo.RightButtonWidth = RightButtonWidth();

  QRect editPart = clientAreaRect;
  if (!IsToolbarStyle()) {
    const bool imageColumn = BoolMetric(3);
    const QString &caption = item.EditCaption();
    const int captionWidth = caption.isEmpty() ? 0 : CanvasTextWidth(canvas, caption, true);
    const int m31 = Metric(31), m33 = Metric(33), m34 = Metric(34);
    const int margin = imageColumn ? m33 + info.PopupMargin + m31 + 1 : caption.isEmpty() ? 0 : m33;
    if (imageColumn || !caption.isEmpty()) {
      const int captionEnd = clientAreaRect.left() + margin + captionWidth + m34 + (imageColumn ? m31 : 0);
      theme.PaintMenuEntryHighlight(
          canvas, QRect(QPoint(clientAreaRect.left(), clientAreaRect.top()), QPoint(captionEnd - 1, clientAreaRect.bottom())),
          info);
      if (!caption.isEmpty()) {
        const QRect captionRect(QPoint(clientAreaRect.left() + margin, clientAreaRect.top()),
                                QPoint(captionEnd - 1, clientAreaRect.bottom()));
        unsigned prefix = 0;
        const bool cuesOn = View->Host() ? View->Host()->KeyboardCuesOn() : true;
        if (!cuesOn && (View->Style & tbvsHideAccelsUntilKeyboard) && !(View->State & tbvsAccelsShown))
          prefix = TextHidePrefix;
        theme.PaintItemCaption(canvas, captionRect, info, caption, TextVCenter | prefix, false);
      }
      editPart.setLeft(captionEnd + (!caption.isEmpty() && !imageColumn ? Metric(64) : 0));
      if (imageColumn)
        editPart.setRight(editPart.right() - m31);
    } else {
      // A theme without an image column and an item without a label: the
      // box starts at the menu's text margin rather than vanishing.
      editPart.setLeft(editPart.left() + m33);
    }
  }
  if (editPart.isEmpty())
    return true;

  theme.PaintEditBox(canvas, editPart, info, boxInfo);
  const int dx = Metric(60) + Metric(61), dy = Metric(60) + Metric(62);
  QRect textArea = editPart.adjusted(dx, dy, -dx, -dy);

  const TTbrImageList *images = ImageList();
  if (ShowImage() && images) {
    const QRect imageRect(textArea.left(), (textArea.top() + textArea.bottom() + 1 - images->Height() + 1) / 2,
                          images->Width(), images->Height());
    if (Item->Enabled()) {
      if (auto *pixels = dynamic_cast<const TTbrPixelImageList *>(images)) {
        const QImage glyph = pixels->Image(item.GetImageIndex());
        if (!glyph.isNull())
          canvas.DrawImage(imageRect.topLeft(), glyph);
      }
    } else {
      DrawItemImageWithState(canvas, imageRect, images, item.GetImageIndex(), isf::Disabled);
    }
  }

  textArea.adjust(LeftButtonWidth(), 0, -(RightButtonWidth() + 1), 0);
  const QString &text = item.Text();
  if (text.isEmpty() || textArea.isEmpty())
    return true;
  const QString shown = item.PasswordChar().isNull() ? text : QString(text.size(), item.PasswordChar());
  const bool enabled = Item->Enabled();
  QFont font = canvas.Font();
  TColor color = SysColor(enabled ? sciWindowText : sciGrayText);
  item.FontSettings().Apply(font, color);
  unsigned flags = TextVCenter | TextNoPrefix;
  if (item.Alignment() == TAlignment::taRightJustify)
    flags |= TextRight;
  else if (item.Alignment() == TAlignment::taCenter)
    flags |= TextCenter;
  canvas.Save();
  canvas.SetFont(font);
  DrawFormattedText(canvas, shown, textArea, flags, ThmQColor(color));
  canvas.Restore();
  return true;
}

} // namespace qel::toolbars
