#pragma once
// Runs a menu loop on Qt's input: a nested event loop, the pointer and the
// keyboard grabbed on a window of ours (the root view's window, else a
// small window of the driver's own), and an application-wide event filter
// that turns every mouse, wheel and key event into a loop event. What the
// loop does not take is delivered as usual. The loop ends when it says so,
// when the application loses activation, when the grab is lost or when the
// root window goes; every way out releases the grabs and removes the
// filter. A press outside the menu that ended the loop is delivered
// afterwards to the window under the pointer, so the click still counts.

#include "toolbars/core/tbmenuloop.h"

#include <QPointer>

#include <functional>
#include <QWidget>

namespace qel::toolbars {

class TTbrQtModalDriver final : public TTbrModalDriver {
public:
  TTbrQtModalDriver() = default;
  void Run(TTbrMenuLoop &loop) override;

  // Whether a loop runs now (on this thread).
  static bool Running();

  // An editor opened inside the running loop (an edit item being edited)
  // borrows the keyboard: the grab moves to `editor`, and the loop is fed
  // nothing until ReturnKeyboard, so the editor's own filter decides what
  // the input does; the pointer stays grabbed. `loopEnded` runs when the
  // loop ends from outside meanwhile (the grab lost, the application
  // deactivated). False, and nothing lent, when no loop runs.
  static bool LendKeyboard(QWidget *editor, std::function<void()> loopEnded);
  static void ReturnKeyboard();
  // Input that ended an editor's edit and belongs to the menu `loop` (a
  // press outside the editor): fed to the loop once the input being handled
  // now is done, or as soon as it runs when the edit came before its run
  // (the press that started a toolbar's loop opened the editor).
  static void FeedAfterward(const TTbrMenuLoop *loop, const TTbrLoopEvent &event);
};

} // namespace qel::toolbars

namespace qel::toolbars {

// The desktop side of the loop on Qt: the beep, hints as tool tips, and
// the active window.
class TTbrQtMenuLoopHost : public TTbrMenuLoopHost {
public:
  void Beep() override;
  void ShowHint(const QString &text, const QRect &screenRect) override;
  QObject *ActiveWindow() const override;
  void SetCursor(Qt::CursorShape shape) override;
  void MenuSession(TTbrView *root, bool started) override;
};

} // namespace qel::toolbars
