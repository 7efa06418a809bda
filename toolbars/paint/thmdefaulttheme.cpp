#include "toolbars/paint/thmdefaulttheme.h"

#include "platform/colorvalue.h"
#include "toolbars/paint/drawutils.h"
#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/glypheffects.h"
#include "toolbars/paint/pixelimagelist.h"

// Visual styles are never in force on this desktop (UseThemes stays false),
// so every element is painted in its classic form; UseThemes is still read
// where it decides a colour or a metric.

namespace qel::toolbars {

namespace {

// Windows-style edges (right and bottom exclusive) to a QRect.
QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }
int Rx(const QRect &r) { return r.x() + r.width(); }
int Bx(const QRect &r) { return r.y() + r.height(); }

const std::uint8_t ChevronGlyphHorizontal[8] = {0xCC, 0x66, 0x33, 0x66, 0xCC, 0x00, 0x00, 0x00};
const std::uint8_t ChevronGlyphVertical[8] = {0x88, 0xD8, 0x70, 0x20, 0x88, 0xD8, 0x70, 0x20};
const std::uint8_t ToolbarCloseGlyph[8] = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00, 0x00};
const std::uint8_t PanelCloseGlyph[8] = {0xC6, 0x6C, 0x38, 0x38, 0x6C, 0xC6, 0x00, 0x00};

QColor Q(TColor color) { return TColorToQColor(color); }
QColor S(TSysColorIndex index) { return SysQColor(index); }

bool IsToolbarStyle(const ItemPaintInfo &info) { return info.ItemOptions & ipo::ToolbarStyle; }
bool IsPopupMenuItem(const ItemPaintInfo &info) {
  return IsPopupKind(info.ViewType, vt::PopupMenu) && !IsToolbarStyle(info);
}

// How a disabled caption is written on `background`: readable there (at
// least 3:1) on any desktop. On a light face the classic emboss (button
// shadow over a button-highlight copy one pixel down and right), its shadow
// darkened toward the text colour where it is too faint; on a dark face the
// shadow hardly differs from the face and a light copy would glare, so the
// text is written flat in grey text, brought toward the text colour as far
// as it needs to read.
struct TDisabledInk {
  QColor Ink;
  QColor Highlight; // invalid: no embossed copy
};

constexpr double ReadableContrast = 3.0;

TDisabledInk DisabledInk(TColor background) {
  const TColor back = ColorToRGB(background);
  TColor text = ColorToRGB(SysColor(sciBtnText));
  // Black or white, whichever reads better, if even the text colour does not.
  if (ContrastRatio(text, back) < ReadableContrast)
    text = ContrastRatio(0x000000, back) > ContrastRatio(0xFFFFFF, back) ? 0x000000 : 0xFFFFFF;
  const bool lightFace = ContrastRatio(text, 0x000000) < ContrastRatio(back, 0x000000);
  if (lightFace)
    return {Q(ReadableInk(ColorToRGB(SysColor(sciBtnShadow)), text, back, ReadableContrast)), S(sciBtnHighlight)};
  return {Q(ReadableInk(ColorToRGB(SysColor(sciGrayText)), text, back, ReadableContrast)), QColor()};
}

// A shape in button highlight one pixel down and right, then in button shadow at its place.
void Embossed(TCanvas &canvas, const QPolygon &shape, bool withHighlight = true) {
  if (withHighlight)
    canvas.FillPolygon(shape.translated(1, 1), S(sciBtnHighlight));
  canvas.FillPolygon(shape, S(sciBtnShadow));
}

void Polyline(TCanvas &canvas, const QPolygon &points, const QColor &color) {
  for (int i = 1; i < points.size(); ++i)
    canvas.DrawLine(points[i - 1], points[i], color);
}

void DrawGlyph(TCanvas &canvas, const QRect &rect, const QImage &glyph, bool enabled) {
  canvas.Save();
  canvas.SetClipRect(rect);
  canvas.DrawImage(rect.topLeft(), enabled ? glyph : DisabledImage(glyph));
  canvas.Restore();
}

} // namespace

TThmDefaultTheme::TThmDefaultTheme(const QString &name) : TThmTheme(name) {
  AddThemeNotification(this);
  RefreshColors();
}

TThmDefaultTheme::~TThmDefaultTheme() { RemoveThemeNotification(this); }

void TThmDefaultTheme::RefreshColors() { ToolbarColor = ToolbarFaceColor; }

void TThmDefaultTheme::Dispatch(TThmMessage &message) {
  if (message.Msg == ThemeChangeMessage && message.WParam == tcm::SystemChangeMiddle)
    RefreshColors();
}

QPoint TThmDefaultTheme::ImageOffset(TCanvas &, const ItemPaintInfo &info, const TTbrImageList *) {
  return info.Pushed || info.Selected ? QPoint(1, 1) : QPoint(0, 0);
}

