#include "toolbars/qt/tbdockablewindow.h"

#include "toolbars/core/tbdeferred.h"
#include "toolbars/core/thmthemes.h"
#include "toolbars/paint/dockframe.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/tbdragdriver.h"
#include "toolbars/qt/tbfloatingwindow.h"
#include "toolbars/qt/tbpopupmenu.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace qel::toolbars {

namespace {

// Both docks of a move keep their layout until the window has left the one
// and entered the other; released new dock first.
class TArrangeLockPair {
public:
  TArrangeLockPair(TTbrDock *old, TTbrDock *fresh) : old_(old), new_(fresh) {
    if (old_)
      old_->LockArrange();
    if (new_ && new_ != old_)
      new_->LockArrange();
    else
      new_ = nullptr;
  }
  ~TArrangeLockPair() { Release(); }
  TArrangeLockPair(const TArrangeLockPair &) = delete;
  TArrangeLockPair &operator=(const TArrangeLockPair &) = delete;
  void Release() {
    if (TTbrDock *dock = new_.data()) {
      new_ = nullptr;
      dock->UnlockArrange();
    }
    if (TTbrDock *dock = old_.data()) {
      old_ = nullptr;
      dock->UnlockArrange();
    }
  }

private:
  QPointer<TTbrDock> old_, new_;
};

} // namespace

TTbrCustomDockableWindow::TTbrCustomDockableWindow(QWidget *parent) : QWidget(parent) {
  FColor = palette().color(QPalette::Button);
  setMouseTracking(true);
}

TTbrCustomDockableWindow::~TTbrCustomDockableWindow() {
  // The tool window goes with the window. When it is the parent, Qt is
  // deleting it already, and it has let go of this window first.
  if (FToolWindow && parentWidget() != FToolWindow)
    delete FToolWindow.data();
  // Leave the docks that list this window, without laying them out from a
  // half-destroyed window's slots.
  for (TTbrDock *dock : TTbrDock::AllDocks())
    if (dock->FMembers.contains(this) || dock->FVisible.contains(this))
      dock->DropMember(this);
}

// ---------------------------------------------------------------------------
// Properties

void TTbrCustomDockableWindow::SetDockRow(int row) {
  if (row == FDockRow)
    return;
  FDockRow = row;
  if (FCurrentDock)
    FCurrentDock->ArrangeDockedWindows();
}

void TTbrCustomDockableWindow::SetDockPos(int pos) {
  if (pos == FDockPos)
    return;
  FDockPos = pos;
  if (FCurrentDock)
    FCurrentDock->ArrangeDockedWindows();
}

void TTbrCustomDockableWindow::SetDragHandleStyle(TTbrDragHandleStyle style) {
  if (style == FDragHandleStyle)
    return;
  FDragHandleStyle = style;
  if (FCurrentDock)
    ArrangeSelf();
  update();
}

void TTbrCustomDockableWindow::SetCloseButtonWhenDocked(bool value) {
  if (value == FCloseButtonWhenDocked)
    return;
  FCloseButtonWhenDocked = value;
  if (FCurrentDock)
    ArrangeSelf();
  update();
}

void TTbrCustomDockableWindow::SetBorderSingle(bool value) {
  FBorderSingle = value;
  update();
}

void TTbrCustomDockableWindow::SetFullSize(bool value) {
  if (value == FFullSize)
    return;
  FFullSize = value;
  if (FCurrentDock)
    FCurrentDock->ArrangeDockedWindows();
}

void TTbrCustomDockableWindow::SetStretch(bool value) {
  if (value == FStretch)
    return;
  FStretch = value;
  if (FCurrentDock)
    FCurrentDock->ArrangeDockedWindows();
}

void TTbrCustomDockableWindow::SetAutoResize(bool value) {
  if (value == FAutoResize)
    return;
  FAutoResize = value;
  if (value)
    ArrangeSelf();
}

void TTbrCustomDockableWindow::SetColor(const QColor &color) {
  FColor = color;
  update();
}

// ---------------------------------------------------------------------------
// Docks

