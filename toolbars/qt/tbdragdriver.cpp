#include "toolbars/qt/tbdragdriver.h"

#include "toolbars/core/tbdragloop.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdockablewindow.h"
#include "toolbars/qt/tbfloatingwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>

namespace qel::toolbars {

namespace {

bool LoopRunning = false;

// What a loop takes for its run, given back on every way out: the pointer
// and keyboard grab on a small window of its own, out of sight, the event
// filter, and the cursor it set.
class TGrabbedInput : public QObject {
public:
  TGrabbedInput() {
    LoopRunning = true;
    Capture = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                                       Qt::WindowDoesNotAcceptFocus);
    Capture->setAttribute(Qt::WA_ShowWithoutActivating);
    Capture->setGeometry(-100, -100, 1, 1);
    Capture->setMouseTracking(true);
    Capture->show();
    Capture->grabMouse();
    Capture->grabKeyboard();
    qApp->installEventFilter(this);
  }
  ~TGrabbedInput() override {
    qApp->removeEventFilter(this);
    SetCursorShape(std::nullopt);
    if (Capture) {
      Capture->releaseKeyboard();
      Capture->releaseMouse();
    }
    delete Capture.data();
    LoopRunning = false;
  }
  TGrabbedInput(const TGrabbedInput &) = delete;
  TGrabbedInput &operator=(const TGrabbedInput &) = delete;

  bool Grabbed() const { return Capture && QWidget::mouseGrabber() == Capture; }

  // The cursor while the loop runs; none gives back the one before.
  void SetCursorShape(std::optional<Qt::CursorShape> shape) {
    if (shape == FShape)
      return;
    if (!shape)
      QApplication::restoreOverrideCursor();
    else if (!FShape)
      QApplication::setOverrideCursor(QCursor(*shape));
    else
      QApplication::changeOverrideCursor(QCursor(*shape));
    FShape = shape;
  }

  // Runs until Quit(); each input event of the grab goes to `handler`.
  void Exec(const std::function<void(QEvent *)> &handler) {
    Handler = handler;
    if (!Grabbed()) {
      Lost = true;
      return;
    }
    Nested.exec();
    Handler = nullptr;
  }
  void Quit() {
    Done = true;
    Nested.exit();
  }
  // The loop ended without Quit: the grab went, or the application is leaving.
  bool Lost = false;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (Done || !Handler)
      return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (!Grabbed()) {
        // Someone else took the pointer.
        Lost = true;
        Nested.exit();
        return false;
      }
      if (watched != Capture)
        return watched->isWidgetType(); // stray copies for other widgets go nowhere
      Handler(event);
      return true;
    case QEvent::ShortcutOverride:
      event->accept();
      return true;
    case QEvent::ContextMenu:
    case QEvent::Wheel:
      return watched->isWidgetType();
    default:
      return false;
    }
  }

private:
  QPointer<QWidget> Capture;
  QEventLoop Nested;
  std::function<void(QEvent *)> Handler;
  std::optional<Qt::CursorShape> FShape;
  bool Done = false;
};