TColor TThmDefaultTheme::ItemBackColor(const ItemPaintInfo &info) {
  if (!UseThemes && info.Hot() && IsPopupMenuItem(info))
    return SysColor(sciHighlight);
  return ViewBackColor(info.ViewType);
}

TColor TThmDefaultTheme::ItemTextColor(const ItemPaintInfo &info) {
  if (!info.Enabled)
    return SysColor(sciGrayText);
  const bool menuBar = IsMenuBarType(info.ViewType);
  const bool inactive = menuBar && !(info.ItemOptions & ipo::AppActive);
  if (!IsToolbarStyle(info) || (menuBar && FlatMenus)) {
    if (info.HoverKind != 0)
      return SysColor(sciHighlightText);
    return inactive ? SysColor(sciGrayText) : MenuTextColor;
  }
  return inactive ? SysColor(sciGrayText) : SysColor(sciBtnText);
}

TColor TThmDefaultTheme::ItemImageBackColor(const ItemPaintInfo &info) {
  if (info.Hot() && IsMenuBarType(info.ViewType) && FlatMenus)
    return SysColor(sciHighlight);
  if (FlatMenus && (IsPopupKind(info.ViewType, vt::ChevronPopup) || (info.Hot() && IsPopupMenuItem(info))))
    return ToolbarColor;
  return ViewBackColor(info.ViewType);
}

ThemeMargins TThmDefaultTheme::Margins(int marginId) {
  switch (marginId) {
  case 1: return {2, 2, 2, 2};
  case 3: return {1, 3, 1, 1};
  default: return {};
  }
}

int TThmDefaultTheme::PopupShadowKind() { return 1; }

QPoint TThmDefaultTheme::ViewBorderSize(int viewType) {
  if (IsPopupType(viewType))
    return IsPopupKind(viewType, vt::ListPopup) ? QPoint(1, 1) : QPoint(3, 3);
  if (!IsToolbarType(viewType) && !IsDockPanelType(viewType))
    return QPoint(0, 0);
  if (viewType & vt::Floating)
    return viewType & vt::Resizable ? ThemeManager().System().SizingFrameSize()
                                    : ThemeManager().System().DialogFrameSize();
  return QPoint(2, 2);
}

TColor TThmDefaultTheme::ViewBackColor(int viewType) {
  if (IsToolbarType(viewType))
    return ToolbarColor;
  if (IsPopupType(viewType)) {
    if (IsPopupKind(viewType, vt::PopupMenu))
      return MenuBackColor;
    if (IsPopupKind(viewType, vt::ListPopup))
      return SysColor(sciWindow);
    if (IsPopupKind(viewType, vt::ToolBoxPopup))
      return ToolbarColor;
    if (IsPopupKind(viewType, vt::ChevronPopup))
      return MenuBackColor;
    return ToolbarColor;
  }
  if (IsDockPanelType(viewType))
    return MixColorsNearest(ColorToRGB(ToolbarColor), ColorToRGB(SysColor(sciWindow)), 64,
                            ThemeManager().System().ScreenColorDepth());
  return ToolbarColor;
}

ThemeMargins TThmDefaultTheme::ViewMargins(int viewType) {
  if ((viewType & vt::ToolbarFamily) && (viewType & vt::Floating))
    return {4, 4, 2, 1};
  return {};
}

void TThmDefaultTheme::PaintViewBackground(TCanvas &canvas, const QRect &, const QRect &rect, const QRect &clipRect,
                                           TColor color, bool transparent, int) {
  if (!transparent)
    FillRectWithColor(canvas, rect.intersected(clipRect), color);
}

void TThmDefaultTheme::PaintItemButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  const bool hot = info.Hot();
  const bool menuBar = IsMenuBarType(info.ViewType);
  const bool pushedOrTicked = info.Enabled && (info.Pushed || info.Selected);
  if (menuBar && FlatMenus) {
    if (pushedOrTicked || hot)
      canvas.FillRect(rect, S(sciHighlight));
    return;
  }
  QRect r = rect;
  if (info.ComboPart == 3)
    r.adjust(0, 0, -2, 0);
  if (FlatMenus && (pushedOrTicked || hot))
    FillRectWithColor(canvas, r, ToolbarColor);
  const bool unhoveredTick = info.Enabled && info.Selected && !info.Pushed && info.HoverKind == 0;
  if (IsEmbeddedToolbarType(info.ViewType)) {
    unsigned flags = efRect | efMiddle;
    if (!(hot && info.Enabled && !info.Pushed && !info.Selected))
      flags |= efFlat;
    QRect edge = r;
    if (info.ComboPart == 2 && !hot && !info.Pushed)
      edge.adjust(0, 0, 1, 0);
    DrawEdge(canvas, edge, edRaised, flags);
    if (unhoveredTick)
      FillRectWithDitherPattern(canvas, r.adjusted(1, 1, -1, -1), ToolbarColor, SysColor(sciBtnHighlight));
  } else if (pushedOrTicked) {
    QRect inner = r;
    DrawEdge(canvas, inner, edSunkenOuter, efRect | efAdjust);
    if (unhoveredTick)
      FillRectWithDitherPattern(canvas, inner, ToolbarColor, SysColor(sciBtnHighlight));
  } else if (hot || (info.ItemOptions & ipo::DesignTime)) {
    QRect edge = r;
    DrawEdge(canvas, edge, edRaisedInner, efRect);
  }
  if (info.ComboPart == 3)
    PaintDropDownGlyph(canvas, r, info);
}

