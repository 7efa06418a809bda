#include "toolbars/qt/tbmodaldriver.h"

#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbaccessible.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>

#include <exception>
#include <optional>

namespace qel::toolbars {

namespace {

bool LoopRunning = false;
class TModalRun;
TModalRun *CurrentRun = nullptr;

// Input for a loop that has begun but whose run has not started yet.
struct TEarlyInput {
  const TTbrMenuLoop *Loop = nullptr;
  std::vector<TTbrLoopEvent> Events;
};
TEarlyInput &EarlyInput() {
  static TEarlyInput early;
  return early;
}

struct TPassedPress {
  QPoint Global;
  Qt::MouseButton Button = Qt::NoButton;
  Qt::MouseButtons Buttons;
  Qt::KeyboardModifiers Modifiers;
  bool Released = false; // its release came in before the loop had wound up
};

// Sends a press (and its release, when it came already) to the window under
// the point, as if the grab had never been there. Posted: it arrives once
// the menu is gone.
void DeliverPassedPress(const TPassedPress &press) {
  QWidget *target = QApplication::widgetAt(press.Global);
  if (!target)
    return;
  QWidget *top = target->window();
  QWindow *window = top->windowHandle();
  if (!window)
    return;
  const QPointF local = window->mapFromGlobal(press.Global);
  const QPointF global = press.Global;
  QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonPress, local, local, global, press.Button,
                                                      press.Buttons | press.Button, press.Modifiers));
  if (press.Released)
    QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonRelease, local, local, global,
                                                        press.Button, press.Buttons & ~press.Button,
                                                        press.Modifiers));
}

