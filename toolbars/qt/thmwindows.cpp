#include "toolbars/qt/thmwindows.h"

#include "platform/colorvalue.h"
#include "toolbars/paint/plainview.h"
#include "toolbars/qt/popupanimator.h"
#include "toolbars/qt/qtplatformmetrics.h"

#include <QHideEvent>
#include <QPaintEvent>
#include <QPainter>

namespace qel::toolbars {

// ---------------------------------------------------------------------------
// The effective-colour query

TColor GetEffectiveColor(const QWidget *control) {
  if (!control)
    return clBtnFace;
  if (auto *answering = dynamic_cast<const IThmEffectiveColor *>(control))
    return answering->EffectiveColorQuery();
  return QColorToTColor(control->palette().color(control->backgroundRole()));
}

namespace {

TColor ParentEffectiveColor(const QWidget *widget) {
  return widget->parentWidget() ? GetEffectiveColor(widget->parentWidget()) : clBtnFace;
}

// The relay's registrations of the themed windows.
void Register(TThmListener *control) {
  StartThemedItems();
  ThemeNexus()->Add(control);
}

void Unregister(TThmListener *control) {
  if (TThmNexus *nexus = ThemeNexus())
    nexus->Remove(control);
}

TTbrItemViewer *MakeChevronViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmChevronItemViewer(view, item, groupLevel);
}

int DockPositionCode(TTbrDockPosition position) {
  switch (position) {
  case dpBottom:
    return 2;
  case dpLeft:
    return 3;
  case dpRight:
    return 4;
  default:
    return 1;
  }
}

} // namespace

TTbrViewerFactory TThmChevronItem::ViewerClass(TTbrView *) const { return &MakeChevronViewer; }

// ---------------------------------------------------------------------------
// Toolbar

TThmToolbarView::TThmToolbarView(TTbrCustomToolbar *toolbar, TTbrCustomItem *root)
    : TTbrToolbarView(toolbar, toolbar, root) {}

TTbrMargins TThmToolbarView::ViewMargins(int orientation) const {
  if (!Owner)
    return TTbrToolbarView::ViewMargins(orientation);
  int viewType = Owner->ViewTypeQuery();
  if (viewType & (vt::ToolbarFamily | vt::DockPanel)) {
    if (orientation == tbvoFloating)
      viewType |= vt::Floating;
    else
      viewType &= ~vt::Floating;
  }
  const ThemeMargins m = ActiveTheme().ViewMargins(viewType);
  return {m.LeftWidth, m.TopHeight, m.RightWidth, m.BottomHeight};
}

TThmToolbar::TThmToolbar(QWidget *parent)
    : TTbrCustomToolbar(parent, TToolbarClasses{
                                    [](TTbrCustomToolbar *toolbar) { return new TThmChevronItem(toolbar); },
                                    [](TTbrCustomToolbar *toolbar, TTbrCustomItem *root) -> TTbrToolbarView * {
                                      return new TThmToolbarView(toolbar, root);
                                    }}) {
  Register(this);
  // No colour of its own: the items sit on what the theme or the form shows.
  SetColor(QColor());
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  // A double click on the grip is no way to float a themed toolbar.
  DblClickUndock = false;
  static_cast<TThmToolbarView *>(View())->Owner = this;
  View()->RecreateAllViewers(); // the view was made before the viewers could be themed
  View()->InvalidatePositions();
}

TThmToolbar::~TThmToolbar() {
  // The base part outlives this one and may still lay the view out.
  static_cast<TThmToolbarView *>(View())->Owner = nullptr;
  Unregister(this);
}

void TThmToolbar::SetItemTransparency(TThmItemTransparency value) {
  FItemTransparency = value;
  update();
}

int TThmToolbar::ViewTypeQuery() const {
  int type = MenuBar() ? vt::MenuBar : vt::Toolbar;
  if (Floating())
    type |= vt::Floating;
  if (Resizable())
    type |= vt::Resizable;
  if (FItemTransparency == TThmItemTransparency::itDisable ||
      (FItemTransparency == TThmItemTransparency::itAuto && !Floating() && !Docked()))
    type |= vt::Embedded;
  return type;
}

TColor TThmToolbar::EffectiveColor() const {
  if (Color().isValid())
    return QColorToTColor(Color());
  if (!Floating() && !Docked() && parentWidget())
    return GetEffectiveColor(parentWidget());
  return ActiveTheme().ViewBackColor(ViewTypeQuery());
}