void TThmDefaultTheme::PaintItemCaption(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                        const QString &caption, unsigned textFlags, bool rotated, TColor textColor) {
  const TColor color = textColor == ThmNoColor ? ItemTextColor(info) : textColor;
  QRect r = rect;
  if (info.Enabled && IsToolbarStyle(info) && (info.Pushed || info.Selected) &&
      !(IsMenuBarType(info.ViewType) && FlatMenus))
    r.translate(1, 1);
  auto draw = [&](const QRect &at, const QColor &c) {
    if (rotated)
      DrawVerticalText(canvas, caption, at, textFlags, c);
    else
      DrawFormattedText(canvas, caption, at, textFlags, c);
  };
  const bool keyboardHighlightedMenuItem = !IsToolbarStyle(info) && info.HoverKind != 0;
  if (!info.Enabled && !UseThemes && !keyboardHighlightedMenuItem) {
    const TDisabledInk ink = DisabledInk(ItemBackColor(info));
    if (ink.Highlight.isValid())
      draw(r.translated(1, 1), ink.Highlight);
    draw(r, ink.Ink);
  } else if (!info.Enabled) {
    // Grey text on the highlight bar (a menu entry the keyboard is on),
    // made to read there as well.
    const TColor back = ColorToRGB(keyboardHighlightedMenuItem ? SysColor(sciHighlight) : ItemBackColor(info));
    const bool readable = ContrastRatio(ColorToRGB(color), back) >= ReadableContrast;
    draw(r, readable ? Q(color) : DisabledInk(back).Ink);
  } else {
    draw(r, Q(color));
  }
}

void TThmDefaultTheme::PaintCheckGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  const int cx = (rect.left() + Rx(rect)) / 2, cy = (rect.top() + Bx(rect)) / 2;
  Polyline(canvas,
           QPolygon({QPoint(cx - 3, cy), QPoint(cx - 1, cy + 2), QPoint(cx + 3, cy - 2), QPoint(cx + 3, cy - 1),
                     QPoint(cx - 1, cy + 3), QPoint(cx - 3, cy + 1), QPoint(cx - 3, cy)}),
           S(info.Enabled ? sciBtnText : sciGrayText));
  if (info.Enabled)
    Polyline(canvas,
             QPolygon({QPoint(cx - 4, cy), QPoint(cx - 4, cy + 1), QPoint(cx - 1, cy + 4), QPoint(cx + 4, cy - 1),
                       QPoint(cx + 4, cy - 3)}),
             S(sciBtnHighlight));
}

void TThmDefaultTheme::PaintChevronGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  PaintItemButton(canvas, rect, info);
  QPoint at = info.IsVertical ? QPoint(Rx(rect) - 9, rect.top() + 2) : QPoint(rect.left() + 2, rect.top() + 4);
  const QSize size = info.IsVertical ? QSize(5, 8) : QSize(8, 5);
  const auto &glyph = info.IsVertical ? ChevronGlyphVertical : ChevronGlyphHorizontal;
  if (info.Pushed)
    at += QPoint(1, 1);
  if (info.Enabled) {
    StampGlyph(canvas, at, glyph, size.width(), size.height(), S(sciBtnText));
  } else {
    StampGlyph(canvas, at + QPoint(0, 1), glyph, size.width(), size.height(), S(sciBtnHighlight));
    StampGlyph(canvas, at, glyph, size.width(), size.height(), S(sciBtnShadow));
  }
}

void TThmDefaultTheme::PaintEditBox(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                    const EditBoxInfo &boxInfo) {
  PaintEditBorder(canvas, rect, info);
  const int m = IntegerMetric(60);
  const QRect inner = rect.adjusted(m, m, -m, -m);
  QRect field = inner;
  if (boxInfo.RightButtonWidth > 0)
    field.adjust(0, 0, -(boxInfo.RightButtonWidth - 2), 0);
  if (info.Enabled)
    canvas.FillRect(field, S(sciWindow));
  if (boxInfo.RightButtonWidth > 0)
    PaintEditBoxButton(canvas, Ltrb(Rx(inner) - boxInfo.RightButtonWidth, inner.top(), Rx(inner), Bx(inner)), info,
                       boxInfo.RightButton);
}

