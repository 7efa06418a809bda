#pragma once
// The modal menu loop. While a menu is open, one loop owns the pointer and
// the keyboard: every key and mouse event goes to the views of the open
// chain (the root toolbar or popup, then each popup opened from it), hover
// timers open and close submenus, and the loop ends when something was
// chosen, the menu was cancelled, a press landed outside the chain, or the
// application lost the input. A chosen command never runs inside the loop:
// it is recorded as the root view's done action and runs after the loop
// has ended and every popup is gone.
//
// The loop here is a state machine fed one abstract event at a time, so it
// runs without a window; a modal driver (toolbars/qt: a nested event loop
// with grabs; tests: a script) takes the input and feeds it in.

#include "toolbars/core/popupplacement.h"
#include "toolbars/core/tbdoneaction.h"
#include "toolbars/core/tbviewhost.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace qel::toolbars {

class TTbrCustomItem;
class TTbrItemViewer;
class TTbrView;

// One input event as the loop sees it. Points are in screen coordinates.
struct TTbrLoopEvent {
  enum class Kind {
    MouseMove,
    MousePress,
    MouseDoubleClick,
    MouseRelease,
    Wheel,
    KeyDown, // also the keys that come with Alt held
    KeyUp,
    Char,    // a typed character (after KeyDown left the key unconsumed)
    Timer,   // one of a popup view's timers fired
    Other,   // anything else: dispatched normally
  };
  Kind kind = Kind::Other;
  QPoint screenPos;
  Qt::MouseButton button = Qt::NoButton;
  Qt::KeyboardModifiers modifiers;
  int key = 0;         // KeyDown, KeyUp: a Qt::Key
  char32_t ch = 0;     // Char
  int wheelDelta = 0;  // Wheel: in eighths of a degree, 120 a notch
  TTbrView *timerView = nullptr;
  TTbrViewTimer timer = TTbrViewTimer::Open;
  // The mouse buttons held when the event came (after a press, with the
  // pressed one; after a release, without it). Keys and characters are
  // ignored while the button that drives the menu is held.
  Qt::MouseButtons buttons;
};

// What the loop did with an event. A key down the menu left alone comes
// back as Dispatch: the driver then feeds the characters the key types as
// Char events (and need not deliver the key anywhere: nothing outside the
// menu has the keyboard while it is open).
enum class TTbrLoopVerdict {
  Handled,   // consumed by the menu
  Discarded, // swallowed without effect (key releases, context-menu keys, ...)
  Dispatch,  // not the menu's: the driver delivers it normally
  Ended,     // the loop has ended; the event was consumed
  EndedPass, // the loop has ended and the event (a press outside the menu)
             // must still reach the window under the pointer
};

// The desktop's side of the loop, apart from the views' own hosts.
class TTbrMenuLoopHost {
public:
  virtual ~TTbrMenuLoopHost() = default;
  virtual void Beep() {}
  // Hint of the selected viewer, shown over `screenRect`; an empty text
  // cancels the hint shown.
  virtual void ShowHint(const QString &text, const QRect &screenRect) { (void)text, (void)screenRect; }
  // The application's status hint: the long hint of the deepest selected item.
  virtual void SetApplicationHint(const QString &text) { (void)text; }
  // The window a space or "-" typed on a bare menu bar opens the system menu of.
  virtual QObject *ActiveWindow() const { return nullptr; }
  // The pointer over the menu: what the viewer under it asks for, the arrow
  // elsewhere.
  virtual void SetCursor(Qt::CursorShape shape) { (void)shape; }
  // A menu session starts or ends on `root` (nullptr when the root view went
  // meanwhile), for accessibility clients.
  virtual void MenuSession(TTbrView *root, bool started) { (void)root, (void)started; }
};

// How the loop is entered.
struct TTbrMenuLoopOptions {
  bool InitiallyPressed = false; // started by a press on the selected viewer
  QPoint PressPoint;             // ... at this screen point
  bool TrackRightButton = false; // a context menu opened by the right button
  bool NoPriority = false;       // executing does not give the item priority
  bool ExecuteSelected = false;  // execute (or open) the selected item at once
};

class TTbrMenuLoop {
public:
  TTbrMenuLoop(TTbrView *root, TTbrMenuLoopHost *host);
  ~TTbrMenuLoop();
  TTbrMenuLoop(const TTbrMenuLoop &) = delete;
  TTbrMenuLoop &operator=(const TTbrMenuLoop &) = delete;

