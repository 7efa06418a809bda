#pragma once
// Every element of a theme in each of its states, painted into one picture:
// one row per element, one cell per state, a label at the left of each row.

#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/thmtheme.h"

#include <QImage>
#include <QPainter>

#include <functional>

namespace qel::toolbars::test {

struct TItemState {
  const char *Label;
  bool Enabled, Pushed, Selected;
  int HoverKind;
};
inline const TItemState ItemStates[] = {
    {"normal", true, false, false, 0}, {"hot", true, false, false, 2},        {"pushed", true, true, false, 2},
    {"ticked", true, false, true, 0},  {"ticked hot", true, false, true, 2},  {"disabled", false, false, false, 0},
    {"disabled hot", false, false, false, 1},
};

inline ItemPaintInfo ItemInfo(int viewType, int options, const TItemState &s) {
  ItemPaintInfo info;
  info.ViewType = viewType;
  info.ItemOptions = options | ipo::AppActive;
  info.Enabled = s.Enabled;
  info.Pushed = s.Pushed;
  info.Selected = s.Selected;
  info.HoverKind = std::uint8_t(s.HoverKind);
  return info;
}

// A 16 x 16 glyph: a blue square with a yellow centre, transparent corners.
inline QImage GalleryGlyph() {
  QImage glyph(16, 16, QImage::Format_ARGB32);
  glyph.fill(Qt::transparent);
  QPainter p(&glyph);
  p.fillRect(2, 2, 12, 12, QColor(0x20, 0x40, 0xC0));
  p.fillRect(5, 5, 6, 6, QColor(0xF0, 0xE0, 0x20));
  return glyph;
}

inline QImage PaintGallery(TThmTheme &theme) {
  constexpr int LabelWidth = 110, CellWidth = 96, RowHeight = 40;
  struct TRow {
    const char *Label;
    std::function<void(TCanvas &, const QRect &, int state)> Paint;
    int States;
  };
  const int tb = vt::Toolbar;
  std::vector<TRow> rows = {
      {"toolbar button", [&](TCanvas &c, const QRect &r, int s) {
         const auto info = ItemInfo(tb, ipo::ToolbarStyle, ItemStates[s]);
         const QRect b(r.left() + 4, r.top() + 6, 60, 24);
         theme.PaintItemButton(c, b, info);
         theme.PaintItemImage(c, QRect(b.left() + 3, b.top() + 4, 16, 16), info, GalleryGlyph());
         theme.PaintItemCaption(c, QRect(b.left() + 22, b.top(), 36, 24), info, "&Open", TextVCenter, false);
       }, 7},
      {"embedded button", [&](TCanvas &c, const QRect &r, int s) {
         const auto info = ItemInfo(tb | vt::Embedded, ipo::ToolbarStyle, ItemStates[s]);
         const QRect b(r.left() + 4, r.top() + 6, 60, 24);
         theme.PaintItemButton(c, b, info);
         theme.PaintItemCaption(c, b, info, "&Save", TextVCenter | TextCenter, false);
       }, 7},
      {"split button", [&](TCanvas &c, const QRect &r, int s) {
         auto info = ItemInfo(tb, ipo::ToolbarStyle | ipo::Combo, ItemStates[s]);
         info.ComboPart = 2;
         theme.PaintItemButton(c, QRect(r.left() + 4, r.top() + 6, 24, 24), info);
         info.ComboPart = 3;
         theme.PaintItemButton(c, QRect(r.left() + 28, r.top() + 6, 13, 24), info);
         info.ComboPart = 1;
         theme.PaintItemButton(c, QRect(r.left() + 50, r.top() + 6, 30, 24), info);
         theme.PaintDropDownGlyph(c, QRect(r.left() + 70, r.top() + 6, 8, 24), info);
       }, 7},
      {"chevron", [&](TCanvas &c, const QRect &r, int s) {
         auto info = ItemInfo(tb, ipo::ToolbarStyle, ItemStates[s]);
         theme.PaintChevronGlyph(c, QRect(r.left() + 4, r.top() + 6, 13, 24), info);
         info.IsVertical = true;
         theme.PaintChevronGlyph(c, QRect(r.left() + 30, r.top() + 6, 24, 13), info);
       }, 7},
      {"check glyph", [&](TCanvas &c, const QRect &r, int s) {
         const auto info = ItemInfo(vt::PopupMenu, 0, ItemStates[s]);
         theme.PaintCheckGlyph(c, QRect(r.left() + 4, r.top() + 8, 20, 20), info);
       }, 7},
      {"menu entry", [&](TCanvas &c, const QRect &r, int s) {
         auto info = ItemInfo(vt::PopupMenu, ipo::Submenu, ItemStates[s]);
         info.ImageWidth = info.ImageHeight = 16;
         info.PopupMargin = 22;
         const QRect e(r.left() + 2, r.top() + 8, 92, 22);
         theme.PaintViewBackground(c, QRect(), e, e, theme.ViewBackColor(vt::PopupMenu), false, vt::PopupMenu);
         theme.PaintMenuEntry(c, e, info);
         theme.PaintItemImage(c, QRect(e.left() + 3, e.top() + 3, 16, 16), info, GalleryGlyph());
         theme.PaintItemCaption(c, QRect(e.left() + 26, e.top(), 50, 22), info, "&Print", TextVCenter, false);
       }, 7},
      {"split menu entry", [&](TCanvas &c, const QRect &r, int s) {
         auto info = ItemInfo(vt::PopupMenu, ipo::Submenu | ipo::Combo, ItemStates[s]);
         info.PopupMargin = 22;
         const QRect e(r.left() + 2, r.top() + 8, 92, 22);
         theme.PaintViewBackground(c, QRect(), e, e, theme.ViewBackColor(vt::PopupMenu), false, vt::PopupMenu);
         theme.PaintMenuEntry(c, e, info);
         if (info.Selected)
           theme.PaintCheckGlyph(c, QRect(e.left() + 1, e.top(), 22, 22), info);
         theme.PaintItemCaption(c, QRect(e.left() + 26, e.top(), 50, 22), info, "&Mail", TextVCenter, false);
       }, 7},
      {"menu bar item", [&](TCanvas &c, const QRect &r, int s) {
         const auto info = ItemInfo(vt::MenuBar, ipo::ToolbarStyle, ItemStates[s]);
         const QRect b(r.left() + 4, r.top() + 8, 40, 22);
         theme.PaintItemButton(c, b, info);
         theme.PaintItemCaption(c, b, info, "&File", TextVCenter | TextCenter, false);
       }, 7},
      {"vertical caption", [&](TCanvas &c, const QRect &r, int s) {
         const auto info = ItemInfo(tb, ipo::ToolbarStyle, ItemStates[s]);
         const QRect b(r.left() + 4, r.top() + 1, 22, 38);
         theme.PaintItemButton(c, b, info);
         theme.PaintItemCaption(c, b, info, "&Up", TextVCenter, true);
       }, 7},
      {"edit box", [&](TCanvas &c, const QRect &r, int s) {
         const auto info = ItemInfo(tb, ipo::ToolbarStyle, ItemStates[s]);
         EditBoxInfo box;
         box.RightButtonWidth = 13;
         box.RightButton.ButtonType = 1;
         box.RightButton.ButtonState = (info.Enabled ? 0 : ebs::Disabled) | (info.Hot() ? ebs::Hot : 0) |
                                       (info.Pushed ? ebs::Pushed : 0);
         theme.PaintEditBox(c, QRect(r.left() + 4, r.top() + 8, 60, 22), info, box);
         box.RightButton.ButtonType = 2;
         box.RightButton.ButtonState |= info.Selected ? ebs::LowerPushed : 0;
         theme.PaintEditBox(c, QRect(r.left() + 66, r.top() + 8, 28, 22), info, box);
       }, 7},
      {"separators", [&](TCanvas &c, const QRect &r, int s) {
         auto info = ItemInfo(tb, ipo::ToolbarStyle, ItemStates[s]);
         theme.PaintSeparatorLine(c, QRect(r.left() + 4, r.top() + 4, 8, 32), info, false, true);
         theme.PaintSeparatorLine(c, QRect(r.left() + 14, r.top() + 4, 30, 8), info, true, true);
         info.ItemOptions &= ~ipo::ToolbarStyle;
         info.ViewType = vt::PopupMenu;
         theme.PaintSeparatorLine(c, QRect(r.left() + 14, r.top() + 20, 80, 8), info, true, true);
       }, 6},
      {"scroll arrows", [&](TCanvas &c, const QRect &r, int s) {
         for (int type = 1; type <= 4; ++type)
           theme.PaintScrollArrowButton(c, QRect(r.left() + 4 + 20 * (type - 1), r.top() + 10, 17, 17), type, s == 1);
       }, 2},
      {"window buttons", [&](TCanvas &c, const QRect &r, int s) {
         auto info = ItemInfo(vt::MenuBar, ipo::ToolbarStyle, ItemStates[s == 1 ? 2 : 0]);
         for (int kind = 0; kind < 4; ++kind)
           theme.PaintWindowButton(c, QRect(r.left() + 4 + 20 * kind, r.top() + 10, 16, 14), info, kind);
       }, 2},
      {"check boxes", [&](TCanvas &c, const QRect &r, int s) {
         static const int states[] = {0, cks::Set, cks::Mixed, cks::Set | cks::Disabled, cks::Set | cks::Hot,
                                      cks::Pushed, cks::Set | cks::Pushed};
         theme.PaintCheckControl(c, QRect(r.left() + 4, r.top() + 10, 13, 13), 1, states[s], 0);
         theme.PaintCheckControl(c, QRect(r.left() + 30, r.top() + 10, 13, 13), 2, states[s] & ~cks::Mixed, 0);
       }, 7},
      {"status bar", [&](TCanvas &c, const QRect &r, int s) {
         const QRect bar(r.left() + 2, r.top() + 8, 92, 22);
         theme.PaintStatusBarPart(c, bar, 0);
         if (s == 0) {
           theme.PaintStatusBarPart(c, QRect(bar.left(), bar.top() + 2, 50, 18), 1);
           theme.PaintStatusBarPart(c, QRect(bar.left() + 50, bar.top() + 2, 42, 18), 2);
         } else {
           theme.PaintStatusBarPart(c, QRect(bar.right() - 16, bar.bottom() - 16, 17, 17), 3);
           theme.PaintStatusBarPart(c, QRect(bar.left() + 4, bar.bottom() - 12, 13, 13), 3);
           theme.PaintStatusBarPart(c, QRect(bar.left() + 30, bar.bottom() - 9, 10, 10), 3);
         }
       }, 2},
  };

  struct TFrameRow {
    const char *Label;
    std::function<void(TCanvas &, const QRect &, int state)> Paint;
    int States;
    int Height;
  };
  std::vector<TFrameRow> frames = {
      {"toolbar frame", [&](TCanvas &c, const QRect &r, int s) {
         ToolbarFrameInfo info;
         info.ViewType = tb;
         info.AllowDrag = true;
         info.BorderStyle = 1;
         info.BorderSize = QPoint(2, 2);
         info.DragHandleStyle = s % 3;
         info.CloseButtonState = s >= 3 ? cbs::Shown | (s == 4 ? cbs::Hot : 0) | (s == 5 ? cbs::Pushed : 0) : 0;
         info.IsVertical = s == 6;
         info.ClientWidth = info.IsVertical ? 30 : 80;
         info.ClientHeight = info.IsVertical ? 50 : 26;
         theme.PaintToolbarFrame(c, QRect(r.topLeft() + QPoint(4, 4), QSize(info.ClientWidth + 4, info.ClientHeight + 4)),
                                 info);
       }, 7, 64},
      {"floating frame", [&](TCanvas &c, const QRect &r, int s) {
         FloatingFrameInfo info;
         info.ViewType = tb | vt::Floating;
         info.ClientWidth = 84;
         info.ClientHeight = 40;
         info.ShowCaption = true;
         info.FloatingBorderSize = QPoint(3, 3);
         info.CloseButtonState = s == 0 ? 0 : cbs::Shown | (s == 2 ? cbs::Hot : 0) | (s == 3 ? cbs::Pushed : 0);
         info.RedrawPart = rdp::Border | rdp::Caption | rdp::CloseButton;
         info.Caption = "Formatting tools";
         info.Active = s != 1;
         const QRect w(r.left() + 2, r.top() + 4, 90, 46);
         c.FillRect(w, theme.ViewBackColor(info.ViewType) == ThmNoColor ? Qt::white : ThmQColor(theme.ViewBackColor(info.ViewType)));
         theme.PaintFloatingFrame(c, w, info);
       }, 4, 64},
      {"popup frames", [&](TCanvas &c, const QRect &r, int s) {
         static const int types[] = {vt::PopupMenu, vt::ListPopup, vt::ToolBoxPopup, vt::ChevronPopup};
         PopupFrameInfo info;
         info.ViewType = types[s];
         info.BorderSize = theme.ViewBorderSize(info.ViewType);
         const QRect w(r.left() + 4, r.top() + 4, 60, 40);
         c.FillRect(w, ThmQColor(theme.ViewBackColor(info.ViewType)));
         theme.PaintPopupFrame(c, w, info);
       }, 4, 64},
      {"dock panel frame", [&](TCanvas &c, const QRect &r, int s) {
         DockPanelFrameInfo info;
         info.IsVertical = s % 2 == 0;
         info.ShowCaption = s < 4;
         info.CloseButtonState = s >= 2 && s < 4 ? cbs::Shown | (s == 3 ? cbs::Pushed : 0) : 0;
         info.Caption = "Cards";
         const QRect w(r.left() + 4, r.top() + 4, 84, 56);
         c.FillRect(w, ThmQColor(theme.ViewBackColor(vt::DockPanel)));
         theme.PaintDockPanelFrame(c, w, info);
       }, 5, 64},
  };

  int height = 0;
  for (const auto &f : frames)
    height += f.Height;
  QImage image(LabelWidth + 7 * CellWidth, RowHeight * int(rows.size()) + height + 20, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  const QColor label(0x30, 0x30, 0x30);
  for (int s = 0; s < 7; ++s)
    canvas.DrawText(QRect(LabelWidth + s * CellWidth, 0, CellWidth, 20), Qt::AlignCenter, ItemStates[s].Label, label);
  int y = 20;
  auto cellBackground = [&](const QRect &cell) {
    canvas.FillRect(cell, ThmQColor(theme.ViewBackColor(vt::Toolbar)));
  };
  for (const auto &row : rows) {
    canvas.DrawText(QRect(4, y, LabelWidth - 8, RowHeight), Qt::AlignVCenter | Qt::AlignLeft, row.Label, label);
    for (int s = 0; s < row.States; ++s) {
      const QRect cell(LabelWidth + s * CellWidth, y, CellWidth - 2, RowHeight - 2);
      cellBackground(cell);
      canvas.Save();
      row.Paint(canvas, cell, s);
      canvas.Restore();
    }
    y += RowHeight;
  }
  for (const auto &row : frames) {
    canvas.DrawText(QRect(4, y, LabelWidth - 8, row.Height), Qt::AlignVCenter | Qt::AlignLeft, row.Label, label);
    for (int s = 0; s < row.States; ++s) {
      const QRect cell(LabelWidth + s * CellWidth, y, CellWidth - 2, row.Height - 2);
      canvas.FillRect(cell, QColor(0xE8, 0xE8, 0xF8));
      canvas.Save();
      row.Paint(canvas, cell, s);
      canvas.Restore();
    }
    y += row.Height;
  }
  return image;
}

} // namespace qel::toolbars::test