QRect ScreenRect(const QWidget *widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

// The desktop side of the drag: the real docks, the outline, the cursor.
class TQtDragHost : public TTbrDragLoopHost {
public:
  TQtDragHost(TTbrCustomDockableWindow *window, TGrabbedInput &input) : W(window), Input(input) {}

  QList<QPointer<TTbrDock>> Docks; // the loop's dock ids index this
  // The pointer the drag started with (size-all on a docked grip): kept
  // while nothing else is to be said.
  Qt::CursorShape StartCursor = Qt::ArrowCursor;

  bool RequestDock(int id) override {
    TTbrDock *dock = Docks.value(id);
    if (!dock)
      return false;
    bool accept = true;
    if (dock->OnRequestDock)
      dock->OnRequestDock(dock, W, accept);
    return accept;
  }
  QRect WorkAreaAt(const QPoint &point) override { return PlatformMetrics().MonitorAreaOfPoint(point, true); }
  void SetCursor(TTbrDragCursor cursor) override {
    switch (cursor) {
    case TTbrDragCursor::Saved:
      Input.SetCursorShape(StartCursor);
      break;
    case TTbrDragCursor::NoEntry:
      Input.SetCursorShape(Qt::ForbiddenCursor);
      break;
    case TTbrDragCursor::SizeWE:
      Input.SetCursorShape(Qt::SizeHorCursor);
      break;
    case TTbrDragCursor::SizeNS:
      Input.SetCursorShape(Qt::SizeVerCursor);
      break;
    }
  }
  void ShowOutline(const QRect &rect, int thickness) override {
    if (rect.isEmpty() && !Outline)
      return;
    if (!Outline)
      Outline.reset(new TTbrDragOutline);
    Outline->Show(rect, thickness);
  }
  void ApplyDock(const TTbrDockDrop &drop) override {
    TTbrDock *dock = Docks.value(drop.Dock);
    if (!dock || !W)
      return;
    TTbrCustomDockableWindow *window = W;
    if (dock->DraggedWindow == window)
      dock->SplitDrag = drop.SplitDrag;
    // One layout of the dock with everything in place; the new row is asked
    // for that layout only.
    struct TOneLayout {
      QPointer<TTbrDock> Dock;
      QPointer<TTbrCustomDockableWindow> W;
      TOneLayout(TTbrDock *dock, TTbrCustomDockableWindow *w) : Dock(dock), W(w) { Dock->LockArrange(); }
      ~TOneLayout() {
        if (Dock) {
          const bool pending = Dock->ArrangePending();
          Dock->UnlockArrange();
          if (!pending)
            Dock->ArrangeDockedWindows();
        }
        if (W)
          W->NewRowBefore = false;
      }
    } layout(dock, window);
    if (window->CurrentDock() != dock)
      window->SetCurrentDock(dock);
    if (!W)
      return;
    window->SetDockRow(drop.Row);
    window->SetDockPos(drop.Pos);
    if (drop.CommitPositions)
      dock->SetCommitPositions();
    window->NewRowBefore = drop.NewRowBefore;
  }
  void ApplyFloat(const QPoint &pos) override {
    if (!W)
      return;
    TTbrCustomDockableWindow *window = W;
    window->FloatPos = pos;
    if (window->Floating())
      window->ToolWindowParent()->MoveTo(pos);
    else
      window->FloatDockableWindow(true);
    if (W)
      W->KeepInWorkArea(true);
  }

private:
  QPointer<TTbrCustomDockableWindow> W; // a handler may destroy it during the drag
  TGrabbedInput &Input;
  std::unique_ptr<TTbrDragOutline> Outline;
};

// The controls of a form as the candidate walk sees them.
TTbrDockTreeNode TreeOf(QWidget *widget, TTbrCustomDockableWindow *window, QList<QPointer<TTbrDock>> &docks) {
  TTbrDockTreeNode node;
  node.Showing = widget->isVisible();
  auto *dock = dynamic_cast<TTbrDock *>(widget);
  // The window's own dock is tried first anyway; a container that holds
  // the docks together with the window's dock is walked like the form.
  node.ContainsWindow = widget == window || (dock && dock->isAncestorOf(window));
  if (dock) {
    node.Dock = int(docks.size());
    docks.append(dock);
    node.Position = dock->Position();
    node.Accepts = window->CanDockAt(dock);
  }
  // Docks never sit inside dockable windows.
  if (dynamic_cast<TTbrCustomDockableWindow *>(widget))
    return node;
  for (QWidget *child : widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow())
      node.Children.append(TreeOf(child, window, docks));
  return node;
}

QList<int> TargetRows(const TTbrDock *dock) {
  QList<int> rows;
  const int last = dock->LastRowIndex(true);
  for (int row = 0; row <= last; ++row) {
    bool full = false;
    const int thickness = dock->RowSize(row, &full);
    rows.append(std::clamp(thickness, 0, RowThicknessMask) | (full ? RowFull : 0));
  }
  return rows;
}

void RunDrag(TTbrCustomDockableWindow *window, const QPoint &pressPoint, TGrabbedInput &input) {
  QPointer<TTbrCustomDockableWindow> guard(window);
  TTbrDock *startDock = window->CurrentDock();
  TTbrDragSetup setup;
  TQtDragHost host(window, input);
  host.StartCursor = window->FrameCursorAt(pressPoint);
  // The row and place as they were: a drag that ends floating gives them
  // back, before the pass below stores the arranged ones.
  setup.StartRow = window->DockRow();
  setup.StartPos = window->DockPos();

  // The dock lays the row out around the dragged window from now on.
  if (startDock) {
    startDock->DraggedWindow = window;
    startDock->SplitDrag = false;
    startDock->SetCommitPositions();
    startDock->ArrangeDockedWindows();
    setup.SplitAllowed = startDock->SplitAllowed();
  }
  struct TEnd {
    QPointer<TTbrDock> Dock;
    ~TEnd() {
      if (Dock) {
        Dock->DraggedWindow = nullptr;
        Dock->SplitDrag = false;
      }
    }
  } end{startDock};
  setup.LiveDragging = window->SmoothDrag;
  window->LiveDragging = setup.LiveDragging;
  setup.PressPoint = window->mapToGlobal(pressPoint);
  setup.OuterRect = window->Floating() ? window->ToolWindowParent()->geometry() : ScreenRect(window);
  setup.Mode = window->DockMode;
  setup.FullSize = window->FullSize();
  setup.UseLastDock = window->UseLastDock();
  const TTbrFloatingFrame frame = window->FloatingFrame();
  setup.FloatFrameWidth = frame.Frame.x();
  setup.FloatFrameHeight = frame.Frame.y();
  setup.CaptionHeight = frame.CaptionHeight;
  setup.FloatingSize = frame.OuterSize(window->LayoutContents(false, doFloating, nullptr, true));

  // The candidate docks, best first, each with what it would make of the window.
  QWidget *form = window->ParentForm();
  if (!form) {
    window->LiveDragging = false;
    return;
  }
  // Its own form first, then the further forms whose docks take it.
  QList<TTbrDockTreeNode> forms{TreeOf(form, window, host.Docks)};
  for (QWidget *extra : window->ExtraDockForms())
    if (extra != form && extra->isVisible())
      forms.append(TreeOf(extra, window, host.Docks));
  const int current = host.Docks.indexOf(startDock);
  const QList<int> candidates =
      CandidateDocks(current, startDock && window->CanDockAt(startDock), setup.Mode, forms);
  setup.StartDock = current;
  for (int id : candidates) {
    TTbrDock *dock = host.Docks[id];
    if (dock != startDock) {
      dock->SetCommitPositions();
      dock->ArrangeDockedWindows();
    }
    TTbrDragTarget target;
    target.Dock = id;
    target.Vertical = dock->IsVertical();
    target.ScreenRect = ScreenRect(dock);
    if (dock == startDock) {
      target.WindowSize = window->size();
    } else {
      const QSize contents =
          window->LayoutContents(false, target.Vertical ? doVertical : doHorizontal, dock, false);
      target.WindowSize = contents + DockedFrameSize(true, target.Vertical, dock->AllowDrag(), window->GripSize());
    }
    target.Rows = TargetRows(dock);
    setup.Targets.append(target);
  }

  TTbrDragLoop loop(std::move(setup), host);
  std::exception_ptr error;
  auto guarded = [&](auto &&step) {
    try {
      step();
    } catch (...) {
      if (!error)
        error = std::current_exception();
      input.Quit();
    }
  };
  guarded([&] { loop.Start(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier)); });
  input.Exec([&](QEvent *event) {
    using K = TTbrDragEvent::Kind;
    TTbrDragEvent in;
    switch (event->type()) {
    case QEvent::MouseMove:
      in.kind = K::Move;
      in.pos = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() != Qt::LeftButton)
        in.kind = K::OtherButton;
      else
        in.kind = event->type() == QEvent::MouseButtonRelease ? K::LeftRelease : K::LeftPress;
      in.pos = mouse->globalPosition().toPoint();
      if (in.kind == K::LeftRelease)
        guarded([&] { loop.Feed({K::Move, in.pos}); });
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto *key = static_cast<QKeyEvent *>(event);
      const bool down = event->type() == QEvent::KeyPress;
      if (key->key() == Qt::Key_Control)
        in.kind = down ? K::CtrlDown : K::CtrlUp;
      else if (key->key() == Qt::Key_Escape && down)
        in.kind = K::Escape;
      else
        in.kind = K::OtherKey;
      if (key->isAutoRepeat() && in.kind != K::OtherKey)
        in.kind = K::OtherKey;
      break;
    }
    default:
      return;
    }
    guarded([&] {
      if (!loop.Feed(in))
        input.Quit();
    });
  });
  if (!loop.Ended())
    guarded([&] { loop.Feed({TTbrDragEvent::Kind::CaptureLost, QPoint()}); });

  if (guard) {
    window->LiveDragging = false;
    const TTbrDragEnd &ended = loop.End();
    if (ended.RestoreRowPos) {
      window->SetDockRow(ended.DockRow);
      window->SetDockPos(ended.DockPos);
    }
    if (window->UseLastDock() && window->Docked())
      window->SetLastDock(window->CurrentDock());
    window->FreeUnusedToolWindow();
  }
  if (error)
    std::rethrow_exception(error);
}

} // namespace