void TThmToolbar::Dispatch(TThmMessage &message) {
  if (message.Msg != ThemeChangeRelay)
    return;
  switch (message.WParam) {
  case tcm::SystemChangeBegin:
    if (!FUpdating) {
      FUpdating = true;
      View()->BeginUpdate();
    }
    break;
  case tcm::SystemChangeEnd:
    if (FUpdating) {
      FUpdating = false;
      View()->EndUpdate();
    }
    // Colours and fonts may have changed: measure everything again.
    FontChanged();
    View()->InvalidatePositions();
    update();
    ArrangeSelf();
    break;
  case tcm::AppActivated:
  case tcm::AppDeactivated:
    if (MenuBar())
      update();
    break;
  default:
    break;
  }
}

void TThmToolbar::SetSnapDistance(int value) {
  FSnapDistance = std::max(0, value);
  if (auto *frame = dynamic_cast<TThmFloatingWindowParent *>(ToolWindowParent()))
    frame->SnapDistance = FSnapDistance;
}

QPoint TThmToolbar::GetFrameMetrics() const {
  return ActiveTheme().ViewBorderSize(ViewTypeQuery() | vt::Floating);
}

TTbrFloatingWindowParent *TThmToolbar::ToolWindowClass(QWidget *parentForm) {
  auto *frame = new TThmFloatingWindowParent(parentForm);
  frame->SnapDistance = FSnapDistance;
  return frame;
}

ToolbarFrameInfo TThmToolbar::GetToolbarInfo() const {
  ToolbarFrameInfo info;
  info.ViewType = ViewTypeQuery();
  TTbrDock *dock = CurrentDock();
  info.IsVertical = dock && dock->IsVertical();
  info.AllowDrag = dock && dock->AllowDrag();
  info.BorderStyle = BorderSingle() ? 1 : 0;
  info.BorderSize = ActiveTheme().ViewBorderSize(info.ViewType);
  const QRect client = ClientRect();
  info.ClientWidth = client.width();
  info.ClientHeight = client.height();
  info.DragHandleStyle = int(DragHandleStyle());
  if (info.AllowDrag && CloseButtonWhenDocked())
    info.CloseButtonState = cbs::Shown | (CloseHot() ? cbs::Hot : 0) | (ClosePressed() ? cbs::Pushed : 0);
  return info;
}

void TThmToolbar::PaintDockedFrame(QPainter &painter) {
  if (!CurrentDock())
    return;
  TPainterCanvas canvas(painter);
  TThmTheme &theme = ActiveTheme();
  const QRect window(QPoint(0, 0), size());
  if (theme.BooleanMetric(6))
    canvas.FillRect(window, TColorToQColor(EffectiveColor(), palette().color(QPalette::Button)));
  else
    canvas.FillRect(window, TColorToQColor(GetEffectiveColor(CurrentDock()), palette().color(QPalette::Button)));
  theme.PaintToolbarFrame(canvas, window, GetToolbarInfo());
}

void TThmToolbar::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  if (CurrentDock())
    PaintDockedFrame(painter);
  TThmTheme &theme = ActiveTheme();
  const QRect client = ClientRect();
  painter.setClipRect(client);
  painter.translate(client.topLeft());
  TPainterCanvas canvas(painter);
  canvas.SetFont(font());
  const QRect area(QPoint(0, 0), client.size());
  const QRect clip = event->rect().translated(-client.topLeft()).intersected(area);
  // On a form the form shows through around the items.
  const bool transparent = !Color().isValid() && !Docked() && !Floating();
  QRect dockRect;
  if (TTbrDock *dock = CurrentDock())
    dockRect = QRect(mapFromGlobal(dock->mapToGlobal(QPoint(0, 0))) - client.topLeft(), dock->size());
  theme.PaintViewBackground(canvas, dockRect, area, clip, EffectiveColor(), transparent, ViewTypeQuery());
  View()->ValidatePositions();
  DrawViewSubitems(canvas, *View(), clip, &PaintStockViewerThemed);
}

// ---------------------------------------------------------------------------
// Floating frame

FloatingFrameInfo TThmFloatingWindowParent::GetFloatingInfo(int redrawParts) const {
  FloatingFrameInfo info;
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window)
    return info;
  info.ParentHandle = std::uintptr_t(this);
  info.WindowHandle = std::uintptr_t(window);
  if (auto *toolbar = dynamic_cast<TThmToolbar *>(window))
    info.ViewType = toolbar->ViewTypeQuery();
  const TTbrFloatingFrame frame = window->FloatingFrame();
  const QSize client = frame.ClientSize(size());
  info.ClientWidth = client.width();
  info.ClientHeight = client.height();
  info.ShowCaption = window->ShowCaption();
  info.FloatingBorderSize = frame.Frame;
  if (window->CloseButton() && window->ShowCaption())
    info.CloseButtonState = cbs::Shown | (CloseHover() ? cbs::Hot : 0) | (ClosePressed() ? cbs::Pushed : 0);
  info.RedrawPart = redrawParts;
  info.Caption = windowTitle();
  info.Active = !window->CaptionInactive();
  return info;
}