// One run: everything it takes it gives back in its destructor.
class TModalRun final : public QObject {
public:
  TModalRun(TTbrMenuLoop &loop) : Loop(loop), Outer(CurrentRun) {
    LoopRunning = true;
    CurrentRun = this;
    // The grab sits on the root view's window when it is shown, else on a
    // small window of our own, out of sight.
    if (auto *host = dynamic_cast<TTbrWidgetViewHost *>(loop.Root() ? loop.Root()->Host() : nullptr))
      RootWindow = host->Widget()->window();
    if (RootWindow && RootWindow->isVisible()) {
      Capture = RootWindow;
    } else {
      OwnCapture = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                                            Qt::WindowDoesNotAcceptFocus);
      OwnCapture->setAttribute(Qt::WA_ShowWithoutActivating);
      OwnCapture->setGeometry(-100, -100, 1, 1);
      OwnCapture->setMouseTracking(true);
      OwnCapture->show();
      Capture = OwnCapture;
    }
    if (RootWindow)
      RootDestroyed = connect(RootWindow, &QObject::destroyed, this, [this] { EndFromOutside(); });
    // Pointer moves without a button down reach the filter only through a
    // widget that tracks the mouse.
    CaptureTracked = Capture->hasMouseTracking();
    Capture->setMouseTracking(true);
    Capture->grabMouse(Qt::ArrowCursor);
    Capture->grabKeyboard();
    qApp->installEventFilter(this);
    Loop.SetEndedHandler([this] { Nested.exit(); });
    SetViewTimerRouter([this](TTbrView *view, TTbrViewTimer timer) {
      if (Lent())
        return true; // the menu waits while an editor has the input; the timer comes again
      TTbrLoopEvent event;
      event.kind = TTbrLoopEvent::Kind::Timer;
      event.timerView = view;
      event.timer = timer;
      Feed(event);
      return true;
    });
  }

  ~TModalRun() override {
    CurrentRun = Outer;
    SetViewTimerRouter(nullptr);
    Loop.SetEndedHandler(nullptr);
    qApp->removeEventFilter(this);
    disconnect(RootDestroyed);
    if (Capture) {
      Capture->releaseKeyboard();
      Capture->releaseMouse();
      Capture->setMouseTracking(CaptureTracked);
    }
    delete OwnCapture;
    LoopRunning = false;
  }

  void Exec() {
    TEarlyInput &early = EarlyInput();
    if (early.Loop == &Loop) {
      Afterward = std::move(early.Events);
      early = {};
      DrainAfterward();
    }
    if (Loop.Ended())
      return;
    Nested.exec();
  }

  std::optional<TPassedPress> Passed;
  std::exception_ptr Error;

  void Lend(QWidget *editor, std::function<void()> loopEnded) {
    if (Capture)
      Capture->releaseKeyboard();
    Borrower = editor;
    BorrowerLoopEnded = std::move(loopEnded);
    editor->grabKeyboard();
  }
  void Return() {
    if (Borrower)
      Borrower->releaseKeyboard();
    Borrower = nullptr;
    BorrowerLoopEnded = nullptr;
    if (Capture && !Loop.Ended())
      Capture->grabKeyboard();
  }
  bool Lent() const { return !Borrower.isNull(); }
  const TTbrMenuLoop *RunningLoop() const { return &Loop; }
  std::vector<TTbrLoopEvent> Afterward;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::ApplicationDeactivate) {
      EndFromOutside();
      return false;
    }
    // Every input event reaches the filter for its window first and then
    // for its widget (and again for each parent it propagates to): it is
    // taken once, at the widget.
    if (!watched->isWidgetType() || KeyOf(event) == Dispatched)
      return false;
    if (Loop.Ended()) {
      // A release of the press that ended the loop follows it to its window.
      if (Passed && type == QEvent::MouseButtonRelease &&
          static_cast<QMouseEvent *>(event)->button() == Passed->Button) {
        Passed->Released = true;
        return true;
      }
      return false;
    }
    if (Capture && QWidget::mouseGrabber() != Capture) {
      // Someone else took the pointer.
      EndFromOutside();
      return false;
    }
    if (Lent())
      return false; // the borrowing editor filters its input itself
    TTbrLoopEvent in;
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->source() != Qt::MouseEventNotSynthesized && mouse->source() != Qt::MouseEventSynthesizedByApplication)
        return true; // touch and tablet copies of input we get anyway
      in.kind = type == QEvent::MouseMove               ? TTbrLoopEvent::Kind::MouseMove
                : type == QEvent::MouseButtonPress      ? TTbrLoopEvent::Kind::MousePress
                : type == QEvent::MouseButtonRelease    ? TTbrLoopEvent::Kind::MouseRelease
                                                        : TTbrLoopEvent::Kind::MouseDoubleClick;
      in.screenPos = mouse->globalPosition().toPoint();
      in.button = mouse->button();
      in.modifiers = mouse->modifiers();
      in.buttons = mouse->buttons();
      const TTbrLoopVerdict verdict = Feed(in);
      if (verdict == TTbrLoopVerdict::EndedPass && type != QEvent::MouseMove)
        Passed = TPassedPress{in.screenPos, mouse->button(), mouse->buttons() & ~mouse->button(), in.modifiers};
      return Consumed(verdict, event);
    }
    case QEvent::Wheel: {
      auto *wheel = static_cast<QWheelEvent *>(event);
      in.kind = TTbrLoopEvent::Kind::Wheel;
      in.screenPos = wheel->globalPosition().toPoint();
      in.modifiers = wheel->modifiers();
      in.wheelDelta = wheel->angleDelta().y();
      in.buttons = wheel->buttons();
      return Consumed(Feed(in), event);
    }
    case QEvent::ShortcutOverride:
      // No shortcut of the application fires while the menu has the keyboard.
      event->accept();
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto *key = static_cast<QKeyEvent *>(event);
      in.kind = type == QEvent::KeyPress ? TTbrLoopEvent::Kind::KeyDown : TTbrLoopEvent::Kind::KeyUp;
      in.key = key->key();
      in.modifiers = key->modifiers();
      in.buttons = QGuiApplication::mouseButtons();
      TTbrLoopVerdict verdict = Feed(in);
      if (type == QEvent::KeyPress && verdict == TTbrLoopVerdict::Dispatch && !Loop.Ended()) {
        // A key the menu did not take comes back as the characters it types.
        const QString text = key->text();
        verdict = TTbrLoopVerdict::Discarded;
        for (char32_t ch : text.toUcs4()) {
          if (ch < 0x20 || ch == 0x7F || Loop.Ended())
            continue;
          TTbrLoopEvent typed;
          typed.kind = TTbrLoopEvent::Kind::Char;
          typed.ch = ch;
          typed.modifiers = key->modifiers();
          typed.buttons = in.buttons;
          verdict = Feed(typed);
        }
      }
      return Consumed(verdict, event);
    }
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
    }
  }