void RunDragLoop(TTbrCustomDockableWindow *window, const QPoint &pressPoint) {
  if (!window || LoopRunning)
    return;
  TGrabbedInput input;
  RunDrag(window, pressPoint, input);
}

void RunSizingLoop(TTbrCustomDockableWindow *window, int type) {
  if (!window || LoopRunning || !window->Floating() || !window->Resizable() || type < 0 || type > 7)
    return;
  QPointer<TTbrCustomDockableWindow> guard(window);
  TTbrFloatingWindowParent *tool = window->ToolWindowParent();
  const TTbrFloatingFrame frame = window->FloatingFrame();
  const QRect start = tool->geometry();
  const QSize frameSize = frame.OuterSize(QSize(0, 0));
  TTbrSizingLimits limits = window->GetSizingLimits();
  limits.Min = limits.Min.expandedTo(QSize(0, 0)) + frameSize;
  if (limits.Max.width() > 0)
    limits.Max.setWidth(limits.Max.width() + frameSize.width());
  if (limits.Max.height() > 0)
    limits.Max.setHeight(limits.Max.height() + frameSize.height());
  const bool live = window->SmoothDrag;
  const QPoint pressed = QCursor::pos();
  QRect now = start;
  bool accepted = false;
  std::exception_ptr error;
  std::unique_ptr<TTbrDragOutline> outline;
  window->SizingStarted(type);
  {
    TGrabbedInput input;
    static constexpr Qt::CursorShape shapes[8] = {Qt::SizeHorCursor,   Qt::SizeHorCursor,   Qt::SizeVerCursor,
                                                  Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
                                                  Qt::SizeBDiagCursor, Qt::SizeFDiagCursor};
    input.SetCursorShape(shapes[type]);
    auto follow = [&](QPoint at) {
      if (window->ClipCursorWhileSizing && !PlatformMetrics().SeveralMonitors()) {
        const QRect screen = PlatformMetrics().ScreenOrWorkArea(false);
        at = QPoint(std::clamp(at.x(), screen.left(), screen.right()), std::clamp(at.y(), screen.top(), screen.bottom()));
      }
      QRect proposed = SizingRect(type, start, at - pressed, limits);
      proposed = window->SnapSizingRect(proposed);
      if (proposed == now)
        return;
      now = proposed;
      if (live) {
        window->ApplySizingRect(now);
      } else {
        if (!outline)
          outline.reset(new TTbrDragOutline);
        outline->Show(now, frame.Frame.x());
      }
    };
    input.Exec([&](QEvent *event) {
      try {
        switch (event->type()) {
        case QEvent::MouseMove:
          follow(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
          break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
          if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            input.Quit();
          break;
        case QEvent::MouseButtonRelease: {
          auto *mouse = static_cast<QMouseEvent *>(event);
          if (mouse->button() != Qt::LeftButton)
            break;
          follow(mouse->globalPosition().toPoint());
          accepted = true;
          input.Quit();
          break;
        }
        case QEvent::KeyPress:
          if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            input.Quit();
          break;
        default:
          break; // other keys and buttons are swallowed
        }
        if (!guard)
          input.Quit();
      } catch (...) {
        if (!error)
          error = std::current_exception();
        input.Quit();
      }
    });
  }
  outline.reset();
  if (guard) {
    if (accepted && !live && now != start && !error)
      window->ApplySizingRect(now);
    window->SizingEnded();
  }
  if (error)
    std::rethrow_exception(error);
}

bool TrackButton(QWidget *window, const QRect &buttonRect, const std::function<void(bool)> &setPressed) {
  if (!window || LoopRunning)
    return false;
  std::optional<bool> over;
  bool released = false;
  {
    TGrabbedInput input;
    auto update = [&](const QPoint &at) {
      const bool now = buttonRect.contains(at) && input.Grabbed();
      if (now != over) {
        over = now;
        setPressed(now);
      }
    };
    update(QCursor::pos());
    input.Exec([&](QEvent *event) {
      switch (event->type()) {
      case QEvent::MouseMove:
        update(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
          input.Quit();
        break;
      case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
          break;
        released = buttonRect.contains(mouse->globalPosition().toPoint());
        input.Quit();
        break;
      }
      default:
        break; // keys and the other buttons are swallowed
      }
    });
  }
  setPressed(false);
  return released;
}

bool DragLoopRunning() { return LoopRunning; }

// ---------------------------------------------------------------------------

TTbrDragOutline::TTbrDragOutline()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setObjectName(QStringLiteral("DragOutline"));
}

void TTbrDragOutline::Show(const QRect &rect, int thickness) {
  if (rect.isEmpty()) {
    hide();
    return;
  }
  FThickness = std::max(1, thickness);
  setGeometry(rect);
  // Only the frame is part of the window: what lies inside stays visible.
  const QRect local(QPoint(0, 0), rect.size());
  setMask(QRegion(local).subtracted(QRegion(local.adjusted(FThickness, FThickness, -FThickness, -FThickness))));
  if (!isVisible())
    show();
  raise();
  update();
}

void TTbrDragOutline::paintEvent(QPaintEvent *) {
  // A halftone: every other pixel dark, so the frame shows on any background.
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
}

} // namespace qel::toolbars
