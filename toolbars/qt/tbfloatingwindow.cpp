#include "toolbars/qt/tbfloatingwindow.h"

#include "toolbars/core/tbdeferred.h"
#include "toolbars/paint/canvas.h"
#include "toolbars/paint/dockframe.h"
#include "toolbars/qt/tbdockablewindow.h"
#include "toolbars/qt/tbdragdriver.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace qel::toolbars {

namespace {

Qt::WindowFlags ToolFlags(bool onTopOfAll) {
  Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
  if (onTopOfAll)
    flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

} // namespace

Qt::CursorShape SizingCursor(TTbrFrameHit hit) {
  switch (hit) {
  case FrameHitLeft:
  case FrameHitRight:
    return Qt::SizeHorCursor;
  case FrameHitTop:
  case FrameHitBottom:
    return Qt::SizeVerCursor;
  case FrameHitTopLeft:
  case FrameHitBottomRight:
    return Qt::SizeFDiagCursor;
  case FrameHitTopRight:
  case FrameHitBottomLeft:
    return Qt::SizeBDiagCursor;
  default:
    return Qt::ArrowCursor;
  }
}

TTbrFloatingWindowParent::TTbrFloatingWindowParent(QWidget *parentForm)
    : QWidget(parentForm, ToolFlags(false)), FParentForm(parentForm) {
  // Shown by the visibility rule, never taking the focus from the form by that.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setMouseTracking(true);
  setMinimumSize(1, 1);
  hide();
  if (parentForm)
    parentForm->installEventFilter(this);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] {
    if (TTbrCustomDockableWindow *window = DockableWindow())
      window->ApplyVisibilityRule();
  });
}

TTbrFloatingWindowParent::~TTbrFloatingWindowParent() {
  // Qt deletes the window inside only later, from ~QWidget, when this is no
  // longer a tool window: the window forgets its tool window now, so that
  // nothing it does while it goes reads a half-destroyed one.
  if (TTbrCustomDockableWindow *window = DockableWindow())
    if (window->FToolWindow == this)
      window->FToolWindow = nullptr;
}

TTbrCustomDockableWindow *TTbrFloatingWindowParent::DockableWindow() const {
  for (QObject *child : children())
    if (auto *window = dynamic_cast<TTbrCustomDockableWindow *>(child))
      return window;
  return nullptr;
}

void TTbrFloatingWindowParent::MoveTo(const QPoint &pos) {
  const QPoint at = SnapMove(QRect(pos, size()));
  if (at != this->pos())
    move(at);
  if (TTbrCustomDockableWindow *window = DockableWindow())
    window->FloatPos = at;
}

void TTbrFloatingWindowParent::ApplyVisibilityRule() {
  TTbrCustomDockableWindow *window = DockableWindow();
  const bool show = window && window->VisibleByRule();
  if (show == isVisible())
    return;
  // A window manager that minimised the frame with its form leaves it
  // minimised; shown so, it would take the form down again.
  if (show && (windowState() & Qt::WindowMinimized))
    setWindowState(windowState() & ~Qt::WindowMinimized);
  setVisible(show);
  if (show)
    raise();
}

void TTbrFloatingWindowParent::SetOnTopOfAll(bool onTop) {
  if (onTop == FOnTopOfAll)
    return;
  FOnTopOfAll = onTop;
  const bool shown = isVisible();
  const QPoint at = pos();
  setWindowFlags(ToolFlags(onTop));
  move(at);
  if (shown)
    show();
}

TTbrFrameHit TTbrFloatingWindowParent::HitTest(const QPoint &point) const {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window)
    return FrameHitNowhere;
  return window->FloatingFrame().HitTest(point, size());
}

void TTbrFloatingWindowParent::PaintFrame(QPainter &painter) {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window)
    return;
  const TTbrFloatingFrame frame = window->FloatingFrame();
  TPainterCanvas canvas(painter);
  TFloatingFrameState state;
  state.Outer = size();
  state.Frame = frame.Frame;
  state.CaptionHeight = frame.CaptionHeight;
  state.Caption = windowTitle();
  state.Active = !window->CaptionInactive();
  state.CloseButton = frame.CloseButton;
  state.ClosePressed = FClosePressed;
  TDockFrameColors colors;
  colors.Face = window->Color().isValid() ? window->Color() : palette().color(QPalette::Button);
  colors.Text = palette().color(QPalette::ButtonText);
  PaintFloatingFrame(canvas, state, colors);
}

