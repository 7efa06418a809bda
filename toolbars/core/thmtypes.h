#pragma once
// What the themes are handed: view types and their masks, the records a
// viewer, toolbar, floating window or popup fills for one paint, and the
// desktop's colours by index. Plain data, shared by the painting side and
// the logic that fills the records.

#include "toolbars/core/colormath.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>

namespace qel::toolbars {

// A colour value naming the desktop's colour of that index (resolved when painted).
enum TSysColorIndex : int {
  sciActiveCaption = 2,
  sciInactiveCaption = 3,
  sciMenu = 4,
  sciWindow = 5,
  sciWindowFrame = 6,
  sciMenuText = 7,
  sciWindowText = 8,
  sciCaptionText = 9,
  sciHighlight = 13,
  sciHighlightText = 14,
  sciBtnFace = 15,
  sciBtnShadow = 16,
  sciGrayText = 17,
  sciBtnText = 18,
  sciInactiveCaptionText = 19,
  sciBtnHighlight = 20,
  sciDarkShadow = 21,
  sciLight = 22,
  sciHotLight = 26,
  sciGradientActiveCaption = 27,
  sciGradientInactiveCaption = 28,
};
constexpr TColor SysColor(TSysColorIndex index) { return TColor(0xFF000000u | std::uint32_t(index)); }
inline constexpr TColor ThmNoColor = 0x1FFFFFFF;

// View types, as the view's window answers them.
namespace vt {
enum : int {
  None = 0,
  Toolbar = 0x1001,
  MenuBar = 0x1002,
  Floating = 0x0800,  // added to a toolbar or menu bar type
  Resizable = 0x0400, // added to a toolbar or menu bar type
  Embedded = 0x0200,  // added to a toolbar or menu bar type
  PopupMenu = 0x2001,
  ListPopup = 0x2002,
  ToolBoxPopup = 0x2004,
  ChevronPopup = 0x2008,
  DockPanel = 0x4000,

  ToolbarFamily = 0x1000,
  PopupFamily = 0x2000,
};
} // namespace vt

inline bool IsToolbarType(int viewType) { return viewType & vt::ToolbarFamily; }
inline bool IsMenuBarType(int viewType) { return (viewType & vt::MenuBar) == vt::MenuBar; }
inline bool IsPopupType(int viewType) { return viewType & vt::PopupFamily; }
// One popup kind: popup menu, list, tool box or chevron popup.
inline bool IsPopupKind(int viewType, int kind) { return (viewType & kind) == kind; }
inline bool IsDockPanelType(int viewType) { return viewType & vt::DockPanel; }
inline bool IsFloatingType(int viewType) { return viewType & vt::Floating; }
inline bool IsEmbeddedToolbarType(int viewType) { return IsToolbarType(viewType) && (viewType & vt::Embedded); }

// ItemPaintInfo::ItemOptions bits.
namespace ipo {
enum : int { ToolbarStyle = 1, Submenu = 4, Combo = 8, DesignTime = 16, AppActive = 32 };
}

// One item's state for one paint.
struct ItemPaintInfo {
  int ViewType = 0;
  int ItemOptions = 0;
  bool Enabled = false;
  bool Pushed = false;
  // 0 not highlighted, 1 highlighted while disabled and not under the mouse, 2 highlighted and enabled.
  std::uint8_t HoverKind = 0;
  bool Selected = false; // ticked
  bool ImageShown = false;
  int ImageWidth = 0, ImageHeight = 0;
  bool IsVertical = false;
  // 0 plain button, 1 drop-down button, 2 button part and 3 arrow part of a split button.
  std::uint8_t ComboPart = 0;
  bool IsPopupParent = false;
  int PopupMargin = 0;

  bool Hot() const { return (Enabled && HoverKind != 0) || (!Enabled && HoverKind == 1); }
};

// CloseButtonState bits of the frame records.
namespace cbs {
enum : int { Shown = 1, Hot = 2, Pushed = 4 };
}

struct ToolbarFrameInfo {
  std::uintptr_t WindowHandle = 0;
  int ViewType = 0;
  bool IsVertical = false; // docked at the left or right
  bool AllowDrag = false;  // the drag handle is shown
  std::uint8_t BorderStyle = 0; // 1 single border
  QPoint BorderSize;
  int ClientWidth = 0, ClientHeight = 0;
  int DragHandleStyle = 0; // 0 double bar, 1 none, 2 single bar
  int CloseButtonState = 0;
};

// FloatingFrameInfo::RedrawPart bits.
namespace rdp {
enum : int { Border = 1, Caption = 2, CloseButton = 4 };
}

struct FloatingFrameInfo {
  std::uintptr_t ParentHandle = 0;
  std::uintptr_t WindowHandle = 0;
  int ViewType = 0;
  int ClientWidth = 0, ClientHeight = 0;
  bool ShowCaption = false;
  QPoint FloatingBorderSize;
  int CloseButtonState = 0;
  int RedrawPart = 0;
  QString Caption;
  bool Active = false;
};

struct PopupFrameInfo {
  std::uintptr_t WindowHandle = 0;
  int ViewType = 0;
  QRect ParentItemRect;
  QPoint BorderSize;
};

struct DockPanelFrameInfo {
  std::uintptr_t WindowHandle = 0;
  bool IsVertical = false;
  bool ShowCaption = false;
  int CloseButtonState = 0;
  QString Caption;
};

// EditButtonInfo::ButtonState bits.
namespace ebs {
enum : int { Disabled = 1, Hot = 2, Pushed = 4, LowerPushed = 8 };
}

struct EditButtonInfo {
  int ButtonType = 0; // 1 drop-down button, 2 spin pair
  int ButtonState = 0;
};

struct EditBoxInfo {
  int LeftButtonWidth = 0;
  int RightButtonWidth = 0;
  EditButtonInfo RightButton;
};

// State bits of a check box or radio button.
namespace cks {
enum : int { Set = 1, Mixed = 2, Disabled = 4, Hot = 8, Pushed = 16 };
}

// Left width, right width, top height, bottom height.
struct ThemeMargins {
  int LeftWidth = 0, RightWidth = 0, TopHeight = 0, BottomHeight = 0;
  bool operator==(const ThemeMargins &) const = default;
};

} // namespace qel::toolbars