QPoint TThmFloatingWindowParent::SnapMove(const QRect &proposed) {
  if (SnapDistance <= 0)
    return proposed.topLeft();
  return SnapToWorkArea(proposed, PlatformMetrics().MonitorAreaOfRect(proposed, true), SnapDistance);
}

void TThmFloatingWindowParent::PaintFrame(QPainter &painter) {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window)
    return;
  TPainterCanvas canvas(painter);
  const QRect all(QPoint(0, 0), size());
  // The brush behind the frame is the toolbar's colour.
  canvas.FillRect(all, TColorToQColor(GetEffectiveColor(window), palette().color(QPalette::Button)));
  ActiveTheme().PaintFloatingFrame(canvas, all, GetFloatingInfo(rdp::Border | rdp::Caption | rdp::CloseButton));
}

void TThmFloatingWindowParent::CloseHoverChanged() {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window)
    return;
  update(window->FloatingFrame().CloseRect(size()));
}

// ---------------------------------------------------------------------------
// Dock

TThmDock::TThmDock(QWidget *parent, TTbrDockPosition position) : TTbrDock(parent, position) {
  SetColor(QColor());
  Register(this);
}

TThmDock::~TThmDock() { Unregister(this); }

void TThmDock::SetUseParentBackground(bool value) {
  if (value == FUseParentBackground)
    return;
  FUseParentBackground = value;
  update();
}

bool TThmDock::ThemedBackground() const { return !Color().isValid() && ActiveTheme().BooleanMetric(5); }

bool TThmDock::HasBackground() const { return FUseParentBackground || ThemedBackground(); }

TColor TThmDock::EffectiveColorQuery() const {
  return Color().isValid() ? QColorToTColor(Color()) : ParentEffectiveColor(this);
}

void TThmDock::Dispatch(TThmMessage &message) {
  if (message.Msg == ThemeChangeRelay && message.WParam == tcm::SystemChangeEnd)
    update();
}

void TThmDock::PaintBackground(QPainter &painter) {
  const QColor fallback = palette().color(QPalette::Button);
  if (FUseParentBackground) {
    painter.fillRect(rect(), TColorToQColor(ParentEffectiveColor(this), fallback));
    return;
  }
  if (ThemedBackground()) {
    TPainterCanvas canvas(painter);
    ActiveTheme().PaintDockBackground(canvas, rect(), rect(), DockPositionCode(Position()));
    return;
  }
  painter.fillRect(rect(), TColorToQColor(EffectiveColorQuery(), fallback));
}

TTbrDock *MakeThemedDock(QWidget *parent, TTbrDockPosition position) { return new TThmDock(parent, position); }

// ---------------------------------------------------------------------------
// Popup windows

// The popup animator tells when a popup is shown whole: then its shadow comes.
void ThemedPopupShown(QWidget *window) {
  if (auto *popup = dynamic_cast<TThmPopupWindow *>(window))
    popup->ShadowsAfterShow();
}

TThmPopupWindow::TThmPopupWindow(TTbrView *parentView, TTbrCustomItem *item, bool customizing, bool chevron)
    : TTbrPopupWindow(parentView, item, customizing), Chevron(chevron) {
  TPopupAnimator &animator = TPopupAnimator::Instance();
  if (!animator.OnFinished)
    animator.OnFinished = &ThemedPopupShown;
}

TThmPopupWindow::~TThmPopupWindow() { DestroyShadow(); }

int TThmPopupWindow::ViewTypeQuery() const {
  return ThemedPopupViewType(View() ? View()->ParentItem() : nullptr, Chevron);
}

QPoint TThmPopupWindow::Border() const { return ActiveTheme().ViewBorderSize(ViewTypeQuery()); }

bool TThmPopupWindow::ShadowAllowed() const { return !IsPopupKind(ViewTypeQuery(), vt::ListPopup); }

TTbrItemViewer *TThmPopupWindow::OpeningViewer() const {
  TTbrView *parent = View() ? View()->ParentView() : nullptr;
  if (!parent)
    return nullptr;
  TTbrItemViewer *open = parent->OpenViewer();
  if (!open || (!Chevron && !dynamic_cast<TThmItemViewer *>(open)))
    return nullptr;
  return open;
}