private:
  TTbrLoopVerdict Feed(const TTbrLoopEvent &event) {
    TTbrLoopVerdict verdict = TTbrLoopVerdict::Ended;
    if (!Loop.Ended()) {
      // Nothing may throw through Qt's event delivery: an error ends the
      // loop and is raised again once the input is given back.
      try {
        verdict = Loop.Feed(event);
      } catch (...) {
        if (!Error)
          Error = std::current_exception();
        EndFromOutside();
      }
      // What an editor opened by this event handed back to the menu.
      DrainAfterward();
    }
    if (Loop.Ended())
      Nested.exit();
    return verdict;
  }

  void DrainAfterward() {
    try {
      for (const TTbrLoopEvent &next : std::vector<TTbrLoopEvent>(std::move(Afterward))) {
        if (Loop.Ended()) {
          // The release of a press that ended the loop follows it to its window.
          if (Passed && next.kind == TTbrLoopEvent::Kind::MouseRelease && next.button == Passed->Button)
            Passed->Released = true;
          continue;
        }
        if (Loop.Feed(next) == TTbrLoopVerdict::EndedPass && next.kind == TTbrLoopEvent::Kind::MousePress)
          Passed = TPassedPress{next.screenPos, next.button, next.buttons & ~next.button, next.modifiers};
      }
    } catch (...) {
      if (!Error)
        Error = std::current_exception();
      EndFromOutside();
    }
    Afterward.clear();
    if (Loop.Ended())
      Nested.exit();
  }

  bool Consumed(TTbrLoopVerdict verdict, QEvent *event) {
    if (verdict == TTbrLoopVerdict::Dispatch) {
      Dispatched = KeyOf(event);
      return false;
    }
    return true;
  }

  void EndFromOutside() {
    if (!Loop.Ended())
      Loop.End();
    Nested.exit();
    if (BorrowerLoopEnded) {
      const std::function<void()> told = std::move(BorrowerLoopEnded);
      BorrowerLoopEnded = nullptr;
      told();
    }
  }

  TTbrMenuLoop &Loop;
  TModalRun *const Outer; // a run this one is nested in
  QPointer<QWidget> Borrower;
  std::function<void()> BorrowerLoopEnded;
  QEventLoop Nested;
  QPointer<QWidget> RootWindow;
  QPointer<QWidget> Capture;
  QWidget *OwnCapture = nullptr;
  bool CaptureTracked = false;
  QMetaObject::Connection RootDestroyed;
  // The event last let through, so that its propagation to the parent
  // widgets is not fed in again.
  struct TDispatched {
    const QEvent *Event = nullptr;
    QEvent::Type Type = QEvent::None;
    quint64 Timestamp = 0;
    bool operator==(const TDispatched &) const = default;
  } Dispatched;
  static TDispatched KeyOf(const QEvent *event) {
    const auto *input = dynamic_cast<const QInputEvent *>(event);
    return {event, event->type(), input ? input->timestamp() : 0};
  }
};

} // namespace

void TTbrQtModalDriver::Run(TTbrMenuLoop &loop) {
  std::optional<TPassedPress> passed;
  std::exception_ptr error;
  {
    TModalRun run(loop);
    run.Exec();
    passed = run.Passed;
    error = run.Error;
  }
  if (error)
    std::rethrow_exception(error);
  if (passed)
    DeliverPassedPress(*passed);
}

bool TTbrQtModalDriver::Running() { return LoopRunning; }

bool TTbrQtModalDriver::LendKeyboard(QWidget *editor, std::function<void()> loopEnded) {
  if (!CurrentRun || !editor)
    return false;
  CurrentRun->Lend(editor, std::move(loopEnded));
  return true;
}

void TTbrQtModalDriver::ReturnKeyboard() {
  if (CurrentRun)
    CurrentRun->Return();
}

void TTbrQtModalDriver::FeedAfterward(const TTbrMenuLoop *loop, const TTbrLoopEvent &event) {
  if (!loop || loop->Ended())
    return;
  if (CurrentRun && CurrentRun->RunningLoop() == loop) {
    CurrentRun->Afterward.push_back(event);
    return;
  }
  TEarlyInput &early = EarlyInput();
  if (early.Loop != loop)
    early = {loop, {}};
  early.Events.push_back(event);
}

} // namespace qel::toolbars

namespace qel::toolbars {

void TTbrQtMenuLoopHost::Beep() { QApplication::beep(); }

void TTbrQtMenuLoopHost::ShowHint(const QString &text, const QRect &screenRect) {
  if (text.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(screenRect.bottomLeft(), text, nullptr, screenRect);
}

QObject *TTbrQtMenuLoopHost::ActiveWindow() const { return QApplication::activeWindow(); }

void TTbrQtMenuLoopHost::SetCursor(Qt::CursorShape shape) {
  // The grab shows its own pointer (the arrow) while the menu runs; it
  // turns to what the menu asks for, and goes with the grab.
  const QCursor *current = QGuiApplication::overrideCursor();
  if (!current || current->shape() == shape ||
      (current->shape() != Qt::ArrowCursor && current->shape() != Qt::IBeamCursor))
    return;
  QGuiApplication::changeOverrideCursor(QCursor(shape));
}

void TTbrQtMenuLoopHost::MenuSession(TTbrView *root, bool started) {
  // Told on the root view's window, the one whose input the session takes.
  auto *host = root ? dynamic_cast<TTbrWidgetViewHost *>(root->Host()) : nullptr;
  if (host)
    SendAccessibleEvent(host->Widget()->window(), started ? QAccessible::MenuStart : QAccessible::MenuEnd);
}

} // namespace qel::toolbars