void TTbrFloatingWindowParent::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  PaintFrame(painter);
}

void TTbrFloatingWindowParent::ActivateParentForm() {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window || !FParentForm || !window->ActivateParent || window->FloatingMode() != fmOnTopOfParentForm)
    return;
  if (!FParentForm->isActiveWindow())
    FParentForm->activateWindow();
}

void TTbrFloatingWindowParent::mousePressEvent(QMouseEvent *event) {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (!window || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  raise();
  ActivateParentForm();
  const QPoint at = event->position().toPoint();
  const TTbrFrameHit hit = HitTest(at);
  QPointer<TTbrFloatingWindowParent> self(this);
  switch (hit) {
  case FrameHitCaption:
    RunGuarded([&] { RunDragLoop(window, window->mapFrom(this, at)); });
    break;
  case FrameHitClose: {
    const QRect button = window->FloatingFrame().CloseRect(size());
    const bool released = TrackButton(this, QRect(mapToGlobal(button.topLeft()), button.size()), [&](bool pressed) {
      if (self && pressed != FClosePressed) {
        FClosePressed = pressed;
        update();
      }
    });
    if (self && released && DockableWindow())
      RunGuarded([&] { DockableWindow()->CloseByButton(); });
    break;
  }
  case FrameHitClient:
  case FrameHitNowhere:
    break;
  default:
    if (window->Resizable())
      RunGuarded([&] { RunSizingLoop(window, int(hit) - FrameHitLeft); });
    break;
  }
}

void TTbrFloatingWindowParent::mouseDoubleClickEvent(QMouseEvent *event) {
  TTbrCustomDockableWindow *window = DockableWindow();
  if (window && event->button() == Qt::LeftButton && HitTest(event->position().toPoint()) == FrameHitCaption) {
    RunGuarded([&] { window->DoubleClickDock(); });
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}

void TTbrFloatingWindowParent::mouseMoveEvent(QMouseEvent *event) {
  const TTbrFrameHit hit = HitTest(event->position().toPoint());
  SetCloseHover(hit == FrameHitClose);
  setCursor(SizingCursor(hit));
  QWidget::mouseMoveEvent(event);
}

void TTbrFloatingWindowParent::mouseReleaseEvent(QMouseEvent *event) {
  // A right click on the frame is the window's context menu.
  TTbrCustomDockableWindow *window = DockableWindow();
  if (window && event->button() == Qt::RightButton) {
    const QPoint global = event->globalPosition().toPoint();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, window->mapFromGlobal(global), global, event->modifiers());
    QCoreApplication::sendEvent(window, &menu);
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void TTbrFloatingWindowParent::leaveEvent(QEvent *event) {
  if (!QWidget::mouseGrabber())
    SetCloseHover(false);
  QWidget::leaveEvent(event);
}

void TTbrFloatingWindowParent::SetCloseHover(bool hover) {
  if (hover == FCloseHover)
    return;
  FCloseHover = hover;
  CloseHoverChanged();
}

void TTbrFloatingWindowParent::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && FParentForm) {
    FParentForm->activateWindow();
    FParentForm->setFocus();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TTbrFloatingWindowParent::closeEvent(QCloseEvent *event) {
  // Closing the tool window from the desktop closes its form.
  event->ignore();
  if (FParentForm)
    QTimer::singleShot(0, FParentForm.data(), [form = FParentForm] {
      if (form)
        form->close();
    });
}

void TTbrFloatingWindowParent::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  if (TTbrCustomDockableWindow *window = DockableWindow()) {
    window->FloatPos = pos();
    if (window->OnMove)
      RunGuarded([&] { window->OnMove(window); });
  }
}

bool TTbrFloatingWindowParent::event(QEvent *event) {
  if (event->type() == QEvent::WindowActivate) {
    // Activation belongs to the form, unless a control inside took the focus.
    if (isVisible() && !focusWidget() && FParentForm)
      QTimer::singleShot(0, this, [this] {
        if (FParentForm && isActiveWindow() && !focusWidget())
          FParentForm->activateWindow();
      });
  }
  return QWidget::event(event);
}

bool TTbrFloatingWindowParent::eventFilter(QObject *watched, QEvent *event) {
  if (watched == FParentForm) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
      if (TTbrCustomDockableWindow *window = DockableWindow())
        window->ApplyVisibilityRule();
      break;
    default:
      break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace qel::toolbars