void TThmDefaultTheme::PaintEditBoxButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                          const EditButtonInfo &buttonInfo) {
  const int state = buttonInfo.ButtonState;
  const bool disabled = state & ebs::Disabled, hot = state & ebs::Hot;
  const bool embedded = IsEmbeddedToolbarType(info.ViewType);
  const QRect button = Ltrb(rect.left() + 2, rect.top(), Rx(rect), Bx(rect));
  if (!disabled) {
    const bool lit = hot || (state & (ebs::Pushed | ebs::LowerPushed));
    const QColor line = lit ? Q(ToolbarColor) : S(embedded ? sciBtnShadow : sciWindow);
    canvas.FillRect(Ltrb(rect.left() + 1, rect.top() - 1, rect.left() + 2, Bx(rect) + 1), line);
  }
  // One half (or the whole drop-down button) framed by its own pushed bit.
  auto frame = [&](QRect part, bool pushed) {
    if (pushed)
      DrawEdge(canvas, part, edSunkenOuter, efRect | efAdjust);
    else if (hot)
      DrawEdge(canvas, part, edRaisedInner, efRect | efAdjust);
    else if (!disabled)
      FrameRectWithColor(canvas, part, SysColor(sciWindow), true);
    return part;
  };
  if (buttonInfo.ButtonType != 2) {
    frame(button, state & ebs::Pushed);
    PaintDropDownGlyph(canvas, button, info);
    return;
  }
  const int middle = (button.top() + Bx(button)) / 2;
  const QColor arrowColor = IsToolbarStyle(info) ? Q(MenuTextColor) : S(sciBtnText);
  struct THalf {
    QRect Rect;
    bool Pushed;
    TArrowDirection Direction;
  } halves[2] = {{Ltrb(button.left(), button.top(), Rx(button), middle), bool(state & ebs::Pushed), TArrowDirection::Up},
                 {Ltrb(button.left(), middle, Rx(button), Bx(button)), bool(state & ebs::LowerPushed),
                  TArrowDirection::Down}};
  for (const auto &half : halves) {
    frame(half.Rect, half.Pushed);
    QPoint c((half.Rect.left() + Rx(half.Rect)) / 2, (half.Rect.top() + Bx(half.Rect)) / 2);
    if (half.Pushed)
      c += QPoint(1, 1);
    if (disabled) {
      DrawArrow(canvas, c + QPoint(1, 1), half.Direction, 2, S(sciBtnHighlight));
      DrawArrow(canvas, c, half.Direction, 2, S(sciBtnShadow));
    } else {
      DrawArrow(canvas, c, half.Direction, 2, arrowColor);
    }
  }
}

void TThmDefaultTheme::PaintDockBackground(TCanvas &, const QRect &, const QRect &, int) {
  // Only a visual style paints docks; the classic dock shows its own colour.
}

void TThmDefaultTheme::PaintDockPanelFrame(TCanvas &canvas, const QRect &rect, const DockPanelFrameInfo &info) {
  QRect r = rect;
  FrameRectWithColor(canvas, r, ToolbarColor, true);
  const int captionSize = ThemeManager().System().SmallCaptionHeight();
  QRect strip, rest = r;
  if (info.ShowCaption) {
    if (info.IsVertical) {
      strip = Ltrb(r.left(), r.top(), Rx(r), r.top() + captionSize);
      rest = Ltrb(r.left(), Bx(strip), Rx(r), Bx(r));
    } else {
      strip = Ltrb(r.left(), r.top(), r.left() + captionSize, Bx(r));
      rest = Ltrb(Rx(strip), r.top(), Rx(r), Bx(r));
    }
  }
  FrameRectWithColor(canvas, rest, SysColor(sciWindow), false);
  if (!info.ShowCaption)
    return;
  DrawEdge(canvas, strip, edRaisedInner, efRect | efAdjust);
  if (info.CloseButtonState & cbs::Shown) {
    // A square of the strip's thickness at its far end, one more pixel off on its inner side.
    QRect square;
    if (info.IsVertical) {
      square = Ltrb(Rx(strip) - strip.height(), strip.top(), Rx(strip), Bx(strip));
      strip = Ltrb(strip.left(), strip.top(), square.left(), Bx(strip));
    } else {
      square = Ltrb(strip.left(), Bx(strip) - strip.width(), Rx(strip), Bx(strip));
      strip = Ltrb(strip.left(), strip.top(), Rx(strip), square.top());
    }
    FillRectWithColor(canvas, square, ToolbarColor);
    square.adjust(1, 1, -1, -1);
    square.adjust(info.IsVertical ? 1 : 0, info.IsVertical ? 0 : 1, 0, 0);
    const bool pushed = info.CloseButtonState & cbs::Pushed;
    QRect edge = square;
    if (pushed)
      DrawEdge(canvas, edge, edSunkenOuter, efRect);
    else if (info.CloseButtonState & cbs::Hot)
      DrawEdge(canvas, edge, edRaisedInner, efRect);
    QRect glyph = square.adjusted(2, 2, -2, -2);
    if (pushed)
      glyph.translate(1, 1);
    StampGlyph(canvas, QPoint((glyph.left() + Rx(glyph) - 7) / 2, (glyph.top() + Bx(glyph) - 6) / 2), PanelCloseGlyph,
               7, 6, S(sciBtnText));
  }
  FillRectWithColor(canvas, strip, ToolbarColor);
  strip.adjust(info.IsVertical ? 2 : 0, info.IsVertical ? 0 : 2, info.IsVertical ? -2 : 0, info.IsVertical ? 0 : -2);
  canvas.Save();
  canvas.SetFont(SmallCaptionFont());
  const unsigned flags = TextVCenter | TextNoPrefix | TextEndEllipsis;
  if (info.IsVertical)
    DrawFormattedText(canvas, info.Caption, strip, flags, S(sciBtnText));
  else
    DrawVerticalText(canvas, info.Caption, strip, flags, S(sciBtnText));
  canvas.Restore();
}