bool TTbrCustomDockableWindow::CanDockAt(TTbrDock *dock) const {
  return dock && (DockableTo & (1u << dock->Position())) && dock->AcceptsWindows(const_cast<TTbrCustomDockableWindow *>(this));
}

bool TTbrCustomDockableWindow::IsDragBlockedAt(const QPoint &) const { return false; }

void TTbrCustomDockableWindow::SetLastDock(TTbrDock *dock) {
  if (FUseLastDock && FCurrentDock)
    dock = FCurrentDock;
  if (dock == FLastDock)
    return;
  if (FLastDock && FLastDock != parentWidget())
    FLastDock->AddMember(this, false);
  FLastDock = dock;
  if (dock) {
    FUseLastDock = true;
    dock->AddMember(this, true);
  }
}

void TTbrCustomDockableWindow::SetUseLastDock(bool value) {
  FUseLastDock = value;
  SetLastDock(value ? FCurrentDock.data() : nullptr);
}

void TTbrCustomDockableWindow::SetCurrentDock(TTbrDock *dock) {
  QWidget *newParent = dock;
  if (!dock) {
    // Undocked onto the form the window sits on.
    newParent = ParentForm();
  }
  ChangeParent(newParent, dock);
}

void TTbrCustomDockableWindow::ChangeParent(QWidget *newParent, TTbrDock *dock) {
  TTbrDock *old = FCurrentDock;
  auto *oldTool = dynamic_cast<TTbrFloatingWindowParent *>(parentWidget());
  auto *newTool = dynamic_cast<TTbrFloatingWindowParent *>(newParent);
  if (newParent == parentWidget()) {
    FCurrentDock = dock;
    return;
  }
  if (OnDockChanging)
    OnDockChanging(this, newTool != nullptr, dock);
  // The frame may report its first placement on the way in.
  const QPoint floatPos = FloatPos;

  // Visible unless hidden on purpose: a window made while its form is
  // already on the screen shows once docked, as one made before it does.
  const bool wasShown = !(isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide));
  ++FHideLock;
  ++FMoveEventLock;
  TArrangeLockPair locks(old, dock);
  ++FBoundsLock;
  ++FSizeLock;
  ShrunkLength = 0;
  if (old) {
    if (!(FUseLastDock && FLastDock == old))
      old->FMembers.removeOne(this);
    old->UpdateVisibleMember(this, true);
  }
  try {
    setParent(newParent);
  } catch (...) {
    FCurrentDock = dynamic_cast<TTbrDock *>(parentWidget());
    --FSizeLock, --FBoundsLock, --FMoveEventLock, --FHideLock;
    throw;
  }
  FCurrentDock = dock;
  ArrangedRow = -1;
  // The tool window it left goes, unless a live drag may bring the window
  // back to it. It may be handling the event that moved the window.
  if (oldTool) {
    oldTool->hide();
    if (!LiveDragging) {
      if (FToolWindow == oldTool)
        FToolWindow = nullptr;
      oldTool->deleteLater();
    }
  }
  if (dock) {
    if (!FUseLastDock || LiveDragging)
      dock->AddMember(this, true);
    else
      SetLastDock(dock);
  }
  if (newTool)
    move(FloatingFrame().ClientRect(newTool->size()).topLeft());
  --FSizeLock;
  ArrangeSelf();
  --FBoundsLock;
  --FMoveEventLock;
  --FHideLock;
  if (wasShown)
    show();
  if (dock)
    dock->UpdateVisibleMember(this, false);
  if (newTool) {
    newTool->MoveTo(floatPos);
    ApplyVisibilityRule();
  }
  locks.Release();
  if (OnMove)
    OnMove(this);
  if (OnDockChanged)
    OnDockChanged(this);
}

// ---------------------------------------------------------------------------
// Further forms to dock in

namespace {

// The screen's order of forms: each activation stamps the form, so the one
// activated last (on top) comes first.
const char *const ActivationStamp = "qelActivationStamp";

void StampActivation(QWidget *form) {
  static qint64 counter = 0;
  form->setProperty(ActivationStamp, ++counter);
}

} // namespace