  // Clears the done action, takes the capture for the root view and hands
  // on the initial press or executes the selection. False when the loop has
  // already ended (a done action was recorded).
  bool Begin(const TTbrMenuLoopOptions &options);
  TTbrLoopVerdict Feed(const TTbrLoopEvent &event);
  // Ends the loop from outside: capture lost, application deactivated,
  // the root window destroyed.
  void End();
  bool Ended() const { return ended_; }
  // Leaves: cancels the root's capture state and the hint.
  void Leave();
  // The host hears that the session ended; called once its popups are
  // closed, while the root view still lives.
  void EndSession();

  // The root view; nullptr once it was destroyed while the loop ran.
  TTbrView *Root() const { return root_; }
  // The deepest open view of the chain.
  TTbrView *Deepest() const;
  // Called once when the loop ends, however it ends (an event fed in, End,
  // a view's EndModal, the root going away): a driver quits its wait here.
  void SetEndedHandler(std::function<void()> handler) { endedHandler_ = std::move(handler); }
  // The last pointer position the loop saw, in screen coordinates.
  std::optional<QPoint> LastPoint() const { return lastPoint_; }

private:
  friend class TTbrView;
  struct THit;
  TTbrLoopVerdict Handle(const TTbrLoopEvent &event);
  TTbrLoopVerdict PressOutside(const TTbrLoopEvent &event);
  void MouseMoved(const QPoint &point);
  void Pressed(const TTbrLoopEvent &event);
  void Released(const TTbrLoopEvent &event);
  void Typed(char32_t ch);
  bool TrackedButtonDown(const TTbrLoopEvent &event) const;
  // The open views, root first.
  std::vector<TTbrView *> Chain() const;
  bool InChain(const TTbrView *view) const;
  TTbrView *CapturedView() const;
  TTbrView *TopViewAt(const QPoint &screenPoint) const;
  void UpdateSelections(const QPoint &screenPoint, bool allowNewSelection);
  THit UnderMouse(const QPoint &screenPoint) const;
  void ShowHintFor(const THit &hit);
  void CancelHint();
  void UpdateApplicationHint();
  void RootDestroyed();

  TTbrView *root_;
  TTbrMenuLoopHost *host_;
  bool ended_ = false;
  bool registered_ = false; // the root view knows this loop as its active one
  bool announced_ = false;  // the host was told the session started
  bool trackRight_ = false;
  std::optional<QPoint> lastPoint_;
  bool mouseDownOnMenu_ = false; // the last press re-opened the root toolbar's open menu
  QString hintText_;
  QRect hintRect_;
  std::optional<QString> applicationHint_;
  std::function<void()> endedHandler_;
};

// Takes the input for a loop (pointer and keyboard grabs), feeds every
// event into it until it ends, and gives the input back on every way out.
// Run is called after Begin left the loop running and returns once
// loop.Ended(); SetEndedHandler tells it when that happens outside Feed.
// The timers a view's host runs while the loop is on go in as Timer events.
// Losing the grab, the application going inactive or the root window
// closing call loop.End().
class TTbrModalDriver {
public:
  virtual ~TTbrModalDriver() = default;
  virtual void Run(TTbrMenuLoop &loop) = 0;
};

// Opens the root popup of a menu shown at a point (a context menu), or
// closes it again.
class TTbrPopupFactory {
public:
  virtual ~TTbrPopupFactory() = default;
  virtual TTbrView *OpenPopupAt(TTbrCustomItem *item, const QPoint &screenPoint, TTbrPopupAlignment alignment,
                                bool selectFirstItem) = 0;
  virtual void ClosePopup(TTbrView *popupView) = 0;
};

// Bits of EnterToolbarLoop's options.
enum TTbrToolbarLoopOption : int {
  tbetMouseDown = 1 << 0,        // a press on the selected viewer started it
  tbetExecuteSelected = 1 << 1,  // execute (or open) the selected item at once
  tbetFromMSAA = 1 << 2,         // execute without giving priority
};

// Runs the menu loop on a toolbar or menu bar view, then leaves menu mode
// and runs the done action. Nothing when the view is already in menu mode.
void EnterToolbarLoop(TTbrView *view, int options, TTbrModalDriver &driver, TTbrMenuLoopHost *loopHost,
                      TTbrDoneActionHost *doneHost, const QPoint &pressPoint = QPoint());

// Pops `item`'s children up at a screen point, runs the loop until the menu
// has closed, then runs the done action. Returns the item clicked, if any.
TTbrCustomItem *PopupAt(TTbrCustomItem *item, const QPoint &screenPoint, bool trackRightButton,
                        TTbrPopupAlignment alignment, bool selectFirstItem, TTbrPopupFactory &factory,
                        TTbrModalDriver &driver, TTbrMenuLoopHost *loopHost, TTbrDoneActionHost *doneHost);

} // namespace qel::toolbars