void TThmDefaultTheme::PaintDropDownGlyph(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  int cx = (rect.left() + Rx(rect)) / 2, cy = (rect.top() + Bx(rect)) / 2 - 1;
  if ((info.Pushed || info.Selected) && info.ComboPart != 3) {
    ++cx;
    ++cy;
  }
  const QPolygon triangle = info.IsVertical
                                ? QPolygon({QPoint(cx, cy + 2), QPoint(cx, cy - 2), QPoint(cx - 2, cy)})
                                : QPolygon({QPoint(cx - 2, cy), QPoint(cx + 2, cy), QPoint(cx, cy + 2)});
  if (info.Enabled)
    canvas.FillPolygon(triangle, IsToolbarStyle(info) ? Q(MenuTextColor) : S(sciBtnText));
  else
    Embossed(canvas, triangle);
}

void TThmDefaultTheme::PaintFloatingFrame(TCanvas &canvas, const QRect &rect, const FloatingFrameInfo &info) {
  const QPoint border = info.FloatingBorderSize;
  if (info.RedrawPart & rdp::Border) {
    // The ring between the window's edge and its inside: a raised edge, the rest of the ring in button face.
    QRect edge = rect;
    DrawEdge(canvas, edge, edRaised, efRect | efAdjust);
    const QRect inside = rect.adjusted(border.x(), border.y(), -border.x(), -border.y());
    const QColor face = S(sciBtnFace);
    if (inside.top() > edge.top())
      canvas.FillRect(Ltrb(edge.left(), edge.top(), Rx(edge), inside.top()), face);
    if (Bx(edge) > Bx(inside))
      canvas.FillRect(Ltrb(edge.left(), Bx(inside), Rx(edge), Bx(edge)), face);
    if (inside.left() > edge.left())
      canvas.FillRect(Ltrb(edge.left(), inside.top(), inside.left(), Bx(inside)), face);
    if (Rx(edge) > Rx(inside))
      canvas.FillRect(Ltrb(Rx(inside), inside.top(), Rx(edge), Bx(inside)), face);
  }
  if (!info.ShowCaption)
    return;
  const QPoint origin = rect.topLeft();
  const bool closeShown = info.CloseButtonState & cbs::Shown;
  if (info.RedrawPart & rdp::Caption) {
    const QRect caption = FloatingCaptionRect(info, true, false).translated(origin);
    DrawSmallCaption(canvas, FloatingCaptionRect(info, true, closeShown).translated(origin), info.Caption, info.Active);
    canvas.FillRect(Ltrb(caption.left(), Bx(caption), Rx(caption), Bx(caption) + 1), S(sciBtnFace));
  }
  if (closeShown && (info.RedrawPart & (rdp::Caption | rdp::CloseButton))) {
    QRect square = FloatingCloseButtonRect(info, true).translated(origin);
    const TColor ring = SysColor(info.Active ? sciActiveCaption : sciInactiveCaption);
    FrameRectWithColor(canvas, square, ring, true);
    FrameRectWithColor(canvas, square, ring, true);
    DrawCaptionButton(canvas, square, TCaptionButton::Close, info.CloseButtonState & cbs::Pushed);
  }
}