QList<QWidget *> TTbrCustomDockableWindow::ExtraDockForms() const {
  QList<QWidget *> forms;
  for (const QPointer<QWidget> &form : FExtraDockForms)
    if (form)
      forms.append(form);
  std::stable_sort(forms.begin(), forms.end(), [](const QWidget *a, const QWidget *b) {
    return a->property(ActivationStamp).toLongLong() > b->property(ActivationStamp).toLongLong();
  });
  return forms;
}

void TTbrCustomDockableWindow::AddExtraDockForm(QWidget *form) {
  if (!form || FExtraDockForms.contains(form))
    return;
  FExtraDockForms.append(form);
  form->installEventFilter(this);
  if (form->isActiveWindow())
    StampActivation(form);
  connect(form, &QObject::destroyed, this, [this, form](QObject *) {
    FExtraDockForms.removeIf([form](const QPointer<QWidget> &p) { return !p || p == form; });
  });
}

void TTbrCustomDockableWindow::RemoveExtraDockForm(QWidget *form) {
  if (!form || !FExtraDockForms.contains(form))
    return;
  FExtraDockForms.removeAll(form);
  form->removeEventFilter(this);
  disconnect(form, &QObject::destroyed, this, nullptr);
}

bool TTbrCustomDockableWindow::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::WindowActivate && watched->isWidgetType())
    StampActivation(static_cast<QWidget *>(watched));
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Floating

bool TTbrCustomDockableWindow::Floating() const {
  return FToolWindow && parentWidget() == FToolWindow.data();
}

QWidget *TTbrCustomDockableWindow::ParentForm() const {
  if (Floating())
    return FToolWindow->ParentForm();
  QWidget *form = window();
  return form == this ? nullptr : form;
}

TTbrFloatingWindowParent *TTbrCustomDockableWindow::ToolWindowClass(QWidget *parentForm) {
  return new TTbrFloatingWindowParent(parentForm);
}

void TTbrCustomDockableWindow::FloatDockableWindow(bool floating) {
  if (!floating) {
    SetCurrentDock(nullptr);
    return;
  }
  QWidget *form = ParentForm();
  if (!form)
    throw EInvalidOperation(QStringLiteral("Control '%1' has no parent window").arg(objectName()).toStdString());
  if (!FToolWindow || FToolWindow->ParentForm() != form) {
    if (FToolWindow && !Floating())
      FToolWindow->deleteLater();
    TTbrFloatingWindowParent *tool = ToolWindowClass(form);
    tool->setObjectName(QStringLiteral("NBFloatingWindowParent_%1").arg(quintptr(tool), 8, 16, QLatin1Char('0')));
    tool->setWindowTitle(Caption());
    tool->SetOnTopOfAll(FFloatingMode == fmOnTopOfAllForms);
    tool->resize(FloatingFrame().OuterSize(size()));
    FToolWindow = tool;
  }
  ChangeParent(FToolWindow, nullptr);
}

void TTbrCustomDockableWindow::FreeUnusedToolWindow() {
  if (FToolWindow && !Floating()) {
    FToolWindow->hide();
    FToolWindow->deleteLater();
    FToolWindow = nullptr;
  }
}

void TTbrCustomDockableWindow::KeepInWorkArea(bool onlyWhenOffScreen) {
  if (!Floating())
    return;
  const QRect frame = FToolWindow->geometry();
  const QRect work = PlatformMetrics().MonitorAreaOfRect(frame, true);
  const QRect kept = qel::toolbars::KeepInWorkArea(frame, work, onlyWhenOffScreen);
  if (kept.topLeft() != frame.topLeft()) {
    FToolWindow->move(kept.topLeft());
    FloatPos = kept.topLeft();
  }
}

QPoint TTbrCustomDockableWindow::GetFrameMetrics() const {
  return FResizable ? ThemeManager().System().SizingFrameSize() : ThemeManager().System().DialogFrameSize();
}

TTbrFloatingFrame TTbrCustomDockableWindow::FloatingFrame() const {
  TTbrFloatingFrame frame;
  frame.Frame = GetFrameMetrics();
  frame.CaptionHeight = FShowCaption ? ThemeManager().System().SmallCaptionHeight() : 0;
  frame.CloseButton = FCloseButton;
  frame.Resizable = FResizable;
  frame.SizeFromCorners = SizeFromCorners;
  return frame;
}