QRect TThmPopupWindow::ParentItemRect() const {
  TTbrItemViewer *open = OpeningViewer();
  if (!open || !open->IsToolbarStyle() || !open->View->Host())
    return QRect();
  const QRect screen = open->BoundsRect.translated(open->View->Host()->ScreenClientRect().topLeft());
  return screen.translated(-mapToGlobal(QPoint(0, 0)));
}

void TThmPopupWindow::ShowPopup() {
  if (isVisible())
    return;
  TTbrPopupWindow::ShowPopup();
  TPopupAnimator &animator = TPopupAnimator::Instance();
  if (!(animator.Running() && animator.Window() == this))
    ShadowsAfterShow();
}

void TThmPopupWindow::ShadowsAfterShow() {
  const int kind = ActiveTheme().PopupShadowKind();
  if (isVisible() && ShadowAllowed() && kind >= 1 && kind <= 3)
    CreateShadow();
}

void TThmPopupWindow::CreateShadow() {
  DestroyShadow();
  // Kind 2 leaves the opening toolbar button out of the shadow.
  QRect exclusion;
  if (ActiveTheme().PopupShadowKind() == 2)
    if (TTbrItemViewer *open = OpeningViewer();
        open && open->View->Host() && (Chevron || !IsPopupKind(GetViewType(open->View), vt::PopupMenu)))
      exclusion = open->BoundsRect.translated(open->View->Host()->ScreenClientRect().topLeft());
  FShadows = std::make_unique<TPopupShadows>(exclusion, frameGeometry(), 61, 4, PlatformMetrics().CompositorPresent());
  FShadows->Show(this);
}

void TThmPopupWindow::DestroyShadow() { FShadows.reset(); }

void TThmPopupWindow::resizeEvent(QResizeEvent *event) {
  TTbrPopupWindow::resizeEvent(event);
  if (FShadows && isVisible())
    CreateShadow();
}

void TThmPopupWindow::moveEvent(QMoveEvent *event) {
  TTbrPopupWindow::moveEvent(event);
  if (FShadows && isVisible())
    CreateShadow();
}

void TThmPopupWindow::hideEvent(QHideEvent *event) {
  // A hidden popup leaves no shadow on the screen.
  DestroyShadow();
  TTbrPopupWindow::hideEvent(event);
}

void TThmPopupWindow::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  TPainterCanvas canvas(painter);
  TThmTheme &theme = ActiveTheme();
  const int viewType = ViewTypeQuery();
  PopupFrameInfo frame;
  frame.ViewType = viewType;
  frame.ParentItemRect = ParentItemRect();
  frame.BorderSize = Border();
  const QRect client = ClientRect();
  const TColor back = theme.ViewBackColor(viewType);
  canvas.Save();
  theme.PaintPopupFrame(canvas, rect(), frame);
  canvas.Restore();
  painter.setClipRect(client);
  painter.translate(client.topLeft());
  canvas.SetFont(font());
  const QRect area(QPoint(0, 0), client.size());
  const QRect clip = event->rect().translated(-client.topLeft()).intersected(area);
  if (View())
    View()->BackgroundColor = quint32(back);
  theme.PaintViewBackground(canvas, QRect(), area, clip, back, false, viewType);
  if (View())
    DrawViewSubitems(canvas, *View(), clip, &PaintStockViewerThemed);
  PaintScrollArrows(canvas);
}

void TThmPopupWindow::PaintScrollArrows(TCanvas &canvas) {
  if (!View())
    return;
  const QRect area(QPoint(0, 0), ClientRect().size());
  TThmTheme &theme = ActiveTheme();
  if (View()->ShowUpArrow)
    theme.PaintScrollArrowButton(canvas, QRect(area.left(), area.top(), area.width(), ScrollArrowBandHeight), 1,
                                 View()->TimerRunning(TTbrViewTimer::ScrollUp));
  if (View()->ShowDownArrow)
    theme.PaintScrollArrowButton(canvas,
                                 QRect(area.left(), area.bottom() + 1 - ScrollArrowBandHeight, area.width(),
                                       ScrollArrowBandHeight),
                                 2, View()->TimerRunning(TTbrViewTimer::ScrollDown));
}

// ---------------------------------------------------------------------------
// Context menu

TThmPopupMenu::TThmPopupMenu() : TTbrPopupMenu(std::make_unique<TThmRootItem>()) {}

} // namespace qel::toolbars