void TThmDefaultTheme::PaintEditBorder(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  const bool hot = info.Pushed || info.Selected || info.Hot();
  const bool framed = hot || (info.ItemOptions & ipo::DesignTime);
  QRect r = rect;
  if (IsEmbeddedToolbarType(info.ViewType)) {
    if (hot) {
      DrawEdge(canvas, r, edSunken, efRect);
    } else {
      r.adjust(1, 1, -1, -1);
      DrawEdge(canvas, r, edSunkenOuter, efRect | efFlat);
    }
    return;
  }
  if (framed)
    DrawEdge(canvas, r, edSunkenOuter, efRect);
  r.adjust(1, 1, -1, -1);
  FrameRectWithColor(canvas, r, ToolbarColor, true);
  FrameRectWithColor(canvas, r, SysColor(sciWindow), true);
}

void TThmDefaultTheme::PaintItemImage(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                      const QImage &glyph) {
  QRect r = rect;
  if (info.Pushed || info.Selected)
    r.translate(1, 1);
  const bool popupMenuItem = IsPopupMenuItem(info);
  if ((popupMenuItem && !FlatMenus) || (!popupMenuItem && !UseThemes)) {
    DrawGlyph(canvas, r, glyph, info.Enabled);
    return;
  }
  const bool dark =
      !IsPopupKind(info.ViewType, vt::PopupMenu) && IsDarkColor(ColorToRGB(ItemImageBackColor(info)), 100);
  if (!info.Enabled)
    DrawImageFaded(canvas, r, glyph, 0);
  else if (!info.Selected && !info.Pushed && info.HoverKind == 0 && !dark && !WhiteButtonFace && !LowColorDisplay)
    DrawImageBlended(canvas, r, glyph, 178, SysColor(sciWindow));
  else
    DrawImageContrast(canvas, r, glyph, dark);
}

void TThmDefaultTheme::PaintWindowButton(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                         int buttonKind) {
  static constexpr TCaptionButton kinds[4] = {TCaptionButton::Close, TCaptionButton::Minimise,
                                              TCaptionButton::Maximise, TCaptionButton::Restore};
  if (buttonKind >= 0 && buttonKind < 4)
    DrawCaptionButton(canvas, rect, kinds[buttonKind], info.Pushed);
}

void TThmDefaultTheme::PaintMenuEntry(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  const bool hasColumn = info.ImageWidth > 0 || info.Selected;
  const bool split = info.ItemOptions & ipo::Combo;
  const int w = ThemeManager().System().MenuCheckWidth();
  QRect highlight = rect;
  if (hasColumn)
    highlight.setLeft(rect.left() + IntegerMetric(32) + info.PopupMargin);
  if (split && info.Enabled)
    highlight.setRight(highlight.right() - w);
  PaintMenuEntryHighlight(canvas, highlight, info);
  if (split) {
    QRect arrow = Ltrb(Rx(rect) - w, rect.top(), Rx(rect), Bx(rect));
    if (info.Enabled && info.HoverKind != 0) {
      DrawEdge(canvas, arrow, edSunkenOuter, efRect);
    } else {
      arrow.translate(-1, 0);
      DrawEdge(canvas, arrow, info.Hot() ? edSunkenOuter : edEtched, efLeft);
    }
  }
  if (info.ItemOptions & ipo::Submenu) {
    const int cy = (rect.top() + Bx(rect)) / 2, x = Rx(rect) - w * 2 / 3 - 2;
    const QPolygon triangle({QPoint(x, cy - 3), QPoint(x, cy + 3), QPoint(x + 3, cy)});
    if (info.Enabled)
      canvas.FillPolygon(triangle, info.HoverKind == 0 || split ? Q(MenuTextColor) : S(sciHighlightText));
    else
      Embossed(canvas, triangle, info.HoverKind != 1);
  }
  if (info.Enabled && hasColumn && (info.HoverKind != 0 || info.Selected)) {
    const QRect column = Ltrb(rect.left(), rect.top(), rect.left() + info.PopupMargin, Bx(rect));
    if (FlatMenus)
      FillRectWithColor(canvas, column, ToolbarColor);
    PaintItemButton(canvas, column, info);
  }
}

void TThmDefaultTheme::PaintMenuEntryHighlight(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info) {
  if (info.Hot())
    canvas.FillRect(rect, S(sciHighlight));
}

void TThmDefaultTheme::PaintScrollArrowButton(TCanvas &canvas, const QRect &rect, int buttonType, bool hot) {
  static constexpr TArrowDirection directions[4] = {TArrowDirection::Up, TArrowDirection::Down,
                                                    TArrowDirection::Left, TArrowDirection::Right};
  if (buttonType >= 1 && buttonType <= 4)
    DrawScrollButton(canvas, rect, directions[buttonType - 1], hot, false);
}