bool TTbrCustomDockableWindow::VisibleByRule() const {
  TTbrVisibilityState state;
  state.Showing = !isHidden();
  state.HideLock = FHideLock;
  state.Mode = FFloatingMode;
  QWidget *form = ParentForm();
  state.HasParentForm = form != nullptr;
  state.FormVisible = form && form->isVisible();
  state.FormMinimized = form && form->isMinimized();
  state.HideWhenInactive = FHideWhenInactive;
  state.ApplicationActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
  return qel::toolbars::VisibleByRule(state);
}

void TTbrCustomDockableWindow::ApplyVisibilityRule() {
  if (!Floating())
    return;
  const bool inactive = !FHideWhenInactive && QGuiApplication::applicationState() != Qt::ApplicationActive;
  if (inactive != FCaptionInactive) {
    FCaptionInactive = inactive;
    FToolWindow->update();
  }
  FToolWindow->ApplyVisibilityRule();
}

void TTbrCustomDockableWindow::SetFloatingMode(TTbrFloatingMode mode) {
  FFloatingMode = mode;
  if (FToolWindow)
    FToolWindow->SetOnTopOfAll(mode == fmOnTopOfAllForms);
  ApplyVisibilityRule();
}

void TTbrCustomDockableWindow::SetHideWhenInactive(bool value) {
  FHideWhenInactive = value;
  ApplyVisibilityRule();
}

void TTbrCustomDockableWindow::SetResizable(bool value) {
  if (value == FResizable)
    return;
  FResizable = value;
  if (Floating())
    ArrangeSelf();
}

void TTbrCustomDockableWindow::SetShowCaption(bool value) {
  if (value == FShowCaption)
    return;
  FShowCaption = value;
  if (Floating())
    ArrangeSelf();
}

void TTbrCustomDockableWindow::ApplySizingRect(const QRect &outer) {
  if (!Floating())
    return;
  const TTbrFloatingFrame frame = FloatingFrame();
  ++FSizeLock;
  try {
    SizingAccepted();
    FToolWindow->setGeometry(outer);
    SetBoundsLocked(frame.ClientRect(outer.size()));
  } catch (...) {
    --FSizeLock;
    throw;
  }
  --FSizeLock;
  ArrangeSelf();
  KeepInWorkArea(true);
}

TTbrDockOrientation TTbrCustomDockableWindow::CurrentOrientation() const {
  if (Floating())
    return doFloating;
  if (FCurrentDock)
    return FCurrentDock->IsVertical() ? doVertical : doHorizontal;
  return doNoOrient;
}

void TTbrCustomDockableWindow::ArrangeSelf() {
  if (FSizeLock > 0 || !parentWidget()) {
    FArrangeSelfPending = true;
    return;
  }
  FArrangeSelfPending = false;
  const QSize contents = LayoutContents(true, CurrentOrientation(), FCurrentDock, Floating());
  if (FCurrentDock) {
    FCurrentDock->ArrangeDockedWindows();
    return;
  }
  if (Floating()) {
    SetBoundsLocked(QRect(FloatingFrame().ClientRect(FToolWindow->size()).topLeft(), contents));
    return;
  }
  if (!FAutoResize)
    return;
  SetBoundsLocked(QRect(pos(), contents + GetDockedFrameSize()));
}

void TTbrCustomDockableWindow::SetBoundsLocked(const QRect &bounds) {
  ++FBoundsLock;
  if (bounds.size() != size())
    SizeAboutToChange(bounds.width(), bounds.height());
  if (Floating())
    FToolWindow->resize(FloatingFrame().OuterSize(bounds.size()));
  setGeometry(bounds);
  --FBoundsLock;
}

void TTbrCustomDockableWindow::DoubleClickDock() {
  if (Docked()) {
    if (DblClickUndock && DockMode == dmCanFloat) {
      FloatDockableWindow(true);
      KeepInWorkArea(false);
    }
    return;
  }
  if (!Floating())
    return;
  if (FLastDock) {
    SetCurrentDock(FLastDock);
  } else if (FDefaultDock) {
    // Before every window of the first row.
    FDockRow = 0;
    FDockPos = -8;
    SetCurrentDock(FDefaultDock);
  }
}

