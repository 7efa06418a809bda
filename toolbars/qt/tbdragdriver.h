#pragma once
// The modal loops that follow the mouse for a dockable window: the drag
// loop, which moves a window to another place, row or dock or lets it
// float, the sizing loop of a floating window's frame, and the loop that
// tracks a frame button while the left button is held.
//
// Both run a nested event loop with the pointer and the keyboard grabbed on
// a small window of their own; every mouse and key event goes to the loop,
// and everything else is delivered as usual. The drag's decisions are made
// by the state machine of toolbars/core/tbdragloop.h; this side builds its
// setup from the real docks and windows, feeds it Qt's input and carries
// out what it decides.

#include <QRect>
#include <QWidget>

#include <functional>

namespace qel::toolbars {

class TTbrCustomDockableWindow;

// Runs the drag loop of `window`, pressed at `pressPoint` (window
// coordinates). Returns once the button is released, Esc is pressed or the
// pointer is lost.
void RunDragLoop(TTbrCustomDockableWindow *window, const QPoint &pressPoint);

// Sizes the frame of floating `window` from the band or corner pressed
// (type 0 left, 1 right, 2 top, 3 top-left, 4 top-right, 5 bottom,
// 6 bottom-left, 7 bottom-right) until the button is released (the size is
// taken), Esc or another press (an outline is dropped; a live size stays
// where the last move put it) or the pointer is lost.
void RunSizingLoop(TTbrCustomDockableWindow *window, int type);

// Follows the pointer while the left button is held after a press on a
// button of `window` (`buttonRect` in screen coordinates): `setPressed`
// gets whether the pointer is over the button. True when the button was
// released over it.
bool TrackButton(QWidget *window, const QRect &buttonRect, const std::function<void(bool)> &setPressed);

// Whether one of the loops runs now.
bool DragLoopRunning();

// The outline that shows where a window would go while it is dragged
// without moving it: a halftone frame `thickness` pixels wide, in a
// frameless window of its own that lets input through (the X desktop has
// no surface to draw on).
class TTbrDragOutline : public QWidget {
public:
  TTbrDragOutline();
  // Shows the frame around `rect` (screen coordinates); an empty rectangle
  // hides it.
  void Show(const QRect &rect, int thickness);
  int Thickness() const { return FThickness; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  int FThickness = 1;
};

} // namespace qel::toolbars