void TThmDefaultTheme::PaintPopupFrame(TCanvas &canvas, const QRect &rect, const PopupFrameInfo &info) {
  QRect r = rect;
  auto rings = [&](std::initializer_list<TColor> colors) {
    for (TColor color : colors)
      FrameRectWithColor(canvas, r, color, true);
  };
  if (IsPopupKind(info.ViewType, vt::ListPopup)) {
    rings({SysColor(sciWindowFrame), SysColor(sciWindow), SysColor(sciWindow)});
  } else if (FlatMenus && !IsPopupKind(info.ViewType, vt::ToolBoxPopup)) {
    rings({SysColor(sciBtnShadow), MenuBackColor, MenuBackColor});
  } else {
    DrawEdge(canvas, r, edRaised, efRect | efAdjust);
    rings({IsPopupKind(info.ViewType, vt::ToolBoxPopup) ? ToolbarColor : MenuBackColor});
  }
}

void TThmDefaultTheme::PaintSeparatorLine(TCanvas &canvas, const QRect &rect, const ItemPaintInfo &info,
                                          bool horizontal, bool lineSeparator) {
  if (!info.Enabled)
    return;
  int n = !lineSeparator ? 0 : (info.ViewType & vt::Floating) ? 1 : 4;
  if (horizontal && !IsToolbarStyle(info))
    n = 12;
  if (horizontal) {
    const int y = (rect.top() + Bx(rect)) / 2 - 1;
    QRect line = Ltrb(rect.left() + n, y, Rx(rect) - n, y + 2);
    DrawEdge(canvas, line, edEtched, efTop);
  } else {
    const int x = (rect.left() + Rx(rect)) / 2 - 1;
    QRect line = Ltrb(x, rect.top() + n, x + 2, Bx(rect) - n);
    DrawEdge(canvas, line, edEtched, efLeft);
  }
}

void TThmDefaultTheme::PaintToolbarFrame(TCanvas &canvas, const QRect &rect, const ToolbarFrameInfo &info) {
  FillRectWithColor(canvas, rect, ViewBackColor(info.ViewType));
  if (info.BorderStyle == 1) {
    QRect border = rect;
    DrawEdge(canvas, border, edRaisedInner, efRect | efAdjust);
  }
  const int size = ToolbarDragHandleSize(info);
  if (!info.AllowDrag)
    return;
  const QPoint origin = rect.topLeft() + info.BorderSize;
  const QRect strip = info.IsVertical ? QRect(origin, QSize(info.ClientWidth, size))
                                      : QRect(origin, QSize(size, info.ClientHeight));
  const bool close = info.CloseButtonState & cbs::Shown;
  if (info.DragHandleStyle != 1) {
    const int n = info.DragHandleStyle == 0 ? (close ? 3 : 2) : (close ? 5 : 2);
    const int bars = info.DragHandleStyle == 0 ? 2 : 1;
    for (int i = 0; i < bars; ++i) {
      const int at = n + 3 * i;
      QRect bar = info.IsVertical
                      ? Ltrb(strip.left() + 1, strip.top() + at, close ? Rx(strip) - size + 2 : Rx(strip) - 1,
                             strip.top() + at + 3)
                      : Ltrb(strip.left() + at, close ? strip.top() + size - 2 : strip.top() + 1, strip.left() + at + 3,
                             Bx(strip) - 1);
      if (bar.isEmpty())
        continue;
      QRect edge = bar;
      DrawEdge(canvas, edge, edRaisedInner, efRect);
      canvas.FillRect(QRect(bar.left(), bar.bottom(), 1, 1), S(sciBtnHighlight));
    }
  }
  if (!close)
    return;
  QRect button = ToolbarCloseButtonRect(info).translated(rect.topLeft()).adjusted(0, 0, -2, -2);
  const bool pushed = info.CloseButtonState & cbs::Pushed;
  QRect edge = button;
  if (pushed)
    DrawEdge(canvas, edge, edSunkenOuter, efRect);
  else if (info.CloseButtonState & cbs::Hot)
    DrawEdge(canvas, edge, edRaisedInner, efRect);
  if (pushed)
    button.translate(1, 1);
  StampGlyph(canvas, QPoint((button.left() + Rx(button) - 6) / 2, (button.top() + Bx(button) - 7) / 2),
             ToolbarCloseGlyph, 7, 7, S(sciBtnText));
}