void TTbrCustomDockableWindow::CloseByButton() {
  bool canClose = true;
  if (OnCloseQuery)
    OnCloseQuery(this, canClose);
  if (!canClose)
    return;
  hide();
  if (OnClose)
    OnClose(this);
}

// ---------------------------------------------------------------------------
// Frame

int TTbrCustomDockableWindow::GripSize() const { return qel::toolbars::GripSize(FDragHandleStyle, FCloseButtonWhenDocked); }

QSize TTbrCustomDockableWindow::GetDockedFrameSize() const {
  return DockedFrameSize(FCurrentDock != nullptr, FCurrentDock && FCurrentDock->IsVertical(),
                         FCurrentDock && FCurrentDock->AllowDrag(), GripSize());
}

QRect TTbrCustomDockableWindow::ClientRect() const {
  if (!FCurrentDock)
    return rect();
  return DockedClientRect(size(), FCurrentDock->IsVertical(), FCurrentDock->AllowDrag(), GripSize());
}

int TTbrCustomDockableWindow::HitTest(const QPoint &point) const {
  if (!FCurrentDock) {
    // The right and bottom bands of a floating frame are one pixel wider
    // than the frame: that pixel lies on the window.
    if (Floating() && IsSizingHit(FToolWindow->HitTest(mapTo(FToolWindow.data(), point))))
      return HitFrame;
    return HitClient;
  }
  return DockedHitTest(point, size(), FCurrentDock->IsVertical(), FCurrentDock->AllowDrag(), FCloseButtonWhenDocked,
                       GripSize());
}

Qt::CursorShape TTbrCustomDockableWindow::FrameCursorAt(const QPoint &point) const {
  if (FCurrentDock)
    return HitTest(point) == HitFrame && InGripZone(point, size(), FCurrentDock->IsVertical(), FDragHandleStyle, GripSize())
               ? Qt::SizeAllCursor
               : Qt::ArrowCursor;
  if (Floating())
    return SizingCursor(FToolWindow->HitTest(mapTo(FToolWindow.data(), point)));
  return Qt::ArrowCursor;
}

void TTbrCustomDockableWindow::PaintDockedFrame(QPainter &painter) {
  TPainterCanvas canvas(painter);
  TDockFrameState state;
  state.Size = size();
  state.Vertical = FCurrentDock->IsVertical();
  state.AllowDrag = FCurrentDock->AllowDrag();
  state.BorderSingle = FBorderSingle;
  state.Style = FDragHandleStyle;
  state.CloseButtonWhenDocked = FCloseButtonWhenDocked;
  state.ClosePressed = FClosePressed;
  state.CloseHot = FCloseHot;
  TDockFrameColors colors;
  colors.Face = FColor;
  colors.Text = palette().color(QPalette::ButtonText);
  qel::toolbars::PaintDockedFrame(canvas, state, colors);
}

void TTbrCustomDockableWindow::paintEvent(QPaintEvent *) {
  if (!FCurrentDock)
    return;
  QPainter painter(this);
  PaintDockedFrame(painter);
}

void TTbrCustomDockableWindow::UpdateCloseHot(bool hot) {
  if (hot == FCloseHot)
    return;
  FCloseHot = hot;
  update();
}