void TThmDefaultTheme::PaintCheckControl(TCanvas &canvas, const QRect &rect, int kind, int state, int) {
  const bool radio = kind == 2;
  const bool disabled = state & cks::Disabled, pushed = state & cks::Pushed;
  if (!disabled && (state & (cks::Hot | cks::Pushed))) {
    DrawCheckButton(canvas, rect, radio, state & (cks::Set | cks::Mixed | cks::Pushed));
    return;
  }
  const QColor frame = S(sciBtnShadow);
  if (!radio) {
    QRect r = rect.adjusted(1, 1, -1, -1);
    FrameRectWithColor(canvas, r, SysColor(sciBtnShadow), true);
    if (disabled || pushed)
      canvas.FillRect(r, S(sciBtnFace));
    else if (state & cks::Mixed)
      FillRectWithDitherPattern(canvas, r, SysColor(sciWindow), SysColor(sciBtnFace));
    else
      canvas.FillRect(r, S(sciWindow));
    if (state & (cks::Set | cks::Mixed)) {
      const int cx = (rect.left() + Rx(rect)) / 2 - 1, cy = (rect.top() + Bx(rect)) / 2;
      const QColor ink = disabled ? S(sciGrayText) : (state & cks::Mixed) ? S(sciBtnShadow) : S(sciBtnText);
      canvas.FillPolygon(QPolygon({QPoint(cx - 2, cy + 1), QPoint(cx, cy + 3), QPoint(cx + 4, cy - 1),
                                   QPoint(cx + 4, cy - 3), QPoint(cx, cy + 1), QPoint(cx - 2, cy - 1)}),
                         ink);
    }
    return;
  }
  // A rounded square: its corners cut.
  auto rounded = [](const QRect &r) {
    const int c = qMin(3, qMin(r.width(), r.height()) / 3);
    return QPolygon({QPoint(r.left() + c, r.top()), QPoint(r.right() - c, r.top()), QPoint(r.right(), r.top() + c),
                     QPoint(r.right(), r.bottom() - c), QPoint(r.right() - c, r.bottom()),
                     QPoint(r.left() + c, r.bottom()), QPoint(r.left(), r.bottom() - c), QPoint(r.left(), r.top() + c)});
  };
  canvas.FillPolygon(rounded(rect), frame);
  canvas.FillPolygon(rounded(rect.adjusted(1, 1, -1, -1)), disabled || pushed ? S(sciBtnFace) : S(sciWindow));
  if (state & cks::Set)
    canvas.FillPolygon(rounded(rect.adjusted(3, 3, -3, -3)), S(sciBtnText));
}

void TThmDefaultTheme::PaintStatusBarPart(TCanvas &canvas, const QRect &rect, int part) {
  switch (part) {
  case 0: canvas.FillRect(rect, S(sciBtnFace)); return;
  case 1:
  case 2: {
    QRect r = rect;
    if (part == 1)
      r.adjust(0, 0, -2, 0);
    DrawFrameLines(canvas, r, SysColor(sciBtnShadow), SysColor(sciBtnHighlight));
    return;
  }
  case 3: {
    const int side = qMin(rect.width(), rect.height());
    static const TColor large[] = {SysColor(sciBtnFace), SysColor(sciBtnShadow), SysColor(sciBtnShadow),
                                   SysColor(sciBtnHighlight)};
    static const TColor medium[] = {SysColor(sciBtnShadow), SysColor(sciBtnShadow), SysColor(sciBtnHighlight)};
    static const TColor small[] = {SysColor(sciBtnFace), SysColor(sciBtnShadow), SysColor(sciBtnHighlight)};
    static const TColor tiny[] = {SysColor(sciBtnShadow), SysColor(sciBtnHighlight)};
    const TColor *colors = side > 14 ? large : side >= 12 ? medium : side >= 9 ? small : tiny;
    const int count = side > 14 ? 4 : side >= 12 ? 3 : side >= 9 ? 3 : 2;
    const int r = Rx(rect), b = Bx(rect);
    int n = 0;
    for (int i = 0; i < 3; ++i)
      for (int c = 0; c < count; ++c, ++n)
        DrawLineWithColor(canvas, r - n - 2, b - 2, r - 1, b - n - 3, colors[c]);
    canvas.FillRect(Ltrb(r - n, b - 1, r, b), S(sciBtnFace));
    canvas.FillRect(Ltrb(r - 1, b - n, r, b), S(sciBtnFace));
    return;
  }
  default: return;
  }
}

int TThmDefaultTheme::IntegerMetric(int index) {
  switch (index) {
  case 10: return 11;
  case 20: return 8;
  case 21: return 3;
  case 30: return 2;
  case 31: return 0;
  case 32: return 1;
  case 33: return 2;
  case 34: return 3;
  case 36: return 2;
  case 37: return 4;
  case 40: return 6;
  case 60: return 2;
  case 61: return 2;
  case 62: return 1;
  case 64: return 4;
  case 65: return 13;
  default: return -1;
  }
}

bool TThmDefaultTheme::BooleanMetric(int index) {
  switch (index) {
  case 3:
  case 6: return true;
  case 5: return UseThemes;
  default: return false;
  }
}

} // namespace qel::toolbars