// A left press on the close button tracks it until the button is released;
// on the grip or frame, and on contents that do not take the press
// themselves, it drags the window, while the dock allows that.
void TTbrCustomDockableWindow::mousePressEvent(QMouseEvent *event) {
  const QPoint at = event->position().toPoint();
  const int hit = HitTest(at);
  if (event->button() == Qt::LeftButton && hit == HitCloseButton) {
    const QRect button = DockedCloseRect(size(), FCurrentDock->IsVertical(), FCurrentDock->AllowDrag(),
                                         FCloseButtonWhenDocked, GripSize());
    QPointer<TTbrCustomDockableWindow> self(this);
    const bool released = TrackButton(this, QRect(mapToGlobal(button.topLeft()), button.size()), [&](bool pressed) {
      if (self && pressed != FClosePressed) {
        FClosePressed = pressed;
        update();
      }
    });
    if (self && released)
      RunGuarded([&] { CloseByButton(); });
    return;
  }
  if (event->button() == Qt::LeftButton && Floating() && hit == HitFrame) {
    // On the floating frame's band: the frame is sized.
    const TTbrFrameHit band = FToolWindow->HitTest(mapTo(FToolWindow.data(), at));
    if (Resizable() && IsSizingHit(band))
      RunGuarded([&] { RunSizingLoop(this, int(band) - FrameHitLeft); });
    return;
  }
  if (event->button() == Qt::LeftButton && ((FCurrentDock && FCurrentDock->AllowDrag()) || Floating()) &&
      (hit == HitFrame || (hit == HitClient && !IsDragBlockedAt(at)))) {
    QPointer<TTbrCustomDockableWindow> self(this);
    RunGuarded([&] { RunDragLoop(this, at); });
    // Whatever the contents made of the press, the button is up now.
    if (self && hit == HitClient) {
      QMouseEvent up(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), QCursor::pos(), Qt::LeftButton,
                     Qt::NoButton, event->modifiers());
      QCoreApplication::sendEvent(this, &up);
    }
    return;
  }
  QWidget::mousePressEvent(event);
}

void TTbrCustomDockableWindow::mouseDoubleClickEvent(QMouseEvent *event) {
  const int hit = HitTest(event->position().toPoint());
  if (event->button() == Qt::LeftButton && ((FCurrentDock && FCurrentDock->AllowDrag()) || Floating()) &&
      ((hit == HitFrame && !Floating()) || (hit == HitClient && !IsDragBlockedAt(event->position().toPoint())))) {
    RunGuarded([&] { DoubleClickDock(); });
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}

void TTbrCustomDockableWindow::mouseMoveEvent(QMouseEvent *event) {
  const QPoint at = event->position().toPoint();
  const int hit = HitTest(at);
  UpdateCloseHot(hit == HitCloseButton);
  if (const Qt::CursorShape shape = FrameCursorAt(at); shape != Qt::ArrowCursor)
    setCursor(shape);
  else
    unsetCursor();
  QWidget::mouseMoveEvent(event);
}

void TTbrCustomDockableWindow::leaveEvent(QEvent *event) {
  UpdateCloseHot(false);
  QWidget::leaveEvent(event);
}

void TTbrCustomDockableWindow::contextMenuEvent(QContextMenuEvent *event) {
  // A right click on the frame (a floating frame sends its own here) shows
  // the window's menu, or the dock's (the list of bars).
  const bool mouse = event->reason() == QContextMenuEvent::Mouse;
  TTbrPopupMenu *menu = FPopupMenu ? FPopupMenu : FCurrentDock ? FCurrentDock->PopupMenu() : nullptr;
  if (menu && (!mouse || !rect().contains(event->pos()) || HitTest(event->pos()) != HitClient)) {
    const QPoint at = mouse ? event->globalPos() : mapToGlobal(ClientRect().topLeft());
    RunGuarded([&] { menu->Popup(at.x(), at.y()); });
    return;
  }
  QWidget::contextMenuEvent(event);
}

void TTbrCustomDockableWindow::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  if (FMoveEventLock == 0 && OnMove)
    RunGuarded([&] { OnMove(this); });
}

bool TTbrCustomDockableWindow::event(QEvent *event) {
  const bool result = QWidget::event(event);
  if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
    if (FHideLock == 0) {
      if (FCurrentDock)
        FCurrentDock->UpdateVisibleMember(this, false);
      ApplyVisibilityRule();
      if (OnVisibleChanged)
        RunGuarded([&] { OnVisibleChanged(this); });
    }
  } else if (event->type() == QEvent::ParentChange) {
    FCurrentDock = dynamic_cast<TTbrDock *>(parentWidget());
  } else if (event->type() == QEvent::WindowTitleChange && FToolWindow) {
    FToolWindow->setWindowTitle(windowTitle());
    FToolWindow->update();
  }
  return result;
}

} // namespace qel::toolbars
